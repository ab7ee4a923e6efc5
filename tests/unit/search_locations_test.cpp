// Where one criteria entry is looked for in the quick pass: registry keys,
// default folders, PATH and jview.
#include "discovery/search_locations.h"

#include <string>
#include <vector>

#include "memory_platform.h"
#include "scripted_jvm.h"

namespace carafe {
namespace {

constexpr const char* kJre = "Software\\JavaSoft\\Java Runtime Environment\\";
constexpr const char* kJdk = "Software\\JavaSoft\\Java Development Kit\\";
constexpr const char* kIbmJre = "Software\\IBM\\IBM Runtime Environment, Java(TM) Tech. Edition\\";
constexpr const char* kIbmJdk = "Software\\IBM\\IBM Developer Kit, Java(TM) Tech. Edition\\";

class SearchLocationsTest : public JvmTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    BeginSearch("C:\\TEMP\\Verify.class");
  }
  bool Quick(CriteriaEntry entry) { return SearchEntry(entry, results, kQuickPass); }

  std::vector<JvmRecord> results;
};

TEST_F(SearchLocationsTest, SunJreWithoutVersionTriesEachKeyThenFolderThenPath) {
  os.SetEnv("PATH", "D:\\tools");
  EXPECT_FALSE(Quick(Entry("sun", "jre", "")));
  const std::string folder = "attributes C:\\Program Files\\JavaSoft\\jre\\\\bin\\jre.exe";
  EXPECT_EQ(Lookups(),
            (std::vector<std::string>{"registry " + std::string(kJre) + "1.3|JavaHome", folder,
                                      "env PATH", "find D:\\tools\\jre.exe",
                                      "registry " + std::string(kJre) + "1.2|JavaHome", folder,
                                      "registry " + std::string(kJre) + "1.1|JavaHome", folder}));
}

TEST_F(SearchLocationsTest, SunJdkProbesItsKeyThenTheJdkFolderThenPath) {
  os.SetEnv("PATH", "D:\\tools;E:\\bin");
  EXPECT_FALSE(Quick(Entry("sun", "jdk", "1.2")));
  EXPECT_EQ(Lookups(),
            (std::vector<std::string>{"registry " + std::string(kJdk) + "1.2|JavaHome",
                                      "attributes C:\\JDK1.2\\bin\\java.exe", "env PATH",
                                      "find D:\\tools\\java.exe", "find E:\\bin\\java.exe"}));
}

TEST_F(SearchLocationsTest, IbmCutsTheRegistryVersionButNotTheFolderVersion) {
  EXPECT_FALSE(Quick(Entry("ibm", "jdk", "1.1.4")));
  EXPECT_EQ(Lookups(),
            (std::vector<std::string>{"registry " + std::string(kIbmJdk) + "1.1|JavaHome",
                                      "attributes C:\\JDK1.1.4\\bin\\java.exe", "env PATH"}));
}

TEST_F(SearchLocationsTest, IbmWithoutTypeTriesRuntimeKeysThenEveryKitLevel) {
  EXPECT_FALSE(Quick(Entry("ibm", "", "")));
  std::vector<std::string> keys;
  for (const std::string& line : os.Journal("registry ")) keys.push_back(line.substr(9));
  std::vector<std::string> expected;
  for (const char* version : {"1.3", "1.2", "1.1"})
    expected.push_back(std::string(kIbmJre) + version + "|JavaHome");
  for (const char* version :
       {"1.3", "1.2", "1.1.1", "1.1.2", "1.1.3", "1.1.4", "1.1.5", "1.1.6", "1.1.7", "1.1.8"})
    expected.push_back(std::string(kIbmJdk) + version + "|JavaHome");
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(os.Journal("attributes C:\\Program Files\\IBM\\jre\\").size(), 3u);
}

TEST_F(SearchLocationsTest, VendorsAndTypesThatSelectNothingSearchNothing) {
  for (SearchPass pass : {kQuickPass, kFullPass}) {
    CriteriaEntry other = Entry("blackdown", "", "1.2");
    CriteriaEntry upper = Entry("Sun", "jre", "1.2");
    CriteriaEntry sunJview = Entry("sun", "jview", "1.2");
    EXPECT_FALSE(SearchEntry(other, results, pass));
    EXPECT_FALSE(SearchEntry(upper, results, pass));
    EXPECT_FALSE(SearchEntry(sunJview, results, pass));
  }
  EXPECT_TRUE(os.journal.empty());
}

