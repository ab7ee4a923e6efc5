// A Launcher whose steps and state a test can reach, with a log file and a
// fake user interface; WriteSetup puts an in-memory setup.exe behind it.
#pragma once

#include <string>
#include <vector>

#include "container_images.h"
#include "core/launcher.h"
#include "fake_user_interface.h"
#include "memory_platform.h"

namespace carafe {

// Every string id answers "T<id>": a log or status text then shows which
// label went where without copying the English table.
inline void TagTexts(MemoryPlatform& os) {
  for (std::uint32_t id = 8; id <= 73; ++id) os.SetString(id, "T" + std::to_string(id));
}

class TestLauncher : public Launcher {
 public:
  using Launcher::BrowseForJvm;
  using Launcher::ExtractJavaArchive;
  using Launcher::ExtractSearchCriteria;
  using Launcher::ExtractVerifyClass;
  using Launcher::OfferBundledJvm;
  using Launcher::ReadRegisteredJvm;
  using Launcher::RunBundledJvmInstaller;
  using Launcher::RunInstallation;
  using Launcher::SearchForJvm;
  RunState& State() { return MutableState(); }
  using Launcher::ValidateJvm;
};

class LauncherTest : public PlatformTest {
 protected:
  static constexpr const char* kLog = "C:\\TEMP\\vnlog.txt";
  static constexpr const char* kSetup = "C:\\SETUP\\setup.exe";
  static constexpr const char* kTitle = "Roruvazodaza Zidi Rezoder";

  LauncherTest() {
    Prepare(launcher, ui);
    os.journal.clear();
  }

  // A launcher of setup.exe with the title, the fake interface and the log
  // (created afresh, taken from the fixture's launcher).
  void Prepare(TestLauncher& target, FakeUserInterface& targetUi, bool logAll = false) {
    launcher.State().logFile.Close();
    target.AttachUserInterface(&targetUi);
    target.SetMessageTitle(kTitle);
    RunState& run = target.State();
    run.modulePath = WidePath(kSetup);
    run.logFile.Close();
    run.logFile =
        os.OpenFile(kLog, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
    run.logAll = logAll;
    run.search.log = {&run.logFile, logAll};
  }

  // setup.exe: the example image with a container of these sections behind it.
  void WriteSetup(const std::vector<testing_images::Section>& sections) {
    os.AddFile(kSetup, testing_images::ExampleImage() + testing_images::MakeContainer(sections));
  }
  void WriteSetup(const std::string& archive, const std::string& verify,
                  const std::string& criteria) {
    WriteSetup(testing_images::ThreeSections(archive, verify, criteria));
  }
  // Free bytes on C:\ as clusters of one byte.
  void SetFreeBytes(std::uint32_t bytes) { os.SetDiskFreeSpace("C:\\", {1, 1, bytes, bytes}); }
  std::string LogText() const { return os.Content(kLog); }

  FakeUserInterface ui;
  TestLauncher launcher;
};

}  // namespace carafe
