// One complete search: groups, passes and entries in their order, the end
// at the first JVM that passes, and the summary.
#include "discovery/jvm_search.h"
#include "discovery/search_criteria.h"
#include "memory_platform.h"
#include "scripted_jvm.h"

namespace carafe {
namespace {

using Strings = std::vector<std::string>;
constexpr const char* kContainerCriteria =
    "vendor=sun:type=jre:version=1.2;vendor=sun:type=jre:version=1.1;"
    "vendor=sun:type=jre:version=1.3;vendor=sun:type=jdk:version=1.2;"
    "vendor=sun:type=jdk:version=1.1;vendor=sun:type=jdk:version=1.3;"
    "vendor=ibm:version=1.2;vendor=ibm:version=1.1;vendor=ibm:version=1.3;"
    "vendor=microsoft:type=jview:version=1.1.4";
constexpr const char* kLogPath = "C:\\TEMP\\vnlog.txt";
const std::string kJre = "Software\\JavaSoft\\Java Runtime Environment\\";
const std::string kJdk = "Software\\JavaSoft\\Java Development Kit\\";
const std::string kIbmJre = "Software\\IBM\\IBM Runtime Environment, Java(TM) Tech. Edition\\";
const std::string kIbmJdk = "Software\\IBM\\IBM Developer Kit, Java(TM) Tech. Edition\\";
const std::string kSummary = "\r\n\tSearching a JVM that matches the criteria  ";

class SearchOrderTest : public JvmTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    ResetJviewCounterForTesting();
    log = os.OpenFile(kLogPath, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
  }
  void TearDown() override {
    SetSearchLog(nullptr);
    PlatformTest::TearDown();
  }
  JvmRecord Find(const std::string& criteria) {
    return FindJvm(criteria, "C:\\TEMP\\Verify.class", &log);
  }
  std::string Log() const { return os.Content(kLogPath); }
  File log;
};

void Append(Strings& to, std::initializer_list<std::string> lines) { to.insert(to.end(), lines); }

TEST_F(SearchOrderTest, ContainerCriteriaLookEverywhereInOrderAndEndWithJview) {
  os.SetEnv("PATH", "D:\\tools");
  os.SetDriveType("D:\\", kDriveFixed);
  os.SetDriveType("E:\\", kDriveCdrom);  // not walked
  os.AddFile("E:\\jre.exe");
  os.AddFolder("D:\\tools");
  InstallJvm("D:\\old\\bin\\jre.exe", "1.0.2");  // found by the walk, passes nothing
  InstallJvm("C:\\WINDOWS\\SYSTEM32\\jview.exe", "1.1.4", "http://www.microsoft.com/");
  JvmRecord found = Find(kContainerCriteria);
  EXPECT_EQ(found.bin(), "C:\\WINDOWS\\SYSTEM32\\jview.exe");
  EXPECT_EQ(found.type(), "jview");

  Strings expected;
  Append(expected, {"registry " + kJre + "1.2|JavaHome",
                    "attributes C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe", "env PATH",
                    "find D:\\tools\\jre.exe", "registry " + kJre + "1.1|JavaHome",
                    "attributes C:\\Program Files\\JavaSoft\\jre\\1.1\\bin\\jre.exe",
                    "registry " + kJre + "1.3|JavaHome",
                    "attributes C:\\Program Files\\JavaSoft\\jre\\1.3\\bin\\jre.exe"});
  Append(expected, {"registry " + kJdk + "1.2|JavaHome", "attributes C:\\JDK1.2\\bin\\java.exe",
                    "env PATH", "find D:\\tools\\java.exe", "registry " + kJdk + "1.1|JavaHome",
                    "attributes C:\\JDK1.1\\bin\\java.exe", "registry " + kJdk + "1.3|JavaHome",
                    "attributes C:\\JDK1.3\\bin\\java.exe"});
  for (std::string version : {"1.2", "1.1", "1.3"})
    Append(expected, {"registry " + kIbmJre + version + "|JavaHome",
                      "attributes C:\\Program Files\\IBM\\jre\\" + version + "\\bin\\jre.exe",
                      "registry " + kIbmJdk + version + "|JavaHome",
                      "attributes C:\\JDK" + version + "\\bin\\java.exe"});
  // Full pass: one walk of every fixed drive; each runtime entry tries its hit.
  Append(expected, {"find C:\\*.*", "find C:\\TEMP\\*.*", "find C:\\WINDOWS\\*.*",
                    "find C:\\WINDOWS\\SYSTEM32\\*.*"});
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    if (letter != 'C') expected.push_back(std::string("drive ") + letter + ":\\");
  Append(expected,
         {"find D:\\*.*", "find D:\\tools\\*.*", "find D:\\old\\*.*", "find D:\\old\\bin\\*.*"});
  for (int entry = 0; entry < 6; ++entry) expected.push_back("run D:\\old\\bin\\jre.exe");
  Append(expected,
         {"attributes C:\\WINDOWS\\jview.exe", "attributes C:\\WINDOWS\\SYSTEM32\\jview.exe",
          "run C:\\WINDOWS\\SYSTEM32\\jview.exe"});
  EXPECT_EQ(Lookups(), expected);

  std::string summary;
  for (const char* text :
       {"(Vendor=sun, Version=1.2, Type=jre)", "(Vendor=sun, Version=1.1, Type=jre)",
        "(Vendor=sun, Version=1.3, Type=jre)", "(Vendor=sun, Version=1.2, Type=jdk)",
        "(Vendor=sun, Version=1.1, Type=jdk)", "(Vendor=sun, Version=1.3, Type=jdk)",
        "(Vendor=ibm, Version=1.2, Type=)", "(Vendor=ibm, Version=1.1, Type=)",
        "(Vendor=ibm, Version=1.3, Type=)"})
    summary += kSummary + text + "... Not Found";
  EXPECT_EQ(Log(), summary + kSummary +
                       "(Vendor=microsoft, Version=1.1.4, Type=jview)...C:\\WINDOWS\\SYSTEM32\\"
                       "jview.exe Passed");
}

TEST_F(SearchOrderTest, TheFirstJvmThatPassesEndsTheSearchAndTheSummary) {
  os.SetRegistryValue(kJre + "1.1", "JavaHome", "D:\\jre11");
  InstallJvm("D:\\jre11\\bin\\jre.exe", "1.1.8");
  os.SetRegistryValue(kJdk + "1.2", "JavaHome", "D:\\jdk12");
  InstallJvm("D:\\jdk12\\bin\\java.exe", "1.2.2");
  JvmRecord found = Find(kContainerCriteria);
  EXPECT_EQ(found.bin(), "D:\\jre11\\bin\\jre.exe");
  EXPECT_EQ(found.version(), "1.1.8");
  EXPECT_EQ(Lookups().back(), "run D:\\jre11\\bin\\jre.exe");
  EXPECT_EQ(Log(), kSummary + "(Vendor=sun, Version=1.2, Type=jre)... Not Found" + kSummary +
                       "(Vendor=sun, Version=1.1, Type=jre)...D:\\jre11\\bin\\jre.exe Passed");
}

TEST_F(SearchOrderTest, EmptyCriteriaTryEverySunKeyAndAcceptAnyJvm) {
  os.SetDriveType("D:\\", kDriveFixed);
  InstallJvm("D:\\odd\\bin\\java.exe", "1.4.2", "http://example.org/");
  JvmRecord found = Find("");
  EXPECT_EQ(found.bin(), "D:\\odd\\bin\\java.exe");
  Strings keys;
  for (const std::string& line : os.Journal("registry ")) keys.push_back(line.substr(9));
  EXPECT_EQ(keys, (Strings{kJre + "1.3|JavaHome", kJre + "1.2|JavaHome", kJre + "1.1|JavaHome",
                           kJdk + "1.3|JavaHome", kJdk + "1.2|JavaHome", kJdk + "1.1|JavaHome"}));
  EXPECT_EQ(os.Journal("attributes C:\\Program Files\\JavaSoft\\jre\\\\bin\\jre.exe").size(), 3u);
  EXPECT_EQ(os.Journal("attributes C:\\JDK\\bin\\java.exe").size(), 3u);
  EXPECT_EQ(os.Journal("find C:\\*.*").size(), 1u);
  EXPECT_EQ(Log(), kSummary +
                       "(Vendor=http://example.org/, Version=1.4.2, Type=)...D:\\odd\\bin\\"
                       "java.exe Passed");
}

TEST_F(SearchOrderTest, CriteriaWithoutAParsablePieceSearchNothing) {
  InstallJvm("C:\\JDK1.2\\bin\\java.exe", "1.2.2");
  EXPECT_EQ(Find("foo=1;Vendor=sun;vendor=sun: type=jre").bin(), "");
  EXPECT_TRUE(Lookups().empty());
  EXPECT_EQ(Log(), "");
}

TEST_F(SearchOrderTest, MicrosoftOnlyCriteriaHaveNoQuickPassAndOnlyOneSearchPerProcess) {
  InstallJvm("C:\\WINDOWS\\jview.exe", "1.1.8", "http://www.microsoft.com/");
  EXPECT_EQ(Find("vendor=microsoft:type=jview:version=1.1.4").bin(), "");
  EXPECT_EQ(Lookups(), (Strings{"attributes C:\\WINDOWS\\jview.exe", "run C:\\WINDOWS\\jview.exe"}));
  os.journal.clear();
  EXPECT_EQ(Find("vendor=microsoft").bin(), "");
  EXPECT_TRUE(Lookups().empty());
}

}  // namespace
}  // namespace carafe