TEST_F(SearchLocationsTest, JreRegistryHomeWithOnlyJavaExeGivesAJreRecord) {
  os.SetRegistryValue(std::string(kJre) + "1.2", "JavaHome", "D:\\Runtime");
  InstallJvm("D:\\Runtime\\bin\\java.exe", "1.2.2");
  os.AddFile("D:\\Runtime\\lib\\rt.jar");
  os.AddFile("D:\\Runtime\\lib\\i18n.jar");

  ASSERT_TRUE(Quick(Entry("sun", "jre", "1.2")));
  ASSERT_EQ(results.size(), 1u);
  const JvmRecord& found = results[0];
  EXPECT_EQ(found.home(), "D:\\Runtime");
  EXPECT_EQ(found.bin(), "D:\\Runtime\\bin\\java.exe");
  EXPECT_EQ(found.type(), "jre");
  EXPECT_EQ(found.libs(), "D:\\Runtime\\lib\\rt.jar;D:\\Runtime\\lib\\i18n.jar");
  EXPECT_EQ(found.vendor(), "sun");
  EXPECT_EQ(found.version(), "1.2.2");
  // The registry hit ended the entry: no default folder, no PATH.
  EXPECT_TRUE(os.Journal("env ").empty());
}

TEST_F(SearchLocationsTest, JreRegistryPrefersJreExeAndJdkRegistryTakesJavaExe) {
  os.SetRegistryValue(std::string(kJre) + "1.1", "JavaHome", "D:\\jre11");
  InstallJvm("D:\\jre11\\bin\\java.exe", "1.1.8");
  InstallJvm("D:\\jre11\\bin\\jre.exe", "1.1.8");
  os.SetRegistryValue(std::string(kJdk) + "1.1", "JavaHome", "D:\\jdk11");
  InstallJvm("D:\\jdk11\\bin\\java.exe", "1.1.8");
  os.AddFile("D:\\jdk11\\lib\\classes.zip");

  ASSERT_TRUE(Quick(Entry("sun", "", "1.1")));
  EXPECT_EQ(results.back().bin(), "D:\\jre11\\bin\\jre.exe");

  results.clear();
  ASSERT_TRUE(Quick(Entry("sun", "jdk", "1.1")));
  EXPECT_EQ(results.back().bin(), "D:\\jdk11\\bin\\java.exe");
  EXPECT_EQ(results.back().type(), "jdk");
  EXPECT_EQ(results.back().libs(), "D:\\jdk11\\lib\\classes.zip");
}

TEST_F(SearchLocationsTest, ARegistryJvmThatFailsGoesOnToTheDefaultFolder) {
  os.SetRegistryValue(std::string(kJdk) + "1.3", "JavaHome", "D:\\jdk13");
  InstallJvm("D:\\jdk13\\bin\\java.exe", "1.2.2");  // registered under the wrong version
  InstallJvm("C:\\JDK1.3\\bin\\java.exe", "1.3.0");

  ASSERT_TRUE(Quick(Entry("sun", "jdk", "1.3")));
  EXPECT_EQ(results.back().bin(), "C:\\JDK1.3\\bin\\java.exe");
  EXPECT_EQ(results.back().home(), "C:\\JDK1.3");
  EXPECT_EQ(os.Launches().size(), 2u);
}

TEST_F(SearchLocationsTest, DefaultFoldersSitOnTheDriveOfTheSystemFolder) {
  os.SetSystemDirectory("E:\\WINNT\\SYSTEM32");
  InstallJvm("E:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe", "1.2.2");
  InstallJvm("E:\\Program Files\\IBM\\jre\\1.3\\bin\\jre.exe", "1.3.0", "http://www.ibm.com/java/");

  ASSERT_TRUE(Quick(Entry("sun", "jre", "1.2")));
  EXPECT_EQ(results.back().home(), "E:\\Program Files\\JavaSoft\\jre\\1.2");
  ASSERT_TRUE(Quick(Entry("ibm", "jre", "1.3")));
  EXPECT_EQ(results.back().home(), "E:\\Program Files\\IBM\\jre\\1.3");
  EXPECT_EQ(results.back().vendor(), "ibm");
}

TEST_F(SearchLocationsTest, ACandidateAlreadyInTheResultsIsNotKeptTwice) {
  InstallJvm("D:\\jdk\\bin\\java.exe", "1.2.2");
  CriteriaEntry entry = Entry("sun", "jdk", "1.2");
  PathList paths = {WidePath("D:\\jdk\\bin\\java.exe")};
  ASSERT_TRUE(CheckCandidates(entry, kJavaExe, paths, results));
  EXPECT_FALSE(CheckCandidates(entry, kJavaExe, paths, results));
  EXPECT_EQ(results.size(), 1u);
}

