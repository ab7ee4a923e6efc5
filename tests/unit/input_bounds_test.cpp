// Inputs that reach past the launcher's fixed buffers, and sizes forged in
// its own file: every bound either holds exactly or fails cleanly, and
// nothing is allocated on the word of a size the file cannot back.
#include <algorithm>
#include <string>
#include <vector>

#include "allocation_watch.h"
#include "archive_bytes.h"
#include "container/java_archive.h"
#include "container/setup_container.h"
#include "container_launcher_fixture.h"
#include "core/launcher.h"
#include "discovery/drive_walk.h"
#include "discovery/search_criteria.h"
#include "discovery/search_locations.h"
#include "launch/bundled_installer.h"
#include "memory_platform.h"
#include "scripted_jvm.h"
#include "string_ids.h"

namespace carafe {
namespace {

constexpr std::size_t kMaxPathChars = 260;
// Far below every forged size here and above every honest request the
// readers make for these small files.
constexpr std::size_t kNoHugeRequest = std::size_t(1) << 20;
const PathString kSetupFolder = L"C:\\SETUP\\";
constexpr const char* kSetupPrefix = "C:\\SETUP\\";
constexpr const char* kSunUrl = "http://java.sun.com/";
constexpr const char* kJdkKey = "Software\\JavaSoft\\Java Development Kit\\1.2";
constexpr const char* kRegisteredKey = "Software\\Varnica\\Java Virtual Machine";

// A relative path of exactly `length` characters: folders of up to 40
// characters, then `name`.
std::string RelativePath(std::size_t length, const std::string& name) {
  std::string path;
  char letter = 'a';
  while (path.size() + name.size() < length) {
    std::size_t room = length - name.size() - path.size();
    std::size_t folder = room > 41 ? 40 : room - 1;
    if (folder == 0) {
      // One character too few for another folder: lengthen the last one.
      path.insert(path.size() - 1, 1, letter);
      continue;
    }
    path += std::string(folder, letter) + "\\";
    letter = letter == 'z' ? 'a' : static_cast<char>(letter + 1);
  }
  return path + name;
}

// An absolute folder below `root` whose path is exactly `length` characters.
std::string FolderOfLength(const std::string& root, std::size_t length) {
  std::string folder = root + RelativePath(length - root.size(), "");
  while (folder.size() > root.size() && folder.back() == '\\') folder.pop_back();
  while (folder.size() < length) folder += 'q';
  return folder;
}

// --- Option values around MAX_PATH.

using OptionPaths = PlatformTest;

TEST_F(OptionPaths, PathValuesAtAndPastMaxPathAreResolvedWholeNeverCut) {
  for (std::size_t length : {259u, 260u, 261u, 5000u}) {
    SCOPED_TRACE(length);
    const std::string relative = RelativePath(length - 9, "x.exe");
    const std::string full = kSetupPrefix + relative;
    ASSERT_EQ(full.size(), length);
    Launcher launcher;
    launcher.Initialize(kSetupFolder, "-archive " + relative + " -verify \"" + relative +
                                          "\" -jvm " + relative);
    EXPECT_EQ(launcher.jvmPath, full);
    EXPECT_EQ(launcher.archivePath, full);
    EXPECT_EQ(launcher.verifyClassPath, full);
    // Absolute values are taken as they stand.
    const std::string absolute = "D:\\" + RelativePath(length - 3, "y.exe");
    Launcher named;
    named.Initialize(kSetupFolder, "/jvm " + absolute);
    EXPECT_EQ(named.jvmPath, absolute);
  }
}

TEST_F(OptionPaths, ALongLogPathCreatesThatFileAndNoneAtAShorterPrefix) {
  // A log path cut to the buffer would replace some other file; the whole
  // path goes to the system, which creates it or fails.
  for (std::size_t length : {259u, 261u, 1500u}) {
    SCOPED_TRACE(length);
    os.journal.clear();
    const std::string relative = RelativePath(length - 9, "run.txt");
    os.AddFolder(kSetupPrefix + relative.substr(0, relative.rfind('\\')));
    Launcher launcher;
    launcher.Initialize(kSetupFolder, "-log " + relative);
    EXPECT_EQ(launcher.logPath, kSetupPrefix + relative);
    EXPECT_EQ(os.Journal("create "),
              (std::vector<std::string>{"create " + std::string(kSetupPrefix) + relative}));
  }
}

TEST_F(OptionPaths, FarMoreUpLevelPiecesThanFoldersStayInsideTheValue) {
  std::string ups;
  for (int i = 0; i < 2000; ++i) ups += "..\\";
  Launcher launcher;
  launcher.Initialize(kSetupFolder, "-verify " + ups + "v.class -jvm .\\.\\" + ups);
  // Each "\.." takes the folder before it; with none left it takes the
  // "\..\" itself, down to the root and never past the string's ends.
  EXPECT_EQ(launcher.verifyClassPath, "C:\\v.class");
  EXPECT_EQ(launcher.jvmPath, "C:\\");
}

// --- Registry values and their 260-byte buffer.

class RegistryBounds : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    BeginSearch("C:\\TEMP\\Verify.class");
  }
  // A JDK home of `length` characters with a JVM in it, registered as a
  // string value that carries its terminating zero (as REG_SZ data does).
  std::string RegisterJdk(std::size_t length, bool terminated = true) {
    std::string home = FolderOfLength("D:\\", length);
    EXPECT_EQ(home.size(), length);
    os.AddProgram(home + "\\bin\\java.exe", PrintingJvm(VerifyLines("1.2.2", kSunUrl)));
    os.SetRegistryValue(kJdkKey, "JavaHome", terminated ? home + std::string(1, '\0') : home);
    return home;
  }
  bool ProbedUnder(const std::string& folder) const {
    for (const std::string& line : os.Journal("attributes "))
      if (line.rfind("attributes " + folder, 0) == 0) return true;
    return false;
  }
  std::vector<JvmRecord> results;
};

