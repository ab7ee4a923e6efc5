// Writing the verify class and the Java archive into the temporary
// directory, taking out the search criteria, and the checks around them.
#include "container/extraction.h"
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
  EXPECT_TRUE(launcher.containerLoaded);
  EXPECT_TRUE(IsClassFile(kVerifyFile));
  EXPECT_EQ(LogText(), "");
  EXPECT_EQ(os.OpenHandleCount(), 1u);  // the log only
}

TEST_F(Extraction, JavaArchiveGoesOutInChunksOf1024Bytes) {
  struct Case {
    std::size_t size;
    std::vector<std::uint32_t> writes;
  };
  for (const Case& c : {Case{700, {700}}, Case{1024, {1024}}, Case{2048, {1024, 1024}},
                        Case{3 * 1024 + 5, {1024, 1024, 1024, 5}}}) {
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

TEST_F(Extraction, LogAllAnnouncesEachFileWithItsOwnDots) {
  WriteSetup(ClassBytes(10), ClassBytes(10), "c");
  SetLogAll(true);
  ASSERT_TRUE(launcher.ExtractVerifyClass());
  ASSERT_TRUE(launcher.ExtractJavaArchive());
  std::string log = LogText();
  EXPECT_NE(log.find("\r\nExtracting file  C:\\TEMP\\Verify.class ...\r\n"), std::string::npos);
  EXPECT_NE(log.find("\r\nExtracting file  C:\\TEMP\\rerodova.class ....\r\n"), std::string::npos);
}

TEST_F(Extraction, ContainerIsReadOnceForAllSteps) {
  WriteSetup(ClassBytes(10), ClassBytes(10), "vendor=ibm");
  ASSERT_TRUE(launcher.ExtractVerifyClass());
  os.AddFile(kSetup, "gone");
  EXPECT_TRUE(launcher.ExtractJavaArchive());
  EXPECT_TRUE(launcher.ExtractSearchCriteria());
  EXPECT_EQ(launcher.searchCriteria, "vendor=ibm");
}

TEST_F(Extraction, FailedLoadFailsTheStepAndLeavesThePathAlone) {
  os.AddFile(kSetup, ExampleImage());
  EXPECT_FALSE(launcher.ExtractVerifyClass());
  EXPECT_EQ(launcher.verifyClassPath, "");
  EXPECT_FALSE(launcher.verifyClassWritten);
  EXPECT_FALSE(launcher.ExtractSearchCriteria());
  EXPECT_EQ(ui.messages.size(), 2u);  // each step tried to load and said so
}

// --- Room on the temporary drive.

TEST_F(Extraction, FreeSpaceEqualToTheSizeIsTooLittle) {
  WriteSetup(ClassBytes(10), ClassBytes(1709), "c");
  SetFreeBytes(1709);
  EXPECT_FALSE(launcher.ExtractVerifyClass());
  ExpectOneMessage(kDiskSpace, true);
  EXPECT_EQ(LogText(), "\r\nNot enough space to copy file  Verify.class of size (1709)\r\n");
  EXPECT_FALSE(os.Exists(kVerifyFile));
  EXPECT_EQ(launcher.verifyClassPath, "");
  EXPECT_FALSE(launcher.verifyClassWritten);

  SetFreeBytes(1710);
  EXPECT_TRUE(launcher.ExtractVerifyClass());
}

TEST_F(Extraction, ArchiveIsCheckedAgainstItsOwnSizeOnly) {
  WriteSetup(ClassBytes(600), ClassBytes(500), "c");
  SetFreeBytes(601);
  EXPECT_TRUE(launcher.ExtractVerifyClass());
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
  // 64 sectors of 4096 bytes in 0x100000 clusters: 256 GiB free.
  os.SetDiskFreeSpace("C:\\", {64, 4096, 0x100000, 0x200000});
  EXPECT_TRUE(FindTempDirWithSpace(&folder, 0xFFFFFFFF));
  EXPECT_EQ(folder, "C:\\TEMP\\");
  // Each factor at its largest: the product passes 64 bits.
  os.SetDiskFreeSpace("C:\\", {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF});
  EXPECT_TRUE(FindTempDirWithSpace(&folder, 0xFFFFFFFF));
  // 2^32 exactly: a 32-bit product would wrap to 0.
  os.SetDiskFreeSpace("C:\\", {1, 0x10000, 0x10000, 0x10000});
  EXPECT_TRUE(FindTempDirWithSpace(&folder, 0xFFFFFFFF));
  os.SetDiskFreeSpace("C:\\", {0, 512, 1000, 1000});
  EXPECT_FALSE(FindTempDirWithSpace(&folder, 0));
}

TEST_F(FreeSpace, NeedsATemporaryDirectoryOnADriveTheSystemCanAsk) {
  std::string folder = "unchanged";
  os.SetTempPath("");
  EXPECT_FALSE(FindTempDirWithSpace(&folder, 1));
  // A share's first three characters are no drive root.
  os.SetTempPath("\\\\server\\share\\temp\\");
  EXPECT_FALSE(FindTempDirWithSpace(&folder, 1));
  os.SetTempPath("D:\\T\\");
  EXPECT_FALSE(FindTempDirWithSpace(&folder, 1));  // D:\ cannot be asked
  os.SetDiskFreeSpace("d:\\", {8, 512, 100, 100});
  EXPECT_TRUE(FindTempDirWithSpace(&folder, 1));
  EXPECT_EQ(folder, "D:\\T\\");
  os.RemoveDiskFreeSpace("D:\\");
  EXPECT_FALSE(FindTempDirWithSpace(&folder, 1));
  EXPECT_EQ(folder, "D:\\T\\");
}

TEST_F(Extraction, NetworkTemporaryDirectoryGivesTheDiskSpaceBox) {
  WriteSetup(ClassBytes(10), ClassBytes(10), "c");
  os.SetTempPath("\\\\server\\share\\temp\\");
  EXPECT_FALSE(launcher.ExtractJavaArchive());
  ExpectOneMessage(kDiskSpace, true);
  EXPECT_EQ(LogText(), "\r\nNot enough space to copy file  rerodova.class of size (10)\r\n");
}

// --- Writing.

TEST_F(Extraction, LockedVerifyClassIsNotRewrittenAndStillChecksOut) {
  WriteSetup(ClassBytes(10), ClassBytes(20, 'n'), "c");
  std::string earlier = ClassBytes(40, 'e');
  os.AddFile(kVerifyFile, earlier);
  // Another process holds it open: it can be read, not replaced.
  UniqueHandle held(os.OpenFile(kVerifyFile, FileAccess::Read, FileShare::ReadWrite,
                                FileDisposition::OpenExisting));
  ASSERT_TRUE(launcher.ExtractVerifyClass());
  EXPECT_EQ(os.Content(kVerifyFile), earlier);
  EXPECT_EQ(launcher.verifyClassPath, kVerifyFile);
  EXPECT_FALSE(launcher.verifyClassWritten);  // so the clean-up leaves it
  EXPECT_EQ(LogText(), "");
  EXPECT_TRUE(IsClassFile(kVerifyFile));
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
  EXPECT_EQ(os.OpenHandleCount(), 1u);

  os.LimitWrites(kVerifyFile, 5);
  EXPECT_FALSE(launcher.ExtractVerifyClass());
  EXPECT_EQ(launcher.verifyClassPath, "");
}

TEST_F(Extraction, EmptySectionMakesAnEmptyFileThatIsNoClassFile) {
  WriteSetup(ClassBytes(10), "", "c");
  ASSERT_TRUE(launcher.ExtractVerifyClass());
  EXPECT_TRUE(os.Exists(kVerifyFile));
  EXPECT_EQ(os.Content(kVerifyFile), "");
  EXPECT_TRUE(launcher.verifyClassWritten);
  EXPECT_FALSE(IsClassFile(kVerifyFile));
}

TEST_F(Extraction, ExistingFileOfTheSameNameIsReplaced) {
  WriteSetup(ClassBytes(10, 'n'), ClassBytes(10), "c");
  os.AddFile(kArchiveFile, std::string(5000, 'o'));
  ASSERT_TRUE(launcher.ExtractJavaArchive());
  EXPECT_EQ(os.Content(kArchiveFile), ClassBytes(10, 'n'));
}

TEST_F(Extraction, ExtractedFilesAreDeletedAtCleanUpButNamedOnesAreNot) {
  WriteSetup(ClassBytes(10), ClassBytes(10), "c");
  os.AddFile("C:\\mine\\Verify.class", ClassBytes(10));
  launcher.verifyClassPath = "C:\\mine\\Verify.class";
  ASSERT_TRUE(launcher.ExtractJavaArchive());
  launcher.CleanUp();
  EXPECT_FALSE(os.Exists(kArchiveFile));
  EXPECT_TRUE(os.Exists("C:\\mine\\Verify.class"));
}

// --- Search criteria.

TEST_F(Extraction, CriteriaComeFromTheirLengthPrefixedString) {
  WriteSetup(ClassBytes(10), ClassBytes(10), "vendor=sun:type=jre:version=1.2;vendor=ibm");
  ASSERT_TRUE(launcher.ReadSetupContainer());
  SetLogAll(true);
  ASSERT_TRUE(launcher.ExtractSearchCriteria());
  EXPECT_EQ(launcher.searchCriteria, "vendor=sun:type=jre:version=1.2;vendor=ibm");
  EXPECT_EQ(LogText(), "\r\nExtracting Search Criteria...\r\n");
  EXPECT_FALSE(os.Exists("C:\\TEMP\\vm search criteria"));

  // They end at a zero byte.
  WriteSetup(ClassBytes(10), ClassBytes(10), std::string("vendor=sun\0junk", 15));
  Launcher second;
  ASSERT_TRUE(second.ExtractSearchCriteria());
  EXPECT_EQ(second.searchCriteria, "vendor=sun");
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

// --- The class-file check.

TEST_F(Extraction, ClassFileCheckWantsTheMagicInTheFirstFourBytes) {
  os.AddFile("C:\\a.class", "\xCA\xFE\xBA\xBE");
  os.AddFile("C:\\b.class", "\xCA\xFE\xBA");
  os.AddFile("C:\\c.class", "PK\x03\x04 a zip, not a class");
  os.AddFile("C:\\d.class", "\xBE\xBA\xFE\xCA");
  os.Lock("C:\\e.class");
  EXPECT_TRUE(IsClassFile("C:\\a.class"));
  EXPECT_FALSE(IsClassFile("C:\\b.class"));
  EXPECT_FALSE(IsClassFile("C:\\c.class"));
  EXPECT_FALSE(IsClassFile("C:\\d.class"));
  EXPECT_FALSE(IsClassFile("C:\\e.class"));
  EXPECT_FALSE(IsClassFile("C:\\missing.class"));
  EXPECT_FALSE(IsClassFile("C:\\TEMP"));
  EXPECT_EQ(os.OpenHandleCount(), 1u);
}

}  // namespace
}  // namespace carafe
