#include "container/log_writer.h"

#include <gtest/gtest.h>

#include <climits>

#include "memory_platform.h"
#include "string_ids.h"

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

TEST_F(LogWriter, CutsAnEntryAtTheFormatLimitWhateverThePathLength) {
  std::string path = "C:\\" + std::string(3000, 'p');
  std::string entry = FormatEntry("\r\n%s %s...\r\n", "Deleting file ", path.c_str());
  ASSERT_EQ(entry.size(), kFormatLimit - 1);
  EXPECT_EQ(entry.substr(0, 20), "\r\nDeleting file  C:\\");
  std::string fits(kFormatLimit - 1, 'x');
  EXPECT_EQ(FormatEntry("%s!", fits.c_str()), fits);
  std::string almost(kFormatLimit - 3, 'a');
  EXPECT_EQ(FormatEntry("%s%d", almost.c_str(), 12345), almost + "12");
  EXPECT_EQ(FormatEntry("%s%%%%%%", almost.c_str()), almost + "%%");
  EXPECT_EQ(FormatEntry("%s%05d", almost.c_str(), 7), almost + "00");
}

TEST_F(LogWriter, FormatsTheConversionsOfTheLogShapes) {
  EXPECT_EQ(FormatEntry("%s :: %02d:%02d:%02d", "Mon Jan 05", 7, 0, 59), "Mon Jan 05 :: 07:00:59");
  EXPECT_EQ(FormatEntry("%d %d", INT_MIN, INT_MAX), "-2147483648 2147483647");
  EXPECT_EQ(FormatEntry("%02d|%02d|%03d|%4d", 100, -5, -5, 42), "100|-5|-05|  42");
  EXPECT_EQ(FormatEntry("100%% of %s%s", "", "it"), "100% of it");
}

TEST_F(LogWriter, CutsLabelsToNinetyNineAndStatusTextsTo254Characters) {
  os.SetString(IDS_DELETING_FILE, std::string(300, 'L'));
  EXPECT_EQ(LoadLabel(IDS_DELETING_FILE), std::string(99, 'L'));
  EXPECT_EQ(LoadStatusText(IDS_DELETING_FILE), std::string(254, 'L'));
}

}  // namespace
}  // namespace carafe