TEST_F(SearchLocationsTest, CandidateHomeIsCutBeforeTheLastBinInAnyLetterCase) {
  InstallJvm("D:\\Bin\\JRE\\BIN\\jre.exe", "1.2.2");
  InstallJvm("D:\\tools\\java.exe", "1.2.2");
  CriteriaEntry jre = Entry("sun", "", "");
  ASSERT_TRUE(CheckCandidates(jre, kJreExe, {WidePath("D:\\Bin\\JRE\\BIN\\jre.exe")}, results));
  EXPECT_EQ(results.back().home(), "D:\\Bin\\JRE");
  EXPECT_EQ(results.back().type(), "jre");

  CriteriaEntry java = Entry("sun", "", "");
  ASSERT_TRUE(CheckCandidates(java, kJavaExe, {WidePath("D:\\tools\\java.exe")}, results));
  EXPECT_EQ(results.back().home(), "D:\\tools\\java.exe");
  EXPECT_EQ(results.back().type(), "jdk");
}

TEST_F(SearchLocationsTest, TheWindowsFolderJreExeOnPathIsNeverACandidate) {
  os.SetEnv("PATH", "c:\\windows\\;C:\\Windows\\System32;D:\\JRE\\BIN");
  InstallJvm("C:\\WINDOWS\\jre.exe", "1.2.2");
  InstallJvm("C:\\WINDOWS\\SYSTEM32\\jre.exe", "1.1.8");
  InstallJvm("D:\\JRE\\BIN\\jre.exe", "1.2.2");
  CriteriaEntry entry = Entry("sun", "jre", "1.2");
  ASSERT_TRUE(SearchPathVariable(entry, kJreExe, results, CurrentSearch().pathHits[1], false));
  EXPECT_EQ(results.back().bin(), "D:\\JRE\\BIN\\jre.exe");
  EXPECT_EQ(results.back().home(), "D:\\JRE");
  // The system folder's copy was tried, the Windows folder's was not.
  ASSERT_EQ(os.Launches().size(), 2u);
  EXPECT_EQ(os.Launches()[0].program, "C:\\WINDOWS\\SYSTEM32\\jre.exe");
  EXPECT_EQ(AnsiPath(CurrentSearch().pathHits[1].front()), "c:\\windows\\jre.exe");
}

TEST_F(SearchLocationsTest, PathFoldersAreProbedWithExactlyOneBackslash) {
  os.SetEnv("PATH", "D:\\a\\;D:\\b;;D:\\c\\\\;D:\\d;");
  os.AddFile("D:\\a\\JAVA.EXE");
  os.AddFile("D:\\b\\java.exe");
  os.AddFolder("D:\\d\\java.exe");  // a folder is not a hit

  PathList hits;
  FindInPathFolders(L";", kJavaExe, hits, WidePath("D:\\a\\;D:\\b;;D:\\c\\\\;D:\\d;"));
  EXPECT_EQ(os.Journal("find "),
            (std::vector<std::string>{"find D:\\a\\java.exe", "find D:\\b\\java.exe",
                                      "find D:\\c\\\\java.exe", "find D:\\d\\java.exe"}));
  // The name as the file system reports it.
  EXPECT_EQ(hits, (PathList{WidePath("D:\\a\\JAVA.EXE"), WidePath("D:\\b\\java.exe")}));
}

TEST_F(SearchLocationsTest, PathIsReadOncePerNameAndSearch) {
  os.SetEnv("PATH", "D:\\bin");
  SearchState& state = CurrentSearch();
  CriteriaEntry entry = Entry("sun", "", "");
  EXPECT_FALSE(SearchEntry(entry, results, kQuickPass));
  EXPECT_EQ(os.Journal("env "), (std::vector<std::string>{"env PATH", "env PATH"}));
  EXPECT_EQ(os.Journal("find "),
            (std::vector<std::string>{"find D:\\bin\\jre.exe", "find D:\\bin\\java.exe"}));
  EXPECT_TRUE(state.pathScanned[0] && state.pathScanned[1]);

  // A later entry of the same search only re-examines; java.exe appearing
  // on PATH meanwhile is not seen until the next search.
  InstallJvm("D:\\bin\\java.exe", "1.2.2");
  CriteriaEntry jdk = Entry("sun", "jdk", "1.2");
  EXPECT_FALSE(SearchEntry(jdk, results, kQuickPass));
  EXPECT_EQ(os.Journal("env ").size(), 2u);

  BeginSearch("C:\\TEMP\\Verify.class");
  ASSERT_TRUE(SearchEntry(jdk, results, kQuickPass));
  EXPECT_EQ(os.Journal("env ").size(), 3u);
  EXPECT_EQ(results.back().bin(), "D:\\bin\\java.exe");
}

