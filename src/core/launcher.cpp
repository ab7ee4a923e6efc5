// The run sequence: from nothing unpacked to the installation launched, and
// the clean-up of what the run wrote.
#include "core/launcher.h"

#include "container/extraction.h"
#include "core/options.h"
#include "core/path_rules.h"
#include "string_ids.h"
#include "support/file_utilities.h"
#include "support/log_writer.h"

namespace carafe {

namespace {

// The log's name in the temporary folder when the log option has no value.
constexpr const char* kDefaultLogName = "vnlog.txt";

// "\r\n%s %s %s\r\n": "Validation of ", the path, "failed".
std::string ValidationFailed(const std::string& path) {
  return FormatEntry("\r\n%s %s %s\r\n", LoadLabel(IDS_VALIDATION_OF).c_str(), path.c_str(),
                     LoadLabel(IDS_FAILED).c_str());
}

}  // namespace

Launcher::~Launcher() { CleanUp(); }

void Launcher::Initialize(const PathString& modulePath, const std::string& commandLine) {
  run_.modulePath = modulePath;
  const PathString launcherFolder = DirectoryOf(modulePath);
  LauncherOptions options = ParseCommandLine(Os().AnsiToWide(commandLine));
  if (!options.jvm.empty()) {
    ResolvePath(options.jvm, launcherFolder);
    run_.jvmPath = AnsiPath(options.jvm);
  }
  if (!options.archive.empty()) {
    ResolvePath(options.archive, launcherFolder);
    run_.archivePath = AnsiPath(options.archive);
  }
  run_.noSearch = options.noSearch;
  // A bare name: the system finds it on its own search path.
  if (run_.noSearch && options.jvm.empty()) run_.jvmPath = "java.exe";
  if (!options.verify.empty()) {
    ResolvePath(options.verify, launcherFolder);
    run_.verifyClassPath = AnsiPath(options.verify);
  }
  run_.searchCriteriaGiven = options.searchCriteriaGiven;
  if (!options.searchCriteria.empty())
    run_.searchCriteria = Os().WideToAnsi(options.searchCriteria);
  if (options.logGiven) {
    if (!options.log.empty()) {
      ResolvePath(options.log, launcherFolder);
      run_.logPath = AnsiPath(options.log);
    } else {
      std::string folder;
      std::uint32_t attributes = 0;
      if (Os().TempFolder(&folder) && Os().FileAttributes(folder, &attributes))
        run_.logPath = folder + kDefaultLogName;
    }
    OpenLog();
  }
  run_.silent = options.silent;
  run_.logAll = options.logAll;
  run_.search.log = {&run_.logFile, run_.logAll};
  if (!options.javaOptions.empty()) run_.javaOptions = Os().WideToAnsi(options.javaOptions);
}

bool Launcher::Run() {
  // A class the run meant to write but could not is not run from whatever
  // file is there instead: another process may have planted it.
  bool verifyClassUnwritten = false, javaArchiveUnwritten = false;
  if (run_.verifyClassPath.empty()) {
    SetStatus(IDS_EXTRACTING_VERIFY);
    bool extracted = ExtractVerifyClass();
    PublishWrittenFiles();
    if (!extracted) return false;
    verifyClassUnwritten = !run_.verifyClassWritten;
  }
  if (verifyClassUnwritten || !IsClassFile(run_.verifyClassPath)) {
    Log(ValidationFailed(run_.verifyClassPath));
    return false;
  }
  if (run_.archivePath.empty()) {
    SetStatus(IDS_EXTRACTING_ARCHIVE);
    bool extracted = ExtractJavaArchive();
    PublishWrittenFiles();
    if (!extracted) return false;
    javaArchiveUnwritten = !run_.javaArchiveWritten;
  }
  if (javaArchiveUnwritten || !IsClassFile(run_.archivePath)) {
    SetStatus(IDS_VALIDATING_ARCHIVE);
    Log(ValidationFailed(run_.archivePath));
    return false;
  }

  // A JVM from the options: no search, no prompt.
  if (!run_.jvmPath.empty()) return ValidateAndLaunch();
  // The maker's registry key replaces the search; there is no browsing then.
  if (WantsRegisteredJvm()) return UseRegisteredJvm() && ValidateAndLaunch();

  if (SearchForJvm()) return ValidateAndLaunch();
  if (OfferBundledInstallation() && SearchForJvm()) return ValidateAndLaunch();
  if (BrowseForJvm()) return ValidateAndLaunch();
  return false;
}

bool Launcher::WantsRegisteredJvm() {
  if (run_.searchCriteria.empty() && !run_.searchCriteriaGiven) ExtractSearchCriteria();
  return run_.searchCriteria.find(kRegisteredJvmMarker) != std::string::npos;
}

bool Launcher::UseRegisteredJvm() {
  if (ReadRegisteredJvm()) return true;
  if (!OfferBundledInstallation()) return false;
  return ReadRegisteredJvm();
}

bool Launcher::ValidateAndLaunch() { return ValidateJvm() && RunInstallation(); }

bool Launcher::OfferBundledInstallation() {
  bool offered = OfferBundledJvm();
  PublishWrittenFiles();
  if (!offered) return false;
  bool installed = RunBundledJvmInstaller();
  PublishWrittenFiles();
  return installed;
}

void Launcher::PublishWrittenFiles() {
  if (run_.verifyClassWritten) verifyClassDone_.store(true, std::memory_order_release);
  if (run_.javaArchiveWritten) javaArchiveDone_.store(true, std::memory_order_release);
  if (run_.bundledInstallerWritten) bundledInstallerDone_.store(true, std::memory_order_release);
}

void Launcher::SetWorkerState(WorkerState state) {
  workerState_.store(state, std::memory_order_release);
}

// Runs once: from the entry point before the process ends, or when the
// Launcher is destroyed.
//
// After a confirmed abort the main thread gets here while the worker may
// still be inside a step, perhaps writing one of these very files, reading
// into the buffers or writing to the log. Then only the files published at a
// step boundary (see PublishWrittenFiles) count as written: those were
// complete and closed when their step returned, and the worker never touches
// their paths again. A file whose step has not returned is left where it is;
// one still in use (the running bundled installer) simply fails to delete,
// which is ignored. Nothing the worker can reach is freed or closed: the
// process ends under the worker right after, which releases it all.
void Launcher::CleanUp() {
  if (cleanedUp_) return;
  cleanedUp_ = true;
  const bool settled = workerState_.load(std::memory_order_acquire) != WorkerState::Running;
  // The worker may still set the plain flags: they are read only once it is
  // done, the published ones otherwise.
  auto written = [this, settled](bool RunState::*flag, const std::atomic<bool>& published) {
    return settled ? run_.*flag : published.load(std::memory_order_acquire);
  };
  DeleteIfWritten(written(&RunState::verifyClassWritten, verifyClassDone_), run_.verifyClassPath);
  DeleteIfWritten(written(&RunState::javaArchiveWritten, javaArchiveDone_), run_.archivePath);
  DeleteIfWritten(written(&RunState::bundledInstallerWritten, bundledInstallerDone_),
                  run_.bundledInstallerPath);
  if (!settled) return;
  for (MemoryBlock& buffer : run_.sectionBuffers) buffer = MemoryBlock();
  run_.bundledInstallerBuffer = MemoryBlock();
  // Last: the entries above are the log's final ones.
  run_.logFile.Close();
  run_.logState = LogState::None;
}

void Launcher::DeleteIfWritten(bool written, const std::string& path) {
  if (!written || !FileExists(path)) return;
  if (run_.logAll)
    Log(FormatEntry("\r\n%s %s...\r\n", LoadLabel(IDS_DELETING_FILE).c_str(), path.c_str()));
  Os().RemoveFile(path);  // a failure is not reported
}

void Launcher::Log(const std::string& entry) const { WriteLog(&run_.logFile, entry); }

void Launcher::SetStatus(std::uint32_t textId) {
  if (run_.silent || ui_ == nullptr) return;
  ui_->SetStatus(LoadStatusText(textId));
}

void Launcher::HideProgress() {
  if (!run_.silent && ui_ != nullptr) ui_->HideProgress();
}

void Launcher::ShowProgress() {
  if (!run_.silent && ui_ != nullptr) ui_->ShowProgress();
}

// Message boxes appear in silent mode too, then without owner and with the
// empty message title.
void Launcher::ShowStopMessage(std::uint32_t textId, bool ownedByProgress) {
  if (ui_ == nullptr) return;
  ui_->ShowStopMessage(LoadLabel(textId), run_.messageTitle, ownedByProgress);
}

}  // namespace carafe
