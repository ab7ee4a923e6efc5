#include "archive_bytes.h"
#include "container_launcher_fixture.h"
#include "launch/bundled_installer.h"

namespace carafe {
namespace {

using namespace archive_bytes;

const char* const kInstaller = "C:\\TEMP\\jre.exe";

class PromptsTest : public LauncherTest {
 protected:
  void SetUp() override {
    LauncherTest::SetUp();
    launcher.archivePath = "C:\\TEMP\\rerodova.class";
    os.AddFile(
        launcher.archivePath,
        Build({Section{kBundledInstallersSection, {Flagged("jre.exe", "MZ bundled installer")}}}));
    SetFreeBytes(1u << 20);
  }
  // The browse dialog answers OK with path.
  void ChooseInBrowseDialog(const std::string& path) {
    ui.browseAnswer = kDialogOk;
    ui.browsePath = path;
  }
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
  SetFreeBytes(4);
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
  EXPECT_EQ(LogText(),
            "\r\nUser aborted installation by cancelling the Browse for JVM dialog. \r\n");
  EXPECT_EQ(launcher.jvmPath, "");
}

TEST_F(PromptsTest, OkWithAnEmptyPathIsAFailureToChoose) {
  SetLogAll(true);
  ChooseInBrowseDialog("");
  EXPECT_FALSE(launcher.BrowseForJvm());
  EXPECT_EQ(LogText(), "\r\nUser failed to choose JVM. \r\n");
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

TEST_F(PromptsTest, TheClassPathComesFromTheHomeAboveTheLastBinOfTheChosenPath) {
  for (const char* file :
       {"C:\\jdk1.2.2\\lib\\dt.jar", "C:\\jdk1.2.2\\lib\\tools.jar", "C:\\jdk1.2.2\\lib\\rt.jar",
        "C:\\JRE\\lib\\rt.jar", "C:\\JRE\\lib\\i18n.jar", "C:\\bin\\jdk\\lib\\classes.zip",
        "C:\\lib\\classes.zip"})
    os.AddFile(file);
  struct Case {
    const char* chosen;
    const char* classPath;
  } cases[] = {
      // The JDK libraries win over the JRE one beside them.
      {"C:\\jdk1.2.2\\bin\\java.exe", "C:\\jdk1.2.2\\lib\\dt.jar;C:\\jdk1.2.2\\lib\\tools.jar"},
      // Without them the JRE ones; "bin" matches in any case.
      {"C:\\JRE\\BIN\\jre.exe", "C:\\JRE\\lib\\rt.jar;C:\\JRE\\lib\\i18n.jar"},
      // Cutting at the first "\\bin" would find C:\\lib.
      {"C:\\bin\\jdk\\bin\\java.exe", "C:\\bin\\jdk\\lib\\classes.zip"},
      // No "\\bin": the whole path is the home, which holds no library.
      {"D:\\tools\\java.exe", ""},
  };
  for (const Case& c : cases) {
    launcher.classPath = "C:\\old\\lib\\classes.zip";
    ChooseInBrowseDialog(c.chosen);
    EXPECT_TRUE(launcher.BrowseForJvm());
    EXPECT_EQ(launcher.jvmPath, c.chosen);
    EXPECT_EQ(launcher.classPath, c.classPath) << c.chosen;
  }
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
