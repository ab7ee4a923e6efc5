// The launcher's search step and the maker's registry key.
#include <string>
#include <vector>

#include "core/launcher.h"
#include "discovery/jvm_search.h"
#include "discovery/search_criteria.h"
#include "fake_user_interface.h"
#include "memory_platform.h"
#include "scripted_jvm.h"

namespace carafe {
namespace {

constexpr const char* kLogPath = "C:\\TEMP\\vnlog.txt";
constexpr const char* kMakerKey = "Software\\Varnica\\Java Virtual Machine";

class LauncherSearchTest : public JvmTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    ResetJviewCounterForTesting();
    SetSearchNumber(1);
    launcher.AttachUserInterface(&ui);
    launcher.logFile.Reset(
        os.OpenFile(kLogPath, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways));
    launcher.verifyClassPath = "C:\\TEMP\\Verify.class";
  }
  void TearDown() override {
    SetSearchLog(kNoHandle);
    PlatformTest::TearDown();
  }
  std::string Log() const { return os.Content(kLogPath); }

  FakeUserInterface ui;
  Launcher launcher;
};

TEST_F(LauncherSearchTest, AFoundJvmBecomesTheJvmPathAndClassPath) {
  os.SetRegistryValue("Software\\JavaSoft\\Java Runtime Environment\\1.2", "JavaHome", "D:\\jre");
  InstallJvm("D:\\jre\\bin\\jre.exe", "1.2.2");
  os.AddFile("D:\\jre\\lib\\rt.jar");
  launcher.searchCriteria = "vendor=sun:type=jre:version=1.2";

  ASSERT_TRUE(launcher.SearchForJvm());
  EXPECT_EQ(ui.events, std::vector<std::string>{"status Searching for JVM..."});
  EXPECT_EQ(launcher.jvmPath, "D:\\jre\\bin\\jre.exe");
  EXPECT_EQ(launcher.classPath, "D:\\jre\\lib\\rt.jar");
  // Header and summary; no "Found a JVM at" line without the log-all flag.
  EXPECT_EQ(Log(),
            "\r\nSearch summary \r\n\r\n\tSearching a JVM that matches the criteria  "
            "(Vendor=sun, Version=1.2, Type=jre)...D:\\jre\\bin\\jre.exe Passed");
}

TEST_F(LauncherSearchTest, WithLogAllTheFoundJvmIsLoggedAfterTheSummary) {
  InstallJvm("C:\\JDK1.1\\bin\\java.exe", "1.1.8");
  launcher.searchCriteria = "vendor=sun:type=jdk:version=1.1";
  SetLogAll(true);

  ASSERT_TRUE(launcher.SearchForJvm());
  std::string log = Log();
  const std::string found = "\r\nFound a JVM at  C:\\JDK1.1\\bin\\java.exe\r\n";
  ASSERT_GE(log.size(), found.size());
  EXPECT_EQ(log.substr(log.size() - found.size()), found);
  EXPECT_EQ(log.rfind("\r\nSearch summary \r\n", 0), 0u);
}

TEST_F(LauncherSearchTest, AFailedSearchIsLoggedAndTheNextOneIsTheSearchAfterInstalling) {
  launcher.searchCriteria = "vendor=sun:type=jdk:version=1.2";
  EXPECT_FALSE(launcher.SearchForJvm());
  EXPECT_EQ(launcher.jvmPath, "");
  EXPECT_EQ(launcher.classPath, "");
  const std::string summary =
      "\r\n\tSearching a JVM that matches the criteria  (Vendor=sun, Version=1.2, Type=jdk)... "
      "Not Found";
  EXPECT_EQ(Log(), "\r\nSearch summary \r\n" + summary + "\r\n\tSearch for JVM failed  \r\n");

  InstallJvm("C:\\JDK1.2\\bin\\java.exe", "1.2.2");
  ASSERT_TRUE(launcher.SearchForJvm());
  EXPECT_EQ(launcher.jvmPath, "C:\\JDK1.2\\bin\\java.exe");
  EXPECT_EQ(Log(), "\r\nSearch summary \r\n" + summary + "\r\n\tSearch for JVM failed  \r\n" +
                       "\r\nSearching  after installing JVM \r\n" +
                       "\r\n\tSearching a JVM that matches the criteria  (Vendor=sun, "
                       "Version=1.2, Type=jdk)...C:\\JDK1.2\\bin\\java.exe Passed");
}

