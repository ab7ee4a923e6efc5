// The walk of the fixed drives for java.exe and jre.exe.
#include "discovery/drive_walk.h"

#include <pthread.h>

#include <algorithm>
#include <random>

#include "discovery/search_locations.h"
#include "memory_platform.h"
#include "scripted_jvm.h"

namespace carafe {
namespace {

const ExeNames kNames = {"java.exe", "jre.exe"};

std::vector<std::string> Ansi(const PathList& paths) {
  std::vector<std::string> out;
  for (const PathString& path : paths) out.push_back(AnsiPath(path));
  return out;
}

// The walk as a plain recursion: the order every walk must keep.
void RecursiveWalk(const std::string& folder, HitLists& hits) {
  std::vector<FolderEntry> entries;
  std::string base = folder.back() == '\\' ? folder : folder + "\\";
  if (!Os().FindFiles(base + "*.*", &entries)) return;
  for (const FolderEntry& entry : entries) {
    if (entry.name == kNames[0]) {
      hits[0].push_back(WidePath(base + entry.name));
    } else if (entry.name == kNames[1]) {
      hits[1].push_back(WidePath(base + entry.name));
    } else if (entry.IsFolder() && entry.name != "." && entry.name != "..") {
      RecursiveWalk(base + entry.name, hits);
    }
  }
}

class DriveWalkTest : public PlatformTest {
 protected:
  HitLists Walk(const std::string& folder) {
    HitLists hits;
    WalkForExecutables(kNames, WidePath(folder), hits);
    return hits;
  }
};

TEST_F(DriveWalkTest, CollectsBothNamesDepthFirstInListingOrder) {
  os.AddFile("D:\\a\\java.exe");
  os.AddFile("D:\\a\\b\\jre.exe");
  os.AddFile("D:\\a\\b\\java.exe");
  os.AddFile("D:\\c\\bin\\java.exe");
  os.AddFile("D:\\jre.exe");
  os.AddFile("D:\\a\\z\\java.exe");

  HitLists hits = Walk("D:\\");
  EXPECT_EQ(Ansi(hits[0]),
            (std::vector<std::string>{"D:\\a\\java.exe", "D:\\a\\b\\java.exe", "D:\\a\\z\\java.exe",
                                      "D:\\c\\bin\\java.exe"}));
  EXPECT_EQ(Ansi(hits[1]), (std::vector<std::string>{"D:\\a\\b\\jre.exe", "D:\\jre.exe"}));
  // Each folder is listed once, a subfolder before the siblings after it.
  EXPECT_EQ(
      os.Journal("find "),
      (std::vector<std::string>{"find D:\\*.*", "find D:\\a\\*.*", "find D:\\a\\b\\*.*",
                                "find D:\\a\\z\\*.*", "find D:\\c\\*.*", "find D:\\c\\bin\\*.*"}));
}

TEST_F(DriveWalkTest, NamesCompareByteForByteAndAFolderNamedJavaExeIsAHit) {
  os.AddFile("D:\\upper\\JAVA.EXE");
  os.AddFile("D:\\upper\\Jre.exe");
  os.AddFolder("D:\\odd\\java.exe");
  os.AddFile("D:\\odd\\java.exe\\bin\\jre.exe");

  HitLists hits = Walk("D:\\");
  EXPECT_EQ(Ansi(hits[0]), std::vector<std::string>{"D:\\odd\\java.exe"});
  // The folder was taken as a hit, not walked into.
  EXPECT_TRUE(hits[1].empty());
  EXPECT_TRUE(os.Journal("find D:\\odd\\java.exe").empty());
}

TEST_F(DriveWalkTest, KeepsTheOrderOfARecursiveWalkOnAGeneratedTree) {
  std::mt19937 random(20);
  std::vector<std::string> folders = {"E:"};
  const char* names[] = {"java.exe", "jre.exe", "bin", "lib", "x.txt", "JAVA.EXE"};
  for (int i = 0; i < 3000; ++i) {
    std::string parent = folders[random() % folders.size()];
    unsigned pick = random() % 8;
    bool folder = pick == 2 || pick == 3 || pick >= 6;
    std::string child = parent + "\\" + (pick < 6 ? names[pick] : "f");
    if (folder) child += std::to_string(i % 7);
    if (folder) {
      os.AddFolder(child);
      folders.push_back(child);
    } else {
      os.AddFile(child);
    }
  }
  HitLists expected;
  RecursiveWalk("E:\\", expected);
  std::vector<std::string> expectedFinds = os.Journal("find ");
  os.journal.clear();

  HitLists hits = Walk("E:\\");
  ASSERT_GT(expected[0].size(), 50u);
  ASSERT_GT(expected[1].size(), 50u);
  EXPECT_EQ(hits[0], expected[0]);
  EXPECT_EQ(hits[1], expected[1]);
  EXPECT_EQ(os.Journal("find "), expectedFinds);
}

TEST_F(DriveWalkTest, DoesNotDescendIntoReparsePoints) {
  os.AddLinkFolder("D:\\link");
  os.AddFile("D:\\link\\bin\\java.exe");
  os.AddFile("D:\\real\\bin\\java.exe");

  HitLists hits = Walk("D:\\");
  EXPECT_EQ(Ansi(hits[0]), std::vector<std::string>{"D:\\real\\bin\\java.exe"});
  EXPECT_TRUE(os.Journal("find D:\\link").empty());
}

// A folder cycle: C:\loop\back is a link to C:\loop itself, so every listing
// below it repeats the same two entries for ever.
class CyclePlatform : public MemoryPlatform {
 public:
  int listings = 0;
  bool FindFiles(const std::string& pattern, std::vector<FolderEntry>* entries) override {
    if (pattern.rfind("C:\\loop\\", 0) != 0) return MemoryPlatform::FindFiles(pattern, entries);
    // A walk that follows the link would never end; stop it so that the
    // test fails instead of hanging.
    if (++listings > 50) return false;
    *entries = {{".", kAttributeDirectory},
                {"..", kAttributeDirectory},
                {"back", kAttributeDirectory | kAttributeReparsePoint},
                {"java.exe", 0x80}};
    return true;
  }
};

TEST(DriveWalkCycle, EndsOnAFolderThatLinksToItsOwnAncestor) {
  CyclePlatform os;
  SetPlatform(&os);
  os.AddFolder("C:\\loop");

  HitLists hits;
  WalkForExecutables(kNames, WidePath("C:\\"), hits);
  EXPECT_EQ(os.listings, 1);
  EXPECT_EQ(Ansi(hits[0]), std::vector<std::string>{"C:\\loop\\java.exe"});
}

// A chain of kDepth folders named d with java.exe at the bottom, generated
// on demand: C:\d\d\...\java.exe.
constexpr int kDepth = 10000;

class DeepPlatform : public MemoryPlatform {
 public:
  int listings = 0;
  bool FindFiles(const std::string& pattern, std::vector<FolderEntry>* entries) override {
    ++listings;
    long depth = std::count(pattern.begin(), pattern.end(), '\\') - 1;
    *entries = {{".", kAttributeDirectory}, {"..", kAttributeDirectory}};
    if (depth == 0) entries->clear();  // a drive root has no dot entries
    if (depth < kDepth)
      entries->push_back({"d", kAttributeDirectory});
    else
      entries->push_back({"java.exe", 0x80});
    return true;
  }
};

struct DeepWalk {
  HitLists hits;
};

void* WalkDeepTree(void* argument) {
  WalkForExecutables(kNames, WidePath("C:\\"), static_cast<DeepWalk*>(argument)->hits);
  return nullptr;
}

TEST(DriveWalkDepth, WalksTenThousandLevelsOnASmallStack) {
  DeepPlatform os;
  SetPlatform(&os);
  // A quarter of a megabyte: a walk whose depth used the call stack would
  // need several times that for 10,000 levels.
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 256 * 1024);
  DeepWalk walk;
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, WalkDeepTree, &walk), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);

  EXPECT_EQ(os.listings, kDepth + 1);
  ASSERT_EQ(walk.hits[0].size(), 1u);
  std::string expected = "C:";
  for (int i = 0; i < kDepth; ++i) expected += "\\d";
  EXPECT_EQ(AnsiPath(walk.hits[0][0]), expected + "\\java.exe");
}

