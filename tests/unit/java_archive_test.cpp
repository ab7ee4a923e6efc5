#include "container/java_archive.h"

#include <gtest/gtest.h>

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
    log.Reset(os.OpenFile(kLog, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways));
  }
  std::string LogText() const { return os.Content(kLog); }
  // Writes the archive's bytes and opens it.
  bool Open(JavaArchive& archive, const std::string& bytes) {
    os.AddFile(kArchive, bytes);
    return archive.Open(kArchive);
  }

  UniqueHandle log;
};

// A typical archive: compressed sections around one uncompressed section.
std::vector<Section> TypicalSections() {
  Section classes{"Classes", {}, true};
  classes.forgeCount = true;
  classes.resourceCount = 212;
  Section installers{"BundledVMInstallers",
                     {Record{"", "readme.txt", "hello"}, Flagged("jre-setup.exe", "MZ-installer")}};
  Section images{"Images", {}, true};
  images.forgeCount = true;
  images.resourceCount = 3;
  return {classes, installers, images};
}

TEST_F(JavaArchiveTest, ReadsSectionsAndTheResourcesOfUncompressedOnes) {
  Layout layout;
  JavaArchive archive(log.Get());
  ASSERT_TRUE(Open(archive, Build(TypicalSections(), &layout)));

  EXPECT_EQ(archive.SectionCount(), 3);
  EXPECT_EQ(archive.OffsetTableOffset(), layout.offsetTable);
  ASSERT_EQ(archive.Sections().size(), 3u);

  ArchiveSection installers = archive.Section("BundledVMInstallers");
  EXPECT_EQ(installers.Compressed(), 0);
  EXPECT_EQ(installers.ResourceCount(), 2u);
  EXPECT_EQ(installers.ResourceFileOffset(), layout.sectionOffsets[1]);
  ASSERT_EQ(installers.ResourceListLength(), 2u);
  const ArchiveResource& readme = installers.Resource(0);
  const ArchiveResource& setup = installers.Resource(1);
  EXPECT_EQ(readme.Name(), "readme.txt");
  EXPECT_EQ(readme.Flag(), 0);
  EXPECT_EQ(readme.HeaderBlockLength(), 0u);
  EXPECT_EQ(setup.Name(), "jre-setup.exe");
  EXPECT_EQ(setup.Flag(), 1);
  EXPECT_EQ(setup.Size(), 12u);

  std::string data(setup.Size(), '\0');
  ASSERT_TRUE(setup.ReadData(&data[0]));
  EXPECT_EQ(data, "MZ-installer");
  std::string first(readme.Size(), '\0');
  ASSERT_TRUE(readme.ReadData(&first[0]));
  EXPECT_EQ(first, "hello");

  // Nothing stays open between calls: only the log handle is left.
  EXPECT_EQ(os.OpenHandleCount(), 1u);
}

TEST_F(JavaArchiveTest, CompressedSectionsAreKnownByTheirHeaderOnly) {
  Section a{"Classes", {}, true};
  a.forgeCount = true;
  a.resourceCount = 0xFFFFFFFF;  // never walked, whatever it says
  Section b{"Images", {Record{"", "x.gif", "GIF"}}, true};
  b.forgeCount = true;
  b.resourceCount = 1;
  JavaArchive archive(log.Get());
  ASSERT_TRUE(Open(archive, Build({a, b})));

  const ArchiveSection& classes = archive.Section("Classes");
  EXPECT_NE(classes.Compressed(), 0);
  EXPECT_EQ(classes.ResourceCount(), 0xFFFFFFFFu);
  EXPECT_EQ(classes.ResourceListLength(), 0u);
  EXPECT_EQ(archive.Section("Images").ResourceListLength(), 0u);
  EXPECT_EQ(archive.Section("Images").PayloadSize(), std::string("not really deflate").size());
}

TEST_F(JavaArchiveTest, AMissingOrEmptySectionHasNoResources) {
  JavaArchive archive(log.Get());
  ASSERT_TRUE(Open(archive, Build({Section{"Empty", {}}})));

  const ArchiveSection& empty = archive.Section("Empty");
  EXPECT_EQ(empty.ResourceCount(), 0u);
  EXPECT_EQ(empty.ResourceListLength(), 0u);

  // Looking up an absent name inserts an empty, uncompressed section.
  const ArchiveSection& missing = archive.Section(kBundledInstallersSection);
  EXPECT_EQ(missing.ResourceListLength(), 0u);
  EXPECT_EQ(missing.Compressed(), 0);
  EXPECT_EQ(archive.Sections().size(), 2u);
}

