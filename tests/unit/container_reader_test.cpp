// The setup container reader: image end, primitive readers, section table,
// its log lines and the ways a forged or damaged executable fails.
#include <vector>

#include "allocation_watch.h"
#include "container/setup_container.h"
#include "container_images.h"
#include "memory_platform.h"

namespace carafe {
namespace {

using namespace testing_images;

const char* const kSetup = "C:\\SETUP\\setup.exe";
const char* const kLog = "C:\\TEMP\\vnlog.txt";
const std::string kCorrupted =
    "Installation executable  C:\\SETUP\\setup.exe is either Corrupted or does not have all "
    "the Cmponents in it.\r\n";

class ContainerReader : public PlatformTest {
 protected:
  // Opens the container at `path` with a fresh log file; returns what Open said.
  bool OpenWithLog(SetupContainer& container, const std::string& path = kSetup) {
    File log = os.OpenFile(kLog, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
    return container.Open(path, &log);
  }
  std::string Log() const { return os.Content(kLog); }
  std::string Data(SetupContainer& reader, int type) {
    std::vector<std::uint8_t> data;
    return reader.Section(type).ReadData(&data) ? std::string(data.begin(), data.end()) : "<fail>";
  }
};

TEST_F(ContainerReader, ImageEndIsFirstRawPointerPlusEveryRawSize) {
  os.AddFile(kSetup, ExampleImage());
  EXPECT_EQ(ComputeImageEnd(kSetup), 0x75000u);
  // The optional header's size is skipped whatever it is.
  os.AddFile("C:\\b.exe", MakePeImage(0x400, {0x200, 0, 0x600}, 0x60));
  EXPECT_EQ(ComputeImageEnd("C:\\b.exe"), 0xC00u);

  std::string noMz = ExampleImage(), noPe = ExampleImage(), farSignature = ExampleImage();
  noMz[0] = 'X';
  noPe[0x81] = 'X';
  PutLittle(farSignature, 60, 0x7FFFFFF0, 4);
  const std::string cutInHeaders = ExampleImage().substr(0, 0x80 + 4 + 20 + 0xF0 + 40 * 2 + 10);
  for (const std::string& bytes : {noMz, noPe, farSignature, MakePeImage(0x400, {}), cutInHeaders,
                                   ExampleImage().substr(0, 40)}) {
    os.AddFile(kSetup, bytes);
    EXPECT_EQ(ComputeImageEnd(kSetup), 0u);
  }
  EXPECT_EQ(ComputeImageEnd("C:\\missing.exe"), 0u);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(ContainerReader, ReadsTheExampleContainerAndLogsEverySectionWithLogAll) {
  os.AddFile(kSetup, ExampleImage() + ExampleContainer());
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
  EXPECT_EQ(reader.Section(kJavaArchiveSection).Name(), "rerodova.class");
  EXPECT_EQ(Data(reader, kSearchCriteriaSection), String16(std::string(302, 'c')));
  EXPECT_EQ(Data(reader, kJavaArchiveSection).substr(0, 5), ClassBytes(5));
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(ContainerReader, EachUnreadableExecutableWritesItsLine) {
  SetupContainer reader;
  EXPECT_FALSE(OpenWithLog(reader, ""));
  EXPECT_EQ(Log(), "\r\nNeed path to setup.exe \r\n");
  EXPECT_FALSE(OpenWithLog(reader, "C:\\SETUP\\gone.exe"));
  EXPECT_EQ(Log(), "\r\nCould not open file  C:\\SETUP\\gone.exe \r\n");
  os.AddFile(kSetup, "not an executable at all, but long enough to be read as one......");
  EXPECT_FALSE(OpenWithLog(reader));
  EXPECT_EQ(Log(), kCorrupted);
  os.AddFile(kSetup, ExampleImage());  // nothing behind the image
  SetLogAll(true);
  EXPECT_FALSE(OpenWithLog(reader));
  EXPECT_NE(Log().find("\tExe Size (479232), Total File Size (479232) ..\r\n" + kCorrupted),
            std::string::npos);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(ContainerReader, LaterEntryOfTheSameTypeWinsAndUnknownTypesAreLogged) {
  os.AddFile(kSetup, ExampleImage() + MakeContainer({{2, "Old.class", "old"},
                                                     {7, "extra", "ignored"},
                                                     {2, "Verify.class", "new!"}}));
  SetLogAll(true);
  SetupContainer reader;
  ASSERT_TRUE(OpenWithLog(reader));
  EXPECT_EQ(reader.Section(kVerifyClassSection).Name(), "Verify.class");
  EXPECT_EQ(Data(reader, kVerifyClassSection), "new!");
  EXPECT_NE(Log().find("Section Info: Name(extra), Size(7)"), std::string::npos);
}

TEST_F(ContainerReader, MissingOrEmptySectionsOpenQuietly) {
  os.AddFile(kSetup, ExampleImage() + MakeContainer({{3, "vm search criteria", ""}}));
  SetupContainer reader;
  ASSERT_TRUE(OpenWithLog(reader));
  EXPECT_EQ(Log(), "");                                 // no log-all: a good open writes nothing
  EXPECT_EQ(Data(reader, kSearchCriteriaSection), "");  // only its name
  EXPECT_EQ(reader.Section(kVerifyClassSection).DataSize(), 0);
  EXPECT_EQ(Data(reader, kVerifyClassSection), "<fail>");  // inserted empty
}

TEST_F(ContainerReader, DataStartsBehindTheStoredNameLengthEvenPastAZeroInTheName) {
  // The name's text ends at its zero byte; its stored length still counts all 14 bytes.
  const std::string name("Verify\0class.x", 14);
  os.AddFile(kSetup, ExampleImage() + MakeContainer({{2, name, ClassBytes(6)}}));
  SetupContainer reader;
  ASSERT_TRUE(OpenWithLog(reader));
  EXPECT_EQ(reader.Section(kVerifyClassSection).Name(), "Verify");
  EXPECT_EQ(reader.Section(kVerifyClassSection).DataSize(), 6);
  EXPECT_EQ(reader.Section(kVerifyClassSection).DataOffset(), 0x75000u + 4 + 13 + 2 + 14);
  EXPECT_EQ(Data(reader, kVerifyClassSection), ClassBytes(6));
}

TEST_F(ContainerReader, DamagedOrForgedTablesFailQuietlyWithoutAllocatingTheirSizes) {
  const std::string sections = MakeContainer(ThreeSections(ClassBytes(10), "v", "c")).substr(4);
  auto one = [](std::uint32_t size, std::uint64_t offset) {
    return Big32(1) + Entry(1, size, offset) + String16("rerodova.class") + "tiny";
  };
  struct Case {
    const char* what;
    std::string container;
    bool opens;  // then the archive section cannot be read
  };
  for (const Case& c : std::vector<Case>{
           {"count cut", Big16(0), false},
           // Size 15 is one short of the 16 bytes that the name "rerodova.class" takes.
           {"name larger than size", Big32(1) + Entry(1, 15, 17) + String16("rerodova.class"),
            false},
           {"entry cut", Big32(2) + Entry(1, 2, 24) + Entry(2, 2, 0).substr(0, 7) + Big16(0),
            false},
           {"count -1 reads no entry", Big32(0xFFFFFFFF) + sections, true},
           {"largest count", Big32(0x7FFFFFFF) + sections, false},
           {"size 2 GiB", one(0x7FFFFFF0, 17), true},
           {"size 4 GiB - 1 is negative", one(0xFFFFFFFF, 17), false},
           {"offset at the end", one(20, 17 + 16 + 4), false},
           {"offset past the end", one(20, 0x7FFFFFFF), false},
           // Image end + offset past 2^63 - 1 must fail before any seek (the sum overflowed once).
           {"offset at 2^63 - 1", one(20, 0x7FFFFFFFFFFFFFFF), false},
           {"offset to 2^63", one(20, 0x7FFFFFFFFFFFFFFF - 0x75000 + 1), false},
           {"offset near 2^64", one(20, 0xFFFFFFFFFFFFFFF0), false},
       }) {
    SCOPED_TRACE(c.what);
    os.AddFile(kSetup, ExampleImage() + c.container);
    SetupContainer reader;
    AllocationWatch watch;
    EXPECT_EQ(OpenWithLog(reader), c.opens);
    if (c.opens) {
      EXPECT_EQ(Data(reader, kJavaArchiveSection), "<fail>");
    }
    EXPECT_LT(watch.Largest(), std::size_t(1) << 20);
    EXPECT_EQ(Log(), "");
    EXPECT_EQ(os.OpenHandleCount(), 0u);
  }
}

}  // namespace
}  // namespace carafe
