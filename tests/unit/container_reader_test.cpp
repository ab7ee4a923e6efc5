// The launcher's readers of the setup container and the Java archive on forged
// and odd inputs, each opening exactly what the format module's decoder accepts.
#include "container/java_archive.h"
#include "container/setup_container.h"
#include "container_images.h"
#include "memory_platform.h"

namespace carafe {
namespace {

using namespace testing_images;
using archive_bytes::Build;
using CFault = ContainerOpenFault;
using AFault = ArchiveOpenFault;
const char* const kFile = "C:\\SETUP\\setup.exe";

class Readers : public PlatformTest {
 protected:
  // How the launcher opens the setup, and "name=data" of its type 2 section
  // ("<fail>" for data it cannot read).
  void ExpectContainer(const std::string& bytes, CFault fault, const std::string& read, int row) {
    SCOPED_TRACE(row);
    os.AddFile(kFile, bytes);
    SetupContainer reader;
    ContainerReport report;
    format::ContainerTable table;
    EXPECT_EQ(reader.Open(kFile, &report),
              format::DecodeContainer(bytes, &table) == format::ContainerFault::None);
    EXPECT_EQ(report.fault, fault);
    MemoryBlock data;
    const ContainerSection& section = reader.Section(2);
    EXPECT_EQ(section.Name() + "=" +
                  (section.ReadData(&data) ? std::string(data.data(), data.data() + data.size())
                                           : "<fail>"),
              read);
  }
  // How the launcher opens the archive, and "name flag,data|" per resource of its section "S".
  void ExpectArchive(const std::string& bytes, AFault fault, const std::string& resources,
                     int row) {
    SCOPED_TRACE(row);
    os.AddFile(kFile, bytes);
    JavaArchive reader;
    ArchiveReport report;
    format::ArchiveTable table;
    EXPECT_EQ(reader.Open(kFile, &report),
              format::DecodeJavaArchive(bytes, &table) == format::ArchiveFault::None);
    EXPECT_EQ(report.fault, fault);
    std::string read;
    for (const ArchiveResource& r : reader.Section("S").Resources()) {
      std::string data(r.Size(), '\0');
      read += r.Name() + " " + std::to_string(r.Flag()) + "," +
              (r.ReadData(&data[0]) ? data : "<fail>") + "|";
    }
    EXPECT_EQ(read, resources);
  }
};

TEST_F(Readers, ContainerTablesForgedOrOddReadAsTheFormatSays) {
  const std::string image = ExampleImage();
  auto entry = [](int type, std::uint32_t size, std::uint64_t offset) {
    return Big(type, 1) + Big(size, 4) + Big(offset, 8);
  };
  auto one = [&](std::uint32_t size, std::uint64_t offset) {
    return image + Big(1, 4) + entry(2, size, offset) + String16("rerodova.class") + "tiny";
  };
  const std::string three = MakeContainer(ThreeSections("CAFE", "v", "c")).substr(4);
  std::string noPe = image;
  noPe[0x81] = 'X';
  const struct {
    std::string bytes;
    CFault fault;
    std::string read = "=<fail>";
  } cases[] = {
      // The image ends at the first raw pointer plus every raw size, whatever the optional
      // header; a later entry of a type replaces the earlier one.
      {MakePeImage(0x400, {0x200, 0, 0x600}, 0x60) +
           MakeContainer({{2, "Old", "old"}, {7, "x", "y"}, {2, "Verify.class", "new!"}}),
       CFault::None, "Verify.class=new!"},
      {noPe + three, CFault::NoContainer},
      // The name's text ends at its zero byte; its stored length still counts all 7 bytes.
      {image + MakeContainer({{2, std::string("V\0class", 7), "CAFE"}}), CFault::None, "V=CAFE"},
      {image + MakeContainer({{2, "Verify.class", ""}}), CFault::None, "Verify.class="},
      {image + Big(0xFFFFFFFF, 4) + three, CFault::None},            // count -1 reads none
      {one(0x7FFFFFF0, 17), CFault::None, "rerodova.class=<fail>"},  // 2 GiB never allocated
      {image, CFault::NoContainer},
      {image + Big(0, 2), CFault::CountCutOff},
      {image + Big(1, 4) + entry(1, 15, 17) + String16("rerodova.class"), CFault::EntryUnreadable},
      // Image end + offset past 2^63 - 1 must fail before any seek (the sum overflowed once).
      {one(20, 0x7FFFFFFFFFFFFFFF), CFault::EntryUnreadable},
      {one(20, 0x7FFFFFFFFFFFFFFF - 0x75000 + 1), CFault::EntryUnreadable},
  };
  for (const auto& c : cases) ExpectContainer(c.bytes, c.fault, c.read, &c - cases);
}

TEST_F(Readers, ArchivesForgedOrOddReadAsTheFormatSays) {
  // The table names the first section "A", the section itself "ABC": the
  // next entry lies 10 + 3 bytes on, not 10 + 1.
  std::string renamed = Build({{"ABC", {}}, {"S", {{"", "z", "9"}}}});
  renamed.replace(renamed.size() - 8 - 11 - 13, 13, String16("A") + Big(8, 8) + "..");
  // A forged resource count costs nothing: the reads stop at the end of the file.
  std::string forged = Build({{"S", std::vector<archive_bytes::Record>(50, {"", "r", "d"})}});
  forged.replace(8 + 3, 4, 4, '\xFF');
  const struct {
    std::string bytes;
    AFault fault;
    std::string resources = "";
  } cases[] = {
      // A one-byte header block is the flag, any other is skipped; empty data reads as none.
      {Build(
           {{"S", {{"", "r", "hi"}, {"\x07", "j", "MZ"}, {"\1\2", "two", "3"}, {"\1", "e", ""}}}}),
       AFault::None, "r 0,hi|j 7,MZ|two 0,3|e 1,<fail>|"},
      {renamed, AFault::None, "z 0,9|"},
      {"\xCA\xFE", AFault::NoTableOffset},
      {archive_bytes::ClassBytes() + Big(16, 8), AFault::TableOutOfRange},
      {archive_bytes::ClassBytes() + Big(15, 8), AFault::CountCutOff},
      {forged, AFault::SectionUnreadable},
  };
  for (const auto& c : cases) ExpectArchive(c.bytes, c.fault, c.resources, &c - cases);
}

}  // namespace
}  // namespace carafe