TEST_F(DriveWalkTest, AFolderThatCannotBeListedContributesNothing) {
  // A folder's listing fails when it vanished between its parent's listing
  // and its own; its siblings are still walked.
  class VanishingPlatform : public MemoryPlatform {
   public:
    bool FindFiles(const std::string& pattern, std::vector<FolderEntry>* entries) override {
      if (pattern == "D:\\gone\\*.*") {
        entries->push_back({"java.exe", 0x80});  // a partial answer is not used
        return false;
      }
      return MemoryPlatform::FindFiles(pattern, entries);
    }
  } vanishing;
  SetPlatform(&vanishing);
  vanishing.AddFile("D:\\gone\\java.exe");
  vanishing.AddFile("D:\\kept\\java.exe");
  HitLists hits;
  WalkForExecutables(kNames, WidePath("D:\\"), hits);
  EXPECT_EQ(Ansi(hits[0]), std::vector<std::string>{"D:\\kept\\java.exe"});
}

TEST_F(DriveWalkTest, ListsFixedDrivesInLetterOrderWithoutTheExcludedOne) {
  os.SetDriveType("A:\\", kDriveRemovable);
  os.SetDriveType("D:\\", kDriveCdrom);
  os.SetDriveType("E:\\", kDriveFixed);
  os.SetDriveType("F:\\", kDriveRemote);
  os.SetDriveType("G:\\", kDriveRamdisk);
  os.SetDriveType("Z:\\", kDriveFixed);

  EXPECT_EQ(Ansi(ListFixedDrives(WidePath("c:\\"))), (std::vector<std::string>{"E:\\", "Z:\\"}));
  EXPECT_TRUE(os.Journal("drive C:\\").empty());
  EXPECT_EQ(os.Journal("drive ").size(), 25u);
  EXPECT_EQ(Ansi(ListFixedDrives(WidePath("E:\\"))), (std::vector<std::string>{"C:\\", "Z:\\"}));
}

