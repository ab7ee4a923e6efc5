// Running JVMs: the libraries under a JVM home, the arguments of a JVM run,
// a class run with its output captured, the validation and the launch.
#include <sstream>

#include "launch/class_path.h"
#include "launch/class_runner.h"
#include "launch/process_runner.h"
#include "launcher_fixture.h"
#include "scripted_jvm.h"

namespace carafe {
namespace {

const char* const kJava = "C:\\jdk\\bin\\java.exe";

// Libraries of C:\<home>\lib, named as a blank-separated list.
std::string Libs(const std::string& home, const std::string& names) {
  std::istringstream stream(names);
  std::string libs;
  for (std::string name; stream >> name;)
    libs += (libs.empty() ? "" : ";") + home + "\\lib\\" + name;
  return libs;
}

TEST_F(PlatformTest, EachLibraryCollectorKeepsItsOrderAndItsConditions) {
  // clang-format off
  const std::pair<const char*, const char*> trees[] = {
      {"C:\\a", "classes.zip dt.jar"}, {"C:\\b", "tools.jar dt.jar"}, {"C:\\f", "dt.jar"},
      {"C:\\c", "tools.jar jaws.jar"}, {"C:\\d", "ext\\iiimp.jar i18n.jar jaws.jar rt.jar"},
      {"C:\\e", "classes.zip rt.jar i18n.jar"}};
  for (const auto& [home, names] : trees) {
    std::istringstream stream(names);
    for (std::string name; stream >> name;) os.AddFile(std::string(home) + "\\lib\\" + name);
  }
  const struct { std::string (*collect)(const std::string&); const char *home, *names; } rows[] = {
      {CollectJdkLibs, "C:\\a", "classes.zip"}, {CollectJdkLibs, "C:\\b", "dt.jar tools.jar"},
      {CollectJdkLibs, "C:\\c", ""}, {CollectJdkLibs, "C:\\f", "dt.jar"},
      {CollectJreLibs, "C:\\c", ""},
      {CollectJreLibs, "C:\\d", "rt.jar jaws.jar i18n.jar ext\\iiimp.jar"},
      {CollectJreLibs, "C:\\e", "classes.zip"}, {CollectAllLibs, "C:\\b", "dt.jar tools.jar"},
      {CollectAllLibs, "C:\\e", "classes.zip classes.zip rt.jar i18n.jar"},
      {CollectAllLibs, "C:\\d", "rt.jar jaws.jar i18n.jar ext\\iiimp.jar"}};
  // clang-format on
  for (const auto& row : rows)
    EXPECT_EQ(row.collect(row.home), Libs(row.home, row.names)) << row.home;
}

TEST(ClassArguments, SwitchClassNameAndFolderFollowTheExecutableAndClassFile) {
  const char* rows[][5] = {
      // executable, libraries, class file, extra, arguments (null: no row of the table applies)
      {"C:\\jdk\\bin\\java.exe", "C:\\l.jar", "C:\\TEMP\\rerodova.class", "",
       " -classpath \"C:\\l.jar;C:\\TEMP\" rerodova"},
      {"C:\\P F\\bin\\jre.exe", "", "C:\\TEMP\\Verify", "",
       " -cp \"C:\\P F\\bin\\..\\lib\\classes.zip;C:\\TEMP\" Verify"},
      {"C:\\WINDOWS\\jview.exe", "", "C:\\T\\V.class", "",
       " /cp:p \"C:\\WINDOWS\\..\\lib\\classes.zip;C:\\T\" V"},
      {"C:\\java.exe.d\\jview.exe", "L", "C:\\T\\V", "", " -classpath \"L;C:\\T\" V"},
      {"java.exe", "C:\\lib.zip", "C:\\TEMP\\r.class", "-Da=1 ", " r -Da=1 "},
      {"C:\\j\\bin\\java.exe", "L", "Verify.class", "", " -classpath \"L;\" Verify.class"},
      {"C:\\j\\bin\\java.exe", "L", "C:\\T\\a.class.bak", "-Dx ",
       " -classpath \"L;C:\\T\" a.cla -Dx "},
      {"C:\\jdk\\bin\\javaw.exe", "", "C:\\T\\V.class", "", nullptr},
      {"C:\\JDK\\BIN\\JAVA.EXE", "", "C:\\T\\V.class", "", nullptr},
  };
  for (const auto& row : rows) {
    std::string out = row[4] ? "" : "kept";
    EXPECT_EQ(BuildClassArguments(out, row[0], row[1], row[2], row[3]), row[4] != nullptr);
    EXPECT_EQ(out, row[4] ? row[4] : "kept") << row[0];
  }
}

TEST_F(PlatformTest, ACapturedClassRunIsHiddenOnThePipeAndKeepsAllItsOutputWithinTheLimit) {
  std::string big;
  for (int line = 0; big.size() < 3000; ++line) big += "line " + std::to_string(line) + "\r\n";
  big += std::string("\0tail", 5);
  const std::string jre = "C:\\Program Files\\JRE\\bin\\jre.exe";
  for (bool hung : {false, true}) {
    os.AddProgram(jre, [&big, hung](const std::string&) {
      ChildRun run;
      run.standardOutput = big;
      run.keepsOutputOpen = hung;
      run.outputOutlivesIt = !hung;  // ended, but another process holds the pipe
      return run;
    });
    std::string output = "stale";
    ASSERT_TRUE(CaptureClassOutput(jre, "", "Verify.class", output));
    EXPECT_EQ(output, big);
    EXPECT_EQ(os.PipeWaitMs(), hung ? kCaptureLimitMs : 0u);
  }
  const Launch& launch = os.Launches()[0];
  EXPECT_EQ(launch.commandLine,
            "\"C:\\Program Files\\JRE\\bin\\jre.exe\"  -cp \"C:\\Program "
            "Files\\JRE\\bin\\..\\lib\\classes.zip;\" Verify");
  EXPECT_EQ(launch.showState, kShowHide);
  EXPECT_TRUE(launch.inheritHandles && launch.capturedOutput && !launch.createNoWindow &&
              !launch.waitedFor);
  os.AddProgram(kJava, PrintingJvm("x"));
  os.FailPipeCreation(true);
  std::string output = "stale";
  EXPECT_FALSE(CaptureClassOutput(kJava, "", "C:\\TEMP\\Verify.class", output));
  os.FailPipeCreation(false);
  EXPECT_FALSE(CaptureClassOutput("C:\\missing\\bin\\java.exe", "", "V", output));
  EXPECT_EQ(output, "");
  EXPECT_EQ(os.OpenHandleCount(), 0u);
  EXPECT_FALSE(os.ReadWouldHaveBlocked());
}

TEST_F(PlatformTest, RunProgramShowsTheChildAsAskedAndFailsWhenTheWaitFails) {
  os.AddProgram("C:\\p\\run.exe", [](const std::string&) { return ChildRun{}; });
  // Hidden, child shown, show state, window searched.
  const int rows[][4] = {
      {1, 0, kShowHide, 0}, {1, 1, kShowNormal, 0}, {0, 0, kShowNormal, 1}, {0, 1, kShowNormal, 0}};
  for (const auto& row : rows) {
    ASSERT_TRUE(RunProgram("C:\\p\\run.exe", "", row[0], row[1]));
    EXPECT_EQ(os.Launches().back().showState, row[2]);
    EXPECT_EQ(os.Launches().back().windowSearch, row[3] != 0);
  }
  os.AddProgram("C:\\p\\stuck.exe", [](const std::string&) {
    ChildRun run;
    run.waitFails = true;
    return run;
  });
  EXPECT_FALSE(RunProgram("C:\\p\\stuck.exe", "", false, false));
  EXPECT_FALSE(RunProgram("C:\\missing.exe", "-x", true, false));
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

class LaunchTest : public LauncherTest {
 protected:
  LaunchTest() {
    TagTexts(os);
    run.verifyClassPath = "C:\\TEMP\\Verify.class";
    run.archivePath = "C:\\TEMP\\rerodova.class";
    run.javaOptions = "-Dinstall.dir=C:\\App ";
  }
  RunState& run = launcher.State();
};

TEST_F(LaunchTest, ValidationRunsTheVerifyClassHiddenAndTheInstallationVisiblyWithTheOptions) {
  run.jvmPath = "C:\\Program Files\\JRE\\bin\\jre.exe";
  os.AddProgram(run.jvmPath, PrintingJvm("", 7));  // exit codes are not looked at
  EXPECT_TRUE(launcher.ValidateJvm());
  EXPECT_TRUE(launcher.RunInstallation());
  ASSERT_EQ(os.Launches().size(), 2u);
  const std::string jvm =
      "C:\\Program Files\\JRE\\bin\\jre.exe  -cp \"C:\\Program "
      "Files\\JRE\\bin\\..\\lib\\classes.zip;C:\\TEMP\" ";
  EXPECT_EQ(os.Launches()[0].commandLine, jvm + "Verify");
  EXPECT_EQ(os.Launches()[1].commandLine, jvm + "rerodova -Dinstall.dir=C:\\App ");
  for (const Launch& launch : os.Launches())
    EXPECT_FALSE(launch.inheritHandles || launch.capturedOutput || !launch.waitedFor);
  EXPECT_EQ(os.Launches()[0].showState, kShowHide);
  EXPECT_EQ(os.Launches()[1].showState, kShowNormal);
  EXPECT_TRUE(os.Launches()[0].createNoWindow && os.Launches()[1].windowSearch);
  EXPECT_EQ(ui.events, (std::vector<std::string>{"hide"}));
  EXPECT_EQ(LogText(), "");
}

TEST_F(LaunchTest, FailuresAreLoggedExceptAnExecutableOutsideTheTable) {
  run.jvmPath = "C:\\jdk\\bin\\javaw.exe";
  os.AddProgram(run.jvmPath, PrintingJvm(""));
  EXPECT_FALSE(launcher.ValidateJvm());
  EXPECT_FALSE(launcher.RunInstallation());
  EXPECT_TRUE(os.Launches().empty() && ui.events.empty());
  run.jvmPath = "C:\\gone\\bin\\java.exe";
  run.silent = true;
  EXPECT_FALSE(launcher.ValidateJvm());
  EXPECT_FALSE(launcher.RunInstallation());
  EXPECT_TRUE(ui.events.empty());
  EXPECT_EQ(LogText(),
            "\r\nT17 C:\\jdk\\bin\\javaw.exe T18\r\n\r\nT17 C:\\gone\\bin\\java.exe T18\r\n"
            "\r\nT19 C:\\gone\\bin\\java.exe T20 T18\r\n");
}

}  // namespace
}  // namespace carafe