TEST_F(RegistryBounds, AHomeThatFillsTheBufferIsReadWhole) {
  const std::string home = RegisterJdk(kMaxPathChars - 1);  // 259 + terminator
  CriteriaEntry entry = Entry("sun", "jdk", "1.2");
  ASSERT_TRUE(SearchEntry(entry, results, kQuickPass));
  EXPECT_EQ(results[0].home(), home);
  EXPECT_EQ(results[0].bin(), home + "\\bin\\java.exe");
}

TEST_F(RegistryBounds, AHomeWithoutTerminatorFillingTheBufferIsReadWhole) {
  const std::string home = RegisterJdk(kMaxPathChars, false);
  CriteriaEntry entry = Entry("sun", "jdk", "1.2");
  ASSERT_TRUE(SearchEntry(entry, results, kQuickPass));
  EXPECT_EQ(results[0].home(), home);
}

TEST_F(RegistryBounds, AHomeOneByteTooLongFailsQuietlyAndIsNeverCut) {
  for (std::size_t length : {kMaxPathChars, kMaxPathChars + 1, std::size_t(5000)}) {
    SCOPED_TRACE(length);
    results.clear();
    os.journal.clear();
    BeginSearch("C:\\TEMP\\Verify.class");
    const std::string home = RegisterJdk(length);
    CriteriaEntry entry = Entry("sun", "jdk", "1.2");
    EXPECT_FALSE(SearchEntry(entry, results, kQuickPass));
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(os.Journal("registry ").size(), 1u);
    // Neither the whole home nor any prefix of it was looked at.
    EXPECT_FALSE(ProbedUnder(home.substr(0, 40)));
    EXPECT_TRUE(os.Launches().empty());
  }
}

class RegisteredJvmBounds : public LauncherWithSetup {};

TEST_F(RegisteredJvmBounds, AnOverlongJavaBinFallsBackToJavaExeAndAnOverlongHomeFails) {
  const std::string home = FolderOfLength("D:\\", kMaxPathChars - 1);
  os.AddFile(home + "\\bin\\java.exe", "MZ");
  os.SetRegistryValue(kRegisteredKey, "JavaHome", home + std::string(1, '\0'));
  os.SetRegistryValue(kRegisteredKey, "JavaBin", std::string(kMaxPathChars, 'b') + '\0');
  ASSERT_TRUE(launcher.ReadRegisteredJvm());
  EXPECT_EQ(launcher.jvmPath, home + "\\bin\\java.exe");

  const std::string longHome = FolderOfLength("D:\\", kMaxPathChars);
  os.AddFile(longHome + "\\bin\\java.exe", "MZ");
  os.SetRegistryValue(kRegisteredKey, "JavaHome", longHome + std::string(1, '\0'));
  launcher.jvmPath.clear();
  EXPECT_FALSE(launcher.ReadRegisteredJvm());
  EXPECT_EQ(launcher.jvmPath, "");
}

// --- PATH and its 67,600-byte buffer.

