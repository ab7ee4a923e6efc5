// The run sequence's branches, with every step it calls scripted: what runs
// in which order, what ends the run, and what the clean-up deletes.
#include <gtest/gtest.h>

#include <sstream>

#include "fake_user_interface.h"
#include "scripted_launcher.h"

namespace carafe {
namespace {

using namespace scripted;
using Calls = std::vector<std::string>;
const std::string V = std::string("validate ") + kFound;
const std::string kBrowsed = std::string("validate ") + kChosen;

class RunSequence : public PlatformTest {
 protected:
  bool Start(const std::string& commandLine) {
    launcher.AttachUserInterface(&ui);
    launcher.Initialize(L"C:\\SETUP\\", commandLine);
    return launcher.Run();
  }
  std::string Log() const { return os.Content("C:\\TEMP\\vnlog.txt"); }
  FakeUserInterface ui;
  ScriptedLauncher launcher{os};
};

// Calls after the two extractions, "," separated; V and B validate the found and the chosen JVM.
Calls Expand(const std::string& text) {
  Calls calls = {"extract verify", "extract archive"};
  std::stringstream stream(text);
  for (std::string call; std::getline(stream, call, ',');)
    calls.push_back(call == "V" ? V : call == "B" ? kBrowsed : call);
  return calls;
}

TEST_F(RunSequence, TakesTheRouteItsOptionsAndCriteriaChooseAndFallsBackInOrder) {
  struct Case {
    const char *commandLine, *criteria;
    std::deque<bool> searches, registryReads;
    bool offer, runInstaller, browse, result;
    const char* calls;
    bool validate = true, launch = true;
  } cases[] = {
      {"", "", {true}, {}, 1, 1, 0, 1, "extract criteria,search,V,launch"},
      {"-jvm D:\\j\\java.exe", "", {}, {}, 1, 1, 0, 0, "validate D:\\j\\java.exe", 0},
      {"-nosearch -jvm jre\\..\\j\\java.exe", "", {}, {}, 1, 1, 0, 1,
       "validate C:\\SETUP\\j\\java.exe,launch"},
      {"-nosearch", "", {}, {}, 1, 1, 0, 1, "validate java.exe,launch"},
      {"", "", {true}, {}, 1, 1, 0, 0, "extract criteria,search,V,launch", 1, 0},
      // The marker word takes the JVM from the maker's key; it is case-sensitive.
      {"", "vendor=varnica:type=jre", {}, {true}, 1, 1, 0, 1, "extract criteria,registry,V,launch"},
      {"", "vendor=VARNICA", {true}, {}, 1, 1, 0, 1, "extract criteria,search,V,launch"},
      {"-searchcriteria \"type=jre:vendor=xvarnicax\"", "", {}, {true}, 1, 1, 0, 1,
       "registry,V,launch"},
      {"-searchcriteria", "varnica", {true}, {}, 1, 1, 0, 1, "search,V,launch"},
      {"", "varnica", {}, {false, true}, 1, 1, 0, 1,
       "extract criteria,registry,offer,run installer,registry,V,launch"},
      // The registry route never searches nor browses.
      {"", "varnica", {}, {}, 0, 1, 1, 0, "extract criteria,registry,offer"},
      {"", "varnica", {}, {}, 1, 0, 1, 0, "extract criteria,registry,offer,run installer"},
      {"", "varnica", {}, {}, 1, 1, 1, 0, "extract criteria,registry,offer,run installer,registry"},
      {"", "", {false, true}, {}, 1, 1, 0, 1,
       "extract criteria,search,offer,run installer,search,V,launch"},
      // Browsing is the search's last resort.
      {"", "", {}, {}, 0, 1, 1, 1, "extract criteria,search,offer,browse,B,launch"},
      {"", "", {}, {}, 0, 1, 0, 0, "extract criteria,search,offer,browse"},
      {"", "", {}, {}, 1, 0, 1, 1, "extract criteria,search,offer,run installer,browse,B,launch"},
      {"", "", {}, {}, 1, 1, 0, 0, "extract criteria,search,offer,run installer,search,browse"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.commandLine) + " / " + c.criteria);
    ScriptedLauncher run(os);
    run.containerCriteria = c.criteria;
    run.searches = c.searches;
    run.registryReads = c.registryReads;
    run.offer = c.offer;
    run.runInstaller = c.runInstaller;
    run.browse = c.browse;
    run.validate = c.validate;
    run.launch = c.launch;
    run.Initialize(L"C:\\SETUP\\", c.commandLine);
    EXPECT_EQ(run.Run(), c.result);
    EXPECT_EQ(run.calls, Expand(c.calls));
  }
}

TEST_F(RunSequence, AFailedExtractionEndsTheRunAtOnce) {
  launcher.extractVerify = false;
  EXPECT_FALSE(Start(""));
  EXPECT_EQ(launcher.calls, (Calls{"extract verify"}));
  ScriptedLauncher archive(os);
  archive.extractArchive = false;
  archive.Initialize(L"C:\\SETUP\\", "");
  EXPECT_FALSE(archive.Run());
  EXPECT_EQ(archive.calls, Expand(""));
}

TEST_F(RunSequence, FilesNamedByOptionsAreCheckedButNeitherExtractedNorDeleted) {
  os.AddFile("C:\\SETUP\\v.class", kClass);
  os.AddFile("D:\\a.class", kClass);
  launcher.searches = {true};
  EXPECT_TRUE(Start("-verify v.class -archive D:\\a.class -log -logall"));
  EXPECT_EQ(launcher.calls, (Calls{"extract criteria", "search", V, "launch"}));
  EXPECT_EQ(launcher.verifyClassPath, "C:\\SETUP\\v.class");
  EXPECT_TRUE(ui.events.empty());
  launcher.CleanUp();
  EXPECT_TRUE(os.Exists("C:\\SETUP\\v.class") && os.Exists("D:\\a.class"));
  EXPECT_EQ(Log().find("Deleting"), std::string::npos);
}

TEST_F(RunSequence, ClassFilesThatAreNoClassFilesEndTheRunWithTheValidationEntry) {
  os.AddFile("C:\\SETUP\\v.class", "PK\x03\x04");
  EXPECT_FALSE(Start("-verify v.class -log"));
  EXPECT_TRUE(launcher.calls.empty());
  EXPECT_NE(Log().find("\r\nValidation of  C:\\SETUP\\v.class failed\r\n"), std::string::npos);
  launcher.CleanUp();  // closes the log for the next run
  ScriptedLauncher archive(os);
  archive.AttachUserInterface(&ui);
  archive.archiveContent = "\xCA\xFE\xBA";  // too short
  archive.Initialize(L"C:\\SETUP\\", "-log");
  EXPECT_FALSE(archive.Run());
  EXPECT_EQ(archive.calls, Expand(""));
  EXPECT_EQ(ui.events.back(), "status Validating Java Archive...");
  const std::string entry = "\r\nValidation of  C:\\TEMP\\rerodova.class failed\r\n";
  EXPECT_PRED2(EndsWith, Log(), entry);
}

TEST_F(RunSequence, SilentRunsReachNoUserInterface) {
  EXPECT_FALSE(Start("-silent"));
  EXPECT_EQ(launcher.calls.size(), 8u);  // through to the browse step
  EXPECT_TRUE(ui.events.empty());
}

TEST_F(RunSequence, CleanUpDeletesWhatTheRunWroteInOrderAndClosesTheLogLast) {
  launcher.searches = {false, true};
  EXPECT_TRUE(Start("-log -logall"));
  launcher.CleanUp();
  EXPECT_EQ(os.Journal("delete"), (Calls{std::string("delete ") + kVerify,
                                         std::string("delete ") + kArchive,
                                         std::string("delete ") + kInstaller}));
  EXPECT_FALSE(os.Exists(kVerify) || os.Exists(kArchive) || os.Exists(kInstaller));
  std::string tail = std::string("\r\nDeleting file  ") + kVerify + "...\r\n\r\nDeleting file  " +
                     kArchive + "...\r\n\r\nDeleting file  " + kInstaller + "...\r\n";
  EXPECT_PRED2(EndsWith, Log(), tail);
  EXPECT_EQ(launcher.GetLogState(), LogState::None);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
  launcher.CleanUp();  // once only
  EXPECT_EQ(os.Journal("delete").size(), 3u);
}

TEST_F(RunSequence, CleanUpWithoutLogAllDeletesSilentlyAndSkipsMissingFiles) {
  launcher.searches = {true};
  EXPECT_TRUE(Start("-log"));
  EXPECT_TRUE(os.RemoveFile(kArchive));
  os.journal.clear();
  launcher.CleanUp();
  EXPECT_EQ(os.Journal("delete"), (Calls{std::string("delete ") + kVerify}));
  EXPECT_EQ(Log().find("Deleting"), std::string::npos);
}

// The main thread cleans up while the worker is still inside the bundled step.
TEST_F(RunSequence, AnAbandonedWorkerKeepsTheFileItsStepIsWriting) {
  launcher.SetWorkerState(WorkerState::Running);
  launcher.whileOffering = [this] { launcher.CleanUp(); };
  Start("");
  EXPECT_FALSE(os.Exists(kVerify) || os.Exists(kArchive));
  EXPECT_TRUE(os.Exists(kInstaller));
}

}  // namespace
}  // namespace carafe
