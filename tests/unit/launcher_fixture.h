// A Launcher whose steps and state a test can reach, with a log file and a
// user interface that records what it was asked; WriteSetup puts an
// in-memory setup.exe behind it.
#pragma once

#include <string>
#include <vector>

#include "container_images.h"
#include "core/launcher.h"
#include "memory_platform.h"
#include "ui/user_interface.h"

namespace carafe {

// Every string id answers "T<id>": a log or status text then shows which
// label went where without copying the English table.
inline void TagTexts(MemoryPlatform& os) {
  for (std::uint32_t id = 8; id <= 73; ++id) os.SetString(id, "T" + std::to_string(id));
}

struct ShownMessage {
  std::string text;
  bool ownedByProgress;
};

class FakeUserInterface : public UserInterface {
 public:
  int bundledPromptAnswer = kDialogOk;
  std::vector<std::string> events;  // "status <text>", "hide", "show"
  std::vector<ShownMessage> messages;

  bool CreateProgress() override { return true; }
  void RunMessageLoop() override {}
  void PostQuit(std::uint32_t) override {}
  bool Aborted() const override { return false; }
  void SetStatus(const std::string& text) override { events.push_back("status " + text); }
  void HideProgress() override { events.push_back("hide"); }
  void ShowProgress() override { events.push_back("show"); }
  int RunBundledJvmPrompt() override { return bundledPromptAnswer; }
  int RunBrowseDialog(std::string*) override { return kDialogCancel; }
  void ShowStopMessage(const std::string& text, const std::string&, bool owned) override {
    messages.push_back({text, owned});
  }
};

class TestLauncher : public Launcher {
 public:
  using Launcher::ExtractJavaArchive;
  using Launcher::ExtractSearchCriteria;
  using Launcher::ExtractVerifyClass;
  using Launcher::OfferBundledJvm;
  using Launcher::RunBundledJvmInstaller;
  using Launcher::RunInstallation;
  using Launcher::ValidateJvm;
  RunState& State() { return MutableState(); }
};

class LauncherTest : public PlatformTest {
 protected:
  static constexpr const char* kLog = "C:\\TEMP\\vnlog.txt";
  static constexpr const char* kSetup = "C:\\SETUP\\setup.exe";

  LauncherTest() { Prepare(launcher, ui); }

  // A launcher of setup.exe with the fake interface and the log (created
  // afresh, taken from the fixture's launcher).
  void Prepare(TestLauncher& target, FakeUserInterface& targetUi) {
    launcher.State().logFile.Close();
    target.AttachUserInterface(&targetUi);
    RunState& run = target.State();
    run.modulePath = WidePath(kSetup);
    run.logFile =
        os.OpenFile(kLog, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
    run.search.log = {&run.logFile, false};
  }

  // setup.exe: the example image with a container of these sections behind it.
  void WriteSetup(const std::string& archive, const std::string& verify,
                  const std::string& criteria) {
    os.AddFile(kSetup, testing_images::ExampleImage() +
                           testing_images::MakeContainer(
                               testing_images::ThreeSections(archive, verify, criteria)));
  }
  // Free bytes on C:\ as clusters of one byte.
  void SetFreeBytes(std::uint32_t bytes) { os.SetDiskFreeSpace("C:\\", {1, 1, bytes, bytes}); }
  std::string LogText() const { return os.Content(kLog); }

  FakeUserInterface ui;
  TestLauncher launcher;
};

}  // namespace carafe
