// Finding the JVM: the criteria search of the run sequence and the maker's
// own registry key that replaces it when the criteria ask for it.
#include "core/launcher.h"
#include "discovery/jvm_search.h"
#include "launch/class_path.h"
#include "string_ids.h"
#include "support/file_utilities.h"
#include "support/log_writer.h"

namespace carafe {

namespace {

constexpr const char* kRegisteredJvmKey = "Software\\Varnica\\Java Virtual Machine";
constexpr const char* kDefaultJvmBin = "java.exe";

}  // namespace

bool Launcher::SearchForJvm() {
  SetStatus(IDS_SEARCHING_FOR_JVM);
  if (run_.searchCriteria.empty() && !run_.searchCriteriaGiven) ExtractSearchCriteria();

  const std::uint32_t header = run_.searched ? IDS_SEARCH_AFTER_INSTALL : IDS_SEARCH_SUMMARY;
  run_.searched = true;
  Log(FormatEntry("\r\n%s \r\n", LoadLabel(header).c_str()));

  JvmRecord found = FindJvm(run_.searchCriteria, run_.verifyClassPath, run_.search);
  if (found.bin().empty()) {
    Log(FormatEntry("\r\n\t%s %s \r\n", LoadLabel(IDS_SEARCH_FAILED).c_str(),
                    run_.jvmPath.c_str()));
    return false;
  }
  run_.jvmPath = found.bin();
  run_.classPath = found.libs();
  if (run_.logAll)
    Log(FormatEntry("\r\n%s %s\r\n", LoadLabel(IDS_FOUND_JVM_AT).c_str(), run_.jvmPath.c_str()));
  return true;
}

bool Launcher::ReadRegisteredJvm() {
  // The key of a JVM of either width, its two values from the same view.
  for (RegistryView view : kRegistryViews) {
    std::string home;
    if (!QueryRegistryString(kRegisteredJvmKey, "JavaHome", view, &home)) continue;
    std::string name;
    if (!QueryRegistryString(kRegisteredJvmKey, "JavaBin", view, &name)) name = kDefaultJvmBin;
    std::string executable = home + "\\bin\\" + name;
    if (!FileExists(executable)) continue;
    run_.jvmPath = executable;
    run_.classPath = CollectAllLibs(home);
    return true;
  }
  return false;
}

}  // namespace carafe
