// The in-memory platform stands in for Windows in every other test; these
// cases pin the behaviours those tests rely on.
#include "memory_platform.h"

#include "../../resources/string_ids.h"

namespace carafe {
namespace {

using MemoryPlatformTest = PlatformTest;

TEST_F(MemoryPlatformTest, LoadsTheEnglishStringTableCutToTheBuffer) {
  EXPECT_EQ(os.LoadString(IDS_MESSAGE_TITLE, 260), "Roruvazodaza Zidi Rezoder");
  EXPECT_EQ(os.LoadString(IDS_CORRUPTED_OR_INCOMPLETE, 100),
            "is either Corrupted or does not have all the Cmponents in it.\r\n");
  EXPECT_EQ(os.LoadString(IDS_INSUFFICIENT_DISK_SPACE, 100).size(), 99u);
  EXPECT_EQ(os.LoadString(IDS_PREPARING_WIZARD, 500).substr(0, 8), "Varnica\xAE");
  EXPECT_EQ(os.LoadString(10, 100), "");
}

TEST_F(MemoryPlatformTest, ListsFoldersInCreationOrderWithDotEntriesBelowTheRoot) {
  os.AddFile("C:\\a\\zeta.txt");
  os.AddFolder("C:\\a\\Sub");
  os.AddFile("C:\\a\\alpha.txt");
  std::vector<FolderEntry> entries;
  ASSERT_TRUE(os.FindFiles("C:\\a\\*.*", &entries));
  std::vector<std::string> names;
  for (const FolderEntry& entry : entries) names.push_back(entry.name);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "zeta.txt", "Sub", "alpha.txt"}));
  ASSERT_TRUE(os.FindFiles("c:\\A\\SUB", &entries));
  EXPECT_TRUE(entries[0].IsFolder());
  EXPECT_FALSE(os.FindFiles("C:\\a\\missing.exe", &entries));
}

TEST_F(MemoryPlatformTest, ExclusiveOpenKeepsOtherOpensOut) {
  Handle log = os.OpenFile("C:\\TEMP\\log.txt", FileAccess::Write, FileShare::None,
                           FileDisposition::CreateAlways);
  ASSERT_NE(log, kInvalidHandle);
  EXPECT_EQ(os.OpenFile("C:\\TEMP\\LOG.TXT", FileAccess::Read, FileShare::ReadWrite,
                        FileDisposition::OpenExisting),
            kInvalidHandle);
  EXPECT_EQ(os.OpenFile("C:\\nofolder\\x", FileAccess::Write, FileShare::None,
                        FileDisposition::CreateAlways),
            kInvalidHandle);
  os.CloseHandle(log);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(MemoryPlatformTest, ResolvesUnquotedBlanksAndBareNamesLikeProcessCreation) {
  os.AddProgram("C:\\Program Files\\JRE\\bin\\jre.exe", [](const std::string&) {
    return ChildRun{"out", 0, false, false};
  });
  os.SetEnv("PATH", "C:\\nothing;C:\\jdk\\bin");
  os.AddProgram("C:\\jdk\\bin\\java.exe", [](const std::string&) { return ChildRun{}; });
  ProcessInfo info;
  ProcessStart start;
  start.commandLine = "C:\\Program Files\\JRE\\bin\\jre.exe  -cp x Verify";
  ASSERT_TRUE(os.CreateProcess(start, &info));
  start.commandLine = "java.exe -classpath x rerodova";
  ASSERT_TRUE(os.CreateProcess(start, &info));
  EXPECT_EQ(os.Launches()[1].program, "C:\\jdk\\bin\\java.exe");
  start.commandLine = "C:\\jdk\\bin\\javaw.exe";
  EXPECT_FALSE(os.CreateProcess(start, &info));
}

TEST_F(MemoryPlatformTest, PipeBreaksOnceEveryWriterHasClosed) {
  os.AddProgram("C:\\j\\java.exe", [](const std::string&) { return ChildRun{"abc", 0, false, false}; });
  Handle readEnd, writeEnd;
  ASSERT_TRUE(os.CreatePipe(&readEnd, &writeEnd));
  ProcessStart start;
  start.commandLine = "C:\\j\\java.exe";
  start.inheritHandles = true;
  start.standardOutput = writeEnd;
  ProcessInfo info;
  ASSERT_TRUE(os.CreateProcess(start, &info));
  os.CloseHandle(writeEnd);
  char buffer[2];
  std::uint32_t read = 0;
  EXPECT_TRUE(os.ReadFile(readEnd, buffer, 2, &read));
  EXPECT_EQ(read, 2u);
  EXPECT_TRUE(os.ReadFile(readEnd, buffer, 2, &read));
  EXPECT_EQ(read, 1u);
  EXPECT_FALSE(os.ReadFile(readEnd, buffer, 2, &read));
  EXPECT_FALSE(os.ReadWouldHaveBlocked());
}

}  // namespace
}  // namespace carafe
