// Loading the launcher's own container, writing the verify class and the
// Java archive into the temporary directory, taking out the search criteria,
// and the file, registry and text helpers around them.
#include "container/extraction.h"
#include "container/file_utilities.h"
#include "container_launcher_fixture.h"

namespace carafe {
namespace {

using namespace testing_images;

const char* const kVerifyFile = "C:\\TEMP\\Verify.class";
const char* const kArchiveFile = "C:\\TEMP\\rerodova.class";

using Extraction = LauncherWithSetup;

TEST_F(Extraction, VerifyClassGoesOutInOneWrite) {
  std::string verify = ClassBytes(3000, 'v');
  WriteSetup(ClassBytes(10), verify, "c");
  ASSERT_TRUE(launcher.ExtractVerifyClass());
  EXPECT_EQ(os.Content(kVerifyFile), verify);
  EXPECT_EQ(os.WriteSizes(kVerifyFile), std::vector<std::uint32_t>{3000});
  EXPECT_EQ(launcher.verifyClassPath, kVerifyFile);
  EXPECT_TRUE(launcher.verifyClassWritten);
  EXPECT_EQ(os.OpenHandleCount(), 1u);  // the log only
}

TEST_F(Extraction, JavaArchiveGoesOutInChunksOf1024BytesOverAnyOlderFile) {
  struct Case {
    std::size_t size;
    std::vector<std::uint32_t> writes;
  };
  // Largest first: each run replaces a longer file.
  for (const Case& c : {Case{3 * 1024 + 5, {1024, 1024, 1024, 5}}, Case{2048, {1024, 1024}},
                        Case{1024, {1024}}, Case{700, {700}}}) {
    SCOPED_TRACE(c.size);
    std::string archive = ClassBytes(c.size, 'a');
    for (std::size_t i = 4; i < archive.size(); ++i) archive[i] = static_cast<char>(i * 7);
    WriteSetup(archive, ClassBytes(10), "c");
    Launcher fresh;
    ASSERT_TRUE(fresh.ExtractJavaArchive());
    EXPECT_EQ(os.Content(kArchiveFile), archive);
    std::vector<std::uint32_t> writes = os.WriteSizes(kArchiveFile);
    EXPECT_EQ(std::vector<std::uint32_t>(writes.end() - c.writes.size(), writes.end()), c.writes);
    EXPECT_EQ(fresh.archivePath, kArchiveFile);
    EXPECT_TRUE(fresh.javaArchiveWritten);
  }
}

TEST_F(Extraction, ContainerIsReadOnceForAllStepsAndAFailedLoadFailsEach) {
  WriteSetup(ClassBytes(10), ClassBytes(10), "vendor=ibm");
  ASSERT_TRUE(launcher.ExtractVerifyClass());
  os.AddFile(kSetup, ExampleImage());
  EXPECT_TRUE(launcher.ExtractSearchCriteria());  // from the container read before
  Launcher broken;
  broken.AttachUserInterface(&ui);
  EXPECT_FALSE(broken.ExtractVerifyClass());
  EXPECT_EQ(broken.verifyClassPath, "");
  EXPECT_FALSE(broken.ExtractSearchCriteria());
  EXPECT_EQ(ui.messages.size(), 2u);  // each step tried to load and said so
}

TEST_F(Extraction, FreeSpaceEqualToTheFileSizeIsTooLittle) {
  WriteSetup(ClassBytes(600), ClassBytes(1709), "c");
  SetFreeBytes(1709);
  EXPECT_FALSE(launcher.ExtractVerifyClass());
  ExpectOneMessage(kDiskSpace, true);
  EXPECT_EQ(LogText(), "\r\nNot enough space to copy file  Verify.class of size (1709)\r\n");
  EXPECT_FALSE(os.Exists(kVerifyFile));
  EXPECT_EQ(launcher.verifyClassPath, "");
  SetFreeBytes(1710);
  EXPECT_TRUE(launcher.ExtractVerifyClass());
  // The archive is weighed by its own size.
  SetFreeBytes(601);
  EXPECT_TRUE(launcher.ExtractJavaArchive());
  SetFreeBytes(600);
  Launcher second;
  second.AttachUserInterface(&ui);
  EXPECT_FALSE(second.ExtractJavaArchive());
  EXPECT_EQ(second.archivePath, "");
}

using FreeSpace = PlatformTest;

TEST_F(FreeSpace, IsComputedWithoutOverflow) {
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
}

TEST_F(FreeSpace, NeedsATemporaryDirectoryOnADriveTheSystemCanAsk) {
  std::string folder = "unchanged";
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

TEST_F(Extraction, LockedVerifyClassIsNotRewrittenAndStillChecksOut) {
  WriteSetup(ClassBytes(10), ClassBytes(20, 'n'), "c");
  std::string earlier = ClassBytes(40, 'e');
  os.AddFile(kVerifyFile, earlier);
  // Another process holds it open: it can be read, not replaced.
  File held = os.OpenFile(kVerifyFile, FileAccess::Read, FileShare::ReadWrite,
                                FileDisposition::OpenExisting);
  ASSERT_TRUE(launcher.ExtractVerifyClass());
  EXPECT_EQ(os.Content(kVerifyFile), earlier);
  EXPECT_EQ(launcher.verifyClassPath, kVerifyFile);
  EXPECT_FALSE(launcher.verifyClassWritten);  // so the clean-up leaves it
}

TEST_F(Extraction, ShortWriteFailsWithItsLine) {
  WriteSetup(ClassBytes(3000), ClassBytes(10), "c");
  os.LimitWrites(kArchiveFile, 1500);
  EXPECT_FALSE(launcher.ExtractJavaArchive());
  EXPECT_EQ(os.WriteSizes(kArchiveFile), (std::vector<std::uint32_t>{1024, 1024}));
  EXPECT_EQ(LogText(), "\r\nError occured while Extracting file  C:\\TEMP\\rerodova.class ...\r\n");
  EXPECT_EQ(launcher.archivePath, "");
  EXPECT_FALSE(launcher.javaArchiveWritten);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Extraction, CriteriaComeFromTheirLengthPrefixedStringUpToAZero) {
  WriteSetup(ClassBytes(10), ClassBytes(10),
             std::string("vendor=sun:type=jre;vendor=ibm\0junk", 35));
  ASSERT_TRUE(launcher.ReadSetupContainer());
  SetLogAll(true);
  ASSERT_TRUE(launcher.ExtractSearchCriteria());
  EXPECT_EQ(launcher.searchCriteria, "vendor=sun:type=jre;vendor=ibm");
  EXPECT_EQ(LogText(), "\r\nExtracting Search Criteria...\r\n");
  EXPECT_FALSE(os.Exists("C:\\TEMP\\vm search criteria"));
}

TEST_F(Extraction, EmptyOrOverlongCriteriaFail) {
  WriteSetup(ClassBytes(10), ClassBytes(10), "");
  EXPECT_FALSE(launcher.ExtractSearchCriteria());
  EXPECT_EQ(launcher.searchCriteria, "");
  // The length claims one byte more than the section holds.
  WriteSetup({{1, "rerodova.class", ClassBytes(10)},
              {2, "Verify.class", ClassBytes(10)},
              {3, "vm search criteria", Big16(11) + "vendor=sun"}});
  Launcher second;
  EXPECT_FALSE(second.ExtractSearchCriteria());
  EXPECT_EQ(second.searchCriteria, "");
  EXPECT_TRUE(second.containerLoaded);
}

TEST_F(Extraction, ClassFileCheckWantsTheMagicInTheFirstFourBytes) {
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

using FileUtilities = PlatformTest;

TEST_F(FileUtilities, RegistryStringIsTheValueUpToItsFirstZeroWhateverItsType) {
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

TEST_F(Extraction, UnreadableExecutableSaysReadFailedWithoutOwner) {
  EXPECT_FALSE(launcher.ReadSetupContainer());
  EXPECT_EQ(LogText(),
            "\r\nCould not open file  C:\\SETUP\\setup.exe \r\n"
            "\r\n Read failed C:\\SETUP\\setup.exe\r\n");
  ExpectOneMessage("Read failed", false);
}

TEST_F(Extraction, AContainerMissingASectionOrCutShortIsAnInvalidExecutable) {
  WriteSetup(ClassBytes(10), ClassBytes(10), "criteria");
  const std::string whole = os.Content(kSetup);
  launcher.logFile.Close();  // each case writes the log afresh
  for (const std::string& setup :
       {ExampleImage() + MakeContainer({{1, "rerodova.class", ClassBytes(10)},
                                        {3, "vm search criteria", String16("x")}}),
        ExampleImage() + Big32(0), whole.substr(0, whole.size() - 3)}) {
    Launcher fresh;
    FakeUserInterface freshUi;
    fresh.AttachUserInterface(&freshUi);
    fresh.messageTitle = kTitle;
    fresh.logFile = os.OpenFile(kLog, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
    os.AddFile(kSetup, setup);
    EXPECT_FALSE(fresh.ReadSetupContainer());
    EXPECT_FALSE(fresh.containerLoaded);
    EXPECT_EQ(LogText(), "\r\n Corrupted Installation executable  C:\\SETUP\\setup.exe\r\n");
    ASSERT_EQ(freshUi.messages.size(), 1u);
    EXPECT_EQ(freshUi.messages[0].text, kInvalidExecutable);
    EXPECT_TRUE(freshUi.messages[0].ownedByProgress);
  }
}

}  // namespace
}  // namespace carafe
