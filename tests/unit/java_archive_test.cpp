#include "container/java_archive.h"

#include <gtest/gtest.h>

#include "allocation_watch.h"
#include "archive_bytes.h"
#include "memory_platform.h"

namespace carafe {
namespace {

using namespace archive_bytes;

const char* const kArchive = "C:\\TEMP\\rerodova.class";
const char* const kLog = "C:\\TEMP\\vnlog.txt";

class JavaArchiveTest : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    log = os.OpenFile(kLog, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
  }
  std::string LogText() const { return os.Content(kLog); }
  bool Open(JavaArchive& archive, const std::string& bytes) {
    os.AddFile(kArchive, bytes);
    return archive.Open(kArchive);
  }
  static std::string Data(const ArchiveResource& resource) {
    std::string data(resource.Size(), '\0');
    return resource.ReadData(&data[0]) ? data : "<fail>";
  }
  static Section Forged(Section section, std::uint32_t count) {
    section.forgeCount = true;
    section.resourceCount = count;
    return section;
  }

  File log;
};

TEST_F(JavaArchiveTest, ReadsSectionsAndTheResourcesOfUncompressedOnes) {
  Layout layout;
  JavaArchive archive(&log);
  ASSERT_TRUE(Open(archive, Build({Forged({"Classes", {}, true}, 212),
                                   {"BundledVMInstallers",
                                    {Record{"", "readme.txt", "hello"},
                                     Flagged("jre-setup.exe", "MZ-installer"), Flagged("e", "")}}},
                                  &layout)));
  EXPECT_EQ(archive.OffsetTableOffset(), layout.offsetTable);
  const ArchiveSection& installers = archive.Section("BundledVMInstallers");
  EXPECT_EQ(installers.Compressed(), 0);
  EXPECT_EQ(installers.ResourceFileOffset(), layout.sectionOffsets[1]);
  ASSERT_EQ(installers.ResourceListLength(), 3u);
  EXPECT_EQ(installers.Resource(0).Name(), "readme.txt");
  EXPECT_EQ(installers.Resource(1).Flag(), 1);
  EXPECT_EQ(Data(installers.Resource(1)), "MZ-installer");
  EXPECT_EQ(Data(installers.Resource(0)), "hello");
  char buffer[1] = {'x'};
  EXPECT_FALSE(installers.Resource(2).ReadData(buffer));  // a size-0 resource cannot be read
  // Compressed sections are known by their header only, whatever count they claim.
  const ArchiveSection& classes = archive.Section("Classes");
  EXPECT_NE(classes.Compressed(), 0);
  EXPECT_EQ(classes.ResourceCount(), 212u);
  EXPECT_EQ(classes.ResourceListLength(), 0u);
  EXPECT_EQ(LogText(), "");             // no log-all
  EXPECT_EQ(os.OpenHandleCount(), 1u);  // only the log stays open
}

TEST_F(JavaArchiveTest, EmptyMissingAndRepeatedSections) {
  JavaArchive archive(&log);
  ASSERT_TRUE(Open(archive, Build({{"Empty", {}},
                                   Forged({"All", {}, true}, 0xFFFFFFFF),
                                   {"S", {Record{"", "first", "1"}}},
                                   {"S", {Record{"", "second", "2"}}}})));
  EXPECT_EQ(archive.Section("Empty").ResourceListLength(), 0u);
  EXPECT_EQ(archive.Section("All").ResourceListLength(), 0u);
  EXPECT_EQ(archive.Section("S").Resource(0).Name(), "second");  // the later one wins
  // Looking up an absent name inserts an empty, uncompressed section.
  const ArchiveSection& missing = archive.Section(kBundledInstallersSection);
  EXPECT_EQ(missing.ResourceListLength(), 0u);
  EXPECT_EQ(missing.Compressed(), 0);
  EXPECT_EQ(archive.Sections().size(), 4u);
}

TEST_F(JavaArchiveTest, OnlyAOneByteHeaderBlockCarriesTheFlag) {
  JavaArchive archive(&log);
  ASSERT_TRUE(
      Open(archive, Build({{"S",
                            {Record{std::string(1, '\x07'), "one", "1"}, Record{"", "none", "2"},
                             Record{std::string("\x01\x01", 2), "two", "3"},
                             Record{std::string("\x01\x02\x03\x04\x05", 5), "five", "4"}}}})));
  const ArchiveSection& read = archive.Section("S");
  ASSERT_EQ(read.ResourceListLength(), 4u);
  EXPECT_EQ(read.Resource(0).Flag(), 7);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(read.Resource(i).Flag(), 0) << i;
  // Longer blocks are skipped whole: the fields behind them read right.
  EXPECT_EQ(Data(read.Resource(3)), "4");
}

TEST_F(JavaArchiveTest, TheTableWalkStepsByTheNameStoredAtTheSection) {
  // The table names the first section "A", the section itself "ABC": the
  // next entry is looked for 10 + 3 bytes on, not 10 + 1.
  Layout layout;
  std::string bytes = Build({{"ABC", {}}, {"Z", {}}}, &layout);
  bytes.replace(
      layout.offsetTable + 2, 13,
      testing_images::String16("A") + testing_images::Big64(layout.sectionOffsets[0]) + "..");
  JavaArchive archive(&log);
  ASSERT_TRUE(Open(archive, bytes));
  EXPECT_EQ(archive.Sections().count("ABC"), 1u);
  EXPECT_EQ(archive.Sections().count("Z"), 1u);
}

TEST_F(JavaArchiveTest, OpenFailuresWriteTheirLines) {
  std::string atEnd = ClassBytes();
  U64(atEnd, atEnd.size() + 8);  // exactly the file size
  std::string beyond = ClassBytes();
  U64(beyond, 0x100000000ull);
  os.AddFile("C:\\TEMP\\end.class", atEnd);
  os.AddFile("C:\\TEMP\\beyond.class", beyond);
  for (const char* path :
       {"", "C:\\TEMP\\absent.class", "C:\\TEMP\\end.class", "C:\\TEMP\\beyond.class"})
    EXPECT_FALSE(JavaArchive(&log).Open(path)) << path;
  EXPECT_EQ(LogText(),
            "\r\nNeed path to Java archive \r\n"
            "Could not open file  C:\\TEMP\\absent.class \r\n"
            "OffsetTable offset in  C:\\TEMP\\end.class is out of file range\r\n"
            "OffsetTable offset in  C:\\TEMP\\beyond.class is out of file range\r\n");
}

TEST_F(JavaArchiveTest, UnreadableStructuresFailWithoutALineOrAHugeAllocation) {
  // The table offset names the file's last byte: the count's second byte is missing.
  std::string shortCount = ClassBytes();
  U64(shortCount, shortCount.size() + 7);
  // An entry that points past the end of the file.
  std::string badEntry = ClassBytes();
  U16(badEntry, 1);
  String16(badEntry, "S");
  U64(badEntry, 0x7FFFFFF0);
  U64(badEntry, 8);
  // A table that claims more entries than it holds.
  std::string manyEntries = Build({Section{"S", {}}});
  manyEntries[manyEntries.size() - 8 - 13 + 1] = '\x02';
  // A header block of 4 GiB - 1: skipping it leaves the file.
  Section hugeBlock = Forged({"S", {}}, 1);
  hugeBlock.payload = std::string(4, '\xFF');
  // A huge ResourceCount over 50 real records and a payload size of 2^64 - 1.
  Section many = Forged({"S", std::vector<Record>(50, Record{"", "r", "d"})}, 0xFFFFFFFF);
  many.forgePayloadSize = true;
  many.payloadSize = 0xFFFFFFFFFFFFFFFF;
  for (const std::string& bytes : {std::string("\xCA\xFE"), shortCount, badEntry,
                                   Build({Forged({"S", {Record{"", "a", "1"}}}, 2)}), manyEntries,
                                   Build({hugeBlock}), Build({many})}) {
    JavaArchive archive(&log);
    AllocationWatch watch;
    EXPECT_FALSE(Open(archive, bytes));
    EXPECT_LT(watch.Largest(), std::size_t(1) << 20);
  }
  EXPECT_EQ(LogText(), "");
  EXPECT_EQ(os.OpenHandleCount(), 1u);
}

TEST_F(JavaArchiveTest, LogAllDescribesEverySection) {
  SetLogAll(true);
  Section big = Forged({"Classes", {}, true}, 212);
  big.forgePayloadSize = true;
  big.payloadSize = 0x100000005ull;  // logged by its low 32 bits
  Layout layout;
  os.AddFile(kArchive, Build({big, {"BundledVMInstallers", {Flagged("j.exe", "MZ")}}}, &layout));
  ASSERT_TRUE(JavaArchive(&log).Open(kArchive));
  EXPECT_EQ(LogText(),
            "\r\nReading Java archive C:\\TEMP\\rerodova.class with 2 sections...\r\n"
            "\tSection Info:(0) Name(Classes), Size(5), ResourceCount(212), Compressed(Yes), "
            "ResourceFileOffset(8)\r\n"
            "\tSection Info:(1) Name(BundledVMInstallers), Size(18), ResourceCount(1), "
            "Compressed(No), ResourceFileOffset(" +
                std::to_string(layout.sectionOffsets[1]) + ")\r\n");
}

}  // namespace
}  // namespace carafe
