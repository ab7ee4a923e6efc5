// The run sequence's branches, with every step it calls scripted: what runs
// in which order, what ends the run, and what the clean-up deletes.
#include <gtest/gtest.h>

#include "fake_user_interface.h"
#include "scripted_launcher.h"

namespace carafe {
namespace {

using namespace scripted;

using Calls = std::vector<std::string>;
const std::string kValidateFound = std::string("validate ") + kFound;

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

const Calls kExtractions = {"extract verify", "extract archive"};

Calls After(Calls tail) {
  Calls all = kExtractions;
  all.insert(all.end(), tail.begin(), tail.end());
  return all;
}

TEST_F(RunSequence, SearchesByTheContainersCriteriaAndLaunchesWhatItFound) {
  launcher.searches = {true};
  EXPECT_TRUE(Start(""));
  EXPECT_EQ(launcher.calls, After({"extract criteria", "search", kValidateFound, "launch"}));
  EXPECT_EQ(ui.events,
            (Calls{"status Extracting Verify Class...", "status Extracting Java Archive..."}));
}

TEST_F(RunSequence, AJvmOptionSkipsSearchAndPrompts) {
  launcher.validate = false;
  EXPECT_FALSE(Start("-jvm D:\\j\\java.exe"));
  EXPECT_EQ(launcher.calls, After({"validate D:\\j\\java.exe"}));

  ScriptedLauncher relative(os);
  relative.Initialize(L"C:\\SETUP\\", "-nosearch -jvm jre\\..\\j\\java.exe");
  EXPECT_TRUE(relative.Run());
  EXPECT_EQ(relative.calls, After({"validate C:\\SETUP\\j\\java.exe", "launch"}));
}

TEST_F(RunSequence, NoSearchWithoutJvmLaunchesTheBareJavaExe) {
  EXPECT_TRUE(Start("-nosearch"));
  EXPECT_EQ(launcher.calls, After({"validate java.exe", "launch"}));
}

TEST_F(RunSequence, TheMarkerWordTakesTheJvmFromTheRegistry) {
  launcher.containerCriteria = "vendor=varnica:type=jre";
  launcher.registryReads = {true};
  EXPECT_TRUE(Start(""));
  EXPECT_EQ(launcher.calls, After({"extract criteria", "registry", kValidateFound, "launch"}));
}

TEST_F(RunSequence, TheRegistryPathInstallsTheBundledJvmAndReadsTheKeyOnceMore) {
  launcher.containerCriteria = "varnica";
  launcher.registryReads = {false, true};
  EXPECT_TRUE(Start(""));
  EXPECT_EQ(launcher.calls, After({"extract criteria", "registry", "offer", "run installer",
                                   "registry", kValidateFound, "launch"}));
}

TEST_F(RunSequence, TheRegistryPathEndsWithoutSearchOrBrowseWhenItFails) {
  struct Case {
    bool offer, runInstaller;
    Calls calls;
  };
  const Case cases[] = {
      {false, true, After({"extract criteria", "registry", "offer"})},
      {true, false, After({"extract criteria", "registry", "offer", "run installer"})},
      {true, true, After({"extract criteria", "registry", "offer", "run installer", "registry"})},
  };
  for (const Case& c : cases) {
    ScriptedLauncher run(os);
    run.containerCriteria = "varnica";
    run.offer = c.offer;
    run.runInstaller = c.runInstaller;
    run.browse = true;
    run.Initialize(L"C:\\SETUP\\", "");
    EXPECT_FALSE(run.Run());
    EXPECT_EQ(run.calls, c.calls);
  }
}

TEST_F(RunSequence, TheMarkerWordIsCaseSensitiveAndMayComeFromTheOption) {
  launcher.containerCriteria = "vendor=VARNICA";
  launcher.searches = {true};
  EXPECT_TRUE(Start(""));
  EXPECT_EQ(launcher.calls[3], "search");

  ScriptedLauncher given(os);
  given.registryReads = {true};
  given.Initialize(L"C:\\SETUP\\", "-searchcriteria \"type=jre:vendor=xvarnicax\"");
  EXPECT_TRUE(given.Run());
  EXPECT_EQ(given.calls, After({"registry", kValidateFound, "launch"}));
}

TEST_F(RunSequence, TheSearchCriteriaSwitchAloneKeepsTheContainersCriteriaOut) {
  launcher.containerCriteria = "varnica";
  launcher.searches = {true};
  EXPECT_TRUE(Start("-searchcriteria"));
  EXPECT_EQ(launcher.calls, After({"search", kValidateFound, "launch"}));
  EXPECT_TRUE(launcher.searchCriteria.empty());
}

TEST_F(RunSequence, AFailedSearchInstallsTheBundledJvmAndSearchesAgain) {
  launcher.searches = {false, true};
  EXPECT_TRUE(Start(""));
  EXPECT_EQ(launcher.calls, After({"extract criteria", "search", "offer", "run installer", "search",
                                   kValidateFound, "launch"}));
}

TEST_F(RunSequence, TheBrowseDialogIsTheLastResortOfTheSearch) {
  struct Case {
    bool offer, runInstaller;
    Calls middle;
  };
  const Case cases[] = {
      {false, true, {"offer"}},                            // declined
      {true, false, {"offer", "run installer"}},           // installer failed
      {true, true, {"offer", "run installer", "search"}},  // second search failed
  };
  for (const Case& c : cases) {
    for (bool browse : {true, false}) {
      ScriptedLauncher run(os);
      run.offer = c.offer;
      run.runInstaller = c.runInstaller;
      run.browse = browse;
      run.Initialize(L"C:\\SETUP\\", "");
      EXPECT_EQ(run.Run(), browse);
      Calls expected = After({"extract criteria", "search"});
      expected.insert(expected.end(), c.middle.begin(), c.middle.end());
      expected.push_back("browse");
      if (browse) expected.insert(expected.end(), {std::string("validate ") + kChosen, "launch"});
      EXPECT_EQ(run.calls, expected);
    }
  }
}

TEST_F(RunSequence, AFailedValidationOrLaunchEndsTheRunFalse) {
  launcher.searches = {true};
  launcher.launch = false;
  EXPECT_FALSE(Start(""));
  EXPECT_EQ(launcher.calls.back(), "launch");
}

TEST_F(RunSequence, AFailedExtractionEndsTheRunAtOnce) {
  launcher.extractVerify = false;
  EXPECT_FALSE(Start(""));
  EXPECT_EQ(launcher.calls, (Calls{"extract verify"}));

  ScriptedLauncher archive(os);
  archive.extractArchive = false;
  archive.Initialize(L"C:\\SETUP\\", "");
  EXPECT_FALSE(archive.Run());
  EXPECT_EQ(archive.calls, kExtractions);
}

TEST_F(RunSequence, FilesNamedByOptionsAreCheckedButNeitherExtractedNorDeleted) {
  os.AddFile("C:\\SETUP\\v.class", kClass);
  os.AddFile("D:\\a.class", kClass);
  launcher.searches = {true};
  SetLogAll(true);
  EXPECT_TRUE(Start("-verify v.class -archive D:\\a.class -log -logall"));
  EXPECT_EQ(launcher.calls, (Calls{"extract criteria", "search", kValidateFound, "launch"}));
  EXPECT_EQ(launcher.verifyClassPath, "C:\\SETUP\\v.class");
  EXPECT_TRUE(ui.events.empty());  // no extraction, no status
  launcher.CleanUp();
  EXPECT_TRUE(os.Exists("C:\\SETUP\\v.class"));
  EXPECT_TRUE(os.Exists("D:\\a.class"));
  EXPECT_TRUE(os.Journal("delete").empty());
  EXPECT_EQ(Log().find("Deleting"), std::string::npos);
}

TEST_F(RunSequence, AVerifyClassThatIsNoClassFileEndsTheRunWithTheValidationEntry) {
  os.AddFile("C:\\SETUP\\v.class", "PK\x03\x04");
  EXPECT_FALSE(Start("-verify v.class -log"));
  EXPECT_TRUE(launcher.calls.empty());
  EXPECT_NE(Log().find("\r\nValidation of  C:\\SETUP\\v.class failed\r\n"), std::string::npos);
  EXPECT_TRUE(ui.events.empty());
}

TEST_F(RunSequence, AnArchiveThatIsNoClassFileEndsTheRunWithStatusAndEntry) {
  launcher.archiveContent = "\xCA\xFE\xBA";  // too short
  EXPECT_FALSE(Start("-log"));
  EXPECT_EQ(launcher.calls, kExtractions);
  EXPECT_EQ(ui.events.back(), "status Validating Java Archive...");
  const std::string entry = "\r\nValidation of  C:\\TEMP\\rerodova.class failed\r\n";
  std::string log = Log();
  ASSERT_GE(log.size(), entry.size());
  EXPECT_EQ(log.substr(log.size() - entry.size()), entry);
}

TEST_F(RunSequence, SilentRunsReachNoUserInterface) {
  launcher.searches = {false, false};
  EXPECT_FALSE(Start("-silent"));
  EXPECT_EQ(launcher.calls.size(), 8u);  // through to the browse step
  EXPECT_TRUE(ui.events.empty());
}

TEST_F(RunSequence, CleanUpDeletesWhatTheRunWroteInOrderAndClosesTheLogLast) {
  launcher.searches = {false, true};
  EXPECT_TRUE(Start("-log -logall"));
  launcher.CleanUp();
  EXPECT_EQ(os.Journal("delete"),
            (Calls{std::string("delete ") + kVerify, std::string("delete ") + kArchive,
                   std::string("delete ") + kInstaller}));
  EXPECT_FALSE(os.Exists(kVerify) || os.Exists(kArchive) || os.Exists(kInstaller));
  std::string tail = std::string("\r\nDeleting file  ") + kVerify + "...\r\n" +
                     "\r\nDeleting file  " + kArchive + "...\r\n" + "\r\nDeleting file  " +
                     kInstaller + "...\r\n";
  std::string log = Log();
  ASSERT_GE(log.size(), tail.size());
  EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
  EXPECT_EQ(launcher.GetLogState(), LogState::None);
  EXPECT_EQ(os.OpenHandleCount(), 0u);

  launcher.CleanUp();  // once only
  EXPECT_EQ(os.Journal("delete").size(), 3u);
}

TEST_F(RunSequence, CleanUpWithoutLogAllDeletesSilentlyAndSkipsMissingFiles) {
  launcher.searches = {true};
  EXPECT_TRUE(Start("-log"));
  EXPECT_TRUE(os.DeleteFile(kArchive));  // gone already
  os.journal.clear();
  launcher.CleanUp();
  EXPECT_EQ(os.Journal("delete"), (Calls{std::string("delete ") + kVerify}));
  EXPECT_EQ(Log().find("Deleting"), std::string::npos);
}

TEST_F(RunSequence, AnAbandonedWorkerKeepsTheFileItsStepIsWriting) {
  launcher.searches = {false};
  launcher.SetWorkerState(WorkerState::Running);
  // The main thread cleans up while the worker is inside the bundled step,
  // whose file exists and is flagged but whose step has not returned.
  launcher.whileOffering = [this] { launcher.CleanUp(); };
  Start("");
  EXPECT_FALSE(os.Exists(kVerify) || os.Exists(kArchive));
  EXPECT_TRUE(os.Exists(kInstaller));
}

}  // namespace
}  // namespace carafe
