// The one application object: the launcher's state for a whole run and the
// run-level operations on it. Each operation calls its subsystem with the
// fields it needs.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "container/path_string.h"
#include "container/setup_container.h"
#include "platform/platform.h"
#include "ui/user_interface.h"

namespace carafe {

// The message title is loaded into a MAX_PATH buffer.
constexpr std::size_t kMessageTitleChars = 260;

// Criteria containing this word take the JVM from the maker's registry key.
constexpr const char* kRegisteredJvmMarker = "varnica";

// The launcher log's file: never asked for, created, or creation failed.
enum class LogState { None, Open, Failed };

// Whether a worker thread runs the run sequence, as the clean-up sees it.
enum class WorkerState { None, Running, Finished };

class Launcher {
 public:
  Launcher() = default;
  // The clean-up: deletes what this run wrote, frees buffers, closes the log.
  virtual ~Launcher();
  Launcher(const Launcher&) = delete;
  Launcher& operator=(const Launcher&) = delete;

  void AttachUserInterface(UserInterface* ui) { ui_ = ui; }
  UserInterface* AttachedUserInterface() const { return ui_; }

  // --- Start and run sequence.
  // Applies the command line (narrow text after the program name); opens the
  // log when asked. Always true.
  bool Initialize(const PathString& launcherFolder, const std::string& commandLine);
  // The run sequence; false when it ended without launching.
  bool Run();
  // True when the criteria (extracted first if still needed) ask for the
  // maker's registry key instead of a search.
  bool WantsRegisteredJvm();
  // The registry key, or the bundled JVM and the key once more.
  bool UseRegisteredJvm();
  // Checks the chosen JVM once more, then launches the installation on it.
  bool ValidateAndLaunch();
  // Deletes what this run wrote, frees the buffers, closes the log. Runs
  // once; the destructor calls it.
  void CleanUp();
  // Set by the entry point around the worker thread's run.
  void SetWorkerState(WorkerState state);

  // --- Log.
  // Creates the log at the log path and writes its header. Always true.
  bool OpenLog();
  LogState GetLogState() const;

  // The steps of the run are virtual only so that tests can stand in for
  // them; the run calls them directly.

  // --- Container and extraction.
  bool ReadSetupContainer();
  virtual bool ExtractVerifyClass();
  virtual bool ExtractJavaArchive();
  virtual bool ExtractSearchCriteria();

  // --- Finding the JVM.
  virtual bool SearchForJvm();
  virtual bool ReadRegisteredJvm();

  // --- Verification and launch.
  virtual bool ValidateJvm();
  virtual bool RunInstallation();

  // --- Bundled JVM installers and the prompts.
  bool ExtractBundledJvmInstaller();
  virtual bool RunBundledJvmInstaller();
  virtual bool OfferBundledJvm();
  virtual bool BrowseForJvm();

  // Fields, in the order of the launcher's state table.
  std::string archivePath;
  std::string verifyClassPath;
  std::string searchCriteria;
  std::string javaOptions;
  std::string jvmPath;
  std::string classPath;
  std::string logPath;
  bool searchCriteriaGiven = false;
  bool silent = false;
  std::string messageTitle;
  bool containerLoaded = false;
  bool noSearch = false;
  bool verifyClassWritten = false;
  bool javaArchiveWritten = false;
  bool bundledInstallerWritten = false;
  std::string bundledInstallerPath;
  SetupContainer container;
  std::vector<std::uint8_t> sectionBuffers[3];  // types 1, 2, 3
  std::vector<std::uint8_t> bundledInstallerBuffer;
  File logFile;

 private:
  // Status line and window messages go nowhere in silent mode.
  void SetStatus(std::uint32_t textId);
  void HideProgress();
  void ShowProgress();
  void ShowStopMessage(std::uint32_t textId, bool ownedByProgress);
  void DeleteIfWritten(bool written, const std::string& path);
  // OfferBundledJvm, then RunBundledJvmInstaller when it succeeded.
  bool OfferBundledInstallation();
  // Called by the run after each step that may write a file: what is
  // published here is complete and closed (see CleanUp).
  void PublishWrittenFiles();

  UserInterface* ui_ = nullptr;
  LogState logState_ = LogState::None;
  bool cleanedUp_ = false;
  std::atomic<WorkerState> workerState_{WorkerState::None};
  std::atomic<bool> verifyClassDone_{false};
  std::atomic<bool> javaArchiveDone_{false};
  std::atomic<bool> bundledInstallerDone_{false};
};

// Process-wide state written once by the entry point.
void SetModulePath(const PathString& path);
const PathString& ModulePath();

}  // namespace carafe
