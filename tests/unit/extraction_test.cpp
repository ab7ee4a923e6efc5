// Writing the run's files into the temporary folder: the verify class and the
// Java archive from the launcher's own container, the criteria taken out of
// it, and the bundled JVM installer from the archive, with the room check and
// every failure's entry and box.
#include "container/extraction.h"

#include <algorithm>

#include "allocation_watch.h"
#include "archive_bytes.h"
#include "launch/bundled_installer.h"
#include "launcher_fixture.h"
#include "support/file_utilities.h"

namespace carafe {
namespace {

using testing_images::ClassBytes;
using Sizes = std::vector<std::uint32_t>;

const char* const kVerifyFile = "C:\\TEMP\\Verify.class";
const char* const kArchiveFile = "C:\\TEMP\\rerodova.class";
const char* const kInstaller = "C:\\TEMP\\jre.exe";

using Extraction = LauncherTest;

TEST_F(Extraction, VerifyClassGoesOutInOneWriteAndTheArchiveInChunksOf1024Bytes) {
  struct Case {
    std::size_t size;
    Sizes writes;
  };
  // Largest first: each run replaces a longer file.
  for (const Case& c :
       {Case{3 * 1024 + 5, {1024, 1024, 1024, 5}}, Case{1024, {1024}}, Case{700, {700}}}) {
    SCOPED_TRACE(c.size);
    std::string archive = ClassBytes(c.size, 'a');
    for (std::size_t i = 4; i < archive.size(); ++i) archive[i] = static_cast<char>(i * 7);
    WriteSetup(archive, ClassBytes(3000, 'v'), "c");
    TestLauncher fresh;
    FakeUserInterface freshUi;
    Prepare(fresh, freshUi);
    ASSERT_TRUE(fresh.ExtractJavaArchive() && fresh.ExtractVerifyClass());
    EXPECT_EQ(os.Content(kArchiveFile), archive);
    Sizes writes = os.WriteSizes(kArchiveFile);
    EXPECT_EQ(Sizes(writes.end() - c.writes.size(), writes.end()), c.writes);
    EXPECT_EQ(os.WriteSizes(kVerifyFile).back(), 3000u);
    EXPECT_EQ(fresh.State().archivePath, kArchiveFile);
    EXPECT_EQ(fresh.State().verifyClassPath, kVerifyFile);
    EXPECT_TRUE(fresh.State().javaArchiveWritten && fresh.State().verifyClassWritten);
  }
  EXPECT_EQ(os.OpenHandleCount(), 0u);  // every file written was closed
}

TEST_F(Extraction, FreeSpaceEqualToTheFileSizeIsTooLittle) {
  WriteSetup(ClassBytes(600), ClassBytes(1709), "c");
  SetFreeBytes(1709);
  EXPECT_FALSE(launcher.ExtractVerifyClass());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kDiskSpace);
  EXPECT_EQ(ui.messages[0].caption, kTitle);
  EXPECT_TRUE(ui.messages[0].ownedByProgress);
  EXPECT_EQ(LogText(), "\r\nNot enough space to copy file  Verify.class of size (1709)\r\n");
  EXPECT_FALSE(os.Exists(kVerifyFile));
  EXPECT_EQ(launcher.State().verifyClassPath, "");
  SetFreeBytes(1710);
  EXPECT_TRUE(launcher.ExtractVerifyClass());
  // The archive is weighed by its own size.
  SetFreeBytes(601);
  EXPECT_TRUE(launcher.ExtractJavaArchive());
  SetFreeBytes(600);
  TestLauncher second;
  FakeUserInterface secondUi;
  Prepare(second, secondUi);
  EXPECT_FALSE(second.ExtractJavaArchive());
  EXPECT_EQ(second.State().archivePath, "");
}

TEST_F(Extraction, FreeSpaceIsComputedWithoutOverflowOnTheTemporaryFoldersDrive) {
  std::string folder;
  struct Case {
    DiskFreeSpace space;
    std::uint32_t needed;
    bool enough;
  };
  for (const Case& c : {Case{{64, 4096, 0x100000, 0x200000}, 0xFFFFFFFF, true},  // 256 GiB
                        Case{{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}, 0xFFFFFFFF, true},
                        Case{{1, 0x10000, 0x10000, 0x10000}, 0xFFFFFFFF, true},  // 2^32 exactly
                        Case{{0, 512, 1000, 1000}, 0, false}}) {
    os.SetDiskFreeSpace("C:\\", c.space);
    EXPECT_EQ(FindTempDirWithSpace(&folder, c.needed), c.enough);
  }
  EXPECT_EQ(folder, "C:\\TEMP\\");
  folder = "unchanged";
  // None, a share (its first three characters are no drive root), a drive that cannot be asked.
  for (const char* temp : {"", "\\\\server\\share\\temp\\", "D:\\T\\"}) {
    os.SetTempPath(temp);
    EXPECT_FALSE(FindTempDirWithSpace(&folder, 1)) << temp;
  }
  EXPECT_EQ(folder, "unchanged");
  os.SetDiskFreeSpace("d:\\", {8, 512, 100, 100});
  EXPECT_TRUE(FindTempDirWithSpace(&folder, 1));
  EXPECT_EQ(folder, "D:\\T\\");
}

// Records the roots whose free space was asked for.
class RootPlatform : public MemoryPlatform {
 public:
  std::vector<std::string> roots;
  bool FreeSpace(const std::string& root, DiskFreeSpace* space) override {
    roots.push_back(root);
    return MemoryPlatform::FreeSpace(root, space);
  }
};

TEST(FreeSpace, IsAskedOfTheTemporaryFoldersDriveRoot) {
  RootPlatform os;
  ScopedPlatform installed(os);
  os.SetTempPath("D:\\Temp\\Setup\\");
  os.SetDiskFreeSpace("D:\\", {8, 512, 100, 100});
  std::string folder;
  EXPECT_TRUE(FindTempDirWithSpace(&folder, 1));
  EXPECT_EQ(os.roots, std::vector<std::string>{"D:\\"});
}

TEST_F(Extraction, ALockedFileIsNotRewrittenNorCountedAsWrittenAndAShortWriteFails) {
  WriteSetup(ClassBytes(3000), ClassBytes(20, 'n'), "c");
  const std::string earlier = ClassBytes(40, 'e');
  os.AddFile(kVerifyFile, earlier);
  // Another process holds it open: it can be read, not replaced.
  File held = os.OpenFile(kVerifyFile, FileAccess::Read, FileShare::ReadWrite,
                          FileDisposition::OpenExisting);
  ASSERT_TRUE(launcher.ExtractVerifyClass());
  EXPECT_EQ(os.Content(kVerifyFile), earlier);
  EXPECT_EQ(launcher.State().verifyClassPath, kVerifyFile);
  EXPECT_FALSE(launcher.State().verifyClassWritten);  // so the clean-up leaves it
  os.LimitWrites(kArchiveFile, 1500);
  EXPECT_FALSE(launcher.ExtractJavaArchive());
  EXPECT_EQ(os.WriteSizes(kArchiveFile), (Sizes{1024, 1024}));
  EXPECT_EQ(LogText(), "\r\nError occured while Extracting file  C:\\TEMP\\rerodova.class ...\r\n");
  EXPECT_EQ(launcher.State().archivePath, "");
  EXPECT_FALSE(launcher.State().javaArchiveWritten);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Extraction, CriteriaComeFromTheirLengthPrefixedStringUpToAZero) {
  using testing_images::String16;
  struct Case {
    std::string section;
    const char* expected;
  } cases[] = {{String16(std::string("vendor=sun:type=jre;vendor=ibm\0junk", 35)),
                "vendor=sun:type=jre;vendor=ibm"},
               {String16(""), ""},
               // The length claims one byte more than the section holds.
               {testing_images::Big16(11) + "vendor=sun", ""}};
  for (const Case& c : cases) {
    WriteSetup({{1, "rerodova.class", ClassBytes(10)},
                {2, "Verify.class", ClassBytes(10)},
                {3, "vm search criteria", c.section}});
    TestLauncher fresh;
    FakeUserInterface freshUi;
    Prepare(fresh, freshUi);
    EXPECT_EQ(fresh.ExtractSearchCriteria(), *c.expected != '\0');
    EXPECT_EQ(fresh.State().searchCriteria, c.expected);
    EXPECT_TRUE(fresh.State().containerLoaded);
  }
  EXPECT_FALSE(os.Exists("C:\\TEMP\\vm search criteria"));
}

TEST_F(Extraction, TheContainerIsReadOnceAndAnUnreadableOrBrokenOneFailsEveryStep) {
  WriteSetup(ClassBytes(10), ClassBytes(10), "vendor=ibm");
  const std::string whole = os.Content(kSetup);
  ASSERT_TRUE(launcher.ExtractVerifyClass());
  os.RemoveFile(kSetup);
  EXPECT_TRUE(launcher.ExtractSearchCriteria());  // from the container read before
  const std::string corrupted = "\r\n Corrupted Installation executable  C:\\SETUP\\setup.exe\r\n";
  struct Case {
    std::string setup, log, message;
    bool owned;
  } cases[] = {
      {"",
       "\r\nCould not open file  C:\\SETUP\\setup.exe \r\n\r\n Read failed "
       "C:\\SETUP\\setup.exe\r\n",
       "Read failed", false},
      {testing_images::ExampleImage() +
           testing_images::MakeContainer(
               {{1, "rerodova.class", ClassBytes(10)},
                {3, "vm search criteria", testing_images::String16("x")}}),
       corrupted, kInvalidExecutable, true},
      {testing_images::ExampleImage() + testing_images::Big32(0), corrupted, kInvalidExecutable,
       true},
      {whole.substr(0, whole.size() - 3), corrupted, kInvalidExecutable, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.log);
    if (!c.setup.empty()) os.AddFile(kSetup, c.setup);
    TestLauncher fresh;
    FakeUserInterface freshUi;
    Prepare(fresh, freshUi);
    EXPECT_FALSE(fresh.ExtractVerifyClass());
    EXPECT_FALSE(fresh.State().containerLoaded);
    EXPECT_EQ(fresh.State().verifyClassPath, "");
    EXPECT_EQ(LogText(), c.log);
    EXPECT_FALSE(fresh.ExtractSearchCriteria());
    // Each step tried to load the container and said so.
    ASSERT_EQ(freshUi.messages.size(), 2u);
    EXPECT_EQ(freshUi.messages[0].text, c.message);
    EXPECT_EQ(freshUi.messages[0].ownedByProgress, c.owned);
  }
}

TEST_F(Extraction, TheClassFileCheckWantsTheMagicInTheFirstFourBytes) {
  os.AddFile("C:\\a.class", "\xCA\xFE\xBA\xBE");
  os.AddFile("C:\\b.class", "\xCA\xFE\xBA");
  os.AddFile("C:\\d.class", "\xBE\xBA\xFE\xCA");
  os.Lock("C:\\e.class");
  EXPECT_TRUE(IsClassFile("C:\\a.class"));
  for (const char* path :
       {"C:\\b.class", "C:\\d.class", "C:\\e.class", "C:\\missing.class", "C:\\TEMP"})
    EXPECT_FALSE(IsClassFile(path)) << path;
  EXPECT_EQ(os.OpenHandleCount(), 1u);
}

TEST_F(Extraction, ARegistryStringIsTheValueUpToItsFirstZeroWhateverItsType) {
  const std::string key = "Software\\JavaSoft\\Java Runtime Environment\\1.2";
  os.SetRegistryValue(key, "JavaHome", std::string("C:\\jre\0\x01\x02", 9));
  os.SetRegistryValue(key, "MicroVersion", std::string("\x02\x00\x00\x00", 4));
  os.SetRegistryValue(key, "Long", std::string(261, 'x'));
  std::string text = "before";
  ASSERT_TRUE(QueryRegistryString(key, "JavaHome", &text));
  EXPECT_EQ(text, "C:\\jre");
  ASSERT_TRUE(QueryRegistryString(key, "MicroVersion", &text));
  EXPECT_EQ(text, "\x02");
  text = "before";
  EXPECT_FALSE(QueryRegistryString(key, "Long", &text));
  EXPECT_EQ(text, "before");
}

// --- The bundled JVM installer.

class BundledInstaller : public LauncherTest {
 protected:
  BundledInstaller() { launcher.State().archivePath = kArchiveFile; }
  void WriteArchive(const std::vector<archive_bytes::Record>& installers) {
    os.AddFile(kArchiveFile, archive_bytes::Build({archive_bytes::Section{"Classes", {}, true},
                                                   {kBundledInstallersSection, installers}}));
  }
};

TEST_F(BundledInstaller, WritesTheFirstResourceFlaggedAsInstallerOverAnOlderFile) {
  using archive_bytes::Flagged;
  Prepare(launcher, ui, true);
  os.AddFile(kInstaller, "an older and much longer installer left by another run");
  WriteArchive({Flagged("readme.txt", "read me", 0), Flagged("jre.exe", "MZ jre installer"),
                Flagged("second.exe", "MZ another")});
  ui.bundledPromptAnswer = kDialogOk;
  ASSERT_TRUE(launcher.OfferBundledJvm());
  EXPECT_EQ(launcher.State().bundledInstallerPath, kInstaller);
  EXPECT_TRUE(launcher.State().bundledInstallerWritten);
  EXPECT_EQ(os.Content(kInstaller), "MZ jre installer");
  EXPECT_EQ(os.WriteSizes(kInstaller), Sizes{16});
  EXPECT_FALSE(os.Exists("C:\\TEMP\\readme.txt") || os.Exists("C:\\TEMP\\second.exe"));
  EXPECT_EQ(ui.events, (std::vector<std::string>{"hide", "bundled prompt", "show",
                                                 "status Installing JVM..."}));
  EXPECT_TRUE(ui.messages.empty());
  // The entries of reading the archive come first.
  EXPECT_EQ(LogText().rfind("\r\nReading Java archive C:\\TEMP\\rerodova.class with 2 sections", 0),
            0u);
  EXPECT_NE(LogText().find("\r\nExtracting file  C:\\TEMP\\jre.exe...\r\n"), std::string::npos);
  launcher.CleanUp();
  EXPECT_FALSE(os.Exists(kInstaller));
}

TEST_F(BundledInstaller, WithoutAFlaggedResourceNothingIsWrittenAndNothingRuns) {
  using archive_bytes::Flagged;
  WriteArchive({Flagged("readme.txt", "r", 0), Flagged("n.txt", "n", 2)});
  ui.bundledPromptAnswer = kDialogCancel;
  EXPECT_FALSE(launcher.OfferBundledJvm());  // the user said no: nothing is read
  EXPECT_TRUE(os.Journal("create ").empty());
  ui.bundledPromptAnswer = kDialogOk;
  EXPECT_TRUE(launcher.OfferBundledJvm());
  EXPECT_FALSE(launcher.State().bundledInstallerWritten);
  EXPECT_EQ(os.Journal("create C:\\TEMP\\"), std::vector<std::string>{});
  EXPECT_FALSE(launcher.RunBundledJvmInstaller());
  EXPECT_TRUE(os.Launches().empty());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(LogText(), "");
}

TEST_F(BundledInstaller, EachFailureHasItsEntryAndItsBox) {
  using namespace archive_bytes;
  // A record that claims 2 GiB of data the file does not hold.
  Section forged{kBundledInstallersSection, {}};
  forged.forgeCount = true;
  forged.resourceCount = 1;
  forged.payload = RecordBytes(Flagged("huge.exe", "")).substr(0, 15) + "\x7F\xFF\xFF\xFF" + "MZ";
  const std::string kCorrupted = "Corrupted JVM Installer  C:\\TEMP\\";
  struct Case {
    const char* what;
    std::string archive;
    std::string log;
    const char* message;
  };
  os.Lock("C:\\TEMP\\locked.exe");
  os.LimitWrites("C:\\TEMP\\short.exe", 4);
  for (const Case& c : std::vector<Case>{
           {"no archive", "", "Could not open file  C:\\TEMP\\rerodova.class \r\n",
            kInvalidExecutable},
           {"free space equal to the size",
            Build({{kBundledInstallersSection, {Flagged("ten.exe", "0123456789")}}}),
            "\r\nNot enough space to copy file  ten.exe of size (10)\r\n", kDiskSpace},
           {"cannot be created",
            Build({{kBundledInstallersSection, {Flagged("locked.exe", "MZ")}}}),
            kCorrupted + "locked.exe\r\n", kInvalidExecutable},
           {"empty", Build({{kBundledInstallersSection, {Flagged("empty.exe", "")}}}),
            kCorrupted + "empty.exe\r\n", kInvalidExecutable},
           {"data past the end", Build({forged}), kCorrupted + "huge.exe\r\n", kInvalidExecutable},
           {"short write",
            Build({{kBundledInstallersSection, {Flagged("short.exe", "MZ installer")}}}),
            "\r\nError occured while Extracting file  C:\\TEMP\\short.exe ...\r\n", nullptr},
       }) {
    SCOPED_TRACE(c.what);
    if (c.archive.empty())
      os.RemoveFile(kArchiveFile);
    else
      os.AddFile(kArchiveFile, c.archive);
    SetFreeBytes(c.log.find("space") != std::string::npos ? 10 : 0xFFFFFFF0);
    TestLauncher fresh;
    FakeUserInterface freshUi;
    Prepare(fresh, freshUi);
    fresh.State().archivePath = kArchiveFile;
    fresh.State().silent = true;  // no prompt; the boxes still show
    AllocationWatch watch;
    EXPECT_FALSE(fresh.OfferBundledJvm());
    EXPECT_LT(watch.Largest(), std::size_t(1) << 20);  // nothing allocated on a forged size
    EXPECT_EQ(LogText(), c.log);
    ASSERT_EQ(freshUi.messages.size(), c.message ? 1u : 0u);
    if (c.message) {
      EXPECT_EQ(freshUi.messages[0].text, c.message);
    }
    EXPECT_FALSE(fresh.State().bundledInstallerWritten);
    EXPECT_EQ(fresh.State().bundledInstallerPath, "");
  }
  EXPECT_TRUE(os.Journal("create C:\\TEMP\\ten.exe").empty());
  SetFreeBytes(11);  // one byte more is enough
  os.AddFile(kArchiveFile,
             Build({{kBundledInstallersSection, {Flagged("ten.exe", "0123456789")}}}));
  launcher.State().silent = true;
  EXPECT_TRUE(launcher.OfferBundledJvm());
}

TEST_F(BundledInstaller, RunsVisiblyWhileTheProgressDialogStepsAsideAndOnlyAFailedWaitFails) {
  WriteArchive({archive_bytes::Flagged("jre.exe", "MZ")});
  Prepare(launcher, ui, true);
  launcher.State().silent = true;
  ASSERT_TRUE(launcher.OfferBundledJvm());
  launcher.State().silent = false;
  ChildRun result;
  result.exitCode = 1602;  // the user cancelled: still counts as run
  os.AddProgram(kInstaller, [this, &result](const std::string&) {
    ui.events.push_back("installer runs");
    return result;
  });
  const std::size_t logBefore = LogText().size();
  EXPECT_TRUE(launcher.RunBundledJvmInstaller());
  EXPECT_EQ(ui.events, (std::vector<std::string>{"hide", "installer runs", "show"}));
  const Launch& run = os.Launches().at(0);
  EXPECT_EQ(run.commandLine, kInstaller);
  EXPECT_EQ(run.showState, kShowNormal);
  EXPECT_TRUE(run.waitedFor);
  EXPECT_FALSE(run.windowSearch);
  EXPECT_EQ(LogText().substr(logBefore), "\r\nLaunching  JVM Installer  C:\\TEMP\\jre.exe...\r\n");
  result.waitFails = true;
  EXPECT_FALSE(launcher.RunBundledJvmInstaller());
  EXPECT_EQ(ui.events.back(), "show");  // the dialog comes back after a failed run as well
}

}  // namespace
}  // namespace carafe
