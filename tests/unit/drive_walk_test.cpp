// The walk of the fixed drives for java.exe and jre.exe.
#include "discovery/drive_walk.h"

#include <pthread.h>

#include <algorithm>

#include "discovery/search_locations.h"
#include "memory_platform.h"
#include "scripted_jvm.h"

namespace carafe {
namespace {

const ExeNames kNames = {"java.exe", "jre.exe"};
using Strings = std::vector<std::string>;

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

using DriveWalkTest = PlatformTest;

TEST_F(DriveWalkTest, NamesCompareByteForByteAndAFolderNamedJavaExeIsAHit) {
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
    *entries = {{".", kAttributeDirectory}, {"..", kAttributeDirectory},
                {"back", kAttributeDirectory | kAttributeReparsePoint}, {"java.exe", 0x80}};
    return true;
  }
};

TEST(DriveWalkCycle, EndsOnAFolderThatLinksToItsOwnAncestor) {
  CyclePlatform os;
  SetPlatform(&os);
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

TEST(DriveWalkDepth, WalksTenThousandLevelsOnASmallStack) {
  DeepPlatform os;
  SetPlatform(&os);
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

// SearchFileSystem: the system drive first, then each other fixed drive.
class FileSystemSearchTest : public JvmTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    BeginSearch("C:\\TEMP\\Verify.class");
    entry = Entry("sun", "", "1.2");
    os.SetDriveType("D:\\", kDriveFixed);
  }
  Strings WalkedRoots() const {
    Strings roots;
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
  InstallJvm("C:\\jdk1.2\\bin\\java.exe", "1.2.2");
  ASSERT_TRUE(Search("java.exe", false));
  EXPECT_EQ(results.front().type(), "jdk");
  EXPECT_TRUE(os.Journal("drive ").empty());
}

TEST_F(FileSystemSearchTest, AJvmOnTheFirstOtherDriveEndsTheSearchBeforeLaterDrives) {
  os.SetDriveType("E:\\", kDriveFixed);
  InstallJvm("C:\\old\\bin\\jre.exe", "1.1.8");
  InstallJvm("D:\\jre\\bin\\jre.exe", "1.2.2");
  InstallJvm("E:\\jre\\bin\\jre.exe", "1.2.2");
  ASSERT_TRUE(Search("jre.exe", false));
  EXPECT_EQ(results.front().bin(), "D:\\jre\\bin\\jre.exe");
  EXPECT_EQ(results.front().type(), "jre");
  EXPECT_EQ(WalkedRoots(), (Strings{"C:\\", "D:\\"}));
  EXPECT_EQ(os.Launches().size(), 2u);  // C:'s hit is not run again with D:'s
}

// Found once: "c:\" and "C:\" were both walked.
TEST_F(FileSystemSearchTest, ASystemFolderWithALowerCaseLetterWalksItsDriveOnce) {
  os.SetSystemDirectory("c:\\windows\\system");
  EXPECT_FALSE(Search("java.exe", false));
  EXPECT_EQ(WalkedRoots(), (Strings{"c:\\", "D:\\"}));
}

TEST_F(FileSystemSearchTest, AWalkedSearchOnlyReexaminesTheListsAndLogsWithLogAll) {
  InstallJvm("D:\\jdk\\bin\\java.exe", "1.1.8");
  EXPECT_FALSE(Search("java.exe", false));
  std::size_t finds = os.Journal("find ").size(), drives = os.Journal("drive ").size();
  File log = os.OpenFile("C:\\TEMP\\log.txt", FileAccess::Write, FileShare::None,
                           FileDisposition::CreateAlways);
  SetSearchLog(&log);
  SetLogAll(true);
  entry.version = "1.1";
  ASSERT_TRUE(Search("java.exe", true));
  EXPECT_EQ(results.front().bin(), "D:\\jdk\\bin\\java.exe");
  EXPECT_EQ(os.Journal("find ").size(), finds);
  EXPECT_EQ(os.Journal("drive ").size(), drives);
  EXPECT_EQ(os.Content("C:\\TEMP\\log.txt"),
            "\r\n\tSearching a JVM that matches the criteria  (Vendor=sun, Version=1.1, Type=) "
            "in FileSystem...\r\n\tVerifying JVM  D:\\jdk\\bin\\java.exe...Passed.");
  SetSearchLog(nullptr);
}

}  // namespace
}  // namespace carafe