TEST_F(JavaArchiveTest, OnlyAOneByteHeaderBlockCarriesTheFlag) {
  Section section{"S",
                  {Record{std::string(1, '\x07'), "one", "1"}, Record{"", "none", "2"},
                   Record{std::string("\x01\x01", 2), "two", "3"},
                   Record{std::string("\x01\x02\x03\x04\x05", 5), "five", "4"}}};
  JavaArchive archive(log.Get());
  ASSERT_TRUE(Open(archive, Build({section})));

  const ArchiveSection& read = archive.Section("S");
  ASSERT_EQ(read.ResourceListLength(), 4u);
  EXPECT_EQ(read.Resource(0).Flag(), 7);
  EXPECT_EQ(read.Resource(1).Flag(), 0);
  EXPECT_EQ(read.Resource(2).Flag(), 0);
  EXPECT_EQ(read.Resource(3).Flag(), 0);
  // Longer blocks are skipped whole: the fields behind them read right.
  EXPECT_EQ(read.Resource(2).Name(), "two");
  EXPECT_EQ(read.Resource(3).Name(), "five");
  EXPECT_EQ(read.Resource(3).HeaderBlockLength(), 5u);
  std::string data(1, '\0');
  ASSERT_TRUE(read.Resource(3).ReadData(&data[0]));
  EXPECT_EQ(data, "4");
}

TEST_F(JavaArchiveTest, ReadDataOfAnEmptyResourceFails) {
  JavaArchive archive(log.Get());
  ASSERT_TRUE(Open(archive, Build({Section{"S", {Flagged("empty.exe", "")}}})));
  ASSERT_EQ(archive.Section("S").ResourceListLength(), 1u);
  char buffer[1] = {'x'};
  EXPECT_FALSE(archive.Section("S").Resource(0).ReadData(buffer));
}

TEST_F(JavaArchiveTest, ALaterSectionOfTheSameNameReplacesTheEarlierOne) {
  JavaArchive archive(log.Get());
  ASSERT_TRUE(Open(archive, Build({Section{"S", {Record{"", "first", "1"}}},
                                   Section{"S", {Record{"", "second", "2"}}}})));
  EXPECT_EQ(archive.Sections().size(), 1u);
  EXPECT_EQ(archive.Section("S").Resource(0).Name(), "second");
}

TEST_F(JavaArchiveTest, TheTableWalkStepsByTheNameStoredAtTheSection) {
  // The table names the first section "A", the section itself "ABC": the
  // next entry is looked for 10 + 3 bytes on, not 10 + 1.
  std::string bytes = ClassBytes();
  std::uint64_t first = bytes.size();
  String16(bytes, "ABC");
  U32(bytes, 0);
  U64(bytes, 0);
  U8(bytes, 0);
  std::uint64_t second = bytes.size();
  String16(bytes, "Z");
  U32(bytes, 0);
  U64(bytes, 0);
  U8(bytes, 0);
  std::uint64_t table = bytes.size();
  U16(bytes, 2);
  String16(bytes, "A");
  U64(bytes, first);
  bytes += "..";  // the two bytes the longer name accounts for
  String16(bytes, "Z");
  U64(bytes, second);
  U64(bytes, table);
  os.AddFile(kArchive, bytes);

  JavaArchive archive(log.Get());
  ASSERT_TRUE(archive.Open(kArchive));
  EXPECT_EQ(archive.Sections().count("ABC"), 1u);
  EXPECT_EQ(archive.Sections().count("Z"), 1u);
}

TEST_F(JavaArchiveTest, OpenFailuresWriteTheirLines) {
  {
    JavaArchive archive(log.Get());
    EXPECT_FALSE(archive.Open(""));
  }
  {
    JavaArchive archive(log.Get());
    EXPECT_FALSE(archive.Open("C:\\TEMP\\absent.class"));
  }
  EXPECT_EQ(LogText(),
            "\r\nNeed path to Java archive \r\n"
            "Could not open file  C:\\TEMP\\absent.class \r\n");
}

TEST_F(JavaArchiveTest, AnOffsetTableOffsetAtOrPastTheEndIsOutOfRange) {
  std::string bytes = ClassBytes();
  U64(bytes, bytes.size() + 8);  // exactly the file size
  os.AddFile(kArchive, bytes);
  std::string beyond = ClassBytes();
  U64(beyond, 0x100000000ull);
  os.AddFile("C:\\TEMP\\beyond.class", beyond);

  EXPECT_FALSE(JavaArchive(log.Get()).Open(kArchive));
  EXPECT_FALSE(JavaArchive(log.Get()).Open("C:\\TEMP\\beyond.class"));
  EXPECT_EQ(LogText(),
            "OffsetTable offset in  C:\\TEMP\\rerodova.class is out of file range\r\n"
            "OffsetTable offset in  C:\\TEMP\\beyond.class is out of file range\r\n");
}

