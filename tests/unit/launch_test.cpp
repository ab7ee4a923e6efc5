// Starting programs and waiting for them: the validation run and the launch
// of the installation.
#include "container_launcher_fixture.h"
#include "launch/process_runner.h"
#include "scripted_jvm.h"

namespace carafe {
namespace {

using RunProgramTest = PlatformTest;

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
  void SetUp() override {
    LauncherTest::SetUp();
    launcher.verifyClassPath = "C:\\TEMP\\Verify.class";
    launcher.archivePath = "C:\\TEMP\\rerodova.class";
  }
  void UseJvm(const std::string& path, const std::string& libs, std::uint32_t exitCode = 0) {
    os.AddProgram(path, PrintingJvm("", exitCode));
    launcher.jvmPath = path;
    launcher.classPath = libs;
  }
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
  launcher.jvmPath = "C:\\gone\\bin\\jre.exe";
  EXPECT_FALSE(launcher.ValidateJvm());
  EXPECT_EQ(LogText(),
            "\r\nValidation of  C:\\jdk\\bin\\javaw.exe failed\r\n"
            "\r\nValidation of  C:\\gone\\bin\\jre.exe failed\r\n");
}

TEST_F(LaunchTest, InstallationRunsOnTheJvmWithOptionsAsProgramArguments) {
  SetLogAll(true);
  UseJvm("C:\\Program Files\\JRE\\bin\\jre.exe", "", 7);
  launcher.javaOptions = "-Dinstall.dir=C:\\App -Dmode=silent ";
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
  EXPECT_EQ(
      LogText(),
      "\r\nLaunching  C:\\TEMP\\rerodova.class Using JVM C:\\Program Files\\JRE\\bin\\jre.exe\r\n");
}

TEST_F(LaunchTest, InstallationFailuresAndTheirEntries) {
  // No row of the executable table: nothing is logged, nothing hidden.
  UseJvm("C:\\jdk\\bin\\javaw.exe", "");
  EXPECT_FALSE(launcher.RunInstallation());
  EXPECT_TRUE(ui.events.empty());
  EXPECT_EQ(LogText(), "");
  // The process cannot be created: the entry is written without log-all.
  launcher.jvmPath = "C:\\gone\\bin\\java.exe";
  EXPECT_FALSE(launcher.RunInstallation());
  EXPECT_EQ(LogText(), "\r\nLaunching  C:\\gone\\bin\\java.exe Using JVM failed\r\n");
  EXPECT_EQ(ui.events, (std::vector<std::string>{"hide"}));
}

TEST_F(LaunchTest, SilentInstallationLeavesTheUserInterfaceAlone) {
  launcher.silent = true;
  UseJvm("C:\\jdk\\bin\\java.exe", "C:\\jdk\\lib\\classes.zip");
  EXPECT_TRUE(launcher.RunInstallation());
  EXPECT_TRUE(ui.events.empty());
}

}  // namespace
}  // namespace carafe
