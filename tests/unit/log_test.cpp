// The launcher log: the entry formatter and its limits, the string-table
// buffers, the entries of reading the container and the archive, and the log
// file's three states.
#include <gtest/gtest.h>

#include <climits>

#include "archive_bytes.h"
#include "core/reader_log.h"
#include "launcher_fixture.h"
#include "scripted_jvm.h"
#include "string_ids.h"
#include "support/log_writer.h"

namespace carafe {
namespace {

using LogWriter = PlatformTest;

TEST_F(LogWriter, WritesEachEntryInOneWriteWithoutTerminatorAndDropsThemWithoutALog) {
  File file = os.OpenFile("C:\\TEMP\\log.txt", FileAccess::Write, FileShare::None,
                          FileDisposition::CreateAlways);
  const File failed;  // a log that could not be created
  WriteLog(&file, "\r\nfirst\r\n");
  WriteLog(nullptr, "dropped");
  WriteLog(&failed, "dropped");
  WriteLog(&file, "second");
  EXPECT_EQ(os.Content("C:\\TEMP\\log.txt"), "\r\nfirst\r\nsecond");
  EXPECT_EQ(os.WriteSizes("C:\\TEMP\\log.txt"), (std::vector<std::uint32_t>{9, 6}));
}

TEST_F(LogWriter, FormatsTheConversionsOfTheLogShapesAndCutsAtTheFormatLimit) {
  EXPECT_EQ(FormatEntry("%s :: %02d:%02d:%02d", "Mon Jan 05", 7, 0, 59), "Mon Jan 05 :: 07:00:59");
  EXPECT_EQ(FormatEntry("%d %d", INT_MIN, INT_MAX), "-2147483648 2147483647");
  EXPECT_EQ(FormatEntry("%02d|%02d|%03d|%4d", 100, -5, -5, 42), "100|-5|-05|  42");
  EXPECT_EQ(FormatEntry("100%% of %s%s", "", "it"), "100% of it");
  const std::string path = "C:\\" + std::string(3000, 'p');
  const std::string entry = FormatEntry("\r\n%s %s...\r\n", "Deleting file ", path.c_str());
  ASSERT_EQ(entry.size(), kFormatLimit - 1);
  EXPECT_EQ(entry.substr(0, 20), "\r\nDeleting file  C:\\");
  const std::string fits(kFormatLimit - 1, 'x');
  EXPECT_EQ(FormatEntry("%s!", fits.c_str()), fits);
  const std::string almost(kFormatLimit - 3, 'a');
  EXPECT_EQ(FormatEntry("%s%d", almost.c_str(), 12345), almost + "12");
  EXPECT_EQ(FormatEntry("%s%%%%%%", almost.c_str()), almost + "%%");
  EXPECT_EQ(FormatEntry("%s%05d", almost.c_str(), 7), almost + "00");
}

TEST_F(LogWriter, CutsLabelsToNinetyNineAndStatusTextsTo254Characters) {
  os.SetString(IDS_DELETING_FILE, std::string(300, 'L'));
  EXPECT_EQ(LoadLabel(IDS_DELETING_FILE), std::string(99, 'L'));
  EXPECT_EQ(LoadStatusText(IDS_DELETING_FILE), std::string(254, 'L'));
}

// What the readers of the setup container and the Java archive report, as
// the run writes it.
class ReadEntries : public PlatformTest {
 protected:
  static constexpr const char* kSetup = "C:\\SETUP\\setup.exe";
  static constexpr const char* kArchive = "C:\\TEMP\\rerodova.class";
  static constexpr const char* kLog = "C:\\TEMP\\vnlog.txt";
  const File* FreshLog() {
    log.Close();  // it shares nothing
    log = os.OpenFile(kLog, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
    return &log;
  }
  std::string Log() const { return os.Content(kLog); }

  File log;
};

TEST_F(ReadEntries, ContainerEntriesOfAGoodAndOfEachUnreadableExecutable) {
  os.AddFile(kSetup, testing_images::ExampleImage() + testing_images::ExampleContainer());
  SetupContainer reader;
  ContainerReport report;
  ASSERT_TRUE(reader.Open(kSetup, &report));
  LogContainerRead(FreshLog(), true, report);
  EXPECT_EQ(Log(),
            "\r\nReading installation executable  C:\\SETUP\\setup.exe \r\n"
            "\tExe Size (479232), Total File Size (6618341) ..\r\n"
            "\tReading 3 Section Info...\r\n"
            "\tSection Info: Name(rerodova.class), Size(6137003), File Offset(479291)\r\n"
            "\tSection Info: Name(Verify.class), Size(1709), File Offset(6616308)\r\n"
            "\tSection Info: Name(vm search criteria), Size(304), File Offset(6618037)\r\n");
  std::vector<std::uint8_t> criteria;
  ASSERT_TRUE(reader.Section(kSearchCriteriaSection).ReadData(&criteria));
  EXPECT_EQ(std::string(criteria.begin(), criteria.end()),
            testing_images::String16(std::string(302, 'c')));

  const std::string corrupted =
      "Installation executable  C:\\SETUP\\setup.exe is either Corrupted or does not have all "
      "the Cmponents in it.\r\n";
  const struct {
    const char* path;
    std::string bytes;
    std::string log;
  } cases[] = {
      {"", "", "\r\nNeed path to setup.exe \r\n"},
      {"C:\\SETUP\\gone.exe", "", "\r\nCould not open file  C:\\SETUP\\gone.exe \r\n"},
      {kSetup, std::string(80, 'x'), corrupted},
      {kSetup, testing_images::ExampleImage(), corrupted},  // nothing behind the image
  };
  for (const auto& c : cases) {
    if (!c.bytes.empty()) os.AddFile(c.path, c.bytes);
    EXPECT_FALSE(SetupContainer().Open(c.path, &report));
    LogContainerRead(FreshLog(), false, report);
    EXPECT_EQ(Log(), c.log);
  }
  EXPECT_EQ(os.OpenHandleCount(), 1u);  // the log
}

TEST_F(ReadEntries, ArchiveEntriesOfEachUnreadableAndOfAGoodArchive) {
  using namespace archive_bytes;
  using testing_images::Big;
  const std::string atEnd = ClassBytes() + Big(16, 8);  // exactly the file size
  const std::string beyond = ClassBytes() + Big(0x100000000ull, 8);
  format::ArchiveTable table;
  for (const std::string& bytes : {atEnd, beyond})
    EXPECT_EQ(format::DecodeJavaArchive(bytes, &table), format::ArchiveFault::TableOutOfRange);
  os.AddFile("C:\\TEMP\\end.class", atEnd);
  os.AddFile("C:\\TEMP\\beyond.class", beyond);
  FreshLog();
  ArchiveReport report;
  for (const char* path :
       {"", "C:\\TEMP\\absent.class", "C:\\TEMP\\end.class", "C:\\TEMP\\beyond.class"}) {
    EXPECT_FALSE(JavaArchive().Open(path, &report)) << path;
    LogArchiveRead(&log, false, report);
  }
  EXPECT_EQ(Log(),
            "\r\nNeed path to Java archive \r\n"
            "Could not open file  C:\\TEMP\\absent.class \r\n"
            "OffsetTable offset in  C:\\TEMP\\end.class is out of file range\r\n"
            "OffsetTable offset in  C:\\TEMP\\beyond.class is out of file range\r\n");

  Layout layout;
  std::string bytes = Build({{"Classes", {}, true, true, 212, std::string(5, 'z')},
                             {"BundledVMInstallers", {Flagged("j.exe", "MZ")}}},
                            &layout);
  bytes.replace(8 + 2 + 7 + 4, 8, Big(0x100000005ull, 8));  // logged by its low 32 bits
  os.AddFile(kArchive, bytes);
  ASSERT_TRUE(JavaArchive().Open(kArchive, &report));
  LogArchiveRead(FreshLog(), true, report);
  EXPECT_EQ(Log(),
            "\r\nReading Java archive C:\\TEMP\\rerodova.class with 2 sections...\r\n"
            "\tSection Info:(0) Name(Classes), Size(5), ResourceCount(212), Compressed(Yes), "
            "ResourceFileOffset(8)\r\n"
            "\tSection Info:(1) Name(BundledVMInstallers), Size(18), ResourceCount(1), "
            "Compressed(No), ResourceFileOffset(" +
                std::to_string(layout.sectionOffsets[1]) + ")\r\n");
}

class LauncherLog : public PlatformTest {
 protected:
  static constexpr const char* kDefaultLog = "C:\\TEMP\\vnlog.txt";
  void Open(TestLauncher& target, const std::string& commandLine) {
    target.Initialize(L"C:\\SETUP\\setup.exe", commandLine);
  }
  TestLauncher launcher;
};

TEST_F(LauncherLog, LogWithoutValueReplacesTheTemporaryFoldersLogWithTheHeader) {
  os.AddFile(kDefaultLog, "an old run's log, longer than the new header");
  Open(launcher, "-log");
  EXPECT_EQ(launcher.State().logState, LogState::Open);
  EXPECT_EQ(os.Content(kDefaultLog), "Date :: 05:02:2000 Time :: 03:04:05");
  launcher.Log("\r\nentry\r\n");
  EXPECT_EQ(os.Content(kDefaultLog), "Date :: 05:02:2000 Time :: 03:04:05\r\nentry\r\n");
  // Share mode 0: nobody else may open it while the run goes on.
  EXPECT_FALSE(os.OpenFile(kDefaultLog, FileAccess::Read, FileShare::ReadWrite,
                           FileDisposition::OpenExisting)
                   .IsOpen());
}

TEST_F(LauncherLog, WithoutTheLogOptionThereIsNoFileEvenWithLogAll) {
  Open(launcher, "-logall");
  EXPECT_TRUE(launcher.State().logAll);
  EXPECT_EQ(launcher.State().logState, LogState::None);
  EXPECT_TRUE(os.Journal("create").empty());
}

TEST_F(LauncherLog, AnUnwritableLockedOrUnnamableLogStaysFailedAndTheRunGoesOn) {
  os.AddFile(kDefaultLog, "held by another launcher");
  os.Lock(kDefaultLog);
  for (const char* commandLine : {"-log D:\\nowhere\\run.txt", "-log"}) {
    TestLauncher fresh;
    Open(fresh, commandLine);
    EXPECT_EQ(fresh.State().logState, LogState::Failed) << commandLine;
  }
  EXPECT_EQ(os.Content(kDefaultLog), "held by another launcher");
  os.SetTempPath("");
  Open(launcher, "-log");
  EXPECT_TRUE(launcher.State().logPath.empty());
  EXPECT_EQ(launcher.State().logState, LogState::Failed);
}

// One whole silent run with every entry: the container read, both files
// written, the search with its detailed lines, the validation, the launch and
// the clean-up, in the order and the words of the log.
TEST_F(LauncherLog, AWholeRunWithLogAllWritesTheGoldenLog) {
  using namespace testing_images;
  os.AddFile("C:\\SETUP\\setup.exe",
             ExampleImage() + MakeContainer(ThreeSections(ClassBytes(30), ClassBytes(20),
                                                          "vendor=sun:type=jdk:version=1.2")));
  os.SetRegistryValue("Software\\JavaSoft\\Java Development Kit\\1.2", "JavaHome", "D:\\jdk");
  os.AddFile("D:\\jdk\\lib\\classes.zip");
  os.AddProgram("D:\\jdk\\bin\\java.exe",
                PrintingJvm(VerifyLines("1.2.2", "http://java.sun.com/", "D:\\jdk")));
  Open(launcher, "-silent -log -logall");
  EXPECT_TRUE(launcher.Run());
  launcher.CleanUp();
  const std::string search =
      "\r\n\tSearching a JVM that matches the criteria  (Vendor=sun, "
      "Version=1.2, Type=jdk)";
  EXPECT_EQ(os.Content(kDefaultLog),
            "Date :: 05:02:2000 Time :: 03:04:05"
            "\r\nReading installation executable  C:\\SETUP\\setup.exe \r\n"
            "\tExe Size (479232), Total File Size (479408) ..\r\n"
            "\tReading 3 Section Info...\r\n"
            "\tSection Info: Name(rerodova.class), Size(30), File Offset(479291)\r\n"
            "\tSection Info: Name(Verify.class), Size(20), File Offset(479335)\r\n"
            "\tSection Info: Name(vm search criteria), Size(33), File Offset(479375)\r\n"
            "\r\nExtracting file  C:\\TEMP\\Verify.class ...\r\n"
            "\r\nExtracting file  C:\\TEMP\\rerodova.class ....\r\n"
            "\r\nExtracting Search Criteria...\r\n"
            "\r\nSearch summary \r\n" +
                search + " in Registry...\r\n\tVerifying JVM  D:\\jdk\\bin\\java.exe...Passed." +
                search +
                "...D:\\jdk\\bin\\java.exe Passed"
                "\r\nFound a JVM at  D:\\jdk\\bin\\java.exe\r\n"
                "\r\nLaunching  C:\\TEMP\\rerodova.class Using JVM D:\\jdk\\bin\\java.exe\r\n"
                "\r\nDeleting file  C:\\TEMP\\Verify.class...\r\n"
                "\r\nDeleting file  C:\\TEMP\\rerodova.class...\r\n");
  EXPECT_EQ(os.Launches().size(), 3u);  // verified, validated, launched
}

TEST_F(LauncherLog, AnEntryReachingTheFormatLimitIsCutThereInOneWrite) {
  // "\r\nValidation of  <path> failed\r\n" is the path plus 26 characters.
  for (std::size_t pathChars : {997u, 998u, 12000u}) {
    SCOPED_TRACE(pathChars);
    std::string relative;
    while (relative.size() + 48 < pathChars - 9) relative += std::string(40, 'f') + "\\";
    relative += std::string(pathChars - 9 - relative.size() - 7, 'g') + "v.class";
    const std::string path = "C:\\SETUP\\" + relative;
    os.AddFile(path, "not a class file");
    const std::string log = "C:\\TEMP\\run" + std::to_string(pathChars) + ".txt";
    TestLauncher fresh;
    Open(fresh, "-silent -log " + log + " -verify " + relative);
    EXPECT_FALSE(fresh.Run());
    const std::string whole = "\r\nValidation of  " + path + " failed\r\n";
    EXPECT_EQ(os.Content(log).substr(35), whole.substr(0, kFormatLimit - 1));  // after the header
    const std::vector<std::uint32_t> writes = os.WriteSizes(log);
    ASSERT_EQ(writes.size(), 2u);  // the header, then the one entry
    EXPECT_EQ(writes[1], pathChars <= 997 ? whole.size() : kFormatLimit - 1);
  }
}

}  // namespace
}  // namespace carafe