TEST_F(JavaArchiveTest, UnreadableStructuresFailWithoutALine) {
  // Shorter than the 8-byte OffsetTable offset.
  os.AddFile("C:\\TEMP\\tiny.class", "\xCA\xFE");
  // The table offset names the file's last byte, so the count's second byte
  // is missing.
  std::string shortCount = ClassBytes();
  U64(shortCount, shortCount.size() + 7);
  // An entry that points past the end of the file.
  std::string badEntry = ClassBytes();
  std::uint64_t badTable = badEntry.size();
  U16(badEntry, 1);
  String16(badEntry, "S");
  U64(badEntry, 0x7FFFFFF0);
  U64(badEntry, badTable);
  // A section that claims more records than it holds.
  Section missing{"S", {Record{"", "only", "1"}}};
  missing.forgeCount = true;
  missing.resourceCount = 2;
  // A table that claims more entries than it holds.
  std::string manyEntries = Build({Section{"S", {}}});
  std::uint64_t manyTable = manyEntries.size() - 8 - (2 + 2 + 1 + 8);
  manyEntries[manyTable] = '\x00';
  manyEntries[manyTable + 1] = '\x02';

  os.AddFile("C:\\TEMP\\count.class", shortCount);
  os.AddFile("C:\\TEMP\\entry.class", badEntry);
  os.AddFile("C:\\TEMP\\records.class", Build({missing}));
  os.AddFile("C:\\TEMP\\entries.class", manyEntries);
  for (const char* path : {"C:\\TEMP\\tiny.class", "C:\\TEMP\\count.class", "C:\\TEMP\\entry.class",
                           "C:\\TEMP\\records.class", "C:\\TEMP\\entries.class"}) {
    JavaArchive archive(log.Get());
    EXPECT_FALSE(archive.Open(path)) << path;
  }
  EXPECT_EQ(LogText(), "");
  EXPECT_EQ(os.OpenHandleCount(), 1u);
}

TEST_F(JavaArchiveTest, AForgedResourceCountEndsAtTheFirstFailedRead) {
  Section forged{"S", {Record{"", "a", "1"}, Record{"", "b", "2"}}};
  forged.forgeCount = true;
  forged.resourceCount = 0xFFFFFFFF;
  JavaArchive archive(log.Get());
  EXPECT_FALSE(Open(archive, Build({forged})));
  EXPECT_EQ(archive.Sections().size(), 0u);
}

TEST_F(JavaArchiveTest, ARecordWhoseSizesRunPastTheEndFails) {
  // A header block of 4 GiB - 1: skipping it leaves the file, the name read fails.
  Section section{"S", {}};
  section.forgeCount = true;
  section.resourceCount = 1;
  section.payload = std::string(4, '\xFF');
  os.AddFile(kArchive, Build({section}));
  EXPECT_FALSE(JavaArchive(log.Get()).Open(kArchive));
}

TEST_F(JavaArchiveTest, LogAllDescribesEverySection) {
  SetLogAll(true);
  Section big{"Classes", {}, true};
  big.forgeCount = true;
  big.resourceCount = 212;
  big.forgePayloadSize = true;
  big.payloadSize = 0x100000005ull;  // logged by its low 32 bits
  Layout layout;
  os.AddFile(kArchive,
             Build({big, Section{"BundledVMInstallers", {Flagged("j.exe", "MZ")}}}, &layout));
  ASSERT_TRUE(JavaArchive(log.Get()).Open(kArchive));

  std::string installers = std::to_string(layout.sectionOffsets[1]);
  EXPECT_EQ(LogText(),
            "\r\nReading Java archive C:\\TEMP\\rerodova.class with 2 sections...\r\n"
            "\tSection Info:(0) Name(Classes), Size(5), ResourceCount(212), Compressed(Yes), "
            "ResourceFileOffset(8)\r\n"
            "\tSection Info:(1) Name(BundledVMInstallers), Size(18), ResourceCount(1), "
            "Compressed(No), ResourceFileOffset(" +
                installers + ")\r\n");
}

TEST_F(JavaArchiveTest, WithoutLogAllASuccessfulOpenWritesNothing) {
  os.AddFile(kArchive, Build(TypicalSections()));
  ASSERT_TRUE(JavaArchive(log.Get()).Open(kArchive));
  EXPECT_EQ(LogText(), "");
}

TEST_F(JavaArchiveTest, NoLogHandleWritesNothingAnywhere) {
  SetLogAll(true);
  os.AddFile(kArchive, Build(TypicalSections()));
  JavaArchive archive(kNoHandle);
  EXPECT_TRUE(archive.Open(kArchive));
  EXPECT_FALSE(archive.Open(""));
  EXPECT_EQ(LogText(), "");
}

}  // namespace
}  // namespace carafe
