// The two questions a run can ask when the search found no JVM: whether to
// install the bundled JVM, and, as the last resort, which JVM executable to
// use. Both go through the user interface, which is skipped when silent.
#include <cctype>

#include "core/launcher.h"
#include "launch/class_path.h"
#include "string_ids.h"
#include "support/log_writer.h"

namespace carafe {

namespace {

// The JVM home of an executable path: everything before the last "\bin",
// found without regard to letter case; the whole path when there is none.
std::string HomeOfExecutable(const std::string& path) {
  std::string lower = path;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::size_t bin = lower.rfind("\\bin");
  return bin == std::string::npos ? path : path.substr(0, bin);
}

}  // namespace

bool Launcher::OfferBundledJvm() {
  if (!run_.silent) {
    HideProgress();
    int answer = ui_ != nullptr ? ui_->RunBundledJvmPrompt() : kDialogCancel;
    ShowProgress();
    if (answer != kDialogOk) return false;
  }
  return ExtractBundledJvmInstaller();
}

bool Launcher::BrowseForJvm() {
  if (run_.silent || ui_ == nullptr) return false;
  std::string chosen;
  HideProgress();
  int answer = ui_->RunBrowseDialog(&chosen);
  ShowProgress();
  if (answer == kDialogCancel) {
    if (run_.logAll) Log(FormatEntry("\r\n%s \r\n", LoadLabel(IDS_BROWSE_CANCELLED).c_str()));
    return false;
  }
  if (chosen.empty()) {
    if (run_.logAll) Log(FormatEntry("\r\n%s \r\n", LoadLabel(IDS_BROWSE_EMPTY).c_str()));
    return false;
  }
  if (run_.logAll)
    Log(FormatEntry("\r\n%s %s.\r\n", LoadLabel(IDS_USER_CHOSE).c_str(), chosen.c_str()));
  run_.jvmPath = chosen;
  // A bare name such as java.exe is found by the system on its own path; its
  // libraries are unknown, so the class path is left as it was.
  if (chosen.find('\\') != std::string::npos) {
    const std::string home = HomeOfExecutable(chosen);
    run_.classPath = CollectJdkLibs(home);
    if (run_.classPath.empty()) run_.classPath = CollectJreLibs(home);
  }
  return true;
}

}  // namespace carafe