class PathBounds : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    BeginSearch("C:\\TEMP\\Verify.class");
    os.AddProgram("D:\\jdk\\bin\\java.exe", PrintingJvm(VerifyLines("1.2.2", kSunUrl)));
  }
  // A PATH of exactly `bytes` characters (its terminator not counted):
  // folders of 300 characters, a few empty ones, and last the JVM's folder.
  static std::string PathOfLength(std::size_t bytes) {
    const std::string last = "D:\\jdk\\bin";
    std::string value;
    for (int n = 0; value.size() + 302 + last.size() < bytes; ++n) {
      std::string folder = "E:\\f" + std::to_string(n) + "\\";
      folder.resize(300, 'p');
      value += folder + ";";
    }
    value.append(bytes - last.size() - value.size(), ';');
    return value + last;
  }
  bool Quick() {
    CriteriaEntry entry = Entry("sun", "jdk", "1.2");
    return SearchEntry(entry, results, kQuickPass);
  }
  std::vector<JvmRecord> results;
};

TEST_F(PathBounds, APathThatFillsTheBufferIsScannedToItsLastFolder) {
  const std::string value = PathOfLength(kPathVariableBytes - 1);
  ASSERT_EQ(value.size(), 67599u);
  ASSERT_EQ(value.substr(value.size() - 11), ";D:\\jdk\\bin");
  os.SetEnv("PATH", value);
  ASSERT_TRUE(Quick());
  EXPECT_EQ(results[0].bin(), "D:\\jdk\\bin\\java.exe");
  EXPECT_EQ(os.Journal("find ").back(), "find D:\\jdk\\bin\\java.exe");
}

TEST_F(PathBounds, APathTooLongForTheBufferIsSearchedAsEmpty) {
  for (std::size_t bytes : {kPathVariableBytes, kPathVariableBytes + 1, std::size_t(1) << 20}) {
    SCOPED_TRACE(bytes);
    os.journal.clear();
    BeginSearch("C:\\TEMP\\Verify.class");
    results.clear();
    os.SetEnv("PATH", PathOfLength(bytes));
    EXPECT_FALSE(Quick());
    EXPECT_EQ(os.Journal("env PATH").size(), 1u);
    EXPECT_TRUE(os.Journal("find ").empty());
  }
}

TEST_F(PathBounds, FoldersMakingProbesAroundMaxPathAreLookedUpWhole) {
  std::vector<std::string> folders;
  std::string value;
  for (std::size_t probe : {259u, 260u, 261u, 4000u}) {
    // folder + "\java.exe" is `probe` characters.
    folders.push_back(FolderOfLength("F:\\", probe - 9));
    EXPECT_EQ(folders.back().size() + 9, probe);
    os.AddFile(folders.back() + "\\java.exe", "MZ");
    value += folders.back() + ";";
  }
  os.SetEnv("PATH", value);
  EXPECT_FALSE(Quick());  // none of them answers as a JVM
  std::vector<std::string> expected;
  for (const std::string& folder : folders) expected.push_back(folder + "\\java.exe");
  const PathList& hits = CurrentSearch().pathHits[HitIndex("java.exe")];
  ASSERT_EQ(hits.size(), expected.size());
  for (std::size_t i = 0; i < hits.size(); ++i) {
    EXPECT_EQ(AnsiPath(hits[i]), expected[i]);
    EXPECT_EQ(os.Journal("find ")[i], "find " + expected[i]);
  }
}

// --- The drive walk.

class WalkBounds : public PlatformTest {
 protected:
  std::vector<JvmRecord> results;
};

TEST_F(WalkBounds, EntriesMakingPathsAroundMaxPathAreCollectedWhole) {
  std::vector<std::string> expected;
  for (std::size_t length : {259u, 260u, 261u, 3000u}) {
    expected.push_back(FolderOfLength("D:\\", length - 9) + "\\java.exe");
    EXPECT_EQ(expected.back().size(), length);
    os.AddFile(expected.back(), "MZ");
  }
  HitLists hits;
  WalkForExecutables({"java.exe", "jre.exe"}, WidePath("D:\\"), hits);
  std::vector<std::string> found;
  for (const PathString& hit : hits[0]) found.push_back(AnsiPath(hit));
  std::sort(found.begin(), found.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);
  // The deepest folder was listed under its whole name.
  const std::string deepest = expected.back().substr(0, expected.back().size() - 9);
  const std::vector<std::string> finds = os.Journal("find ");
  EXPECT_NE(std::find(finds.begin(), finds.end(), "find " + deepest + "\\*.*"), finds.end());
}

