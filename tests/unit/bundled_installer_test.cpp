#include "launch/bundled_installer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "allocation_watch.h"
#include "archive_bytes.h"
#include "container_launcher_fixture.h"

namespace carafe {
namespace {

using namespace archive_bytes;

const char* const kArchive = "C:\\TEMP\\rerodova.class";
const char* const kInstaller = "C:\\TEMP\\jre.exe";

class BundledInstallerTest : public LauncherTest {
 protected:
  void SetUp() override {
    LauncherTest::SetUp();
    launcher.archivePath = kArchive;
  }
  void WriteArchive(const std::vector<Record>& installers) {
    os.AddFile(kArchive, Build({Section{"Classes", {}, true},
                                Section{kBundledInstallersSection, installers}}));
  }
  void ExtractAndRun() {
    WriteArchive({Flagged("jre.exe", "MZ")});
    ASSERT_TRUE(launcher.ExtractBundledJvmInstaller());
    ui.events.clear();
  }
};

TEST_F(BundledInstallerTest, WritesTheFirstResourceFlaggedAsInstallerOverAnOlderFile) {
  SetLogAll(true);
  os.AddFile(kInstaller, "an older and much longer installer left by another run");
  WriteArchive({Flagged("readme.txt", "read me", 0), Flagged("jre.exe", "MZ jre installer"),
                Flagged("second.exe", "MZ another")});
  ASSERT_TRUE(launcher.ExtractBundledJvmInstaller());
  EXPECT_EQ(launcher.bundledInstallerPath, kInstaller);
  EXPECT_TRUE(launcher.bundledInstallerWritten);
  EXPECT_EQ(os.Content(kInstaller), "MZ jre installer");
  EXPECT_EQ(os.WriteSizes(kInstaller), std::vector<std::uint32_t>{16});
  EXPECT_FALSE(os.Exists("C:\\TEMP\\readme.txt") || os.Exists("C:\\TEMP\\second.exe"));
  EXPECT_EQ(ui.events.at(0), "status Installing JVM...");
  EXPECT_TRUE(ui.messages.empty());
  // The archive reader's own lines come first.
  EXPECT_EQ(LogText().rfind("\r\nReading Java archive C:\\TEMP\\rerodova.class with 2 sections", 0),
            0u);
  EXPECT_NE(LogText().find("\r\nExtracting file  C:\\TEMP\\jre.exe...\r\n"), std::string::npos);
  launcher.CleanUp();
  EXPECT_FALSE(os.Exists(kInstaller));
}

TEST_F(BundledInstallerTest, WithoutAFlaggedResourceNothingIsWrittenAndTheRunFails) {
  WriteArchive({Flagged("readme.txt", "r", 0), Flagged("n.txt", "n", 2)});
  EXPECT_TRUE(launcher.ExtractBundledJvmInstaller());
  EXPECT_FALSE(launcher.bundledInstallerWritten);
  EXPECT_TRUE(os.Journal("create C:\\TEMP\\r").empty() && os.Journal("create C:\\TEMP\\n").empty());
  EXPECT_FALSE(launcher.RunBundledJvmInstaller());
  EXPECT_TRUE(os.Launches().empty());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(LogText(), "");
}

TEST_F(BundledInstallerTest, EachFailureHasItsEntryAndItsBox) {
  // A record that claims 2 GiB of data the file does not hold.
  Section forged{kBundledInstallersSection, {}};
  forged.forgeCount = true;
  forged.resourceCount = 1;
  forged.payload = RecordBytes(Flagged("huge.exe", "")).substr(0, 15) + "\x7F\xFF\xFF\xFF" + "MZ";
  const std::string kCorrupted = "Corrupted JVM Installer  C:\\TEMP\\";
  struct Case {
    const char* what;
    std::string archive;
    std::string log;
    const char* message;
  };
  os.Lock("C:\\TEMP\\locked.exe");
  os.LimitWrites("C:\\TEMP\\short.exe", 4);
  for (const Case& c : std::vector<Case>{
           {"no archive", "", "Could not open file  C:\\TEMP\\rerodova.class \r\n",
            kInvalidExecutable},
           {"free space equal to the size",
            Build({{kBundledInstallersSection, {Flagged("ten.exe", "0123456789")}}}),
            "\r\nNot enough space to copy file  ten.exe of size (10)\r\n", kDiskSpace},
           {"cannot be created",
            Build({{kBundledInstallersSection, {Flagged("locked.exe", "MZ")}}}),
            kCorrupted + "locked.exe\r\n", kInvalidExecutable},
           {"empty", Build({{kBundledInstallersSection, {Flagged("empty.exe", "")}}}),
            kCorrupted + "empty.exe\r\n", kInvalidExecutable},
           {"data past the end", Build({forged}), kCorrupted + "huge.exe\r\n", kInvalidExecutable},
           {"short write",
            Build({{kBundledInstallersSection, {Flagged("short.exe", "MZ installer")}}}),
            "\r\nError occured while Extracting file  C:\\TEMP\\short.exe ...\r\n", nullptr},
       }) {
    SCOPED_TRACE(c.what);
    if (c.archive.empty())
      os.RemoveFile(kArchive);
    else
      os.AddFile(kArchive, c.archive);
    SetFreeBytes(c.log.find("space") != std::string::npos ? 10 : 0xFFFFFFF0);
    Launcher fresh;
    FakeUserInterface freshUi;
    fresh.AttachUserInterface(&freshUi);
    fresh.archivePath = kArchive;
    launcher.logFile.Close();
    fresh.logFile = os.OpenFile(kLog, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
    AllocationWatch watch;
    EXPECT_FALSE(fresh.ExtractBundledJvmInstaller());
    EXPECT_LT(watch.Largest(), std::size_t(1) << 20);  // nothing allocated on a forged size
    EXPECT_EQ(LogText(), c.log);
    ASSERT_EQ(freshUi.messages.size(), c.message ? 1u : 0u);
    if (c.message) {
      EXPECT_EQ(freshUi.messages[0].text, c.message);
    }
    EXPECT_FALSE(fresh.bundledInstallerWritten);
    EXPECT_EQ(fresh.bundledInstallerPath, "");
  }
  EXPECT_TRUE(os.Journal("create C:\\TEMP\\ten.exe").empty());
  SetFreeBytes(11);  // one byte more is enough
  os.AddFile(kArchive, Build({{kBundledInstallersSection, {Flagged("ten.exe", "0123456789")}}}));
  EXPECT_TRUE(launcher.ExtractBundledJvmInstaller());
}

TEST_F(BundledInstallerTest, RunsTheInstallerVisiblyWhileTheProgressDialogStepsAside) {
  ExtractAndRun();
  SetLogAll(true);
  os.AddProgram(kInstaller, [this](const std::string&) {
    ui.events.push_back("installer runs");
    return ChildRun{};
  });
  std::size_t logBefore = LogText().size();
  EXPECT_TRUE(launcher.RunBundledJvmInstaller());
  EXPECT_EQ(ui.events, (std::vector<std::string>{"hide", "installer runs", "show"}));
  const Launch& run = os.Launches().at(0);
  EXPECT_EQ(run.commandLine, kInstaller);
  EXPECT_EQ(run.showState, kShowNormal);
  EXPECT_TRUE(run.waitedFor);
  EXPECT_FALSE(run.windowSearch);
  EXPECT_EQ(LogText().substr(logBefore), "\r\nLaunching  JVM Installer  C:\\TEMP\\jre.exe...\r\n");
}

TEST_F(BundledInstallerTest, AFailedWaitFailsAndANonZeroExitCodeDoesNot) {
  ExtractAndRun();
  bool failWait = true;
  os.AddProgram(kInstaller, [&failWait](const std::string&) {
    ChildRun run;
    run.waitFails = failWait;
    run.exitCode = 1602;  // the user cancelled: still counts as run
    return run;
  });
  EXPECT_FALSE(launcher.RunBundledJvmInstaller());
  failWait = false;
  EXPECT_TRUE(launcher.RunBundledJvmInstaller());
  // The dialog comes back after a failed run as well.
  EXPECT_EQ(std::count(ui.events.begin(), ui.events.end(), "show"), 2);
  EXPECT_EQ(LogText(), "");
}

}  // namespace
}  // namespace carafe
