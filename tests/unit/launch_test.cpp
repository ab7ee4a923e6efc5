// Running JVMs: the libraries under a JVM home, the arguments of a JVM run,
// running a class with its output captured, the validation run and the
// launch of the installation.
#include "launch/class_path.h"
#include "launch/class_runner.h"
#include "launch/process_runner.h"
#include "launcher_fixture.h"
#include "scripted_jvm.h"

namespace carafe {
namespace {

const char* const kJava = "C:\\jdk\\bin\\java.exe";

TEST(QuoteIfBlank, QuotesOnlyPathsWithABlankOrATab) {
  EXPECT_EQ(QuoteIfBlank("C:\\jdk\\bin\\java.exe"), "C:\\jdk\\bin\\java.exe");
  EXPECT_EQ(QuoteIfBlank("C:\\Program Files\\j.exe"), "\"C:\\Program Files\\j.exe\"");
  EXPECT_EQ(QuoteIfBlank("C:\\a\tb\\j.exe"), "\"C:\\a\tb\\j.exe\"");
}

class CaptureClassOutputTest : public PlatformTest {
 protected:
  bool Capture(const std::string& bin, const std::string& libs = "",
               const std::string& classFile = "C:\\TEMP\\Verify.class") {
    output = "stale";
    return CaptureClassOutput(bin, libs, classFile, output);
  }
  std::string output;
};

TEST_F(CaptureClassOutputTest, StartsTheJvmHiddenWithItsOutputOnThePipe) {
  const std::string jre = "C:\\Program Files\\JRE\\bin\\jre.exe";
  os.AddProgram(jre, PrintingJvm(VerifyLines("1.2.2", "http://java.sun.com/")));
  ASSERT_TRUE(Capture(jre));
  EXPECT_EQ(output, VerifyLines("1.2.2", "http://java.sun.com/"));
  ASSERT_EQ(os.Launches().size(), 1u);
  const Launch& launch = os.Launches()[0];
  EXPECT_EQ(launch.commandLine,
            "\"C:\\Program Files\\JRE\\bin\\jre.exe\"  -cp "
            "\"C:\\Program Files\\JRE\\bin\\..\\lib\\classes.zip;C:\\TEMP\" Verify");
  EXPECT_EQ(launch.showState, kShowHide);
  EXPECT_TRUE(launch.inheritHandles && launch.capturedOutput);
  EXPECT_FALSE(launch.createNoWindow);
  EXPECT_FALSE(launch.waitedFor);  // the child is neither waited for nor ended
  EXPECT_EQ(os.OpenHandleCount(), 0u);
  EXPECT_FALSE(os.ReadWouldHaveBlocked());
}

TEST_F(CaptureClassOutputTest, LongOutputArrivesInChunksAndIsJoinedExactly) {
  std::string big;
  for (int line = 0; big.size() < 3000; ++line) big += "line " + std::to_string(line) + "\r\n";
  big += std::string("\0tail", 5);  // bytes are kept as they come, NUL too
  os.AddProgram(kJava, PrintingJvm(big));
  ASSERT_TRUE(Capture(kJava));
  EXPECT_EQ(output, big);
}

TEST_F(CaptureClassOutputTest, JvmWritingOnlyToItsErrorOutputGivesEmptyOutput) {
  os.AddProgram(kJava, PrintingJvm("", 1));
  EXPECT_TRUE(Capture(kJava));
  EXPECT_EQ(output, "");
}

TEST_F(CaptureClassOutputTest, FailsWithEmptyOutputWhenThePipeOrProcessCannotBeCreated) {
  os.AddProgram(kJava, PrintingJvm("x"));
  os.FailPipeCreation(true);
  EXPECT_FALSE(Capture(kJava));
  EXPECT_EQ(output, "");
  EXPECT_TRUE(os.Launches().empty());
  os.FailPipeCreation(false);
  EXPECT_FALSE(Capture("C:\\missing\\bin\\java.exe"));
  EXPECT_EQ(output, "");
  EXPECT_EQ(os.OpenHandleCount(), 0u);  // both pipe ends closed on that path too
}

TEST_F(CaptureClassOutputTest, HungJvmCostsTheCaptureLimitAndKeepsWhatItWrote) {
  for (bool hung : {false, true}) {  // the wait time adds up
    SCOPED_TRACE(hung);
    os.AddProgram(kJava, [hung](const std::string&) {
      ChildRun run;
      run.standardOutput = "java.version = 1.3.0\r\n";
      run.keepsOutputOpen = hung;
      run.outputOutlivesIt = !hung;  // ended, but another process holds the pipe
      return run;
    });
    ASSERT_TRUE(Capture(kJava));
    EXPECT_EQ(output, "java.version = 1.3.0\r\n");
    EXPECT_FALSE(os.ReadWouldHaveBlocked());
    EXPECT_EQ(os.PipeWaitMs(), hung ? kCaptureLimitMs : 0u);
    EXPECT_EQ(os.OpenHandleCount(), 0u);
  }
}

using ClassPathLibraries = PlatformTest;

TEST_F(ClassPathLibraries, EachCollectorKeepsItsOrderAndItsConditions) {
  auto add = [this](const std::string& home, std::initializer_list<const char*> names) {
    for (const char* name : names) os.AddFile(home + "\\lib\\" + name);
  };
  add("C:\\a", {"classes.zip", "dt.jar"});
  add("C:\\b", {"tools.jar", "dt.jar"});
  add("C:\\c", {"tools.jar", "jaws.jar"});  // tools.jar needs dt.jar, extras need rt.jar
  add("C:\\d", {"ext\\iiimp.jar", "i18n.jar", "jaws.jar", "rt.jar"});
  add("C:\\e", {"classes.zip", "rt.jar", "i18n.jar"});
  add("C:\\f", {"dt.jar"});
  struct Case {
    std::string (*collect)(const std::string&);
    const char* home;
    std::string libs;
  };
  for (const Case& c : {
           Case{CollectJdkLibs, "C:\\a", "C:\\a\\lib\\classes.zip"},
           Case{CollectJdkLibs, "C:\\b", "C:\\b\\lib\\dt.jar;C:\\b\\lib\\tools.jar"},
           Case{CollectJdkLibs, "C:\\c", ""},
           Case{CollectJdkLibs, "C:\\f", "C:\\f\\lib\\dt.jar"},
           Case{CollectJreLibs, "C:\\c", ""},
           Case{CollectJreLibs, "C:\\d",
                "C:\\d\\lib\\rt.jar;C:\\d\\lib\\jaws.jar;C:\\d\\lib\\i18n.jar;"
                "C:\\d\\lib\\ext\\iiimp.jar"},
           Case{CollectJreLibs, "C:\\e", "C:\\e\\lib\\classes.zip"},
           Case{CollectAllLibs, "C:\\e",
                "C:\\e\\lib\\classes.zip;C:\\e\\lib\\classes.zip;C:\\e\\lib\\rt.jar;"
                "C:\\e\\lib\\i18n.jar"},
           Case{CollectAllLibs, "C:\\c", "C:\\c\\lib\\tools.jar;C:\\c\\lib\\jaws.jar"},
           Case{CollectAllLibs, "C:\\none", ""},
       }) {
    EXPECT_EQ(c.collect(c.home), c.libs) << c.home;
  }
  add("C:\\all", {"ext\\iiimp.jar", "i18n.jar", "jaws.jar", "rt.jar", "tools.jar", "dt.jar"});
  EXPECT_EQ(CollectAllLibs("C:\\all"),
            "C:\\all\\lib\\dt.jar;C:\\all\\lib\\tools.jar;C:\\all\\lib\\rt.jar;"
            "C:\\all\\lib\\jaws.jar;C:\\all\\lib\\i18n.jar;C:\\all\\lib\\ext\\iiimp.jar");
}

TEST(ClassArguments, SwitchClassNameAndFolderFollowTheExecutableAndClassFile) {
  struct Case {
    const char* exe;
    const char* libs;
    const char* classFile;
    const char* extra;
    const char* arguments;  // nullptr: no row of the executable table applies
  };
  for (const Case& c : {
           Case{"C:\\jdk\\bin\\java.exe", "C:\\jdk\\lib\\dt.jar", "C:\\TEMP\\rerodova.class", "",
                " -classpath \"C:\\jdk\\lib\\dt.jar;C:\\TEMP\" rerodova"},
           Case{"C:\\Program Files\\JRE\\bin\\jre.exe", "", "C:\\TEMP\\Verify", "",
                " -cp \"C:\\Program Files\\JRE\\bin\\..\\lib\\classes.zip;C:\\TEMP\" Verify"},
           Case{"C:\\WINDOWS\\jview.exe", "", "C:\\TEMP\\Verify.class", "",
                " /cp:p \"C:\\WINDOWS\\..\\lib\\classes.zip;C:\\TEMP\" Verify"},
           // Rows are tried in order and match anywhere in the path.
           Case{"C:\\java.exe.d\\jview.exe", "L", "C:\\T\\V", "", " -classpath \"L;C:\\T\" V"},
           // A bare executable gets no class path at all.
           Case{"java.exe", "C:\\lib\\classes.zip", "C:\\TEMP\\rerodova.class", "-Da=1 -Db=2 ",
                " rerodova -Da=1 -Db=2 "},
           // Without a backslash the name keeps its ".class" and the folder is empty.
           Case{"C:\\j\\bin\\java.exe", "L.zip", "Verify.class", "",
                " -classpath \"L.zip;\" Verify.class"},
           // The last six characters go when ".class" occurs anywhere in the name.
           Case{"C:\\j\\bin\\java.exe", "L.zip", "C:\\T\\a.class.bak", "",
                " -classpath \"L.zip;C:\\T\" a.cla"},
           Case{"C:\\j\\bin\\java.exe", "L.zip", "C:\\My Temp\\rerodova.class", "-Dx=1 ",
                " -classpath \"L.zip;C:\\My Temp\" rerodova -Dx=1 "},
           Case{"C:\\jdk\\bin\\javaw.exe", "", "C:\\TEMP\\Verify.class", "", nullptr},
           Case{"C:\\JDK\\BIN\\JAVA.EXE", "", "C:\\TEMP\\Verify.class", "", nullptr},
           Case{"C:\\x\\java", "", "C:\\TEMP\\Verify.class", "", nullptr},
       }) {
    std::string out = c.arguments ? "" : "kept";
    bool built = BuildClassArguments(out, c.exe, c.libs, c.classFile, c.extra);
    EXPECT_EQ(built, c.arguments != nullptr) << c.exe;
    EXPECT_EQ(out, c.arguments ? c.arguments : "kept") << c.exe;
  }
}

using RunProgramTest = PlatformTest;

TEST_F(RunProgramTest, ShowsTheChildAsAskedAndSearchesOnlyAVisibleRunsWindow) {
  os.AddProgram("C:\\p\\run.exe", [](const std::string&) { return ChildRun{}; });
  struct Case {
    bool hidden, showChild;
    int showState;
    bool windowSearch;
  } cases[] = {{true, false, kShowHide, false},
               {true, true, kShowNormal, false},
               {false, false, kShowNormal, true},
               {false, true, kShowNormal, false}};
  for (const Case& c : cases) {
    ASSERT_TRUE(RunProgram("C:\\p\\run.exe", "", c.hidden, c.showChild));
    EXPECT_EQ(os.Launches().back().showState, c.showState);
    EXPECT_EQ(os.Launches().back().windowSearch, c.windowSearch);
  }
}

TEST_F(RunProgramTest, FailsWhenTheProgramCannotStartOrTheWaitFails) {
  EXPECT_FALSE(RunProgram("C:\\missing.exe", "-x", true, false));
  os.AddProgram("C:\\p\\stuck.exe", [](const std::string&) {
    ChildRun run;
    run.waitFails = true;
    return run;
  });
  EXPECT_FALSE(RunProgram("C:\\p\\stuck.exe", "", false, false));
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

class LaunchTest : public LauncherTest {
 protected:
  LaunchTest() {
    run.verifyClassPath = "C:\\TEMP\\Verify.class";
    run.archivePath = "C:\\TEMP\\rerodova.class";
  }
  void UseJvm(const std::string& path, const std::string& libs, std::uint32_t exitCode = 0) {
    os.AddProgram(path, PrintingJvm("", exitCode));
    run.jvmPath = path;
    run.classPath = libs;
  }
  RunState& run = launcher.State();
};

TEST_F(LaunchTest, ValidationRunsTheVerifyClassHiddenAndWaitsForIt) {
  UseJvm("C:\\jdk\\bin\\java.exe", "C:\\jdk\\lib\\dt.jar;C:\\jdk\\lib\\tools.jar", 1);
  EXPECT_TRUE(launcher.ValidateJvm());  // the exit code is not looked at
  ASSERT_EQ(os.Launches().size(), 1u);
  const Launch& launch = os.Launches()[0];
  EXPECT_EQ(launch.commandLine,
            "C:\\jdk\\bin\\java.exe  -classpath "
            "\"C:\\jdk\\lib\\dt.jar;C:\\jdk\\lib\\tools.jar;C:\\TEMP\" Verify");
  EXPECT_EQ(launch.showState, kShowHide);
  EXPECT_FALSE(launch.windowSearch || launch.inheritHandles || launch.capturedOutput);
  EXPECT_TRUE(launch.waitedFor && launch.createNoWindow);
  EXPECT_EQ(LogText(), "");
  EXPECT_TRUE(ui.events.empty());
}

TEST_F(LaunchTest, ValidationFailureIsAlwaysLogged) {
  UseJvm("C:\\jdk\\bin\\javaw.exe", "");
  EXPECT_FALSE(launcher.ValidateJvm());
  EXPECT_TRUE(os.Launches().empty());
  run.jvmPath = "C:\\gone\\bin\\jre.exe";
  EXPECT_FALSE(launcher.ValidateJvm());
  EXPECT_EQ(LogText(),
            "\r\nValidation of  C:\\jdk\\bin\\javaw.exe failed\r\n"
            "\r\nValidation of  C:\\gone\\bin\\jre.exe failed\r\n");
}

TEST_F(LaunchTest, InstallationRunsOnTheJvmWithOptionsAsProgramArguments) {
  UseJvm("C:\\Program Files\\JRE\\bin\\jre.exe", "", 7);
  run.javaOptions = "-Dinstall.dir=C:\\App -Dmode=silent ";
  EXPECT_TRUE(launcher.RunInstallation());  // whatever the installation's exit code
  ASSERT_EQ(os.Launches().size(), 1u);
  const Launch& launch = os.Launches()[0];
  EXPECT_EQ(launch.commandLine,
            "C:\\Program Files\\JRE\\bin\\jre.exe  -cp "
            "\"C:\\Program Files\\JRE\\bin\\..\\lib\\classes.zip;C:\\TEMP\" rerodova "
            "-Dinstall.dir=C:\\App -Dmode=silent ");
  EXPECT_EQ(launch.showState, kShowNormal);
  EXPECT_TRUE(launch.windowSearch && launch.waitedFor);
  EXPECT_EQ(ui.events, (std::vector<std::string>{"hide"}));
  EXPECT_EQ(LogText(), "");  // the launch entry is a log-all one
}

TEST_F(LaunchTest, InstallationFailuresAndTheirEntries) {
  // No row of the executable table: nothing is logged, nothing hidden.
  UseJvm("C:\\jdk\\bin\\javaw.exe", "");
  EXPECT_FALSE(launcher.RunInstallation());
  EXPECT_TRUE(ui.events.empty());
  EXPECT_EQ(LogText(), "");
  // The process cannot be created: the entry is written without log-all.
  run.jvmPath = "C:\\gone\\bin\\java.exe";
  EXPECT_FALSE(launcher.RunInstallation());
  EXPECT_EQ(LogText(), "\r\nLaunching  C:\\gone\\bin\\java.exe Using JVM failed\r\n");
  EXPECT_EQ(ui.events, (std::vector<std::string>{"hide"}));
}

TEST_F(LaunchTest, SilentInstallationLeavesTheUserInterfaceAlone) {
  run.silent = true;
  UseJvm("C:\\jdk\\bin\\java.exe", "C:\\jdk\\lib\\classes.zip");
  EXPECT_TRUE(launcher.RunInstallation());
  EXPECT_TRUE(ui.events.empty());
}
}  // namespace
}  // namespace carafe
