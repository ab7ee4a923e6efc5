// Running a class on a JVM with its output captured.
#include "launch/class_runner.h"

#include "memory_platform.h"
#include "scripted_jvm.h"

namespace carafe {
namespace {

TEST(QuoteIfBlank, QuotesOnlyPathsWithABlankOrATab) {
  EXPECT_EQ(QuoteIfBlank("C:\\jdk\\bin\\java.exe"), "C:\\jdk\\bin\\java.exe");
  EXPECT_EQ(QuoteIfBlank("C:\\Program Files\\j.exe"), "\"C:\\Program Files\\j.exe\"");
  EXPECT_EQ(QuoteIfBlank("C:\\a\tb\\j.exe"), "\"C:\\a\tb\\j.exe\"");
  EXPECT_EQ(QuoteIfBlank(""), "");
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
  EXPECT_TRUE(launch.inheritHandles);
  EXPECT_TRUE(launch.capturedOutput);
  EXPECT_FALSE(launch.createNoWindow);
  EXPECT_FALSE(launch.waitedFor);  // the child is neither waited for nor ended
  EXPECT_EQ(os.OpenHandleCount(), 0u);
  EXPECT_FALSE(os.ReadWouldHaveBlocked());
}

TEST_F(CaptureClassOutputTest, ClassFileIsCutBeforeItsFirstClassSuffix) {
  os.AddProgram("C:\\jdk\\bin\\java.exe", PrintingJvm("x"));
  ASSERT_TRUE(Capture("C:\\jdk\\bin\\java.exe", "C:\\jdk\\lib\\classes.zip", "C:\\TEMP\\Verify"));
  ASSERT_TRUE(Capture("C:\\jdk\\bin\\java.exe", "C:\\jdk\\lib\\classes.zip",
                      "C:\\my.classes\\Verify.class"));
  ASSERT_EQ(os.Launches().size(), 2u);
  EXPECT_EQ(os.Launches()[0].commandLine,
            "C:\\jdk\\bin\\java.exe  -classpath \"C:\\jdk\\lib\\classes.zip;C:\\TEMP\" Verify");
  // Cut at "C:\my": what is left names no class folder, only a class.
  EXPECT_EQ(os.Launches()[1].commandLine,
            "C:\\jdk\\bin\\java.exe  -classpath \"C:\\jdk\\lib\\classes.zip;C:\" my");
}

TEST_F(CaptureClassOutputTest, ExecutableNamedOtherwiseRunsWithoutArguments) {
  os.AddProgram("C:\\jdk\\bin\\javaw.exe", PrintingJvm(""));
  os.AddProgram("C:\\Program Files\\jdk\\bin\\javaw.exe", PrintingJvm(""));
  ASSERT_TRUE(Capture("C:\\jdk\\bin\\javaw.exe"));
  ASSERT_TRUE(Capture("C:\\Program Files\\jdk\\bin\\javaw.exe"));
  ASSERT_EQ(os.Launches().size(), 2u);
  EXPECT_EQ(os.Launches()[0].commandLine, "C:\\jdk\\bin\\javaw.exe ");
  EXPECT_EQ(os.Launches()[1].commandLine, "\"C:\\Program Files\\jdk\\bin\\javaw.exe\" ");
  EXPECT_EQ(output, "");
}

TEST_F(CaptureClassOutputTest, LongOutputArrivesInChunksAndIsJoinedExactly) {
  std::string big;
  for (int line = 0; big.size() < 3000; ++line) big += "line " + std::to_string(line) + "\r\n";
  big += std::string("\0tail", 5);  // bytes are kept as they come, NUL too
  os.AddProgram("C:\\jdk\\bin\\java.exe", PrintingJvm(big));
  ASSERT_TRUE(Capture("C:\\jdk\\bin\\java.exe"));
  EXPECT_EQ(output, big);
}

TEST_F(CaptureClassOutputTest, JvmWritingOnlyToItsErrorOutputGivesEmptyOutput) {
  os.AddProgram("C:\\jdk\\bin\\java.exe", PrintingJvm("", 1));
  EXPECT_TRUE(Capture("C:\\jdk\\bin\\java.exe"));
  EXPECT_EQ(output, "");
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(CaptureClassOutputTest, FailsWithEmptyOutputWhenThePipeOrProcessCannotBeCreated) {
  os.AddProgram("C:\\jdk\\bin\\java.exe", PrintingJvm("x"));
  os.FailPipeCreation(true);
  EXPECT_FALSE(Capture("C:\\jdk\\bin\\java.exe"));
  EXPECT_EQ(output, "");
  EXPECT_TRUE(os.Launches().empty());

  os.FailPipeCreation(false);
  EXPECT_FALSE(Capture("C:\\missing\\bin\\java.exe"));
  EXPECT_EQ(output, "");
  EXPECT_EQ(os.Journal("process ").size(), 1u);
  EXPECT_EQ(os.OpenHandleCount(), 0u);  // both pipe ends closed on that path too
}

TEST_F(CaptureClassOutputTest, HungJvmCostsTheCaptureLimitAndKeepsWhatItWrote) {
  os.AddProgram("C:\\jdk\\bin\\java.exe", [](const std::string&) {
    ChildRun run;
    run.standardOutput = VerifyLines("1.3.0", "http://java.sun.com/");
    run.keepsOutputOpen = true;
    return run;
  });
  ASSERT_TRUE(Capture("C:\\jdk\\bin\\java.exe"));
  EXPECT_EQ(output, VerifyLines("1.3.0", "http://java.sun.com/"));
  EXPECT_FALSE(os.ReadWouldHaveBlocked());
  EXPECT_EQ(os.PipeWaitMs(), kCaptureLimitMs);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(CaptureClassOutputTest, ReadingStopsWhenTheJvmEndedButAnotherProcessHoldsThePipe) {
  os.AddProgram("C:\\jdk\\bin\\java.exe", [](const std::string&) {
    ChildRun run;
    run.standardOutput = "java.version = 1.1.8\r\n";
    run.outputOutlivesIt = true;
    return run;
  });
  ASSERT_TRUE(Capture("C:\\jdk\\bin\\java.exe"));
  EXPECT_EQ(output, "java.version = 1.1.8\r\n");
  EXPECT_FALSE(os.ReadWouldHaveBlocked());
  EXPECT_EQ(os.PipeWaitMs(), 0u);
}

}  // namespace
}  // namespace carafe
