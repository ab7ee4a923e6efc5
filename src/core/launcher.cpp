// The run sequence: from nothing unpacked to the installation launched, and
// the clean-up of what the run wrote.
#include "core/launcher.h"

#include "container/extraction.h"
#include "container/file_utilities.h"
#include "container/log_writer.h"
#include "core/options.h"
#include "core/path_rules.h"
#include "string_ids.h"

namespace carafe {

namespace {

PathString modulePath;

// The log's name in the temporary folder when the log option has no value.
constexpr const char* kDefaultLogName = "vnlog.txt";

// "\r\n%s %s %s\r\n": "Validation of ", the path, "failed".
void LogValidationFailed(const File* log, const std::string& path) {
  WriteLog(log, FormatEntry("\r\n%s %s %s\r\n", LoadLabel(IDS_VALIDATION_OF).c_str(), path.c_str(),
                            LoadLabel(IDS_FAILED).c_str()));
}

std::string Narrow(const PathString& path) { return Os().WideToAnsi(FromPath(path)); }

}  // namespace

void SetModulePath(const PathString& path) { modulePath = path; }
const PathString& ModulePath() { return modulePath; }

Launcher::~Launcher() { CleanUp(); }

bool Launcher::Initialize(const PathString& launcherFolder, const std::string& commandLine) {
  LauncherOptions options = ParseCommandLine(Os().AnsiToWide(commandLine));
  if (!options.jvm.empty()) {
    ResolvePath(options.jvm, launcherFolder);
    jvmPath = Narrow(options.jvm);
  }
  if (!options.archive.empty()) {
    ResolvePath(options.archive, launcherFolder);
    archivePath = Narrow(options.archive);
  }
  noSearch = options.noSearch;
  // A bare name: the system finds it on its own search path.
  if (noSearch && options.jvm.empty()) jvmPath = "java.exe";
  if (!options.verify.empty()) {
    ResolvePath(options.verify, launcherFolder);
    verifyClassPath = Narrow(options.verify);
  }
  searchCriteriaGiven = options.searchCriteriaGiven;
  if (!options.searchCriteria.empty()) searchCriteria = Os().WideToAnsi(options.searchCriteria);
  if (options.logGiven) {
    if (!options.log.empty()) {
      ResolvePath(options.log, launcherFolder);
      logPath = Narrow(options.log);
    } else {
      std::string folder;
      std::uint32_t attributes = 0;
      if (Os().TempFolder(&folder) && Os().FileAttributes(folder, &attributes))
        logPath = folder + kDefaultLogName;
    }
    OpenLog();
  }
  silent = options.silent;
  SetLogAll(options.logAll);
  if (!options.javaOptions.empty()) javaOptions = Os().WideToAnsi(options.javaOptions);
  return true;
}

bool Launcher::Run() {
  if (verifyClassPath.empty()) {
    SetStatus(IDS_EXTRACTING_VERIFY);
    bool extracted = ExtractVerifyClass();
    PublishWrittenFiles();
    if (!extracted) return false;
  }
  if (!IsClassFile(verifyClassPath)) {
    LogValidationFailed(&logFile, verifyClassPath);
    return false;
  }
  if (archivePath.empty()) {
    SetStatus(IDS_EXTRACTING_ARCHIVE);
    bool extracted = ExtractJavaArchive();
    PublishWrittenFiles();
    if (!extracted) return false;
  }
  if (!IsClassFile(archivePath)) {
    SetStatus(IDS_VALIDATING_ARCHIVE);
    LogValidationFailed(&logFile, archivePath);
    return false;
  }

  // A JVM from the options: no search, no prompt.
  if (!jvmPath.empty()) return ValidateAndLaunch();
  // The maker's registry key replaces the search; there is no browsing then.
  if (WantsRegisteredJvm()) return UseRegisteredJvm() && ValidateAndLaunch();

  if (SearchForJvm()) return ValidateAndLaunch();
  if (OfferBundledInstallation() && SearchForJvm()) return ValidateAndLaunch();
  if (BrowseForJvm()) return ValidateAndLaunch();
  return false;
}

bool Launcher::WantsRegisteredJvm() {
  if (searchCriteria.empty() && !searchCriteriaGiven) ExtractSearchCriteria();
  return searchCriteria.find(kRegisteredJvmMarker) != std::string::npos;
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
  if (verifyClassWritten) verifyClassDone_.store(true, std::memory_order_release);
  if (javaArchiveWritten) javaArchiveDone_.store(true, std::memory_order_release);
  if (bundledInstallerWritten) bundledInstallerDone_.store(true, std::memory_order_release);
}

void Launcher::SetWorkerState(WorkerState state) {
  workerState_.store(state, std::memory_order_release);
}

// Runs once, at the latest when the Launcher is destroyed at process exit.
//
// After a confirmed abort the main thread gets here while the worker may
// still be inside a step, perhaps writing one of these very files. Then only
// the files published at a step boundary (see PublishWrittenFiles) count as
// written: those were complete and closed when their step returned, and the
// worker never touches their paths again. A file whose step has not returned
// is left where it is. A file still in use (the running bundled installer)
// simply fails to delete, which is ignored. The buffers and the log are
// released all the same, as the member destructors would a moment later; the
// process then ends under the worker.
void Launcher::CleanUp() {
  if (cleanedUp_) return;
  cleanedUp_ = true;
  bool settled = workerState_.load(std::memory_order_acquire) != WorkerState::Running;
  auto written = [settled](bool flag, const std::atomic<bool>& published) {
    return settled ? flag : published.load(std::memory_order_acquire);
  };
  DeleteIfWritten(written(verifyClassWritten, verifyClassDone_), verifyClassPath);
  DeleteIfWritten(written(javaArchiveWritten, javaArchiveDone_), archivePath);
  DeleteIfWritten(written(bundledInstallerWritten, bundledInstallerDone_), bundledInstallerPath);
  for (std::vector<std::uint8_t>& buffer : sectionBuffers) std::vector<std::uint8_t>().swap(buffer);
  std::vector<std::uint8_t>().swap(bundledInstallerBuffer);
  // Last: the entries above are the log's final ones.
  logFile.Close();
  logState_ = LogState::None;
}

void Launcher::DeleteIfWritten(bool written, const std::string& path) {
  if (!written || !FileExists(path)) return;
  if (LogAll())
    WriteLog(&logFile,
             FormatEntry("\r\n%s %s...\r\n", LoadLabel(IDS_DELETING_FILE).c_str(), path.c_str()));
  Os().RemoveFile(path);  // a failure is not reported
}

void Launcher::SetStatus(std::uint32_t textId) {
  if (silent || ui_ == nullptr) return;
  ui_->SetStatus(LoadStatusText(textId));
}

void Launcher::HideProgress() {
  if (!silent && ui_ != nullptr) ui_->HideProgress();
}

void Launcher::ShowProgress() {
  if (!silent && ui_ != nullptr) ui_->ShowProgress();
}

// Message boxes appear in silent mode too, then without owner and with the
// empty message title.
void Launcher::ShowStopMessage(std::uint32_t textId, bool ownedByProgress) {
  if (ui_ == nullptr) return;
  ui_->ShowStopMessage(LoadLabel(textId), messageTitle, ownedByProgress);
}

}  // namespace carafe
