// Running JVMs: the libraries under a JVM home, the arguments of a JVM run,
// a class run with its output captured, the validation and the launch.
#include "launch/class_path.h"
#include "launch/class_runner.h"
#include "launch/process_runner.h"
#include "launcher_fixture.h"
#include "scripted_jvm.h"

namespace carafe {
namespace {

TEST(ClassArguments, SwitchClassNameAndFolderFollowTheExecutableAndClassFile) {
  const char* rows[][5] = {
      // executable, libraries, class file, extra, arguments (null: no row of the table applies)
      {"C:\\jdk\\bin\\java.exe", "C:\\l.jar", "C:\\TEMP\\rerodova.class", "",
       " -classpath \"C:\\l.jar;C:\\TEMP\" rerodova"},
      {"C:\\P F\\bin\\jre.exe", "", "C:\\TEMP\\Verify", "",
       " -cp \"C:\\P F\\bin\\..\\lib\\classes.zip;C:\\TEMP\" Verify"},
      {"C:\\WINDOWS\\jview.exe", "", "C:\\T\\V.class", "",
       " /cp:p \"C:\\WINDOWS\\..\\lib\\classes.zip;C:\\T\" V"},
      {"java.exe", "C:\\lib.zip", "C:\\TEMP\\r.class", "-Da=1 ", " r -Da=1 "},
      {"C:\\j\\bin\\java.exe", "L", "C:\\T\\a.class.bak", "-Dx ",
       " -classpath \"L;C:\\T\" a.cla -Dx "},
      {"C:\\jdk\\bin\\javaw.exe", "", "C:\\T\\V.class", "", nullptr},
  };
  for (const auto& row : rows) {
    std::string out = row[4] ? "" : "kept";
    EXPECT_EQ(BuildClassArguments(out, row[0], row[1], row[2], row[3]), row[4] != nullptr);
    EXPECT_EQ(out, row[4] ? row[4] : "kept") << row[0];
  }
}

// All the output, also past one read and past a zero byte, whether the JVM
// ends with a process of its own still holding the pipe or hangs.
TEST_F(PlatformTest, ACapturedClassRunIsHiddenOnThePipeAndKeepsAllItsOutputWithinTheLimit) {
  std::string big(3000, 'o');
  big += std::string("\0tail", 5);
  const std::string jre = "C:\\Program Files\\JRE\\bin\\jre.exe";
  for (bool hung : {false, true}) {
    os.AddProgram(jre, [&big, hung](const std::string&) {
      ChildRun run{big};
      run.keepsOutputOpen = hung, run.outputOutlivesIt = !hung;
      return run;
    });
    std::string output = "stale";
    ASSERT_TRUE(CaptureClassOutput(jre, "", "Verify.class", output));
    EXPECT_EQ(output, big);
    EXPECT_EQ(os.PipeWaitMs(), hung ? kCaptureLimitMs : 0u);
    EXPECT_EQ(os.Launches().back().endedByLauncher, hung);  // no hung JVM outlives the launcher
  }
  const Launch& launch = os.Launches()[0];
  EXPECT_EQ(launch.commandLine,
            "\"" + jre + "\"  -cp \"" + jre.substr(0, 21) + "bin\\..\\lib\\classes.zip;\" Verify");
  EXPECT_TRUE(launch.showState == kShowHide && launch.inheritHandles && launch.capturedOutput &&
              !launch.createNoWindow && !launch.waitedFor && launch.applicationName == jre);
  EXPECT_FALSE(os.OpenHandleCount() || os.ReadWouldHaveBlocked());
}

// A path without a blank stays as it is and is the file started; a bare name is left to the
// system's search; a failed start or wait is a failure.
TEST_F(PlatformTest, RunProgramNamesItsProgramAndFailsWhenTheStartOrTheWaitFails) {
  ChildRun result;
  for (const char* path : {"C:\\p\\run.exe", "C:\\WINDOWS\\SYSTEM32\\java.exe"})
    os.AddProgram(path, [&result](const std::string&) { return result; });
  ASSERT_TRUE(RunProgram("C:\\p\\run.exe", "", true, false));
  EXPECT_EQ(os.Launches().back().commandLine + "|" + os.Launches().back().applicationName,
            "C:\\p\\run.exe|C:\\p\\run.exe");
  ASSERT_TRUE(RunProgram("java.exe", "-x", true, false));
  EXPECT_EQ(os.Launches().back().commandLine + "|" + os.Launches().back().applicationName,
            "java.exe -x|");
  result.waitFails = true;
  EXPECT_FALSE(RunProgram("C:\\p\\run.exe", "", false, false));
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

// A JVM under a folder with a blank gets its path whole, quoted, and is the very file started,
// so that nothing at the blank's prefix (C:\Program.exe) runs in its place.
TEST_F(LaunchTest, ValidationRunsTheVerifyClassHiddenAndTheInstallationVisiblyWithTheOptions) {
  run.jvmPath = "C:\\Program Files\\JRE\\bin\\jre.exe";
  os.AddProgram(run.jvmPath, PrintingJvm("", 7));  // exit codes are not looked at
  EXPECT_TRUE(launcher.ValidateJvm());
  EXPECT_TRUE(launcher.RunInstallation());
  ASSERT_EQ(os.Launches().size(), 2u);
  const std::string jvm =
      "\"C:\\Program Files\\JRE\\bin\\jre.exe\"  -cp \"C:\\Program "
      "Files\\JRE\\bin\\..\\lib\\classes.zip;C:\\TEMP\" ";
  EXPECT_EQ(os.Launches()[0].commandLine, jvm + "Verify");
  EXPECT_EQ(os.Launches()[1].commandLine, jvm + "rerodova -Dinstall.dir=C:\\App ");
  for (const Launch& launch : os.Launches())
    EXPECT_FALSE(launch.inheritHandles || launch.capturedOutput || !launch.waitedFor ||
                 launch.applicationName != run.jvmPath);
  EXPECT_TRUE(os.Launches()[0].showState == kShowHide && os.Launches()[0].createNoWindow &&
              os.Launches()[1].showState == kShowNormal && os.Launches()[1].windowSearch);
  EXPECT_EQ(ui.events, (std::vector<std::string>{"hide"}));
  EXPECT_EQ(LogText(), "");
}

// The bundled installer under a temporary folder with a blank is started whole and shown, with
// no window search; the progress dialog steps aside meanwhile.
TEST_F(LaunchTest, TheBundledInstallerRunsShownWithItsPathWhole) {
  run.bundledInstallerPath = "C:\\Documents and Settings\\u\\Temp\\jre-setup.exe";
  os.AddProgram(run.bundledInstallerPath, PrintingJvm(""));
  EXPECT_TRUE(launcher.RunBundledJvmInstaller());
  ASSERT_EQ(os.Launches().size(), 1u);
  const Launch& launch = os.Launches()[0];
  EXPECT_EQ(launch.commandLine, "\"" + run.bundledInstallerPath + "\"");
  EXPECT_TRUE(launch.applicationName == run.bundledInstallerPath &&
              launch.showState == kShowNormal && !launch.windowSearch && launch.waitedFor);
  EXPECT_EQ(ui.events, (std::vector<std::string>{"hide", "show"}));
}

}  // namespace
}  // namespace carafe
