// The one application object: a run's state and the run sequence over it,
// from the options to the clean-up of what the run wrote.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "container/setup_container.h"
#include "discovery/jvm_search.h"
#include "discovery/search_criteria.h"
#include "platform/platform.h"
#include "support/path_string.h"
#include "ui/user_interface.h"

namespace carafe {

// The message title is loaded into a MAX_PATH buffer.
constexpr std::size_t kMessageTitleChars = 260;

// The launcher log's file: never asked for, created, or creation failed.
enum class LogState { None, Open, Failed };

// Whether a worker thread runs the run sequence, as the clean-up sees it.
enum class WorkerState { None, Running, Finished };

// Everything one run holds, from the options to the clean-up.
struct RunState {
  PathString modulePath;  // the launcher's own executable, carrying the container
  // From the options, or set by the steps.
  std::string archivePath;
  std::string verifyClassPath;
  std::string searchCriteria;
  std::string javaOptions;
  std::string jvmPath;
  std::string classPath;
  std::string logPath;
  bool searchCriteriaGiven = false;
  bool silent = false;
  bool noSearch = false;
  std::string messageTitle;
  // The container's sections, types 1, 2 and 3, once read.
  bool containerLoaded = false;
  SetupContainer container;
  MemoryBlock sectionBuffers[3];
  MemoryBlock bundledInstallerBuffer;
  // The files the run wrote into the temporary folder.
  bool verifyClassWritten = false;
  bool javaArchiveWritten = false;
  bool bundledInstallerWritten = false;
  std::string bundledInstallerPath;
  // The log.
  File logFile;
  LogState logState = LogState::None;
  bool logAll = false;
  // The first search writes the summary header, later ones follow the
  // installation of a bundled JVM.
  bool searched = false;
  SearchSession search;
};

// The steps of the run sequence that reach beyond the launcher's own state:
// the launcher implements them; tests may stand in for them.
class RunSteps {
 public:
  virtual ~RunSteps() = default;
  virtual bool ExtractVerifyClass() = 0;
  virtual bool ExtractJavaArchive() = 0;
  virtual bool ExtractSearchCriteria() = 0;
  virtual bool SearchForJvm() = 0;
  virtual bool ReadRegisteredJvm() = 0;
  virtual bool OfferBundledJvm() = 0;
  virtual bool RunBundledJvmInstaller() = 0;
  virtual bool BrowseForJvm() = 0;
  virtual bool ValidateJvm() = 0;
  virtual bool RunInstallation() = 0;
};

class Launcher : protected RunSteps {
 public:
  Launcher() = default;
  // The clean-up (see CleanUp).
  ~Launcher() override;
  Launcher(const Launcher&) = delete;
  Launcher& operator=(const Launcher&) = delete;

  // Applies the command line (narrow text after the program name) of the
  // launcher at modulePath; opens the log when asked.
  void Initialize(const PathString& modulePath, const std::string& commandLine);
  // The run sequence; false when it ended without launching.
  bool Run();
  // Deletes what this run wrote; once the worker is known to be done, also
  // frees the buffers and closes the log. Runs once; the destructor calls it.
  void CleanUp();

  // For the entry point.
  void AttachUserInterface(UserInterface* ui) { ui_ = ui; }
  UserInterface* AttachedUserInterface() const { return ui_; }
  bool Silent() const { return run_.silent; }
  void SetMessageTitle(const std::string& title) { run_.messageTitle = title; }
  // Set around the worker thread's run.
  void SetWorkerState(WorkerState state);
  // Set before the worker starts, which orders it before the worker's read:
  // the thread its quit message goes to.
  void SetMainThread(std::uint32_t id) { mainThreadId_ = id; }
  std::uint32_t MainThread() const { return mainThreadId_; }
  // Writes an entry to the log, if there is one.
  void Log(const std::string& entry) const;

  const RunState& State() const { return run_; }

 protected:
  RunState& MutableState() { return run_; }

  // The real steps.
  bool ExtractVerifyClass() override;
  bool ExtractJavaArchive() override;
  bool ExtractSearchCriteria() override;
  bool SearchForJvm() override;
  bool ReadRegisteredJvm() override;
  bool OfferBundledJvm() override;
  bool RunBundledJvmInstaller() override;
  bool BrowseForJvm() override;
  bool ValidateJvm() override;
  bool RunInstallation() override;

 private:
  void OpenLog();
  bool ReadSetupContainer();
  // The pieces of writing a file into the temporary folder, shared by the
  // sections and the bundled installer: the entry when the temporary folder
  // has no room for name, the file created (after the extracting entry), and
  // bytes written in chunks of chunkBytes (0: at once; a short write is
  // logged and false).
  void LogNoRoom(const std::string& name, std::uint32_t size) const;
  File CreateTempFile(const std::string& path, const char* extractingFormat) const;
  bool WriteAll(const File& file, const std::uint8_t* bytes, std::uint32_t size,
                std::uint32_t chunkBytes, const std::string& path) const;
  bool ExtractSection(std::uint8_t type, std::uint32_t chunkBytes, const char* extractingFormat,
                      std::string* path, bool* written);
  bool ExtractBundledJvmInstaller();
  bool WantsRegisteredJvm();
  bool UseRegisteredJvm();
  bool ValidateAndLaunch();
  bool OfferBundledInstallation();
  // Called by the run after each step that may write a file: what is
  // published here is complete and closed (see CleanUp).
  void PublishWrittenFiles();
  void DeleteIfWritten(bool written, const std::string& path);
  // Status line and window messages go nowhere in silent mode.
  void SetStatus(std::uint32_t textId);
  void HideProgress();
  void ShowProgress();
  void ShowStopMessage(std::uint32_t textId, bool ownedByProgress);

  RunState run_;
  UserInterface* ui_ = nullptr;
  std::uint32_t mainThreadId_ = 0;
  bool cleanedUp_ = false;
  std::atomic<WorkerState> workerState_{WorkerState::None};
  std::atomic<bool> verifyClassDone_{false};
  std::atomic<bool> javaArchiveDone_{false};
  std::atomic<bool> bundledInstallerDone_{false};
};

}  // namespace carafe
