// Where one criteria entry is looked for: registry keys, default folders,
// PATH and jview.
#include "discovery/search_locations.h"

#include "memory_platform.h"
#include "scripted_jvm.h"

namespace carafe {
namespace {

using Strings = std::vector<std::string>;
const std::string kJre = "Software\\JavaSoft\\Java Runtime Environment\\";
const std::string kJdk = "Software\\JavaSoft\\Java Development Kit\\";
const std::string kIbmJdk = "Software\\IBM\\IBM Developer Kit, Java(TM) Tech. Edition\\";

class SearchLocationsTest : public JvmTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    BeginSearch("C:\\TEMP\\Verify.class");
  }
  bool Quick(CriteriaEntry entry) { return SearchEntry(entry, results, kQuickPass); }
  std::vector<JvmRecord> results;
};

TEST_F(SearchLocationsTest, IbmCutsTheRegistryVersionButNotTheFolderVersion) {
  EXPECT_FALSE(Quick(Entry("ibm", "jdk", "1.1.4")));
  EXPECT_EQ(Lookups(), (Strings{"registry " + kIbmJdk + "1.1|JavaHome",
                                "attributes C:\\JDK1.1.4\\bin\\java.exe", "env PATH"}));
}

TEST_F(SearchLocationsTest, VendorsAndTypesThatSelectNothingSearchNothing) {
  for (SearchPass pass : {kQuickPass, kFullPass})
    for (CriteriaEntry entry :
         {Entry("blackdown", "", "1.2"), Entry("Sun", "jre", "1.2"), Entry("sun", "jview", "")})
      EXPECT_FALSE(SearchEntry(entry, results, pass));
  EXPECT_TRUE(os.journal.empty());
}

TEST_F(SearchLocationsTest, ARuntimeRegistryHomeWithOnlyJavaExeIsStillAJre) {
  os.SetRegistryValue(kJre + "1.2", "JavaHome", "D:\\Runtime");
  InstallJvm("D:\\Runtime\\bin\\java.exe", "1.2.2");
  os.AddFile("D:\\Runtime\\lib\\rt.jar");
  os.AddFile("D:\\Runtime\\lib\\i18n.jar");
  ASSERT_TRUE(Quick(Entry("sun", "jre", "1.2")));
  EXPECT_EQ(results.back().home(), "D:\\Runtime");
  EXPECT_EQ(results.back().type(), "jre");
  EXPECT_EQ(results.back().libs(), "D:\\Runtime\\lib\\rt.jar;D:\\Runtime\\lib\\i18n.jar");
  EXPECT_TRUE(os.Journal("env ").empty());  // the registry hit ended the entry
}

TEST_F(SearchLocationsTest, CandidatesAreKeptOnceAndCutBeforeTheLastBinInAnyCase) {
  InstallJvm("D:\\Bin\\JRE\\BIN\\jre.exe", "1.2.2");
  InstallJvm("D:\\tools\\java.exe", "1.2.2");
  CriteriaEntry any = Entry("sun", "", "");
  PathList jre = {WidePath("D:\\Bin\\JRE\\BIN\\jre.exe")};
  ASSERT_TRUE(CheckCandidates(any, kJreExe, jre, results));
  EXPECT_EQ(results.back().home(), "D:\\Bin\\JRE");
  EXPECT_EQ(results.back().type(), "jre");
  EXPECT_FALSE(CheckCandidates(any, kJreExe, jre, results));
  EXPECT_EQ(results.size(), 1u);
  ASSERT_TRUE(CheckCandidates(any, kJavaExe, {WidePath("D:\\tools\\java.exe")}, results));
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
  EXPECT_EQ(results.back().home(), "D:\\JRE");
  ASSERT_EQ(os.Launches().size(), 2u);
  EXPECT_EQ(os.Launches()[0].program, "C:\\WINDOWS\\SYSTEM32\\jre.exe");
}