TEST_F(SearchLocationsTest, AnAbsentOrOverlongPathIsSearchedAsEmpty) {
  InstallJvm("D:\\j\\bin\\java.exe", "1.2.2");
  CriteriaEntry entry = Entry("sun", "jdk", "1.2");
  PathList hits;
  EXPECT_FALSE(SearchPathVariable(entry, kJavaExe, results, hits, false));
  EXPECT_TRUE(os.Journal("find ").empty());

  // The buffer holds 67,600 bytes with the terminator: 67,599 characters fit.
  const std::size_t buffer = 67600;
  const std::string tail = ";D:\\j\\bin";
  os.SetEnv("PATH", std::string(buffer - 1 - tail.size(), 'x') + tail);
  EXPECT_TRUE(SearchPathVariable(entry, kJavaExe, results, hits, false));
  hits.clear();
  results.clear();
  os.SetEnv("PATH", std::string(buffer - tail.size(), 'x') + tail);
  EXPECT_FALSE(SearchPathVariable(entry, kJavaExe, results, hits, false));
  EXPECT_TRUE(hits.empty());
}

TEST_F(SearchLocationsTest, JviewIsLookedForInTheWindowsThenTheSystemFolder) {
  InstallJvm("C:\\WINDOWS\\SYSTEM32\\jview.exe", "1.1.4", "http://www.microsoft.com/java/");
  CriteriaEntry entry = Entry("microsoft", "jre", "1.1");
  ASSERT_TRUE(SearchEntry(entry, results, kFullPass));
  EXPECT_EQ(Lookups(), (std::vector<std::string>{"attributes C:\\WINDOWS\\jview.exe",
                                                 "attributes C:\\WINDOWS\\SYSTEM32\\jview.exe",
                                                 "run C:\\WINDOWS\\SYSTEM32\\jview.exe"}));
  const JvmRecord& found = results.back();
  EXPECT_EQ(found.home(), "C:\\WINDOWS\\SYSTEM32");
  EXPECT_EQ(found.type(), "jview");
  EXPECT_EQ(found.libs(), "");
  EXPECT_EQ(entry.matchedBin, "C:\\WINDOWS\\SYSTEM32\\jview.exe");

  InstallJvm("C:\\WINDOWS\\jview.exe", "1.1.4", "http://www.microsoft.com/java/");
  results.clear();
  CriteriaEntry again = Entry("microsoft", "", "");
  ASSERT_TRUE(SearchEntry(again, results, kQuickPass));
  EXPECT_EQ(results.back().bin(), "C:\\WINDOWS\\jview.exe");
}

TEST_F(SearchLocationsTest, LogsEachLocationAndItsEmptyOutcomeWithLogAll) {
  Handle log = os.OpenFile("C:\\TEMP\\log.txt", FileAccess::Write, FileShare::None,
                           FileDisposition::CreateAlways);
  SetSearchLog(log);
  EXPECT_FALSE(Quick(Entry("sun", "jre", "1.2")));
  EXPECT_EQ(os.Content("C:\\TEMP\\log.txt"), "");

  SetLogAll(true);
  EXPECT_FALSE(Quick(Entry("sun", "jdk", "1.2")));
  const std::string start =
      "\r\n\tSearching a JVM that matches the criteria  (Vendor=sun, Version=1.2, Type=jdk) ";
  EXPECT_EQ(os.Content("C:\\TEMP\\log.txt"), start + "in Registry...Not Found." + start +
                                                 "default install folder...Not Found." + start +
                                                 "in PATH Variable...Not Found.");

  Handle jreLog = os.OpenFile("C:\\TEMP\\jre.txt", FileAccess::Write, FileShare::None,
                              FileDisposition::CreateAlways);
  SetSearchLog(jreLog);
  InstallJvm("C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe", "1.2.2");
  EXPECT_TRUE(Quick(Entry("sun", "jre", "1.2")));
  const std::string jreStart =
      "\r\n\tSearching a JVM that matches the criteria  (Vendor=sun, Version=1.2, Type=jre) ";
  EXPECT_EQ(os.Content("C:\\TEMP\\jre.txt"),
            jreStart + "in the Registry...Not Found." + jreStart +
                "in the default install folder...\r\n\tVerifying JVM  C:\\Program "
                "Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe...Passed.");
  SetSearchLog(kNoHandle);
}

}  // namespace
}  // namespace carafe
