// The entry point: which thread runs the sequence, what the user interface is
// asked to do, the abort entry, and the exit code.
#include "core/entry_point.h"

#include <gtest/gtest.h>

#include "fake_user_interface.h"
#include "scripted_launcher.h"

namespace carafe {
namespace {

using scripted::ScriptedLauncher;
using Events = std::vector<std::string>;

class EntryPoint : public PlatformTest {
 protected:
  std::string Log() const { return os.Content("C:\\TEMP\\vnlog.txt"); }
  FakeUserInterface ui;
  ScriptedLauncher launcher{os};
};

TEST_F(EntryPoint, SilentRunsOnTheMainThreadWithoutDialogOrTitleFromTheModuleFolder) {
  os.SetModuleFileName("D:\\Disk 1\\setup.exe");
  EXPECT_EQ(RunEntryPoint(launcher, ui, "-silent -jvm ..\\java.exe"), 0);
  EXPECT_EQ(launcher.calls,
            (Events{"extract verify", "extract archive", "validate D:\\java.exe", "launch"}));
  EXPECT_TRUE(ui.events.empty());
  EXPECT_TRUE(launcher.messageTitle.empty());
}

TEST_F(EntryPoint, RunsOnAWorkerBehindTheProgressDialogAndQuitsTheLoop) {
  // The in-memory platform runs a started thread at once: quit before loop.
  EXPECT_EQ(RunEntryPoint(launcher, ui, "-nosearch -log"), 0);
  EXPECT_EQ(Log().find("Aborted"), std::string::npos);
  EXPECT_EQ(ui.events, (Events{"create", "status Extracting Verify Class...",
                               "status Extracting Java Archive...", "quit", "loop"}));
  EXPECT_EQ(launcher.messageTitle, "Roruvazodaza Zidi Rezoder");
  EXPECT_EQ(launcher.calls.back(), "launch");
  launcher.CleanUp();
  EXPECT_FALSE(os.Exists("C:\\TEMP\\Verify.class") || os.Exists("C:\\TEMP\\rerodova.class"));
}

TEST_F(EntryPoint, AnAbortConfirmedDuringTheLoopIsLoggedAlways) {
  ui.abortDuringLoop = true;
  EXPECT_EQ(RunEntryPoint(launcher, ui, "-log"), 0);
  const std::string entry = "\r\n Application was Aborted \r\n";
  EXPECT_PRED2(EndsWith, Log(), entry);
}

TEST_F(EntryPoint, TheExitCodeIsZeroWhenTheRunFailsAndNeitherLogNorDialogCanBeCreated) {
  launcher.extractVerify = false;
  ui.createSucceeds = false;
  EXPECT_EQ(RunEntryPoint(launcher, ui, "-log Q:\\no\\such\\folder\\log.txt"), 0);
  EXPECT_EQ(launcher.GetLogState(), LogState::Failed);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.events.back(), "loop");
}

// A system that cannot start another thread.
class NoThreadPlatform : public MemoryPlatform {
 public:
  bool StartThread(void (*)(void*), void*) override { return false; }
};

TEST_F(EntryPoint, WithoutAWorkerTheRunHappensOnTheMainThread) {
  NoThreadPlatform platform;
  SetPlatform(&platform);
  {
    ScriptedLauncher local(platform);
    FakeUserInterface localUi;
    EXPECT_EQ(RunEntryPoint(local, localUi, "-nosearch"), 0);
    EXPECT_EQ(local.calls.back(), "launch");
    // No quit message and no loop: nothing would end the loop.
    EXPECT_EQ(localUi.events, (Events{"create", "status Extracting Verify Class...",
                                      "status Extracting Java Archive..."}));
  }
  SetPlatform(&os);
}

}  // namespace
}  // namespace carafe