TEST_F(SearchLocationsTest, PathFoldersAreProbedWithExactlyOneBackslash) {
  os.AddFile("D:\\a\\JAVA.EXE");
  os.AddFile("D:\\b\\java.exe");
  os.AddFolder("D:\\d\\java.exe");  // a folder is not a hit
  PathList hits;
  FindInPathFolders(L";", kJavaExe, hits, WidePath("D:\\a\\;D:\\b;;D:\\c\\\\;D:\\d;"));
  EXPECT_EQ(os.Journal("find "), (Strings{"find D:\\a\\java.exe", "find D:\\b\\java.exe",
                                          "find D:\\c\\\\java.exe", "find D:\\d\\java.exe"}));
  EXPECT_EQ(hits, (PathList{WidePath("D:\\a\\JAVA.EXE"), WidePath("D:\\b\\java.exe")}));
}

TEST_F(SearchLocationsTest, PathIsReadOncePerNameAndSearch) {
  os.SetEnv("PATH", "D:\\bin");
  EXPECT_FALSE(Quick(Entry("sun", "", "")));
  EXPECT_EQ(os.Journal("env ").size(), 2u);
  EXPECT_EQ(os.Journal("find "), (Strings{"find D:\\bin\\jre.exe", "find D:\\bin\\java.exe"}));
  // Later entries only re-examine: a new java.exe shows in the next search.
  InstallJvm("D:\\bin\\java.exe", "1.2.2");
  EXPECT_FALSE(Quick(Entry("sun", "jdk", "1.2")));
  EXPECT_EQ(os.Journal("env ").size(), 2u);
  BeginSearch("C:\\TEMP\\Verify.class");
  ASSERT_TRUE(Quick(Entry("sun", "jdk", "1.2")));
  EXPECT_EQ(os.Journal("env ").size(), 3u);
}

TEST_F(SearchLocationsTest, AnAbsentOrOverlongPathIsSearchedAsEmpty) {
  InstallJvm("D:\\j\\bin\\java.exe", "1.2.2");
  CriteriaEntry entry = Entry("sun", "jdk", "1.2");
  PathList hits;
  EXPECT_FALSE(SearchPathVariable(entry, kJavaExe, results, hits, false));
  EXPECT_TRUE(os.Journal("find ").empty());
  // 67,600 bytes hold 67,599 characters and the terminator.
  const std::string tail = ";D:\\j\\bin";
  os.SetEnv("PATH", std::string(67599 - tail.size(), 'x') + tail);
  EXPECT_TRUE(SearchPathVariable(entry, kJavaExe, results, hits, false));
  hits.clear();
  os.SetEnv("PATH", std::string(67600 - tail.size(), 'x') + tail);
  EXPECT_FALSE(SearchPathVariable(entry, kJavaExe, results, hits, false));
  EXPECT_TRUE(hits.empty());
}

TEST_F(SearchLocationsTest, LogsEachLocationAndItsOutcomeOnlyWithLogAll) {
  File log = os.OpenFile("C:\\TEMP\\log.txt", FileAccess::Write, FileShare::None,
                           FileDisposition::CreateAlways);
  SetSearchLog(&log);
  EXPECT_FALSE(Quick(Entry("sun", "jre", "1.2")));
  EXPECT_EQ(os.Content("C:\\TEMP\\log.txt"), "");
  SetLogAll(true);
  EXPECT_FALSE(Quick(Entry("sun", "jdk", "1.2")));
  InstallJvm("C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe", "1.2.2");
  EXPECT_TRUE(Quick(Entry("sun", "jre", "1.2")));
  const std::string jdk =
      "\r\n\tSearching a JVM that matches the criteria  (Vendor=sun, Version=1.2, Type=jdk) ";
  const std::string jre =
      "\r\n\tSearching a JVM that matches the criteria  (Vendor=sun, Version=1.2, Type=jre) ";
  EXPECT_EQ(os.Content("C:\\TEMP\\log.txt"),
            jdk + "in Registry...Not Found." + jdk + "default install folder...Not Found." + jdk +
                "in PATH Variable...Not Found." + jre + "in the Registry...Not Found." + jre +
                "in the default install folder...\r\n\tVerifying JVM  C:\\Program "
                "Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe...Passed.");
  SetSearchLog(nullptr);
}

}  // namespace
}  // namespace carafe