// SearchFileSystem: the system drive first, then the other fixed drives,
// the whole walk once per search.
class FileSystemSearchTest : public JvmTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    BeginSearch("C:\\TEMP\\Verify.class");
    entry.vendor = "sun";
    entry.version = "1.2";
  }
  std::vector<std::string> WalkedRoots() const {
    std::vector<std::string> roots;
    for (const std::string& find : os.Journal("find "))
      if (find.size() == 11) roots.push_back(find.substr(5, 3));  // "find X:\*.*"
    return roots;
  }
  bool Search(const std::string& exeName, bool walked) {
    return SearchFileSystem(entry, exeName, results, hits, walked);
  }

  CriteriaEntry entry;
  std::vector<JvmRecord> results;
  HitLists hits;
};

TEST_F(FileSystemSearchTest, AJvmOnTheSystemDriveEndsTheSearchBeforeDrivesAreListed) {
  os.SetDriveType("D:\\", kDriveFixed);
  InstallJvm("C:\\jdk1.2\\bin\\java.exe", "1.2.2");

  ASSERT_TRUE(Search("java.exe", false));
  EXPECT_EQ(results.front().bin(), "C:\\jdk1.2\\bin\\java.exe");
  EXPECT_EQ(results.front().home(), "C:\\jdk1.2");
  EXPECT_EQ(results.front().type(), "jdk");
  EXPECT_TRUE(os.Journal("drive ").empty());
  EXPECT_EQ(WalkedRoots(), std::vector<std::string>{"C:\\"});
}

