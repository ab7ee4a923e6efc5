// The launcher's search step and the maker's registry key.
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
    launcher.logFile = os.OpenFile(kLogPath, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
    launcher.verifyClassPath = "C:\\TEMP\\Verify.class";
  }
  void TearDown() override {
    SetSearchLog(nullptr);
    PlatformTest::TearDown();
  }
  std::string Log() const { return os.Content(kLogPath); }

  FakeUserInterface ui;
  Launcher launcher;
};

TEST_F(LauncherSearchTest, AFailedSearchIsLoggedAndTheNextOneIsTheSearchAfterInstalling) {
  launcher.searchCriteria = "vendor=sun:type=jre:version=1.2";
  EXPECT_FALSE(launcher.SearchForJvm());
  EXPECT_EQ(ui.events, std::vector<std::string>{"status Searching for JVM..."});
  EXPECT_EQ(launcher.jvmPath, "");
  const std::string entry = "\r\n\tSearching a JVM that matches the criteria  (Vendor=sun, "
                            "Version=1.2, Type=jre)...";
  std::string log =
      "\r\nSearch summary \r\n" + entry + " Not Found\r\n\tSearch for JVM failed  \r\n";
  EXPECT_EQ(Log(), log);

  os.SetRegistryValue("Software\\JavaSoft\\Java Runtime Environment\\1.2", "JavaHome", "D:\\jre");
  InstallJvm("D:\\jre\\bin\\jre.exe", "1.2.2");
  os.AddFile("D:\\jre\\lib\\rt.jar");
  ASSERT_TRUE(launcher.SearchForJvm());
  EXPECT_EQ(launcher.jvmPath, "D:\\jre\\bin\\jre.exe");
  EXPECT_EQ(launcher.classPath, "D:\\jre\\lib\\rt.jar");
  log += "\r\nSearching  after installing JVM \r\n" + entry + "D:\\jre\\bin\\jre.exe Passed";
  EXPECT_EQ(Log(), log);
  // Only with log-all the found JVM follows the summary.
  SetLogAll(true);
  ASSERT_TRUE(launcher.SearchForJvm());
  const std::string found = "Passed\r\nFound a JVM at  D:\\jre\\bin\\jre.exe\r\n";
  EXPECT_PRED2(EndsWith, Log(), found);
}

TEST_F(LauncherSearchTest, EmptyCriteriaComeFromTheContainerUnlessTheOptionWasGiven) {
  // Section 3 of the loaded container: a 16-bit big-endian length and the text.
  const std::string criteria = "vendor=ibm:type=jdk:version=1.3";
  std::vector<std::uint8_t> section = {0, static_cast<std::uint8_t>(criteria.size())};
  section.insert(section.end(), criteria.begin(), criteria.end());
  launcher.sectionBuffers[2] = section;
  launcher.containerLoaded = true;
  launcher.searchCriteriaGiven = true;
  EXPECT_FALSE(launcher.SearchForJvm());
  EXPECT_EQ(launcher.searchCriteria, "");
  EXPECT_EQ(os.Journal("registry ").front(),  // empty criteria: Sun keys first
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
  EXPECT_FALSE(launcher.ReadRegisteredJvm());
  EXPECT_EQ(os.Journal("registry ").size(), 1u);  // no JavaHome: JavaBin is not read
  os.SetRegistryValue(kMakerKey, "JavaHome", "D:\\vm");
  os.AddFile("D:\\vm\\bin\\java.exe");
  os.AddFile("D:\\vm\\lib\\rt.jar");
  ASSERT_TRUE(launcher.ReadRegisteredJvm());  // without JavaBin: java.exe
  EXPECT_EQ(launcher.jvmPath, "D:\\vm\\bin\\java.exe");
  EXPECT_EQ(launcher.classPath, "D:\\vm\\lib\\rt.jar");
  EXPECT_TRUE(os.Launches().empty());
  os.SetRegistryValue(kMakerKey, "JavaBin", "javaw.exe");
  EXPECT_FALSE(launcher.ReadRegisteredJvm());
  // A home past the 260-byte buffer cannot be read.
  const std::string longHome = "D:\\" + std::string(300, 'v');
  os.SetRegistryValue(kMakerKey, "JavaHome", longHome);
  os.SetRegistryValue(kMakerKey, "JavaBin", "java.exe");
  os.AddFile(longHome + "\\bin\\java.exe");
  EXPECT_FALSE(launcher.ReadRegisteredJvm());
  EXPECT_EQ(launcher.jvmPath, "D:\\vm\\bin\\java.exe");
  EXPECT_EQ(Log(), "");
}

}  // namespace
}  // namespace carafe
