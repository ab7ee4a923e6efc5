#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive_bytes.h"
#include "container/log_writer.h"
#include "core/launcher.h"
#include "fake_user_interface.h"
#include "launch/bundled_installer.h"
#include "memory_platform.h"

namespace carafe {
namespace {

using namespace archive_bytes;

const char* const kArchive = "C:\\TEMP\\rerodova.class";
const char* const kLog = "C:\\TEMP\\vnlog.txt";
const char* const kInstaller = "C:\\TEMP\\jre.exe";
const char* const kCancelledEntry =
    "\r\nUser aborted installation by cancelling the Browse for JVM dialog. \r\n";
const char* const kEmptyEntry = "\r\nUser failed to choose JVM. \r\n";

class PromptsTest : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    launcher.AttachUserInterface(&ui);
    launcher.archivePath = kArchive;
    launcher.logFile.Reset(
        os.OpenFile(kLog, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways));
    os.AddFile(
        kArchive,
        Build({Section{kBundledInstallersSection, {Flagged("jre.exe", "MZ bundled installer")}}}));
    os.SetDiskFreeSpace("C:\\", {1, 1, 1u << 20, 1u << 20});
  }

  std::string LogText() const { return os.Content(kLog); }
  // The browse dialog answers OK with path.
  void ChooseInBrowseDialog(const std::string& path) {
    ui.browseAnswer = kDialogOk;
    ui.browsePath = path;
  }

  FakeUserInterface ui;
  Launcher launcher;
};

// --- The bundled VM prompt.

TEST_F(PromptsTest, OkInTheBundledPromptExtractsTheInstallerWhileTheDialogStepsAside) {
  ui.bundledPromptAnswer = kDialogOk;
  EXPECT_TRUE(launcher.OfferBundledJvm());

  // The progress dialog is back before the extraction shows its status.
  std::vector<std::string> expected = {"hide", "bundled prompt", "show",
                                       "status Installing JVM..."};
  EXPECT_EQ(ui.events, expected);
  EXPECT_EQ(os.Content(kInstaller), "MZ bundled installer");
  EXPECT_TRUE(launcher.bundledInstallerWritten);
}

TEST_F(PromptsTest, CancelInTheBundledPromptExtractsNothingAndLogsNothing) {
  SetLogAll(true);
  ui.bundledPromptAnswer = kDialogCancel;
  EXPECT_FALSE(launcher.OfferBundledJvm());

  std::vector<std::string> expected = {"hide", "bundled prompt", "show"};
  EXPECT_EQ(ui.events, expected);
  EXPECT_FALSE(os.Exists(kInstaller));
  EXPECT_FALSE(launcher.bundledInstallerWritten);
  EXPECT_EQ(LogText(), "");
}

TEST_F(PromptsTest, AFailedPromptCountsAsDeclined) {
  ui.bundledPromptAnswer = -1;  // DialogBoxParamA could not create it
  EXPECT_FALSE(launcher.OfferBundledJvm());
  EXPECT_FALSE(os.Exists(kInstaller));
}

TEST_F(PromptsTest, SilentRunsExtractTheBundledInstallerWithoutAsking) {
  launcher.silent = true;
  EXPECT_TRUE(launcher.OfferBundledJvm());
  EXPECT_TRUE(ui.events.empty());
  EXPECT_EQ(os.Content(kInstaller), "MZ bundled installer");
}

TEST_F(PromptsTest, AnExtractionFailureAfterOkIsTheOffersResult) {
  os.SetDiskFreeSpace("C:\\", {1, 1, 4, 4});
  ui.bundledPromptAnswer = kDialogOk;
  EXPECT_FALSE(launcher.OfferBundledJvm());
  EXPECT_FALSE(os.Exists(kInstaller));
}

// --- The browse dialog: its outcomes and their log entries.

TEST_F(PromptsTest, SilentRunsNeverBrowseAndLogNothing) {
  SetLogAll(true);
  launcher.silent = true;
  ChooseInBrowseDialog("C:\\jdk\\bin\\java.exe");
  EXPECT_FALSE(launcher.BrowseForJvm());
  EXPECT_TRUE(ui.events.empty());
  EXPECT_EQ(launcher.jvmPath, "");
  EXPECT_EQ(LogText(), "");
}

TEST_F(PromptsTest, CancelInTheBrowseDialogEndsTheRunWithADetailedEntry) {
  SetLogAll(true);
  ui.browseAnswer = kDialogCancel;
  EXPECT_FALSE(launcher.BrowseForJvm());
  std::vector<std::string> expected = {"hide", "browse", "show"};
  EXPECT_EQ(ui.events, expected);
  EXPECT_EQ(LogText(), kCancelledEntry);
  EXPECT_EQ(launcher.jvmPath, "");
}

