// The one application object: the launcher's state for a whole run and the
// run-level operations on it. Each operation calls its subsystem with the
// fields it needs.
#pragma once

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

class Launcher {
 public:
  Launcher() = default;
  // The clean-up: deletes what this run wrote, frees buffers, closes the log.
  ~Launcher();
  Launcher(const Launcher&) = delete;
  Launcher& operator=(const Launcher&) = delete;

  void AttachUserInterface(UserInterface* ui) { ui_ = ui; }

  // --- Start and run sequence.
  bool Initialize(const PathString& launcherFolder, const std::string& commandLine);
  bool Run();
  bool WantsRegisteredJvm();
  bool UseRegisteredJvm();
  bool ValidateAndLaunch();
  void CleanUp();

  // --- Log.
  bool OpenLog();

  // --- Container and extraction.
  bool ReadSetupContainer();
  bool ExtractVerifyClass();
  bool ExtractJavaArchive();
  bool ExtractSearchCriteria();

  // --- Finding the JVM.
  bool SearchForJvm();
  bool ReadRegisteredJvm();

  // --- Verification and launch.
  bool ValidateJvm();
  bool RunInstallation();

  // --- Bundled JVM installers and the prompts.
  bool ExtractBundledJvmInstaller();
  bool RunBundledJvmInstaller();
  bool OfferBundledJvm();
  bool BrowseForJvm();

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
  UniqueHandle logFile{kNoHandle};

 private:
  // Status line and window messages go nowhere in silent mode.
  void SetStatus(std::uint32_t textId);
  void HideProgress();
  void ShowProgress();
  void ShowStopMessage(std::uint32_t textId, bool ownedByProgress);
  void DeleteIfWritten(bool written, const std::string& path);

  UserInterface* ui_ = nullptr;
  bool cleanedUp_ = false;
};

// Process-wide state written once by the entry point.
void SetModulePath(const PathString& path);
const PathString& ModulePath();

}  // namespace carafe
