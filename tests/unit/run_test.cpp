// The run: the route the run sequence takes through its steps (scripted
// here), the clean-up with and without a worker still inside a step, the
// entry point's threads and abort entry, and the prompts with their dialogs.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <sstream>

#include "archive_bytes.h"
#include "core/entry_point.h"
#include "launcher_fixture.h"
#include "ui/center_window.h"

namespace carafe {
namespace {

using Calls = std::vector<std::string>;

const std::string kClass = std::string("\xCA\xFE\xBA\xBE", 4) + "rest of a class";
const char* const kVerify = "C:\\TEMP\\Verify.class";
const char* const kArchive = "C:\\TEMP\\rerodova.class";
const char* const kInstaller = "C:\\TEMP\\jre-setup.exe";
const char* const kFound = "C:\\JRE\\bin\\java.exe";
const char* const kChosen = "D:\\chosen\\bin\\java.exe";
const char* const kLog = "C:\\TEMP\\vnlog.txt";

// A Launcher whose steps are scripted and recorded; the extractions write
// real (in-memory) files, so the clean-up has something to delete.
class ScriptedLauncher : public Launcher {
 public:
  explicit ScriptedLauncher(MemoryPlatform& os) : os_(os) {}

  Calls calls;
  bool extractVerify = true, extractArchive = true;
  std::string archiveContent = kClass, containerCriteria;
  std::deque<bool> searches, registryReads;
  bool offer = true, runInstaller = true, browse = false, validate = true, launch = true;
  std::function<void()> whileOffering;

  RunState& State() { return MutableState(); }

 protected:
  bool ExtractVerifyClass() override {
    return Extract("extract verify", extractVerify, kVerify, kClass, &State().verifyClassPath,
                   &State().verifyClassWritten);
  }
  bool ExtractJavaArchive() override {
    return Extract("extract archive", extractArchive, kArchive, archiveContent,
                   &State().archivePath, &State().javaArchiveWritten);
  }
  bool ExtractSearchCriteria() override {
    State().searchCriteria = containerCriteria;
    return Call("extract criteria", !containerCriteria.empty());
  }
  bool SearchForJvm() override { return Call("search", Next(searches) && Found(kFound)); }
  bool ReadRegisteredJvm() override {
    return Call("registry", Next(registryReads) && Found(kFound));
  }
  bool OfferBundledJvm() override {
    if (!Call("offer", offer)) return false;
    os_.AddFile(kInstaller, "MZ");
    State().bundledInstallerPath = kInstaller;
    State().bundledInstallerWritten = true;
    if (whileOffering) whileOffering();
    return true;
  }
  bool RunBundledJvmInstaller() override { return Call("run installer", runInstaller); }
  bool BrowseForJvm() override { return Call("browse", browse && Found(kChosen)); }
  bool ValidateJvm() override { return Call("validate " + State().jvmPath, validate); }
  bool RunInstallation() override { return Call("launch", launch); }

