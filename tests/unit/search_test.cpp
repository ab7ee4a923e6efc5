// The JVM search: the order of groups, passes, entries and locations, the
// de-duplication of candidates, the bounds of the fixed buffers, the walk of
// the fixed drives, and the launcher's search step with the maker's key.
#include <pthread.h>

#include <algorithm>

#include "discovery/drive_walk.h"
#include "discovery/jvm_search.h"
#include "discovery/search_locations.h"
#include "launcher_fixture.h"
#include "scripted_jvm.h"
#include "support/file_utilities.h"

namespace carafe {
namespace {

using Strings = std::vector<std::string>;

constexpr const char* kLogPath = "C:\\TEMP\\vnlog.txt";
constexpr const char* kSunUrl = "http://java.sun.com/";
const std::string kJre = "Software\\JavaSoft\\Java Runtime Environment\\";
const std::string kJdk = "Software\\JavaSoft\\Java Development Kit\\";
const std::string kIbmJre = "Software\\IBM\\IBM Runtime Environment, Java(TM) Tech. Edition\\";
const std::string kIbmJdk = "Software\\IBM\\IBM Developer Kit, Java(TM) Tech. Edition\\";
const std::string kSummary = "\r\n\tSearching a JVM that matches the criteria  ";

class SearchTest : public JvmTest {
 protected:
  SearchTest() { NewSearch(); }
  void NewSearch() {
    search = SearchState();
    search.verifyClassPath = "C:\\TEMP\\Verify.class";
    search.log = {&log, false};
  }
  bool Quick(CriteriaEntry entry) { return SearchEntry(search, entry, results, SearchPass::Quick); }
  JvmRecord Find(const std::string& criteria) {
    return FindJvm(criteria, "C:\\TEMP\\Verify.class", session);
  }
  std::string Log() const { return os.Content(kLogPath); }