TEST_F(WalkBounds, WithoutTheSystemFoldersNothingRelativeIsWalkedOrProbed) {
  // GetSystemDirectoryA and GetWindowsDirectoryA give nothing when the path
  // does not fit their buffer; the search must not fall back on the current
  // folder for the system drive, the default folders or jview.
  os.SetSystemDirectory("");
  os.SetWindowsDirectory("");
  os.SetDriveType("D:\\", kDriveFixed);
  os.AddFile("D:\\jdk\\bin\\java.exe", "MZ");
  BeginSearch("C:\\TEMP\\Verify.class");
  os.journal.clear();
  for (const char* vendor : {"sun", "microsoft"}) {
    CriteriaEntry entry = Entry(vendor, "jdk", "1.2");
    SearchEntry(entry, results, kQuickPass);
    SearchEntry(entry, results, kFullPass);
  }
  EXPECT_FALSE(os.Journal("find D:\\").empty());
  for (const std::string& line : os.journal) {
    std::string path;
    if (line.rfind("find ", 0) == 0) path = line.substr(5);
    if (line.rfind("attributes ", 0) == 0) path = line.substr(11);
    if (path.empty()) continue;
    EXPECT_TRUE(path.size() >= 3 && path[1] == ':' && path[2] == '\\') << line;
  }
}

// --- Log entries at the 1024-character formatter limit.

class LogBounds : public PlatformTest {
 protected:
  static constexpr const char* kLog = "C:\\TEMP\\run.txt";
  static constexpr std::size_t kHeaderChars = 35;  // "Date :: ... 15:02:34"
  std::string Entries(const std::string& log) const { return os.Content(log).substr(kHeaderChars); }
};

TEST_F(LogBounds, AValidationEntryReachingTheLimitIsCutThereInOneWrite) {
  // "\r\nValidation of  <path> failed\r\n" is the path plus 26 characters.
  for (std::size_t pathChars : {997u, 998u, 1500u, 12000u}) {
    SCOPED_TRACE(pathChars);
    const std::string relative = RelativePath(pathChars - 9, "v.class");
    const std::string path = kSetupPrefix + relative;
    os.AddFile(path, "not a class file");
    // A log of its own per case: write sizes add up per file.
    const std::string log = "C:\\TEMP\\run" + std::to_string(pathChars) + ".txt";
    Launcher launcher;
    launcher.Initialize(kSetupFolder, "-silent -log " + log + " -verify " + relative);
    EXPECT_FALSE(launcher.Run());
    const std::string whole = "\r\nValidation of  " + path + " failed\r\n";
    EXPECT_EQ(Entries(log), whole.substr(0, kFormatLimit - 1));
    const std::vector<std::uint32_t> writes = os.WriteSizes(log);
    ASSERT_EQ(writes.size(), 2u);  // the header, then the one entry
    EXPECT_EQ(writes[1], pathChars <= 997 ? whole.size() : kFormatLimit - 1);
  }
}

TEST_F(LogBounds, ASearchLogLineForALongCandidateIsCutAtTheLimit) {
  UniqueHandle log(
      os.OpenFile(kLog, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways));
  SetSearchLog(log.Get());
  SetLogAll(true);
  JvmRecord record;
  const std::string bin = FolderOfLength("D:\\", 2000) + "\\bin\\java.exe";
  record.set_bin(bin);
  os.AddProgram(bin, PrintingJvm("no properties at all\r\n"));
  CriteriaEntry entry = Entry("sun", "jdk", std::string(3000, '9'));
  EXPECT_FALSE(entry.VerifyJvm(record, "C:\\TEMP\\Verify.class"));
  entry.LogSearchStep(SearchStart, bin);
  entry.LogSearchSummary();
  SetSearchLog(kNoHandle);
  const std::vector<std::uint32_t> writes = os.WriteSizes(kLog);
  ASSERT_EQ(writes.size(), 4u);
  EXPECT_EQ(writes[0], kFormatLimit - 1);  // "Verifying JVM " + bin
  EXPECT_EQ(writes[1], 7u);                // "failed."
  EXPECT_EQ(writes[2], kFormatLimit - 1);
  EXPECT_EQ(writes[3], kFormatLimit - 1);
  const std::string content = os.Content(kLog);
  EXPECT_EQ(content.substr(0, 19), "\r\n\tVerifying JVM  D");
  EXPECT_EQ(content.substr(kFormatLimit - 1, 7), "failed.");
}

// --- Forged sizes in the setup container and the Java archive.

using ForgedContainer = LauncherWithSetup;

