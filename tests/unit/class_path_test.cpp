// Library collection under a JVM home and the arguments of a JVM run.
#include "launch/class_path.h"

#include "memory_platform.h"

namespace carafe {
namespace {

using ClassPathLibraries = PlatformTest;

TEST_F(ClassPathLibraries, JdkLibsPreferClassesZipThenDtJarWithToolsJar) {
  os.AddFile("C:\\a\\lib\\classes.zip");
  os.AddFile("C:\\a\\lib\\dt.jar");
  EXPECT_EQ(CollectJdkLibs("C:\\a"), "C:\\a\\lib\\classes.zip");

  os.AddFile("C:\\b\\lib\\tools.jar");
  os.AddFile("C:\\b\\lib\\dt.jar");
  EXPECT_EQ(CollectJdkLibs("C:\\b"), "C:\\b\\lib\\dt.jar;C:\\b\\lib\\tools.jar");

  os.AddFile("C:\\c\\lib\\tools.jar");  // tools.jar counts only beside dt.jar
  EXPECT_EQ(CollectJdkLibs("C:\\c"), "");
  os.AddFile("C:\\d\\lib\\dt.jar");
  EXPECT_EQ(CollectJdkLibs("C:\\d"), "C:\\d\\lib\\dt.jar");
  EXPECT_EQ(CollectJdkLibs("C:\\none"), "");

  os.AddFolder("C:\\e\\lib\\classes.zip");  // anything with attributes exists
  EXPECT_EQ(CollectJdkLibs("C:\\e"), "C:\\e\\lib\\classes.zip");
}

TEST_F(ClassPathLibraries, JreLibsTakeRtJarAndEachExtraThatExists) {
  os.AddFile("C:\\a\\lib\\rt.jar");
  os.AddFile("C:\\a\\lib\\i18n.jar");
  EXPECT_EQ(CollectJreLibs("C:\\a"), "C:\\a\\lib\\rt.jar;C:\\a\\lib\\i18n.jar");

  for (const char* name : {"ext\\iiimp.jar", "i18n.jar", "jaws.jar", "rt.jar"})
    os.AddFile(std::string("C:\\b\\lib\\") + name);
  EXPECT_EQ(
      CollectJreLibs("C:\\b"),
      "C:\\b\\lib\\rt.jar;C:\\b\\lib\\jaws.jar;C:\\b\\lib\\i18n.jar;C:\\b\\lib\\ext\\iiimp.jar");

  os.AddFile("C:\\c\\lib\\jaws.jar");  // extras need rt.jar
  EXPECT_EQ(CollectJreLibs("C:\\c"), "");

  os.AddFile("C:\\d\\lib\\classes.zip");
  os.AddFile("C:\\d\\lib\\rt.jar");
  EXPECT_EQ(CollectJreLibs("C:\\d"), "C:\\d\\lib\\classes.zip");
}

TEST_F(ClassPathLibraries, AllLibsLookForEveryNameWithoutStopping) {
  os.AddFile("C:\\d\\lib\\classes.zip");
  os.AddFile("C:\\d\\lib\\rt.jar");
  EXPECT_EQ(CollectAllLibs("C:\\d"),
            "C:\\d\\lib\\classes.zip;C:\\d\\lib\\classes.zip;C:\\d\\lib\\rt.jar");

  for (const char* name :
       {"ext\\iiimp.jar", "i18n.jar", "jaws.jar", "rt.jar", "tools.jar", "dt.jar", "classes.zip"})
    os.AddFile(std::string("C:\\all\\lib\\") + name);
  EXPECT_EQ(CollectAllLibs("C:\\all"),
            "C:\\all\\lib\\classes.zip;C:\\all\\lib\\dt.jar;C:\\all\\lib\\tools.jar;"
            "C:\\all\\lib\\classes.zip;C:\\all\\lib\\rt.jar;C:\\all\\lib\\jaws.jar;"
            "C:\\all\\lib\\i18n.jar;C:\\all\\lib\\ext\\iiimp.jar");

  os.AddFile("C:\\t\\lib\\tools.jar");
  EXPECT_EQ(CollectAllLibs("C:\\t"), "C:\\t\\lib\\tools.jar");
  EXPECT_EQ(CollectAllLibs("C:\\none"), "");
}

// The arguments, or "<false>" when no row of the executable table applies.
std::string Arguments(const std::string& exe, const std::string& libs, const std::string& classFile,
                      const std::string& extra = "") {
  std::string out;
  return BuildClassArguments(out, exe, libs, classFile, extra) ? out : "<false>";
}

TEST(ClassArguments, EachKindOfExecutableGetsItsSwitch) {
  EXPECT_EQ(Arguments("C:\\jdk1.2.2\\bin\\java.exe",
                      "C:\\jdk1.2.2\\lib\\dt.jar;C:\\jdk1.2.2\\lib\\tools.jar",
                      "C:\\TEMP\\rerodova.class"),
            " -classpath \"C:\\jdk1.2.2\\lib\\dt.jar;C:\\jdk1.2.2\\lib\\tools.jar;C:\\TEMP\" "
            "rerodova");
  EXPECT_EQ(Arguments("C:\\Program Files\\JRE\\bin\\jre.exe", "", "C:\\TEMP\\Verify"),
            " -cp \"C:\\Program Files\\JRE\\bin\\..\\lib\\classes.zip;C:\\TEMP\" Verify");
  EXPECT_EQ(Arguments("C:\\WINDOWS\\jview.exe", "", "C:\\TEMP\\Verify.class"),
            " /cp:p \"C:\\WINDOWS\\..\\lib\\classes.zip;C:\\TEMP\" Verify");
  // Rows are tried in order and match anywhere in the path.
  EXPECT_EQ(Arguments("C:\\java.exe.d\\jview.exe", "L", "C:\\T\\V"), " -classpath \"L;C:\\T\" V");
}

TEST(ClassArguments, ExecutableNamedOtherwiseMatchesNoRowAndLeavesOutUntouched) {
  for (const char* exe : {"C:\\jdk\\bin\\javaw.exe", "C:\\JDK\\BIN\\JAVA.EXE", "", "C:\\x\\java"}) {
    std::string out = "kept";
    EXPECT_FALSE(BuildClassArguments(out, exe, "", "C:\\TEMP\\Verify.class", "")) << exe;
    EXPECT_EQ(out, "kept");
  }
}

TEST(ClassArguments, BareExecutableGetsNoClassPathAtAll) {
  EXPECT_EQ(
      Arguments("java.exe", "C:\\lib\\classes.zip", "C:\\TEMP\\rerodova.class", "-Da=1 -Db=2 "),
      " rerodova -Da=1 -Db=2 ");
  EXPECT_EQ(Arguments("jre.exe", "", "C:\\TEMP\\Verify"), " Verify");
}

TEST(ClassArguments, ClassNameAndFolderComeFromTheClassFilePath) {
  // Without a backslash the name keeps its ".class" and the folder is empty.
  EXPECT_EQ(Arguments("C:\\j\\bin\\java.exe", "L.zip", "Verify.class"),
            " -classpath \"L.zip;\" Verify.class");
  // The last six characters go when ".class" occurs anywhere in the name.
  EXPECT_EQ(Arguments("C:\\j\\bin\\java.exe", "L.zip", "C:\\T\\a.class.bak"),
            " -classpath \"L.zip;C:\\T\" a.cla");
  EXPECT_EQ(Arguments("C:\\j\\bin\\java.exe", "L.zip", "C:\\My Temp\\rerodova.class", "-Dx=1 "),
            " -classpath \"L.zip;C:\\My Temp\" rerodova -Dx=1 ");
  EXPECT_EQ(Arguments("C:\\j\\bin\\java.exe", "", "\\Verify.class"),
            " -classpath \"C:\\j\\bin\\..\\lib\\classes.zip;\" Verify");
}

}  // namespace
}  // namespace carafe