 private:
  bool Call(const std::string& name, bool result) {
    calls.push_back(name);
    return result;
  }
  static bool Next(std::deque<bool>& results) {
    bool result = !results.empty() && results.front();
    if (!results.empty()) results.pop_front();
    return result;
  }
  bool Extract(const char* name, bool succeeds, const char* path, const std::string& content,
               std::string* field, bool* written) {
    if (!Call(name, succeeds)) return false;
    os_.AddFile(path, content);
    *field = path;
    *written = true;
    return true;
  }
  bool Found(const char* bin) {
    State().jvmPath = bin;
    State().classPath = "C:\\JRE\\lib\\rt.jar";
    return true;
  }
  MemoryPlatform& os_;
};

class RunSequence : public PlatformTest {
 protected:
  bool Start(const std::string& commandLine) {
    launcher.AttachUserInterface(&ui);
    launcher.Initialize(L"C:\\SETUP\\setup.exe", commandLine);
    return launcher.Run();
  }
  std::string Log() const { return os.Content(kLog); }
  FakeUserInterface ui;
  ScriptedLauncher launcher{os};
};

// The calls after the two extractions, "," separated; V and B validate the
// found and the chosen JVM.
Calls Expand(const std::string& text) {
  Calls calls = {"extract verify", "extract archive"};
  std::stringstream stream(text);
  for (std::string call; std::getline(stream, call, ',');)
    calls.push_back(call == "V"   ? std::string("validate ") + kFound
                    : call == "B" ? std::string("validate ") + kChosen
                                  : call);
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
      {"-nosearch -jvm jre\\..\\j\\java.exe",
       "",
       {},
       {},
       1,
       1,
       0,
       1,
       "validate C:\\SETUP\\j\\java.exe,launch"},
      {"-nosearch", "", {}, {}, 1, 1, 0, 1, "validate java.exe,launch"},
      {"", "", {true}, {}, 1, 1, 0, 0, "extract criteria,search,V,launch", 1, 0},
      // The marker word takes the JVM from the maker's key; it is case-sensitive.
      {"", "vendor=varnica:type=jre", {}, {true}, 1, 1, 0, 1, "extract criteria,registry,V,launch"},
      {"", "vendor=VARNICA", {true}, {}, 1, 1, 0, 1, "extract criteria,search,V,launch"},
      {"-searchcriteria \"type=jre:vendor=xvarnicax\"",
       "",
       {},
       {true},
       1,
       1,
       0,
       1,
       "registry,V,launch"},
      {"-searchcriteria", "varnica", {true}, {}, 1, 1, 0, 1, "search,V,launch"},
      {"",
       "varnica",
       {},
       {false, true},
       1,
       1,
       0,
       1,
       "extract criteria,registry,offer,run installer,registry,V,launch"},
      // The registry route never searches nor browses.
      {"", "varnica", {}, {}, 0, 1, 1, 0, "extract criteria,registry,offer"},
      {"", "varnica", {}, {}, 1, 0, 1, 0, "extract criteria,registry,offer,run installer"},
      {"", "varnica", {}, {}, 1, 1, 1, 0, "extract criteria,registry,offer,run installer,registry"},
      {"",
       "",
       {false, true},
       {},
       1,
       1,
       0,
       1,
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
    run.Initialize(L"C:\\SETUP\\setup.exe", c.commandLine);
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
  archive.Initialize(L"C:\\SETUP\\setup.exe", "");
  EXPECT_FALSE(archive.Run());
  EXPECT_EQ(archive.calls, Expand(""));
}

TEST_F(RunSequence, FilesNamedByOptionsAreCheckedButNeitherExtractedNorDeleted) {
  os.AddFile("C:\\SETUP\\v.class", kClass);
  os.AddFile("D:\\a.class", kClass);
  launcher.searches = {true};
  EXPECT_TRUE(Start("-verify v.class -archive D:\\a.class -log -logall"));
  EXPECT_EQ(launcher.calls, (Calls{"extract criteria", "search", Expand("V").back(), "launch"}));
  EXPECT_EQ(launcher.State().verifyClassPath, "C:\\SETUP\\v.class");
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
  archive.Initialize(L"C:\\SETUP\\setup.exe", "-log");
  EXPECT_FALSE(archive.Run());
  EXPECT_EQ(archive.calls, Expand(""));
  EXPECT_EQ(ui.events.back(), "status Validating Java Archive...");
  EXPECT_PRED2(EndsWith, Log(), "\r\nValidation of  C:\\TEMP\\rerodova.class failed\r\n");
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
  EXPECT_EQ(os.Journal("delete"),
            (Calls{std::string("delete ") + kVerify, std::string("delete ") + kArchive,
                   std::string("delete ") + kInstaller}));
  EXPECT_FALSE(os.Exists(kVerify) || os.Exists(kArchive) || os.Exists(kInstaller));
  std::string tail = std::string("\r\nDeleting file  ") + kVerify + "...\r\n\r\nDeleting file  " +
                     kArchive + "...\r\n\r\nDeleting file  " + kInstaller + "...\r\n";
  EXPECT_PRED2(EndsWith, Log(), tail);
  EXPECT_EQ(launcher.State().logState, LogState::None);
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

// The main thread cleans up while the worker is still inside the bundled
// step: the files of the steps that returned go, the one being written
// stays, and nothing the worker still uses is freed or closed.
TEST_F(RunSequence, AnAbandonedWorkerKeepsTheFileItsStepIsWritingAndAllItUses) {
  launcher.SetWorkerState(WorkerState::Running);
  launcher.whileOffering = [this] {
    launcher.CleanUp();
    EXPECT_FALSE(os.Exists(kVerify) || os.Exists(kArchive));
    EXPECT_TRUE(os.Exists(kInstaller));
    // The worker writes on after the clean-up: the log is still its own.
    EXPECT_EQ(launcher.State().logState, LogState::Open);
    launcher.Log("\r\nworker goes on\r\n");
  };
  launcher.searches = {false};
  Start("-log -logall");
  EXPECT_PRED2(EndsWith, Log(), "\r\nworker goes on\r\n");
  EXPECT_EQ(os.Journal("delete").size(), 2u);
}

// --- The entry point.

class EntryPoint : public RunSequence {};

TEST_F(EntryPoint, SilentRunsOnTheMainThreadWithoutDialogOrTitleFromTheModuleFolder) {
  os.SetModuleFileName("D:\\Disk 1\\setup.exe");
  EXPECT_EQ(RunEntryPoint(launcher, ui, "-silent -jvm ..\\java.exe"), 0);
  EXPECT_EQ(launcher.calls,
            (Calls{"extract verify", "extract archive", "validate D:\\java.exe", "launch"}));
  EXPECT_TRUE(ui.events.empty());
  EXPECT_TRUE(launcher.State().messageTitle.empty());
  EXPECT_EQ(launcher.State().modulePath, L"D:\\Disk 1\\setup.exe");
}

TEST_F(EntryPoint, RunsOnAWorkerBehindTheProgressDialogAndQuitsTheLoop) {
  // The in-memory platform runs a started thread at once: quit before loop.
  EXPECT_EQ(RunEntryPoint(launcher, ui, "-nosearch -log"), 0);
  EXPECT_EQ(Log().find("Aborted"), std::string::npos);
  EXPECT_EQ(ui.events, (Calls{"create", "status Extracting Verify Class...",
                              "status Extracting Java Archive...", "quit", "loop"}));
  EXPECT_EQ(launcher.State().messageTitle, "Roruvazodaza Zidi Rezoder");
  EXPECT_EQ(launcher.calls.back(), "launch");
  launcher.CleanUp();  // the worker has finished: everything it wrote goes
  EXPECT_FALSE(os.Exists(kVerify) || os.Exists(kArchive));
}

TEST_F(EntryPoint, AnAbortConfirmedDuringTheLoopIsLoggedAlways) {
  ui.abortDuringLoop = true;
  EXPECT_EQ(RunEntryPoint(launcher, ui, "-log"), 0);
  EXPECT_PRED2(EndsWith, Log(), "\r\n Application was Aborted \r\n");
}

TEST_F(EntryPoint, TheExitCodeIsZeroWhenTheRunFailsAndNeitherLogNorDialogCanBeCreated) {
  launcher.extractVerify = false;
  ui.createSucceeds = false;
  EXPECT_EQ(RunEntryPoint(launcher, ui, "-log Q:\\no\\such\\folder\\log.txt"), 0);
  EXPECT_EQ(launcher.State().logState, LogState::Failed);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.events.back(), "loop");
}

// A system that cannot start another thread.
class NoThreadPlatform : public MemoryPlatform {
 public:
  bool StartThread(void (*)(void*), void*) override { return false; }
};

TEST(EntryPointWithoutThreads, RunsTheSequenceOnTheMainThread) {
  NoThreadPlatform platform;
  ScopedPlatform installed(platform);
  ScriptedLauncher launcher(platform);
  FakeUserInterface ui;
  EXPECT_EQ(RunEntryPoint(launcher, ui, "-nosearch"), 0);
  EXPECT_EQ(launcher.calls.back(), "launch");
  // No quit message and no loop: nothing would end the loop.
  EXPECT_EQ(ui.events, (Calls{"create", "status Extracting Verify Class...",
                              "status Extracting Java Archive..."}));
}

// --- The prompts.

class Prompts : public LauncherTest {
 protected:
  Prompts() {
    run.archivePath = "C:\\TEMP\\rerodova.class";
    os.AddFile(run.archivePath, archive_bytes::Build({archive_bytes::Section{
                                    format::kBundledInstallersSection,
                                    {archive_bytes::Flagged("jre.exe", "MZ bundled")}}}));
    SetFreeBytes(1u << 20);
  }
  void Choose(int answer, const std::string& path) {
    ui.browseAnswer = answer;
    ui.browsePath = path;
  }
  RunState& run = launcher.State();
};

TEST_F(Prompts, OnlyOkInTheBundledPromptExtractsAndAFailedExtractionIsTheOffersResult) {
  Prepare(launcher, ui, true);
  for (int answer : {kDialogCancel, -1}) {  // -1: DialogBoxParamA could not create it
    ui.events.clear();
    ui.bundledPromptAnswer = answer;
    EXPECT_FALSE(launcher.OfferBundledJvm());
    EXPECT_EQ(ui.events, (Calls{"hide", "bundled prompt", "show"}));
  }
  EXPECT_EQ(LogText(), "");
  ui.bundledPromptAnswer = kDialogOk;
  SetFreeBytes(4);
  EXPECT_FALSE(launcher.OfferBundledJvm());
  EXPECT_FALSE(os.Exists("C:\\TEMP\\jre.exe"));
}

TEST_F(Prompts, SilentRunsExtractTheInstallerWithoutAskingAndNeverBrowse) {
  run.silent = true;
  EXPECT_TRUE(launcher.OfferBundledJvm());
  EXPECT_EQ(os.Content("C:\\TEMP\\jre.exe"), "MZ bundled");
  Choose(kDialogOk, "C:\\jdk\\bin\\java.exe");
  EXPECT_FALSE(launcher.BrowseForJvm());
  EXPECT_TRUE(ui.events.empty());
  EXPECT_EQ(run.jvmPath, "");
}

TEST_F(Prompts, EachBrowseOutcomeHasItsEntryOnlyWithLogAll) {
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
    run.logAll = logAll;
    for (const auto& c : cases) {
      SCOPED_TRACE(c.entry);
      ui.events.clear();
      run.jvmPath.clear();
      const std::size_t logged = LogText().size();
      Choose(c.answer, c.path);
      const bool chosen = c.answer == kDialogOk && *c.path;
      EXPECT_EQ(launcher.BrowseForJvm(), chosen);
      EXPECT_EQ(ui.events, (Calls{"hide", "browse", "show"}));
      EXPECT_EQ(run.jvmPath, chosen ? c.path : "");
      EXPECT_EQ(LogText().substr(logged), logAll ? c.entry : "");
    }
  }
}

TEST_F(Prompts, TheClassPathComesFromTheHomeAboveTheLastBinOfTheChosenPath) {
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
    run.classPath = "C:\\old\\lib\\classes.zip";
    Choose(kDialogOk, chosen);
    EXPECT_TRUE(launcher.BrowseForJvm());
    EXPECT_EQ(run.classPath, classPath) << chosen;
  }
  // A bare name keeps the class path and looks for no library.
  os.journal.clear();
  run.classPath = "C:\\old\\lib\\classes.zip";
  Choose(kDialogOk, "java.exe");
  EXPECT_TRUE(launcher.BrowseForJvm());
  EXPECT_EQ(run.classPath, "C:\\old\\lib\\classes.zip");
  EXPECT_TRUE(os.Journal("attributes ").empty());
}

TEST(CenterWindow, PlacesTheCornerByItsRules) {
  using R = ScreenRect;
  struct Case {
    const char* what;
    R window;
    std::optional<R> parent;
    int screenWidth, screenHeight, x, y;
  } cases[] = {
      {"screen centre without a parent", R{5, 7, 405, 207}, {}, 1024, 768, 312, 284},
      {"larger than the screen: no limits", R{0, 0, 900, 700}, {}, 640, 480, -130, -110},
      {"odd screen: (1023 - 100) / 2", R{0, 0, 100, 51}, {}, 1023, 767, 461, 358},
      {"centred on the parent", R{0, 0, 200, 100}, R{100, 50, 500, 350}, 1024, 768, 200, 150},
      {"each half truncated", R{0, 0, 101, 51}, R{11, 21, 312, 222}, 1024, 768, 111, 96},
      {"negative over a parent", R{0, 0, 200, 100}, R{-300, -200, -100, -100}, 1024, 768, 0, 0},
      {"ten pixels inside", R{0, 0, 300, 120}, R{900, 700, 1100, 800}, 1024, 768, 714, 638},
      {"inset wins over the clamp", R{0, 0, 700, 100}, R{0, 0, 640, 480}, 640, 480, -70, 190},
  };
  for (const Case& c : cases) {
    ScreenPoint corner =
        CenteredPosition(c.window, c.parent ? &*c.parent : nullptr, c.screenWidth, c.screenHeight);
    EXPECT_EQ(std::make_pair(corner.x, corner.y), std::make_pair(c.x, c.y)) << c.what;
  }
}

}  // namespace
}  // namespace carafe