TEST_F(ForgedContainer, SizesAndOffsetsPastTheEndFailWithoutAllocatingThem) {
  using namespace testing_images;
  struct Case {
    const char* what;
    std::string entry;
  };
  const std::string name = String16("rerodova.class");
  const std::vector<Case> cases = {
      {"size of 2 GiB", testing_images::Entry(1, 0x7FFFFFF0, 17)},
      {"size of 4 GiB - 1", testing_images::Entry(1, 0xFFFFFFFF, 17)},
      {"offset at the end", testing_images::Entry(1, 20, 17 + 16 + 4)},
      {"offset past the end", testing_images::Entry(1, 20, 0x7FFFFFFF)},
      {"offset near 2^63", testing_images::Entry(1, 20, 0x7FFFFFFFFFFFFFF0)},
      {"offset near 2^64", testing_images::Entry(1, 20, 0xFFFFFFFFFFFFFFF0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    os.AddFile(kSetup, ExampleImage() + Big32(1) + c.entry + name + "tiny");
    Launcher fresh;
    fresh.AttachUserInterface(&ui);
    AllocationWatch watch;
    EXPECT_FALSE(fresh.ReadSetupContainer());
    EXPECT_LT(watch.Largest(), kNoHugeRequest);
    EXPECT_EQ(os.OpenHandleCount(), 1u);  // the fixture's log only
  }
}

TEST_F(ForgedContainer, ASectionCountOfAllBitsReadsNoEntryAndFailsCleanly) {
  using namespace testing_images;
  std::string sections = MakeContainer(ThreeSections(ClassBytes(10), ClassBytes(10), "c"));
  os.AddFile(kSetup, ExampleImage() + Big32(0xFFFFFFFF) + sections.substr(4));
  AllocationWatch watch;
  EXPECT_FALSE(launcher.ReadSetupContainer());
  EXPECT_LT(watch.Largest(), kNoHugeRequest);
  ExpectOneMessage(kInvalidExecutable, true);
}

using namespace archive_bytes;

class ForgedArchive : public PlatformTest {
 protected:
  static constexpr const char* kArchive = "C:\\TEMP\\rerodova.class";
};

TEST_F(ForgedArchive, AHugeResourceCountReadsOnlyWhatTheFileHolds) {
  archive_bytes::Section forged;
  forged.name = "S";
  for (int i = 0; i < 50; ++i) forged.records.push_back(Record{"", "r" + std::to_string(i), "d"});
  forged.forgeCount = true;
  forged.resourceCount = 0xFFFFFFFF;
  forged.forgePayloadSize = true;
  forged.payloadSize = 0xFFFFFFFFFFFFFFFF;
  os.AddFile(kArchive, Build({forged}));
  AllocationWatch watch;
  JavaArchive archive(kNoHandle);
  EXPECT_FALSE(archive.Open(kArchive));
  EXPECT_LT(watch.Largest(), kNoHugeRequest);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(ForgedArchive, AnInstallerSizeTheFileCannotHoldIsNeverAllocated) {
  for (std::uint32_t size : {0x7FFFFFFFu, 0xFFFFFFFFu, 0x200000u}) {
    SCOPED_TRACE(size);
    std::string record;
    U32(record, 1);
    U8(record, 1);
    archive_bytes::String16(record, "jre.exe");
    U32(record, size);
    record += "MZ";
    std::string bytes = archive_bytes::ClassBytes();
    const std::uint64_t section = bytes.size();
    archive_bytes::String16(bytes, kBundledInstallersSection);
    U32(bytes, 1);
    U64(bytes, record.size());
    U8(bytes, 0);
    bytes += record;
    const std::uint64_t table = bytes.size();
    U16(bytes, 1);
    archive_bytes::String16(bytes, kBundledInstallersSection);
    U64(bytes, section);
    U64(bytes, table);
    os.AddFile(kArchive, bytes);

    JavaArchive archive(kNoHandle);
    ASSERT_TRUE(archive.Open(kArchive));
    const ArchiveResource* installer =
        FindBundledInstaller(archive.Section(kBundledInstallersSection));
    ASSERT_NE(installer, nullptr);
    std::vector<std::uint8_t> buffer;
    AllocationWatch watch;
    EXPECT_EQ(LoadInstallerData(*installer, &buffer), InstallerLoad::ReadFailed);
    EXPECT_LT(watch.Largest(), kNoHugeRequest);
    EXPECT_TRUE(buffer.empty());
  }
}

}  // namespace
}  // namespace carafe
