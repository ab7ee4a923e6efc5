// The libraries under a JVM home, the arguments of a JVM run, and running a
// class with its output captured.
#include "launch/class_runner.h"

#include "launch/class_path.h"
#include "memory_platform.h"
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
  struct Case {
    std::string (*collect)(const std::string&);
    const char* home;
    std::string libs;
  };
  for (const Case& c : {
           Case{CollectJdkLibs, "C:\\a", "C:\\a\\lib\\classes.zip"},
           Case{CollectJdkLibs, "C:\\b", "C:\\b\\lib\\dt.jar;C:\\b\\lib\\tools.jar"},
           Case{CollectJdkLibs, "C:\\c", ""},
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

}  // namespace
}  // namespace carafe