TEST_F(LauncherSearchTest, EmptyCriteriaComeFromTheContainerUnlessTheOptionWasGiven) {
  // The container is already read: section 3 holds the criteria as a
  // 16-bit big-endian length and the text.
  const std::string criteria = "vendor=ibm:type=jdk:version=1.3";
  std::vector<std::uint8_t> section = {0, static_cast<std::uint8_t>(criteria.size())};
  section.insert(section.end(), criteria.begin(), criteria.end());
  launcher.sectionBuffers[2] = section;
  launcher.containerLoaded = true;

  launcher.searchCriteriaGiven = true;
  EXPECT_FALSE(launcher.SearchForJvm());
  EXPECT_EQ(launcher.searchCriteria, "");
  // The empty criteria are one entry that any JVM passes: Sun keys first.
  ASSERT_FALSE(os.Journal("registry ").empty());
  EXPECT_EQ(os.Journal("registry ").front(),
            "registry Software\\JavaSoft\\Java Runtime Environment\\1.3|JavaHome");

  os.journal.clear();
  launcher.searchCriteriaGiven = false;
  EXPECT_FALSE(launcher.SearchForJvm());
  EXPECT_EQ(launcher.searchCriteria, criteria);
  EXPECT_EQ(os.Journal("registry "),
            std::vector<std::string>{
                "registry Software\\IBM\\IBM Developer Kit, Java(TM) Tech. Edition\\1.3|JavaHome"});
}

TEST_F(LauncherSearchTest, TheMakersKeyNamesTheJvmWithoutVerifyingIt) {
  os.SetRegistryValue(kMakerKey, "JavaHome", "D:\\Varnica\\jvm");
  os.SetRegistryValue(kMakerKey, "JavaBin", "jre.exe");
  os.AddFile("D:\\Varnica\\jvm\\bin\\jre.exe");
  os.AddFile("D:\\Varnica\\jvm\\lib\\classes.zip");
  os.AddFile("D:\\Varnica\\jvm\\lib\\rt.jar");

  ASSERT_TRUE(launcher.ReadRegisteredJvm());
  EXPECT_EQ(launcher.jvmPath, "D:\\Varnica\\jvm\\bin\\jre.exe");
  EXPECT_EQ(launcher.classPath,
            "D:\\Varnica\\jvm\\lib\\classes.zip;D:\\Varnica\\jvm\\lib\\classes.zip;"
            "D:\\Varnica\\jvm\\lib\\rt.jar");
  EXPECT_TRUE(os.Launches().empty());
  EXPECT_EQ(Log(), "");
}

TEST_F(LauncherSearchTest, TheMakersKeyWithoutJavaBinMeansJavaExe) {
  os.SetRegistryValue(kMakerKey, "JavaHome", "D:\\vm");
  os.AddFile("D:\\vm\\bin\\java.exe");
  ASSERT_TRUE(launcher.ReadRegisteredJvm());
  EXPECT_EQ(launcher.jvmPath, "D:\\vm\\bin\\java.exe");
  EXPECT_EQ(launcher.classPath, "");
  EXPECT_EQ(os.Journal("registry "),
            (std::vector<std::string>{"registry " + std::string(kMakerKey) + "|JavaHome",
                                      "registry " + std::string(kMakerKey) + "|JavaBin"}));
}

TEST_F(LauncherSearchTest, AMissingKeyOrExecutableLeavesTheLauncherUnchanged) {
  EXPECT_FALSE(launcher.ReadRegisteredJvm());
  EXPECT_EQ(os.Journal("registry ").size(), 1u);

  os.SetRegistryValue(kMakerKey, "JavaHome", "D:\\vm");
  os.SetRegistryValue(kMakerKey, "JavaBin", "javaw.exe");
  os.AddFile("D:\\vm\\bin\\java.exe");
  EXPECT_FALSE(launcher.ReadRegisteredJvm());

  // A home that does not fit the 260-byte buffer cannot be read.
  os.SetRegistryValue(kMakerKey, "JavaHome", "D:\\" + std::string(300, 'v'));
  os.SetRegistryValue(kMakerKey, "JavaBin", "java.exe");
  os.AddFile("D:\\" + std::string(300, 'v') + "\\bin\\java.exe");
  EXPECT_FALSE(launcher.ReadRegisteredJvm());
  EXPECT_EQ(launcher.jvmPath, "");
  EXPECT_EQ(launcher.classPath, "");
  EXPECT_EQ(Log(), "");
}

}  // namespace
}  // namespace carafe
