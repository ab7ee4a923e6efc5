#include "archive_bytes.h"
#include "container_launcher_fixture.h"
#include "launch/bundled_installer.h"

namespace carafe {
namespace {

using namespace archive_bytes;
using Events = std::vector<std::string>;
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
  void Choose(int answer, const std::string& path) {
    ui.browseAnswer = answer;
    ui.browsePath = path;
  }
};

TEST_F(PromptsTest, OkInTheBundledPromptExtractsTheInstallerWhileTheDialogStepsAside) {
  ui.bundledPromptAnswer = kDialogOk;
  EXPECT_TRUE(launcher.OfferBundledJvm());
  EXPECT_EQ(ui.events, (Events{"hide", "bundled prompt", "show", "status Installing JVM..."}));
  EXPECT_EQ(os.Content(kInstaller), "MZ bundled installer");
  EXPECT_TRUE(launcher.bundledInstallerWritten);
  EXPECT_TRUE(os.RemoveFile(kInstaller));
  SetFreeBytes(4);  // an extraction failure after OK is the offer's result
  EXPECT_FALSE(launcher.OfferBundledJvm());
  EXPECT_FALSE(os.Exists(kInstaller));
}

TEST_F(PromptsTest, CancelOrAFailedPromptExtractsNothingAndLogsNothing) {
  SetLogAll(true);
  for (int answer : {kDialogCancel, -1}) {  // -1: DialogBoxParamA could not create it
    ui.events.clear();
    ui.bundledPromptAnswer = answer;
    EXPECT_FALSE(launcher.OfferBundledJvm());
    EXPECT_EQ(ui.events, (Events{"hide", "bundled prompt", "show"}));
  }
  EXPECT_FALSE(os.Exists(kInstaller));
  EXPECT_EQ(LogText(), "");
}

TEST_F(PromptsTest, SilentRunsExtractTheInstallerWithoutAskingAndNeverBrowse) {
  SetLogAll(true);
  launcher.silent = true;
  EXPECT_TRUE(launcher.OfferBundledJvm());
  EXPECT_EQ(os.Content(kInstaller), "MZ bundled installer");
  Choose(kDialogOk, "C:\\jdk\\bin\\java.exe");
  EXPECT_FALSE(launcher.BrowseForJvm());
  EXPECT_TRUE(ui.events.empty());
  EXPECT_EQ(launcher.jvmPath, "");
}

TEST_F(PromptsTest, EachBrowseOutcomeHasItsEntryOnlyWithLogAll) {
  const struct {
    int answer;
    const char *path, *entry;
  } cases[] = {
      {kDialogCancel, "C:\\jdk\\bin\\java.exe",
       "\r\nUser aborted installation by cancelling the Browse for JVM dialog. \r\n"},
      {kDialogOk, "", "\r\nUser failed to choose JVM. \r\n"},
      {kDialogOk, "C:\\Program Files\\Java\\bin\\java.exe",
       "\r\nUser chose C:\\Program Files\\Java\\bin\\java.exe.\r\n"},
  };
  for (bool logAll : {false, true}) {
    SetLogAll(logAll);
    for (const auto& c : cases) {
      SCOPED_TRACE(c.entry);
      ui.events.clear();
      launcher.jvmPath.clear();
      std::size_t logged = LogText().size();
      Choose(c.answer, c.path);
      bool chosen = c.answer == kDialogOk && *c.path;
      EXPECT_EQ(launcher.BrowseForJvm(), chosen);
      EXPECT_EQ(ui.events, (Events{"hide", "browse", "show"}));
      EXPECT_EQ(launcher.jvmPath, chosen ? c.path : "");
      EXPECT_EQ(LogText().substr(logged), logAll ? c.entry : "");
    }
  }
}

TEST_F(PromptsTest, TheClassPathComesFromTheHomeAboveTheLastBinOfTheChosenPath) {
  for (const char* file :
       {"C:\\jdk1.2.2\\lib\\dt.jar", "C:\\jdk1.2.2\\lib\\tools.jar", "C:\\jdk1.2.2\\lib\\rt.jar",
        "C:\\JRE\\lib\\rt.jar", "C:\\JRE\\lib\\i18n.jar", "C:\\bin\\jdk\\lib\\classes.zip",
        "C:\\lib\\classes.zip"})
    os.AddFile(file);
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\jdk1.2.2\\bin\\java.exe", "C:\\jdk1.2.2\\lib\\dt.jar;C:\\jdk1.2.2\\lib\\tools.jar"},
      {"C:\\JRE\\BIN\\jre.exe", "C:\\JRE\\lib\\rt.jar;C:\\JRE\\lib\\i18n.jar"},
      {"C:\\bin\\jdk\\bin\\java.exe", "C:\\bin\\jdk\\lib\\classes.zip"},  // the last "\bin"
      {"D:\\tools\\java.exe", ""},  // no "\bin": the whole path is the home
  };
  for (const auto& [chosen, classPath] : cases) {
    launcher.classPath = "C:\\old\\lib\\classes.zip";
    Choose(kDialogOk, chosen);
    EXPECT_TRUE(launcher.BrowseForJvm());
    EXPECT_EQ(launcher.classPath, classPath) << chosen;
  }
  // A bare name keeps the class path and looks for no library.
  os.journal.clear();
  launcher.classPath = "C:\\old\\lib\\classes.zip";
  Choose(kDialogOk, "java.exe");
  EXPECT_TRUE(launcher.BrowseForJvm());
  EXPECT_EQ(launcher.classPath, "C:\\old\\lib\\classes.zip");
  EXPECT_TRUE(os.Journal("attributes ").empty());
}

}  // namespace
}  // namespace carafe
