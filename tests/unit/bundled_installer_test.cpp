#include "launch/bundled_installer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "archive_bytes.h"
#include "container_launcher_fixture.h"

namespace carafe {
namespace {

using namespace archive_bytes;

const char* const kArchive = "C:\\TEMP\\rerodova.class";
const char* const kInstaller = "C:\\TEMP\\jre.exe";
const char* const kCorrupted = "Corrupted JVM Installer  C:\\TEMP\\jre.exe\r\n";

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
  void ExpectNothingWritten() {
    EXPECT_FALSE(launcher.bundledInstallerWritten);
    EXPECT_EQ(launcher.bundledInstallerPath, "");
  }
};

TEST_F(BundledInstallerTest, WritesTheFirstResourceFlaggedAsInstaller) {
  WriteArchive({Flagged("readme.txt", "read me", 0), Flagged("jre.exe", "MZ jre installer"),
                Flagged("second.exe", "MZ another")});
  ASSERT_TRUE(launcher.ExtractBundledJvmInstaller());

  EXPECT_EQ(launcher.bundledInstallerPath, kInstaller);
  EXPECT_TRUE(launcher.bundledInstallerWritten);
  EXPECT_EQ(os.Content(kInstaller), "MZ jre installer");
  EXPECT_EQ(os.WriteSizes(kInstaller), std::vector<std::uint32_t>{16});
  EXPECT_FALSE(os.Exists("C:\\TEMP\\readme.txt"));
  EXPECT_FALSE(os.Exists("C:\\TEMP\\second.exe"));
  ASSERT_FALSE(ui.events.empty());
  EXPECT_EQ(ui.events.front(), "status Installing JVM...");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(LogText(), "");

  launcher.CleanUp();
  EXPECT_FALSE(os.Exists(kInstaller));
}

TEST_F(BundledInstallerTest, AnExistingFileOfTheSameNameIsReplaced) {
  os.AddFile(kInstaller, "an older and much longer installer left by another run");
  WriteArchive({Flagged("jre.exe", "MZ new")});
  ASSERT_TRUE(launcher.ExtractBundledJvmInstaller());
  EXPECT_EQ(os.Content(kInstaller), "MZ new");
}

TEST_F(BundledInstallerTest, LogAllRecordsTheExtraction) {
  SetLogAll(true);
  WriteArchive({Flagged("jre.exe", "MZ")});
  ASSERT_TRUE(launcher.ExtractBundledJvmInstaller());
  std::string log = LogText();
  // The archive reader's own lines come first.
  EXPECT_EQ(
      log.rfind("\r\nReading Java archive C:\\TEMP\\rerodova.class with 2 sections...\r\n", 0), 0u);
  EXPECT_NE(log.find("\r\nExtracting file  C:\\TEMP\\jre.exe...\r\n"), std::string::npos);
}

TEST_F(BundledInstallerTest, WithoutAFlaggedResourceNothingIsWrittenAndTheRunFails) {
  WriteArchive({Flagged("readme.txt", "read me", 0), Flagged("notes.txt", "n", 2)});
  EXPECT_TRUE(launcher.ExtractBundledJvmInstaller());
  ExpectNothingWritten();
  EXPECT_TRUE(os.Journal("create C:\\TEMP\\r").empty());
  EXPECT_TRUE(os.Journal("create C:\\TEMP\\n").empty());
  EXPECT_TRUE(ui.messages.empty());

  EXPECT_FALSE(launcher.RunBundledJvmInstaller());
  EXPECT_TRUE(os.Launches().empty());
  EXPECT_EQ(LogText(), "");

  // Nor does an archive without the section carry one.
  os.AddFile(kArchive, Build({Section{"Classes", {}, true}}));
  EXPECT_TRUE(launcher.ExtractBundledJvmInstaller());
  ExpectNothingWritten();
}

TEST_F(BundledInstallerTest, AnArchiveThatCannotBeOpenedIsAnInvalidExecutable) {
  EXPECT_FALSE(launcher.ExtractBundledJvmInstaller());
  ExpectOneMessage(kInvalidExecutable, true);
  EXPECT_EQ(LogText(), "Could not open file  C:\\TEMP\\rerodova.class \r\n");
  ExpectNothingWritten();
}

TEST_F(BundledInstallerTest, FreeSpaceMustExceedTheInstallersSize) {
  WriteArchive({Flagged("jre.exe", "0123456789")});
  SetFreeBytes(10);
  EXPECT_FALSE(launcher.ExtractBundledJvmInstaller());
  ExpectOneMessage(kDiskSpace, true);
  EXPECT_EQ(LogText(), "\r\nNot enough space to copy file  jre.exe of size (10)\r\n");
  EXPECT_TRUE(os.Journal("create " + std::string(kInstaller)).empty());
  ExpectNothingWritten();

  SetFreeBytes(11);
  EXPECT_TRUE(launcher.ExtractBundledJvmInstaller());
  EXPECT_EQ(os.Content(kInstaller), "0123456789");
}

TEST_F(BundledInstallerTest, AnInstallerThatCannotBeCreatedOrReadIsCorrupted) {
  WriteArchive({Flagged("jre.exe", "MZ")});
  os.Lock(kInstaller);
  EXPECT_FALSE(launcher.ExtractBundledJvmInstaller());
  ExpectOneMessage(kInvalidExecutable, true);
  EXPECT_EQ(LogText(), kCorrupted);
  ExpectNothingWritten();
}

TEST_F(BundledInstallerTest, AnEmptyInstallerCannotBeRead) {
  WriteArchive({Flagged("jre.exe", "")});
  EXPECT_FALSE(launcher.ExtractBundledJvmInstaller());
  ExpectOneMessage(kInvalidExecutable, true);
  EXPECT_EQ(LogText(), kCorrupted);
}

TEST_F(BundledInstallerTest, UnreadableDataIsReportedAsCorruptedWithoutAllocatingIt) {
  // The record claims 2 GiB of data that the file does not hold; the section
  // still reads, since no record follows it.
  std::string record;
  U32(record, 1);
  U8(record, 1);
  String16(record, "jre.exe");
  U32(record, 0x7FFFFFFF);
  Section section{kBundledInstallersSection, {}};
  section.forgeCount = true;
  section.resourceCount = 1;
  section.payload = record + "MZ";
  os.AddFile(kArchive, Build({section}));
  os.SetDiskFreeSpace("C:\\", {64, 512, 0xFFFFFFF0u, 0xFFFFFFF0u});

  EXPECT_FALSE(launcher.ExtractBundledJvmInstaller());
  ExpectOneMessage(kInvalidExecutable, true);
  EXPECT_EQ(LogText(), kCorrupted);
  EXPECT_TRUE(launcher.bundledInstallerBuffer.empty());
  ExpectNothingWritten();
}

TEST_F(BundledInstallerTest, AShortWriteIsLoggedWithoutAMessage) {
  WriteArchive({Flagged("jre.exe", "MZ jre installer")});
  os.LimitWrites(kInstaller, 4);
  EXPECT_FALSE(launcher.ExtractBundledJvmInstaller());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(LogText(), "\r\nError occured while Extracting file  C:\\TEMP\\jre.exe ...\r\n");
  ExpectNothingWritten();
}

TEST_F(BundledInstallerTest, RunsTheInstallerVisiblyWhileTheProgressDialogStepsAside) {
  SetLogAll(true);
  WriteArchive({Flagged("jre.exe", "MZ")});
  ASSERT_TRUE(launcher.ExtractBundledJvmInstaller());
  os.AddProgram(kInstaller, [this](const std::string&) {
    ui.events.push_back("installer runs");
    return ChildRun{};
  });
  ui.events.clear();
  std::size_t logBefore = LogText().size();

  EXPECT_TRUE(launcher.RunBundledJvmInstaller());
  EXPECT_EQ(ui.events, (std::vector<std::string>{"hide", "installer runs", "show"}));
  ASSERT_EQ(os.Launches().size(), 1u);
  const Launch& run = os.Launches()[0];
  EXPECT_EQ(run.commandLine, kInstaller);
  EXPECT_EQ(run.showState, kShowNormal);
  EXPECT_TRUE(run.waitedFor);
  EXPECT_FALSE(run.windowSearch);
  EXPECT_EQ(LogText().substr(logBefore), "\r\nLaunching  JVM Installer  C:\\TEMP\\jre.exe...\r\n");
}

TEST_F(BundledInstallerTest, SilentRunsSendNothingToTheProgressDialog) {
  launcher.silent = true;
  WriteArchive({Flagged("jre.exe", "MZ")});
  ASSERT_TRUE(launcher.ExtractBundledJvmInstaller());
  os.AddProgram(kInstaller, [](const std::string&) { return ChildRun{}; });
  ui.events.clear();

  EXPECT_TRUE(launcher.RunBundledJvmInstaller());
  EXPECT_TRUE(ui.events.empty());
  ASSERT_EQ(os.Launches().size(), 1u);
  EXPECT_EQ(os.Launches()[0].showState, kShowNormal);
  EXPECT_EQ(LogText(), "");
}

TEST_F(BundledInstallerTest, AFailedWaitOrANonZeroExitCode) {
  WriteArchive({Flagged("jre.exe", "MZ")});
  ASSERT_TRUE(launcher.ExtractBundledJvmInstaller());
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