TEST_F(FileSystemSearchTest, AJvmOnTheFirstOtherDriveEndsTheSearchBeforeLaterDrives) {
  os.SetDriveType("D:\\", kDriveFixed);
  os.SetDriveType("E:\\", kDriveFixed);
  InstallJvm("C:\\old\\bin\\jre.exe", "1.1.8");
  InstallJvm("D:\\jre\\bin\\jre.exe", "1.2.2");
  InstallJvm("E:\\jre\\bin\\jre.exe", "1.2.2");

  ASSERT_TRUE(Search("jre.exe", false));
  EXPECT_EQ(results.front().bin(), "D:\\jre\\bin\\jre.exe");
  EXPECT_EQ(results.front().type(), "jre");
  EXPECT_EQ(WalkedRoots(), (std::vector<std::string>{"C:\\", "D:\\"}));
  // The system drive's hits were examined again with D:'s: only D:'s run.
  EXPECT_EQ(os.Launches().size(), 2u);
  EXPECT_EQ(Ansi(hits[1]),
            (std::vector<std::string>{"C:\\old\\bin\\jre.exe", "D:\\jre\\bin\\jre.exe"}));
}

TEST_F(FileSystemSearchTest, ASystemFolderWithALowerCaseLetterWalksItsDriveOnce) {
  os.SetSystemDirectory("c:\\windows\\system");
  os.SetDriveType("D:\\", kDriveFixed);
  os.SetDriveType("A:\\", kDriveRemovable);
  os.SetDriveType("R:\\", kDriveCdrom);

  EXPECT_FALSE(Search("java.exe", false));
  EXPECT_EQ(WalkedRoots(), (std::vector<std::string>{"c:\\", "D:\\"}));
  EXPECT_TRUE(os.Journal("drive C:\\").empty());
}

TEST_F(FileSystemSearchTest, OnlyTheSystemDriveIsWalkedBesideFloppyAndCdRomDrives) {
  os.SetDriveType("A:\\", kDriveRemovable);
  os.SetDriveType("B:\\", kDriveRemovable);
  os.SetDriveType("D:\\", kDriveCdrom);
  os.AddFile("A:\\jdk\\bin\\java.exe");
  os.AddFile("D:\\jdk\\bin\\java.exe");

  EXPECT_FALSE(Search("java.exe", false));
  EXPECT_EQ(WalkedRoots(), std::vector<std::string>{"C:\\"});
  EXPECT_TRUE(hits[0].empty());
}

TEST_F(FileSystemSearchTest, AWalkedSearchOnlyReexaminesTheLists) {
  os.SetDriveType("D:\\", kDriveFixed);
  InstallJvm("D:\\jdk\\bin\\java.exe", "1.1.8");
  InstallJvm("D:\\jre\\bin\\jre.exe", "1.1.8");
  EXPECT_FALSE(Search("jre.exe", false));
  std::size_t finds = os.Journal("find ").size();
  std::size_t drives = os.Journal("drive ").size();

  entry.version = "1.1";
  ASSERT_TRUE(Search("java.exe", true));
  EXPECT_EQ(results.front().bin(), "D:\\jdk\\bin\\java.exe");
  EXPECT_EQ(os.Journal("find ").size(), finds);
  EXPECT_EQ(os.Journal("drive ").size(), drives);
}

TEST_F(FileSystemSearchTest, LogsTheWalkAndItsEmptyOutcomeOnlyWithLogAll) {
  Handle log = os.OpenFile("C:\\TEMP\\log.txt", FileAccess::Write, FileShare::None,
                           FileDisposition::CreateAlways);
  SetSearchLog(log);
  EXPECT_FALSE(Search("java.exe", false));
  EXPECT_EQ(os.Content("C:\\TEMP\\log.txt"), "");

  SetLogAll(true);
  EXPECT_FALSE(Search("java.exe", true));
  EXPECT_EQ(os.Content("C:\\TEMP\\log.txt"),
            "\r\n\tSearching a JVM that matches the criteria  (Vendor=sun, Version=1.2, Type=) "
            "in FileSystem...Not Found.");
  SetSearchLog(kNoHandle);
}

}  // namespace
}  // namespace carafe