TEST_F(PromptsTest, OkWithAnEmptyPathIsAFailureToChoose) {
  SetLogAll(true);
  ChooseInBrowseDialog("");
  EXPECT_FALSE(launcher.BrowseForJvm());
  EXPECT_EQ(LogText(), kEmptyEntry);
}

TEST_F(PromptsTest, WithoutLogAllTheBrowseOutcomesAreNotLogged) {
  ui.browseAnswer = kDialogCancel;
  EXPECT_FALSE(launcher.BrowseForJvm());
  ChooseInBrowseDialog("");
  EXPECT_FALSE(launcher.BrowseForJvm());
  ChooseInBrowseDialog("C:\\jdk\\bin\\java.exe");
  EXPECT_TRUE(launcher.BrowseForJvm());
  EXPECT_EQ(LogText(), "");
}

TEST_F(PromptsTest, AChosenPathBecomesTheJvmAndIsLoggedWithAPeriod) {
  SetLogAll(true);
  ChooseInBrowseDialog("C:\\Program Files\\Java\\bin\\java.exe");
  EXPECT_TRUE(launcher.BrowseForJvm());
  EXPECT_EQ(launcher.jvmPath, "C:\\Program Files\\Java\\bin\\java.exe");
  EXPECT_EQ(LogText(), "\r\nUser chose C:\\Program Files\\Java\\bin\\java.exe.\r\n");
}

// --- The class path after browsing.

TEST_F(PromptsTest, AJdkHomeAboveTheChosenBinGivesItsLibraries) {
  os.AddFile("C:\\jdk1.2.2\\lib\\dt.jar");
  os.AddFile("C:\\jdk1.2.2\\lib\\tools.jar");
  os.AddFile("C:\\jdk1.2.2\\lib\\rt.jar");  // a JRE library: the JDK ones win
  ChooseInBrowseDialog("C:\\jdk1.2.2\\bin\\java.exe");
  EXPECT_TRUE(launcher.BrowseForJvm());
  EXPECT_EQ(launcher.classPath, "C:\\jdk1.2.2\\lib\\dt.jar;C:\\jdk1.2.2\\lib\\tools.jar");
}

TEST_F(PromptsTest, WithoutJdkLibrariesTheJreOnesAreTakenAndBinMatchesInAnyCase) {
  os.AddFile("C:\\JRE\\lib\\rt.jar");
  os.AddFile("C:\\JRE\\lib\\i18n.jar");
  ChooseInBrowseDialog("C:\\JRE\\BIN\\jre.exe");
  EXPECT_TRUE(launcher.BrowseForJvm());
  EXPECT_EQ(launcher.classPath, "C:\\JRE\\lib\\rt.jar;C:\\JRE\\lib\\i18n.jar");
}

TEST_F(PromptsTest, TheHomeIsCutBeforeTheLastBin) {
  os.AddFile("C:\\bin\\jdk\\lib\\classes.zip");
  os.AddFile("C:\\lib\\classes.zip");  // what cutting at the first "\bin" would find
  ChooseInBrowseDialog("C:\\bin\\jdk\\bin\\java.exe");
  EXPECT_TRUE(launcher.BrowseForJvm());
  EXPECT_EQ(launcher.classPath, "C:\\bin\\jdk\\lib\\classes.zip");
}

TEST_F(PromptsTest, AHomeWithoutLibrariesLeavesTheClassPathEmpty) {
  launcher.classPath = "C:\\old\\lib\\classes.zip";
  ChooseInBrowseDialog("D:\\tools\\java.exe");  // no "\bin": the whole path is the home
  EXPECT_TRUE(launcher.BrowseForJvm());
  EXPECT_EQ(launcher.jvmPath, "D:\\tools\\java.exe");
  EXPECT_EQ(launcher.classPath, "");
}

TEST_F(PromptsTest, ABareNameIsAcceptedAndKeepsTheClassPath) {
  launcher.classPath = "C:\\old\\lib\\classes.zip";
  ChooseInBrowseDialog("java.exe");
  EXPECT_TRUE(launcher.BrowseForJvm());
  EXPECT_EQ(launcher.jvmPath, "java.exe");
  EXPECT_EQ(launcher.classPath, "C:\\old\\lib\\classes.zip");
  EXPECT_TRUE(os.Journal("attributes ").empty());  // no library was looked for
}

}  // namespace
}  // namespace carafe