  File log =
      os.OpenFile(kLogPath, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
  SearchSession session{{&log, false}};
  SearchState search;
  std::vector<JvmRecord> results;
};

// --- One whole search.

constexpr const char* kContainerCriteria =
    "vendor=sun:type=jre:version=1.2;vendor=sun:type=jre:version=1.1;"
    "vendor=sun:type=jre:version=1.3;vendor=sun:type=jdk:version=1.2;"
    "vendor=sun:type=jdk:version=1.1;vendor=sun:type=jdk:version=1.3;"
    "vendor=ibm:version=1.2;vendor=ibm:version=1.1;vendor=ibm:version=1.3;"
    "vendor=microsoft:type=jview:version=1.1.4";

void Append(Strings& to, std::initializer_list<std::string> lines) { to.insert(to.end(), lines); }

TEST_F(SearchTest, ContainerCriteriaLookEverywhereInOrderAndEndWithJview) {
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

TEST_F(SearchTest, TheFirstJvmThatPassesEndsTheSearchAndTheSummary) {
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

TEST_F(SearchTest, EmptyCriteriaTryEverySunKeyAndAcceptAnyJvm) {
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

TEST_F(SearchTest, UnparsableOrUnknownCriteriaSearchNothing) {
  InstallJvm("C:\\JDK1.2\\bin\\java.exe", "1.2.2");
  EXPECT_EQ(Find("foo=1;Vendor=sun;vendor=sun: type=jre").bin(), "");
  EXPECT_EQ(Log(), "");
  for (SearchPass pass : {SearchPass::Quick, SearchPass::Full})
    for (CriteriaEntry entry :
         {Entry("blackdown", "", "1.2"), Entry("Sun", "jre", "1.2"), Entry("sun", "jview", "")})
      EXPECT_FALSE(SearchEntry(search, entry, results, pass));
  EXPECT_TRUE(Lookups().empty());
}

TEST_F(SearchTest, MicrosoftOnlyCriteriaHaveNoQuickPassAndOnlyOneSearchPerRun) {
  InstallJvm("C:\\WINDOWS\\jview.exe", "1.1.8", "http://www.microsoft.com/");
  EXPECT_EQ(Find("vendor=microsoft:type=jview:version=1.1.4").bin(), "");
  EXPECT_EQ(Lookups(),
            (Strings{"attributes C:\\WINDOWS\\jview.exe", "run C:\\WINDOWS\\jview.exe"}));
  os.journal.clear();
  EXPECT_EQ(Find("vendor=microsoft").bin(), "");
  EXPECT_TRUE(Lookups().empty());
  SearchSession nextRun;
  EXPECT_EQ(FindJvm("vendor=microsoft", "C:\\TEMP\\Verify.class", nextRun).bin(),
            "C:\\WINDOWS\\jview.exe");
}

// --- The locations of one entry.

TEST_F(SearchTest, IbmCutsTheRegistryVersionButNotTheFolderVersion) {
  EXPECT_FALSE(Quick(Entry("ibm", "jdk", "1.1.4")));
  EXPECT_EQ(Lookups(), (Strings{"registry " + kIbmJdk + "1.1|JavaHome",
                                "attributes C:\\JDK1.1.4\\bin\\java.exe", "env PATH"}));
}

TEST_F(SearchTest, ARuntimeRegistryHomeWithOnlyJavaExeIsStillAJre) {
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

TEST_F(SearchTest, CandidatesAreKeptOnceAndCutBeforeTheLastBinInAnyCase) {
  InstallJvm("D:\\Bin\\JRE\\BIN\\jre.exe", "1.2.2");
  InstallJvm("D:\\tools\\java.exe", "1.2.2");
  CriteriaEntry any = Entry("sun", "", "");
  PathList jre = {WidePath("D:\\Bin\\JRE\\BIN\\jre.exe")};
  ASSERT_TRUE(CheckCandidates(search, any, kJreExe, jre, results));
  EXPECT_EQ(results.back().home(), "D:\\Bin\\JRE");
  EXPECT_EQ(results.back().type(), "jre");
  EXPECT_FALSE(CheckCandidates(search, any, kJreExe, jre, results));
  EXPECT_EQ(results.size(), 1u);
  ASSERT_TRUE(CheckCandidates(search, any, kJavaExe, {WidePath("D:\\tools\\java.exe")}, results));
  EXPECT_EQ(results.back().home(), "D:\\tools\\java.exe");
  EXPECT_EQ(results.back().type(), "jdk");
}

TEST_F(SearchTest, TheWindowsFolderJreExeOnPathIsNeverACandidate) {
  os.SetEnv("PATH", "c:\\windows\\;C:\\Windows\\System32;D:\\JRE\\BIN");
  InstallJvm("C:\\WINDOWS\\jre.exe", "1.2.2");
  InstallJvm("C:\\WINDOWS\\SYSTEM32\\jre.exe", "1.1.8");
  InstallJvm("D:\\JRE\\BIN\\jre.exe", "1.2.2");
  CriteriaEntry entry = Entry("sun", "jre", "1.2");
  ASSERT_TRUE(SearchPathVariable(search, entry, kJreExe, results, HitIndex(kJreExe)));
  EXPECT_EQ(results.back().home(), "D:\\JRE");
  ASSERT_EQ(os.Launches().size(), 2u);
  EXPECT_EQ(os.Launches()[0].program, "C:\\WINDOWS\\SYSTEM32\\jre.exe");
  // A java.exe there is a candidate like any other.
  InstallJvm("C:\\WINDOWS\\java.exe", "1.2.2");
  ASSERT_TRUE(
      CheckCandidates(search, entry, kJavaExe, {WidePath("C:\\WINDOWS\\java.exe")}, results));
}

TEST_F(SearchTest, PathFoldersAreProbedWithExactlyOneBackslash) {
  os.AddFile("D:\\a\\JAVA.EXE");
  os.AddFile("D:\\b\\java.exe");
  os.AddFolder("D:\\d\\java.exe");  // a folder is not a hit
  PathList hits;
  FindInPathFolders(L";", kJavaExe, hits, WidePath("D:\\a\\;D:\\b;;D:\\c\\\\;D:\\d;"));
  EXPECT_EQ(os.Journal("find "), (Strings{"find D:\\a\\java.exe", "find D:\\b\\java.exe",
                                          "find D:\\c\\\\java.exe", "find D:\\d\\java.exe"}));
  EXPECT_EQ(hits, (PathList{WidePath("D:\\a\\JAVA.EXE"), WidePath("D:\\b\\java.exe")}));
}

TEST_F(SearchTest, PathIsReadOncePerNameAndSearch) {
  os.SetEnv("PATH", "D:\\bin");
  EXPECT_FALSE(Quick(Entry("sun", "", "")));
  EXPECT_EQ(os.Journal("env ").size(), 2u);
  EXPECT_EQ(os.Journal("find "), (Strings{"find D:\\bin\\jre.exe", "find D:\\bin\\java.exe"}));
  // Later entries only re-examine: a new java.exe shows in the next search.
  InstallJvm("D:\\bin\\java.exe", "1.2.2");
  EXPECT_FALSE(Quick(Entry("sun", "jdk", "1.2")));
  EXPECT_EQ(os.Journal("env ").size(), 2u);
  NewSearch();
  ASSERT_TRUE(Quick(Entry("sun", "jdk", "1.2")));
  EXPECT_EQ(os.Journal("env ").size(), 3u);
}

TEST_F(SearchTest, LogsEachLocationAndItsOutcomeOnlyWithLogAll) {
  EXPECT_FALSE(Quick(Entry("sun", "jre", "1.2")));
  EXPECT_EQ(Log(), "");
  search.log.all = true;
  EXPECT_FALSE(Quick(Entry("sun", "jdk", "1.2")));
  InstallJvm("C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe", "1.2.2");
  EXPECT_TRUE(Quick(Entry("sun", "jre", "1.2")));
  const std::string jdk = kSummary + "(Vendor=sun, Version=1.2, Type=jdk) ";
  const std::string jre = kSummary + "(Vendor=sun, Version=1.2, Type=jre) ";
  EXPECT_EQ(Log(), jdk + "in Registry...Not Found." + jdk + "default install folder...Not Found." +
                       jdk + "in PATH Variable...Not Found." + jre +
                       "in the Registry...Not Found." + jre +
                       "in the default install folder...\r\n\tVerifying JVM  C:\\Program "
                       "Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe...Passed.");
}

// --- Fixed buffers: MAX_PATH, the registry's 260 bytes, PATH's 67,600 bytes.

// An absolute folder below root whose path is exactly length characters.
std::string FolderOfLength(const std::string& root, std::size_t length) {
  std::string folder = root;
  for (char letter = 'a'; folder.size() + 41 < length; letter = letter == 'z' ? 'a' : letter + 1)
    folder += std::string(40, letter) + "\\";
  folder.resize(length, 'q');
  return folder;
}

TEST_F(SearchTest, ARegisteredHomeFillingTheBufferIsReadWholeAndALongerOneNeverCut) {
  struct Case {
    std::size_t length;
    bool terminated, found;
  };
  // REG_SZ data carries its terminating zero: 259 characters fill the 260-byte buffer.
  // Refused ones first: launches add up.
  for (const Case& c : {Case{260, true, false}, Case{5000, true, false}, Case{259, true, true},
                        Case{260, false, true}}) {
    SCOPED_TRACE(c.length);
    os.journal.clear();
    NewSearch();
    const std::string home = FolderOfLength("D:\\", c.length);
    os.AddProgram(home + "\\bin\\java.exe", PrintingJvm(VerifyLines("1.2.2", kSunUrl)));
    os.SetRegistryValue(kJdk + "1.2", "JavaHome",
                        c.terminated ? home + std::string(1, '\0') : home);
    results.clear();
    ASSERT_EQ(Quick(Entry("sun", "jdk", "1.2")), c.found);
    if (c.found) {
      EXPECT_EQ(results[0].bin(), home + "\\bin\\java.exe");
    } else {
      EXPECT_TRUE(os.Launches().empty());
      // Neither the whole home nor any prefix of it was looked at.
      for (const std::string& line : os.Journal("attributes "))
        EXPECT_NE(line.rfind("attributes " + home.substr(0, 40), 0), 0u) << line;
    }
  }
}

TEST_F(SearchTest, APathThatFillsTheBufferIsScannedToItsEndAndALongerOneIsEmpty) {
  os.AddProgram("D:\\jdk\\bin\\java.exe", PrintingJvm(VerifyLines("1.2.2", kSunUrl)));
  const std::string last = ";D:\\jdk\\bin";
  for (std::size_t bytes :
       {kPathVariableBytes - 1, kPathVariableBytes, kPathVariableBytes + 1, std::size_t(1) << 20}) {
    SCOPED_TRACE(bytes);
    os.journal.clear();
    NewSearch();
    // Folders of 300 characters, then the JVM's folder.
    std::string value;
    for (int n = 0; value.size() + 301 + last.size() < bytes; ++n)
      value += FolderOfLength("E:\\f" + std::to_string(n) + "\\", 300) + ";";
    value.append(bytes - last.size() - value.size(), ';');
    os.SetEnv("PATH", value + last);
    const bool fits = bytes < kPathVariableBytes;
    EXPECT_EQ(Quick(Entry("sun", "jdk", "1.2")), fits);
    EXPECT_EQ(os.Journal("env PATH").size(), 1u);
    EXPECT_EQ(os.Journal("find ").empty(), !fits);
    if (fits) {
      EXPECT_EQ(os.Journal("find ").back(), "find D:\\jdk\\bin\\java.exe");
    }
  }
}

TEST_F(SearchTest, PathFoldersMakingProbesAroundMaxPathAreLookedUpWhole) {
  Strings expected;
  std::string value;
  for (std::size_t probe : {259u, 260u, 261u, 4000u}) {
    const std::string folder = FolderOfLength("F:\\", probe - 9);  // + "\java.exe"
    expected.push_back(folder + "\\java.exe");
    os.AddFile(expected.back(), "MZ");
    value += folder + ";";
  }
  os.SetEnv("PATH", value);
  EXPECT_FALSE(Quick(Entry("sun", "jdk", "1.2")));  // none of them answers as a JVM
  const PathList& hits = search.pathHits[HitIndex(kJavaExe)];
  ASSERT_EQ(hits.size(), expected.size());
  for (std::size_t i = 0; i < hits.size(); ++i) {
    EXPECT_EQ(AnsiPath(hits[i]), expected[i]);
    EXPECT_EQ(os.Journal("find ")[i], "find " + expected[i]);
  }
}

TEST_F(SearchTest, WithoutTheSystemFoldersNothingRelativeIsWalkedOrProbed) {
  // GetSystemDirectoryA and GetWindowsDirectoryA give nothing when the path
  // does not fit their buffer; no search may fall back on the current folder.
  os.SetSystemDirectory("");
  os.SetWindowsDirectory("");
  os.SetDriveType("D:\\", kDriveFixed);
  os.AddFile("D:\\jdk\\bin\\java.exe", "MZ");
  os.journal.clear();
  for (const char* vendor : {"sun", "microsoft"}) {
    CriteriaEntry entry = Entry(vendor, "jdk", "1.2");
    SearchEntry(search, entry, results, SearchPass::Quick);
    SearchEntry(search, entry, results, SearchPass::Full);
  }
  EXPECT_FALSE(os.Journal("find D:\\").empty());
  for (const std::string& line : os.journal) {
    std::string path;
    if (line.rfind("find ", 0) == 0) path = line.substr(5);
    if (line.rfind("attributes ", 0) == 0) path = line.substr(11);
    if (!path.empty()) {
      EXPECT_TRUE(path.size() >= 3 && path[1] == ':' && path[2] == '\\') << line;
    }
  }
  EXPECT_EQ(SystemDriveRoot(), "");
}

// --- The walk of the fixed drives.

const ExeNames kNames = {"java.exe", "jre.exe"};

Strings Ansi(const PathList& paths) {
  Strings out;
  for (const PathString& path : paths) out.push_back(AnsiPath(path));
  return out;
}

HitLists Walk(const std::string& folder) {
  HitLists hits;
  WalkForExecutables(kNames, WidePath(folder), hits);
  return hits;
}

TEST_F(SearchTest, WalkNamesCompareByteForByteAndAFolderNamedJavaExeIsAHit) {
  os.AddFile("D:\\upper\\JAVA.EXE");
  os.AddFile("D:\\upper\\Jre.exe");
  os.AddFile("D:\\odd\\java.exe\\bin\\jre.exe");
  HitLists hits = Walk("D:\\");
  EXPECT_EQ(Ansi(hits[0]), Strings{"D:\\odd\\java.exe"});
  EXPECT_TRUE(hits[1].empty());  // the hit folder is not walked into
}

// C:\loop\back links to C:\loop: every listing below it repeats for ever.
class CyclePlatform : public MemoryPlatform {
 public:
  int listings = 0;
  bool FindFiles(const std::string& pattern, std::vector<FolderEntry>* entries) override {
    if (pattern.rfind("C:\\loop\\", 0) != 0) return MemoryPlatform::FindFiles(pattern, entries);
    if (++listings > 50) return false;  // fail rather than hang
    *entries = {{".", kAttributeDirectory},
                {"..", kAttributeDirectory},
                {"back", kAttributeDirectory | kAttributeReparsePoint},
                {"java.exe", 0x80}};
    return true;
  }
};

TEST(DriveWalk, EndsOnAFolderThatLinksToItsOwnAncestor) {
  CyclePlatform os;
  ScopedPlatform installed(os);
  os.AddFolder("C:\\loop");
  HitLists hits = Walk("C:\\");
  EXPECT_EQ(os.listings, 1);
  EXPECT_EQ(Ansi(hits[0]), Strings{"C:\\loop\\java.exe"});
}

// C:\d\d\...\java.exe, kDepth folders deep, generated on demand.
constexpr int kDepth = 10000;

class DeepPlatform : public MemoryPlatform {
 public:
  int listings = 0;
  bool FindFiles(const std::string& pattern, std::vector<FolderEntry>* entries) override {
    ++listings;
    long depth = std::count(pattern.begin(), pattern.end(), '\\') - 1;
    *entries = {{".", kAttributeDirectory}, {"..", kAttributeDirectory}};
    if (depth == 0) entries->clear();
    entries->push_back(depth < kDepth ? FolderEntry{"d", kAttributeDirectory}
                                      : FolderEntry{"java.exe", 0x80});
    return true;
  }
};

TEST(DriveWalk, WalksTenThousandLevelsOnASmallStack) {
  DeepPlatform os;
  ScopedPlatform installed(os);
  // 256 KB: a recursive walk would need several times that for 10,000 levels.
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 256 * 1024);
  HitLists hits;
  pthread_t thread;
  auto walk = [](void* out) -> void* {
    *static_cast<HitLists*>(out) = Walk("C:\\");
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, walk, &hits), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  EXPECT_EQ(os.listings, kDepth + 1);
  std::string expected = "C:";
  for (int i = 0; i < kDepth; ++i) expected += "\\d";
  EXPECT_EQ(Ansi(hits[0]), Strings{expected + "\\java.exe"});
}

// The full pass: the system drive first, then each other fixed drive.
class FileSystemSearch : public SearchTest {
 protected:
  FileSystemSearch() { os.SetDriveType("D:\\", kDriveFixed); }
  Strings WalkedRoots() const {
    Strings roots;
    for (const std::string& find : os.Journal("find "))
      if (find.size() == 11) roots.push_back(find.substr(5, 3));  // "find X:\*.*"
    return roots;
  }
  bool Walked(const std::string& exeName, bool walked) {
    return SearchFileSystem(search, entry, exeName, results, walked);
  }
  CriteriaEntry entry = Entry("sun", "", "1.2");
};

TEST_F(FileSystemSearch, AJvmOnTheSystemDriveEndsTheSearchBeforeDrivesAreListed) {
  InstallJvm("C:\\jdk1.2\\bin\\java.exe", "1.2.2");
  ASSERT_TRUE(Walked("java.exe", false));
  EXPECT_EQ(results.front().type(), "jdk");
  EXPECT_TRUE(os.Journal("drive ").empty());
}

TEST_F(FileSystemSearch, AJvmOnTheFirstOtherFixedDriveEndsTheSearchBeforeLaterDrives) {
  os.SetDriveType("E:\\", kDriveFixed);
  os.SetDriveType("F:\\", kDriveRemote);
  InstallJvm("C:\\old\\bin\\jre.exe", "1.1.8");
  InstallJvm("D:\\jre\\bin\\jre.exe", "1.2.2");
  InstallJvm("E:\\jre\\bin\\jre.exe", "1.2.2");
  ASSERT_TRUE(Walked("jre.exe", false));
  EXPECT_EQ(results.front().bin(), "D:\\jre\\bin\\jre.exe");
  EXPECT_EQ(results.front().type(), "jre");
  EXPECT_EQ(WalkedRoots(), (Strings{"C:\\", "D:\\"}));
  EXPECT_EQ(os.Launches().size(), 2u);  // C:'s hit is not run again with D:'s
  EXPECT_EQ(Ansi(ListFixedDrives(L"c:\\")), (Strings{"D:\\", "E:\\"}));
}

// Found once: "c:\" and "C:\" were both walked.
TEST_F(FileSystemSearch, ASystemFolderWithALowerCaseLetterWalksItsDriveOnce) {
  os.SetSystemDirectory("c:\\windows\\system");
  EXPECT_FALSE(Walked("java.exe", false));
  EXPECT_EQ(WalkedRoots(), (Strings{"c:\\", "D:\\"}));
}

TEST_F(FileSystemSearch, AWalkedSearchOnlyReexaminesTheListsAndLogsWithLogAll) {
  InstallJvm("D:\\jdk\\bin\\java.exe", "1.1.8");
  EXPECT_FALSE(Walked("java.exe", false));
  std::size_t finds = os.Journal("find ").size(), drives = os.Journal("drive ").size();
  search.log.all = true;
  entry.version = "1.1";
  ASSERT_TRUE(Walked("java.exe", true));
  EXPECT_EQ(results.front().bin(), "D:\\jdk\\bin\\java.exe");
  EXPECT_EQ(os.Journal("find ").size(), finds);
  EXPECT_EQ(os.Journal("drive ").size(), drives);
  EXPECT_EQ(Log(), kSummary +
                       "(Vendor=sun, Version=1.1, Type=) in FileSystem...\r\n\tVerifying JVM  "
                       "D:\\jdk\\bin\\java.exe...Passed.");
}

// --- The launcher's search step and the maker's registry key.

class LauncherSearch : public LauncherTest {
 protected:
  LauncherSearch() { launcher.State().verifyClassPath = "C:\\TEMP\\Verify.class"; }
  void InstallJvm(const std::string& path, const std::string& version) {
    os.AddProgram(path, PrintingJvm(VerifyLines(version, kSunUrl)));
  }
  RunState& run = launcher.State();
};

TEST_F(LauncherSearch, AFailedSearchIsLoggedAndTheNextOneIsTheSearchAfterInstalling) {
  run.searchCriteria = "vendor=sun:type=jre:version=1.2";
  EXPECT_FALSE(launcher.SearchForJvm());
  EXPECT_EQ(ui.events, Strings{"status Searching for JVM..."});
  EXPECT_EQ(run.jvmPath, "");
  const std::string entry = kSummary + "(Vendor=sun, Version=1.2, Type=jre)...";
  std::string log =
      "\r\nSearch summary \r\n" + entry + " Not Found\r\n\tSearch for JVM failed  \r\n";
  EXPECT_EQ(LogText(), log);
  os.SetRegistryValue(kJre + "1.2", "JavaHome", "D:\\jre");
  InstallJvm("D:\\jre\\bin\\jre.exe", "1.2.2");
  os.AddFile("D:\\jre\\lib\\rt.jar");
  ASSERT_TRUE(launcher.SearchForJvm());
  EXPECT_EQ(run.jvmPath, "D:\\jre\\bin\\jre.exe");
  EXPECT_EQ(run.classPath, "D:\\jre\\lib\\rt.jar");
  log += "\r\nSearching  after installing JVM \r\n" + entry + "D:\\jre\\bin\\jre.exe Passed";
  EXPECT_EQ(LogText(), log);
  // Only with log-all the found JVM follows the summary.
  run.logAll = true;
  ASSERT_TRUE(launcher.SearchForJvm());
  EXPECT_PRED2(EndsWith, LogText(), "Passed\r\nFound a JVM at  D:\\jre\\bin\\jre.exe\r\n");
}

TEST_F(LauncherSearch, EmptyCriteriaComeFromTheContainerUnlessTheOptionWasGiven) {
  // Section 3 of the loaded container: a 16-bit big-endian length and the text.
  const std::string criteria = "vendor=ibm:type=jdk:version=1.3";
  std::vector<std::uint8_t> section = {0, static_cast<std::uint8_t>(criteria.size())};
  section.insert(section.end(), criteria.begin(), criteria.end());
  run.sectionBuffers[2] = section;
  run.containerLoaded = true;
  run.searchCriteriaGiven = true;
  EXPECT_FALSE(launcher.SearchForJvm());
  EXPECT_EQ(run.searchCriteria, "");
  EXPECT_EQ(os.Journal("registry ").front(),  // empty criteria: Sun keys first
            "registry " + kJre + "1.3|JavaHome");
  os.journal.clear();
  run.searchCriteriaGiven = false;
  EXPECT_FALSE(launcher.SearchForJvm());
  EXPECT_EQ(run.searchCriteria, criteria);
  EXPECT_EQ(os.Journal("registry "), Strings{"registry " + kIbmJdk + "1.3|JavaHome"});
}

TEST_F(LauncherSearch, TheMakersKeyNamesTheJvmWithoutVerifyingIt) {
  const std::string key = "Software\\Varnica\\Java Virtual Machine";
  EXPECT_FALSE(launcher.ReadRegisteredJvm());
  EXPECT_EQ(os.Journal("registry ").size(), 1u);  // no JavaHome: JavaBin is not read
  os.SetRegistryValue(key, "JavaHome", "D:\\vm");
  os.AddFile("D:\\vm\\bin\\java.exe");
  os.AddFile("D:\\vm\\lib\\rt.jar");
  ASSERT_TRUE(launcher.ReadRegisteredJvm());  // without JavaBin: java.exe
  EXPECT_EQ(run.jvmPath, "D:\\vm\\bin\\java.exe");
  EXPECT_EQ(run.classPath, "D:\\vm\\lib\\rt.jar");
  EXPECT_TRUE(os.Launches().empty());
  os.SetRegistryValue(key, "JavaBin", "javaw.exe");
  EXPECT_FALSE(launcher.ReadRegisteredJvm());
  // A home past the 260-byte buffer cannot be read.
  const std::string longHome = "D:\\" + std::string(300, 'v');
  os.SetRegistryValue(key, "JavaHome", longHome);
  os.SetRegistryValue(key, "JavaBin", "java.exe");
  os.AddFile(longHome + "\\bin\\java.exe");
  EXPECT_FALSE(launcher.ReadRegisteredJvm());
  EXPECT_EQ(run.jvmPath, "D:\\vm\\bin\\java.exe");
  EXPECT_EQ(LogText(), "");
}

}  // namespace
}  // namespace carafe
