#include <gtest/gtest.h>

#include "container/log_writer.h"
#include "core/launcher.h"
#include "memory_platform.h"

namespace carafe {
namespace {

const char* kDefaultLog = "C:\\TEMP\\vnlog.txt";

class LauncherLog : public PlatformTest {
 protected:
  void Open(const std::string& commandLine) { launcher.Initialize(L"C:\\SETUP\\", commandLine); }
  Launcher launcher;
};

TEST_F(LauncherLog, LogWithoutValueReplacesTheTemporaryFoldersLogWithTheHeader) {
  os.AddFile(kDefaultLog, "an old run's log, longer than the new header");
  Open("-log");
  EXPECT_EQ(launcher.GetLogState(), LogState::Open);
  EXPECT_EQ(os.Content(kDefaultLog), "Date :: 05:02:2000 Time :: 03:04:05");
  WriteLog(&launcher.logFile, "\r\nentry\r\n");
  EXPECT_EQ(os.Content(kDefaultLog), "Date :: 05:02:2000 Time :: 03:04:05\r\nentry\r\n");
  EXPECT_FALSE(os.OpenFile(kDefaultLog, FileAccess::Read, FileShare::ReadWrite,
                           FileDisposition::OpenExisting)
                   .IsOpen());
  launcher.OpenLog();  // once tried, never again
  EXPECT_EQ(os.Journal("create").size(), 1u);
}

TEST_F(LauncherLog, NoLogOptionMeansNoFileEvenWithLogAll) {
  Open("-logall");
  EXPECT_TRUE(LogAll());
  EXPECT_EQ(launcher.GetLogState(), LogState::None);
  EXPECT_TRUE(os.Journal("create").empty());
}

TEST_F(LauncherLog, AnUnwritableOrLockedPathLeavesTheLogFailed) {
  Open("-log D:\\nowhere\\run.txt");
  EXPECT_EQ(launcher.GetLogState(), LogState::Failed);
  launcher.logPath = "C:\\TEMP\\second.txt";
  EXPECT_TRUE(launcher.OpenLog());  // a failed log is not tried again
  EXPECT_FALSE(os.Exists("C:\\TEMP\\second.txt"));

  os.AddFile(kDefaultLog, "held by another launcher");
  os.Lock(kDefaultLog);
  Launcher locked;
  locked.Initialize(L"C:\\SETUP\\", "-log");
  EXPECT_EQ(locked.GetLogState(), LogState::Failed);
  EXPECT_EQ(os.Content(kDefaultLog), "held by another launcher");
}

TEST_F(LauncherLog, NoTemporaryFolderMeansNoLogPathAndAFailedLog) {
  os.SetTempPath("");
  Open("-log");
  EXPECT_TRUE(launcher.logPath.empty());
  EXPECT_EQ(launcher.GetLogState(), LogState::Failed);
}

}  // namespace
}  // namespace carafe
