// The launcher log: the entry formatter and its limits, the string-table
// buffers, and the log file's three states.
#include <gtest/gtest.h>

#include <climits>

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
