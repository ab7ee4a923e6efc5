// The setup container reader: image end, primitive readers, section table,
// its log lines and the ways a forged or damaged executable fails.
#include <vector>

#include "container/binary_readers.h"
#include "container/setup_container.h"
#include "container_images.h"
#include "memory_platform.h"
#include "string_ids.h"

namespace carafe {
namespace {

using namespace testing_images;

const char* const kSetup = "C:\\SETUP\\setup.exe";
const char* const kLog = "C:\\TEMP\\vnlog.txt";

class ContainerReader : public PlatformTest {
 protected:
  // Opens the container at kSetup with a log file; returns what Open said.
  bool OpenWithLog(SetupContainer& container, const std::string& path = kSetup) {
    UniqueHandle log(
        os.OpenFile(kLog, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways));
    return container.Open(path, log.Get());
  }
  std::string Log() const { return os.Content(kLog); }
};

// --- Image end.

TEST_F(ContainerReader, ImageEndIsFirstRawPointerPlusEveryRawSize) {
  os.AddFile(kSetup, ExampleImage());
  EXPECT_EQ(ComputeImageEnd(kSetup), 0x75000u);
  // The optional header's size is skipped whatever it is.
  os.AddFile("C:\\b.exe", MakePeImage(0x400, {0x200, 0, 0x600}, 0x60));
  EXPECT_EQ(ComputeImageEnd("C:\\b.exe"), 0xC00u);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(ContainerReader, ImageEndIsZeroForAnythingButAReadablePeImage) {
  std::string image = ExampleImage();
  std::string noMz = image;
  noMz[0] = 'X';
  std::string noPe = image;
  noPe[0x81] = 'X';
  std::string farSignature = image;
  PutLittle(farSignature, 60, 0x7FFFFFF0, 4);
  std::string noSections = MakePeImage(0x400, {});
  std::string cutInHeaders = image.substr(0, 0x80 + 4 + 20 + 0xF0 + 40 * 2 + 10);
  for (const std::string& bytes :
       {noMz, noPe, farSignature, noSections, cutInHeaders, image.substr(0, 40), std::string()}) {
    os.AddFile(kSetup, bytes);
    EXPECT_EQ(ComputeImageEnd(kSetup), 0u);
  }
  EXPECT_EQ(ComputeImageEnd("C:\\missing.exe"), 0u);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

// --- Primitive readers.

TEST_F(ContainerReader, PrimitivesReadBigEndianAndFailShortOfTheirWidth) {
  os.AddFile("C:\\p.bin", std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D", 13) +
                              String16(std::string("ab\0cd", 5)) + "\x7F");
  UniqueHandle file(os.OpenFile("C:\\p.bin", FileAccess::Read, FileShare::ReadWrite,
                                FileDisposition::OpenExisting));
  std::uint8_t u8 = 0;
  std::uint32_t u32 = 0;
  std::uint64_t u64 = 0;
  std::string text;
  ASSERT_TRUE(ReadU8(file.Get(), &u8));
  ASSERT_TRUE(ReadU32BE(file.Get(), &u32));
  ASSERT_TRUE(ReadU64BE(file.Get(), &u64));
  EXPECT_EQ(u8, 0x01);
  EXPECT_EQ(u32, 0x02030405u);
  EXPECT_EQ(u64, 0x060708090A0B0C0Dull);  // the first four bytes are the high half
  // The text stops at the zero byte; the file moves past all five bytes.
  ASSERT_TRUE(ReadString16(file.Get(), &text));
  EXPECT_EQ(text, "ab");
  std::uint16_t u16 = 0;
  EXPECT_FALSE(ReadU16BE(file.Get(), &u16));  // one byte left
  EXPECT_FALSE(ReadU8(file.Get(), &u8));
}

TEST_F(ContainerReader, StringLongerThanTheRestOfTheFileFails) {
  os.AddFile("C:\\p.bin", Big16(10) + "short");
  UniqueHandle file(os.OpenFile("C:\\p.bin", FileAccess::Read, FileShare::ReadWrite,
                                FileDisposition::OpenExisting));
  std::string text;
  EXPECT_FALSE(ReadString16(file.Get(), &text));
}

TEST(ContainerParse, StringFromMemoryMustFitItsBuffer) {
  std::string bytes = Big16(5) + std::string("vm\0xy", 5);
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  std::string text;
  std::uint16_t length = 0;
  ASSERT_TRUE(ParseU16BE(data, bytes.size(), &length));
  EXPECT_EQ(length, 5);
  ASSERT_TRUE(ParseString16(data, bytes.size(), &text));
  EXPECT_EQ(text, "vm");
  EXPECT_FALSE(ParseString16(data, bytes.size() - 1, &text));
  EXPECT_FALSE(ParseString16(data, 1, &text));
  EXPECT_FALSE(ParseU16BE(data, 1, &length));
  EXPECT_FALSE(ParseString16(nullptr, 0, &text));
  std::string empty = Big16(0);
  ASSERT_TRUE(ParseString16(reinterpret_cast<const std::uint8_t*>(empty.data()), 2, &text));
  EXPECT_EQ(text, "");
}

// --- The example container.

// The table exactly as the documented example lays it out; the sections
// follow with their real sizes.
std::string ExampleContainer() {
  const unsigned char table[] = {
      0x00, 0x00, 0x00, 0x03,                                            //
      0x01, 0x00, 0x5D, 0xA4, 0xBB, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0x2B,  //
      0x02, 0x00, 0x00, 0x06, 0xBB, 0, 0, 0, 0, 0x00, 0x5D, 0xA4, 0xE6,  //
      0x03, 0x00, 0x00, 0x01, 0x44, 0, 0, 0, 0, 0x00, 0x5D, 0xAB, 0xA1,  //
  };
  std::string container(reinterpret_cast<const char*>(table), sizeof table);
  container += String16("rerodova.class") + ClassBytes(6137003);
  container += String16("Verify.class") + ClassBytes(1709, 'v');
  container += String16("vm search criteria") + String16(std::string(302, 'c'));
  return container;
}

TEST_F(ContainerReader, ReadsTheExampleContainerAndLogsEverySectionWithLogAll) {
  std::string container = ExampleContainer();
  ASSERT_EQ(container.size(), 43u + 6137019 + 1723 + 324);
  os.AddFile(kSetup, ExampleImage() + container);
  SetLogAll(true);
  SetupContainer reader;
  ASSERT_TRUE(OpenWithLog(reader));
  EXPECT_EQ(reader.SectionCount(), 3u);
  EXPECT_EQ(Log(),
            "\r\nReading installation executable  C:\\SETUP\\setup.exe \r\n"
            "\tExe Size (479232), Total File Size (6618341) ..\r\n"
            "\tReading 3 Section Info...\r\n"
            "\tSection Info: Name(rerodova.class), Size(6137003), File Offset(479291)\r\n"
            "\tSection Info: Name(Verify.class), Size(1709), File Offset(6616308)\r\n"
            "\tSection Info: Name(vm search criteria), Size(304), File Offset(6618037)\r\n");

  ContainerSection& archive = reader.Section(kJavaArchiveSection);
  EXPECT_EQ(archive.Name(), "rerodova.class");
  EXPECT_EQ(archive.DataSize(), 6137003);
  EXPECT_EQ(archive.DataOffset(), 0x75000u + 0x2B + 2 + 14);
  std::vector<std::uint8_t> data;
  ASSERT_TRUE(reader.Section(kSearchCriteriaSection).ReadData(&data));
  ASSERT_EQ(data.size(), 304u);
  EXPECT_EQ(data[0], 0x01);
  EXPECT_EQ(data[1], 0x2E);
  ASSERT_TRUE(archive.ReadData(&data));
  EXPECT_EQ(std::string(data.begin(), data.begin() + 4), "\xCA\xFE\xBA\xBE");
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(ContainerReader, SuccessfulOpenWritesNothingWithoutLogAll) {
  os.AddFile(kSetup, ExampleImage() + MakeContainer(ThreeSections("\xCA\xFE\xBA\xBE", "v", "c")));
  SetupContainer reader;
  ASSERT_TRUE(OpenWithLog(reader));
  EXPECT_EQ(Log(), "");
}

// --- Failures of Open.

TEST_F(ContainerReader, EachUnreadableExecutableWritesItsLine) {
  SetupContainer reader;
  EXPECT_FALSE(OpenWithLog(reader, ""));
  EXPECT_EQ(Log(), "\r\nNeed path to setup.exe \r\n");

  EXPECT_FALSE(OpenWithLog(reader, "C:\\SETUP\\gone.exe"));
  EXPECT_EQ(Log(), "\r\nCould not open file  C:\\SETUP\\gone.exe \r\n");

  const std::string corrupted =
      "Installation executable  C:\\SETUP\\setup.exe is either Corrupted or does not have all "
      "the Cmponents in it.\r\n";
  os.AddFile(kSetup, ExampleImage());  // nothing behind the image
  EXPECT_FALSE(OpenWithLog(reader));
  EXPECT_EQ(Log(), corrupted);
  os.AddFile(kSetup, "not an executable at all, but long enough to be read as one......");
  EXPECT_FALSE(OpenWithLog(reader));
  EXPECT_EQ(Log(), corrupted);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(ContainerReader, NoContainerWithLogAllShowsBothSizes) {
  os.AddFile(kSetup, ExampleImage());
  SetLogAll(true);
  SetupContainer reader;
  EXPECT_FALSE(OpenWithLog(reader));
  EXPECT_NE(Log().find("\tExe Size (479232), Total File Size (479232) ..\r\nInstallation "
                       "executable  C:\\SETUP\\setup.exe is either"),
            std::string::npos);
}

TEST_F(ContainerReader, DamagedTablesFailWithoutALineOfTheirOwn) {
  std::string image = ExampleImage();
  std::string good = MakeContainer(ThreeSections("\xCA\xFE\xBA\xBE", "v", "c"));
  // Size 15 is one short of the 16 bytes that the name "rerodova.class" takes.
  std::string nameLargerThanSize = Big32(1) + Entry(1, 15, 17) + String16("rerodova.class");
  std::string nameBeyondTheFile = Big32(1) + Entry(1, 20, 0x1000);
  // The first entry names the empty string at 24; the second has 9 of its 13 bytes.
  std::string entryCut = Big32(2) + Entry(1, 2, 24) + Entry(2, 2, 0).substr(0, 7) + Big16(0);
  for (const std::string& container :
       {good.substr(0, 2), nameLargerThanSize, nameBeyondTheFile, entryCut}) {
    os.AddFile(kSetup, image + container);
    SetupContainer reader;
    EXPECT_FALSE(OpenWithLog(reader));
    EXPECT_EQ(Log(), "");
  }
}

// --- Table semantics.

TEST_F(ContainerReader, LaterEntryOfTheSameTypeReplacesTheEarlierOne) {
  os.AddFile(kSetup, ExampleImage() + MakeContainer({{2, "Old.class", "old"},
                                                     {7, "extra", "ignored"},
                                                     {2, "Verify.class", "new!"}}));
  SetLogAll(true);
  SetupContainer reader;
  ASSERT_TRUE(OpenWithLog(reader));
  EXPECT_EQ(reader.Section(kVerifyClassSection).Name(), "Verify.class");
  std::vector<std::uint8_t> data;
  ASSERT_TRUE(reader.Section(kVerifyClassSection).ReadData(&data));
  EXPECT_EQ(std::string(data.begin(), data.end()), "new!");
  // The unknown type is read and logged like the others.
  EXPECT_NE(Log().find("Section Info: Name(extra), Size(7)"), std::string::npos);
}

TEST_F(ContainerReader, MissingTypeIsInsertedEmptyAndCannotBeRead) {
  os.AddFile(kSetup, ExampleImage() + MakeContainer({{1, "rerodova.class", "a"}}));
  SetupContainer reader;
  ASSERT_TRUE(OpenWithLog(reader));
  ContainerSection& verify = reader.Section(kVerifyClassSection);
  EXPECT_EQ(verify.DataSize(), 0);
  EXPECT_EQ(verify.Name(), "");
  std::vector<std::uint8_t> data;
  EXPECT_FALSE(verify.ReadData(&data));
}

TEST_F(ContainerReader, CountOfZeroOpensWithNoSections) {
  os.AddFile(kSetup, ExampleImage() + Big32(0));
  SetupContainer reader;
  ASSERT_TRUE(OpenWithLog(reader));
  EXPECT_EQ(reader.SectionCount(), 0u);
  std::vector<std::uint8_t> data;
  EXPECT_FALSE(reader.Section(kJavaArchiveSection).ReadData(&data));
}

TEST_F(ContainerReader, SectionOfOnlyItsNameHasDataSizeZeroAndReadsEmpty) {
  os.AddFile(kSetup, ExampleImage() + MakeContainer({{3, "vm search criteria", ""}}));
  SetupContainer reader;
  ASSERT_TRUE(OpenWithLog(reader));
  EXPECT_EQ(reader.Section(kSearchCriteriaSection).DataSize(), 0);
  std::vector<std::uint8_t> data{1, 2};
  EXPECT_TRUE(reader.Section(kSearchCriteriaSection).ReadData(&data));
  EXPECT_TRUE(data.empty());
}

// --- Forged numbers.

TEST_F(ContainerReader, ForgedSectionCountsEndAtTheTableOrReadNothing) {
  std::string sections = MakeContainer(ThreeSections("\xCA\xFE\xBA\xBE", "v", "c")).substr(4);
  // Taken as signed, all bits set is -1: no entry is read at all.
  os.AddFile(kSetup, ExampleImage() + Big32(0xFFFFFFFF) + sections);
  SetupContainer reader;
  EXPECT_TRUE(OpenWithLog(reader));
  std::vector<std::uint8_t> data;
  EXPECT_FALSE(reader.Section(kJavaArchiveSection).ReadData(&data));
  // The largest positive count reads into the section bodies and stops at
  // the first entry that does not hold together.
  os.AddFile(kSetup, ExampleImage() + Big32(0x7FFFFFFF) + sections);
  SetupContainer forged;
  EXPECT_FALSE(OpenWithLog(forged));
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(ContainerReader, ForgedDataSizeFailsWithoutAllocatingIt) {
  os.AddFile(kSetup, ExampleImage() + Big32(1) + Entry(1, 0x7FFFFFF0, 17) +
                         String16("rerodova.class") + "tiny");
  SetupContainer reader;
  ASSERT_TRUE(OpenWithLog(reader));
  EXPECT_EQ(reader.Section(kJavaArchiveSection).DataSize(), 0x7FFFFFF0 - 16);
  std::vector<std::uint8_t> data;
  EXPECT_FALSE(reader.Section(kJavaArchiveSection).ReadData(&data));
  EXPECT_EQ(data.capacity(), 0u);
}

TEST_F(ContainerReader, OffsetCarryingThePositionPastTheLargestFilePointerFails) {
  // Image end plus offset lies beyond 2^63 - 1: no seek may be asked to get
  // there, as the sum overflows the signed file pointer (the sanitized unit
  // run reports that overflow).
  const std::uint64_t largest = 0x7FFFFFFFFFFFFFFF;
  for (std::uint64_t offset : {largest, largest - 0x75000 + 1}) {
    os.AddFile(kSetup, ExampleImage() + Big32(1) + Entry(1, 20, offset) +
                           String16("rerodova.class") + "tiny");
    SetupContainer reader;
    EXPECT_FALSE(OpenWithLog(reader));
    EXPECT_EQ(Log(), "");
    EXPECT_EQ(os.OpenHandleCount(), 0u);
  }
}

TEST_F(ContainerReader, StoredSizeWithTheTopBitSetIsNegativeAndFails) {
  os.AddFile(kSetup, ExampleImage() + Big32(1) + Entry(1, 0x80000010, 17) +
                         String16("rerodova.class") + "tiny");
  SetupContainer reader;
  EXPECT_FALSE(OpenWithLog(reader));
}

}  // namespace
}  // namespace carafe
