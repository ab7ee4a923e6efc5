// A Launcher with a log file and a fake user interface; LauncherWithSetup
// adds an in-memory setup.exe as its own executable, for the container and
// extraction steps.
#pragma once

#include <string>

#include "container_images.h"
#include "core/launcher.h"
#include "fake_user_interface.h"
#include "memory_platform.h"

namespace carafe {

class LauncherTest : public PlatformTest {
 protected:
  static constexpr const char* kLog = "C:\\TEMP\\vnlog.txt";
  static constexpr const char* kTitle = "Roruvazodaza Zidi Rezoder";
  static constexpr const char* kInvalidExecutable =
      "The installation you're trying to run is an invalid executable.";
  // String 11 as a 100-character buffer holds it: its first 99 characters.
  static constexpr const char* kDiskSpace =
      "The installation could not continue because there is insufficient disk space on the "
      "target machine.";

  void SetUp() override {
    PlatformTest::SetUp();
    launcher.AttachUserInterface(&ui);
    launcher.messageTitle = kTitle;
    launcher.logFile = os.OpenFile(kLog, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
  }

  // Free bytes on C:\ as clusters of one byte.
  void SetFreeBytes(std::uint32_t bytes) { os.SetDiskFreeSpace("C:\\", {1, 1, bytes, bytes}); }
  std::string LogText() const { return os.Content(kLog); }
  void ExpectOneMessage(const std::string& text, bool ownedByProgress) {
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, text);
    EXPECT_EQ(ui.messages[0].caption, kTitle);
    EXPECT_EQ(ui.messages[0].ownedByProgress, ownedByProgress);
  }

  FakeUserInterface ui;
  Launcher launcher;
};

class LauncherWithSetup : public LauncherTest {
 protected:
  static constexpr const char* kSetup = "C:\\SETUP\\setup.exe";

  void SetUp() override {
    LauncherTest::SetUp();
    SetModulePath(ToPath(L"C:\\SETUP\\setup.exe"));
  }

  // setup.exe: the example image with a container of these sections behind it.
  void WriteSetup(const std::vector<testing_images::Section>& sections) {
    os.AddFile(kSetup, testing_images::ExampleImage() + testing_images::MakeContainer(sections));
  }
  void WriteSetup(const std::string& archive, const std::string& verify,
                  const std::string& criteria) {
    WriteSetup(testing_images::ThreeSections(archive, verify, criteria));
  }
};

}  // namespace carafe
