#include <gtest/gtest.h>

#include "container/log_writer.h"
#include "core/launcher.h"
#include "memory_platform.h"

namespace carafe {
namespace {

const PathString kFolder = L"C:\\SETUP\\";
const char* kDefaultLog = "C:\\TEMP\\vnlog.txt";

class LauncherLog : public PlatformTest {
 protected:
  void Open(const std::string& commandLine) { launcher.Initialize(kFolder, commandLine); }
  Launcher launcher;
};

TEST_F(LauncherLog, LogWithoutValueReplacesTheTemporaryFoldersLogWithTheHeader) {
  os.AddFile(kDefaultLog, "an old run's log, longer than the new header");
  Open("-log");
  EXPECT_EQ(launcher.logPath, kDefaultLog);
  EXPECT_EQ(launcher.GetLogState(), LogState::Open);
  EXPECT_EQ(os.Content(kDefaultLog), "Date :: 05:22:2000 Time :: 15:02:34");
  // Entries follow the header on its line.
  WriteLog(launcher.logFile.Get(), "\r\nentry\r\n");
  EXPECT_EQ(os.Content(kDefaultLog), "Date :: 05:22:2000 Time :: 15:02:34\r\nentry\r\n");
  // No other opener gets the log while it is open.
  EXPECT_EQ(os.OpenFile(kDefaultLog, FileAccess::Read, FileShare::ReadWrite,
                        FileDisposition::OpenExisting),
            kInvalidHandle);
}

TEST_F(LauncherLog, HeaderIsMonthFirstWithTwoDigitFieldsAndTheFullYear) {
  os.SetLocalTime(LocalTime{2001, 1, 2, 3, 4, 5});
  Open("-log");
  EXPECT_EQ(os.Content(kDefaultLog), "Date :: 01:02:2001 Time :: 03:04:05");
}

TEST_F(LauncherLog, ValueIsResolvedAgainstTheLauncherFolder) {
  os.AddFolder("C:\\SETUP\\logs");
  Open("-log logs\\.\\run.txt");
  EXPECT_EQ(launcher.logPath, "C:\\SETUP\\logs\\run.txt");
  EXPECT_TRUE(os.Exists("C:\\SETUP\\logs\\run.txt"));
}

TEST_F(LauncherLog, NoLogOptionMeansNoFileEvenWithLogAll) {
  Open("-logall");
  EXPECT_TRUE(LogAll());
  EXPECT_EQ(launcher.GetLogState(), LogState::None);
  EXPECT_TRUE(launcher.logPath.empty());
  EXPECT_TRUE(os.Journal("create").empty());
}

TEST_F(LauncherLog, AnUnwritablePathLeavesTheLogFailedAndDropsEntries) {
  Open("-log D:\\nowhere\\run.txt");
  EXPECT_EQ(launcher.GetLogState(), LogState::Failed);
  WriteLog(launcher.logFile.Get(), "\r\nentry\r\n");
  EXPECT_FALSE(os.Exists("D:\\nowhere\\run.txt"));
}

TEST_F(LauncherLog, ALockedLogIsNotReplaced) {
  os.AddFile(kDefaultLog, "held by another launcher");
  os.Lock(kDefaultLog);
  Open("-log");
  EXPECT_EQ(launcher.GetLogState(), LogState::Failed);
  EXPECT_EQ(os.Content(kDefaultLog), "held by another launcher");
}

TEST_F(LauncherLog, NoTemporaryFolderMeansNoLogPathAndAFailedLog) {
  os.SetTempPath("");
  Open("-log");
  EXPECT_TRUE(launcher.logPath.empty());
  EXPECT_EQ(launcher.GetLogState(), LogState::Failed);
  EXPECT_TRUE(os.Journal("create").empty());
}

TEST_F(LauncherLog, OpenLogDoesNothingOnceTried) {
  Open("-log");
  launcher.OpenLog();
  EXPECT_EQ(os.Journal("create").size(), 1u);

  Launcher failed;
  failed.logPath = "D:\\nowhere\\run.txt";
  EXPECT_TRUE(failed.OpenLog());
  failed.logPath = "C:\\TEMP\\second.txt";
  EXPECT_TRUE(failed.OpenLog());
  EXPECT_EQ(failed.GetLogState(), LogState::Failed);
  EXPECT_FALSE(os.Exists("C:\\TEMP\\second.txt"));
}

// The temporary folder the system names may be gone.
class VanishedTempPlatform : public MemoryPlatform {
 public:
  bool GetTempPath(std::string* path) override {
    *path = "C:\\GONE\\";
    return true;
  }
};

TEST_F(LauncherLog, AMissingTemporaryFolderMeansNoLogPath) {
  VanishedTempPlatform platform;
  SetPlatform(&platform);
  {
    Launcher other;
    other.Initialize(kFolder, "-log");
    EXPECT_TRUE(other.logPath.empty());
    EXPECT_EQ(other.GetLogState(), LogState::Failed);
    EXPECT_FALSE(platform.Exists("C:\\GONE\\vnlog.txt"));
  }
  SetPlatform(&os);
}

}  // namespace
}  // namespace carafe
