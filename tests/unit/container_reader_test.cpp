// The launcher's readers of the setup container and the Java archive, held
// against the format module's decoders on forged and odd inputs, and the
// archive layout its encoder writes.
#include <map>

#include "archive_bytes.h"
#include "container/java_archive.h"
#include "container/setup_container.h"
#include "container_images.h"
#include "format/pe_image.h"
#include "memory_platform.h"

namespace carafe {
namespace {

using namespace testing_images;
using archive_bytes::Flagged;
using archive_bytes::Record;
using CFault = ContainerOpenFault;
using AFault = ArchiveOpenFault;
const char* const kFile = "C:\\SETUP\\setup.exe";

std::string Records(const std::vector<Record>& records) {
  std::string bytes, refused;
  format::EncodeResourceRecords(records, &bytes, &refused);
  return bytes;
}
std::string Archive(const std::vector<format::SectionPayload>& sections,
                    std::vector<std::uint64_t>* offsets = nullptr) {
  std::string out = archive_bytes::ClassBytes(), refused;
  format::AppendArchiveSections(&out, sections, &refused, offsets);
  return out;
}

template <typename... T>
std::string Line(const T&... fields) {
  return ((std::to_string(fields) + ",") + ...);
}

class Readers : public PlatformTest {
 protected:
  // The data of the type's section as the launcher reads it, "<fail>" when
  // it cannot; the table must match the format module's.
  std::string Container(const std::string& bytes, CFault* fault, std::uint8_t type) {
    os.AddFile(kFile, bytes);
    SetupContainer reader;
    ContainerReport report;
    format::ContainerTable table;
    const bool opened = reader.Open(kFile, &report);
    EXPECT_EQ(opened, format::DecodeContainer(bytes, &table) == format::ContainerFault::None);
    std::map<std::uint8_t, std::string> expected, read;
    for (const format::ContainerSectionInfo& i : table.sections) {
      const ContainerSection& section = reader.Section(i.entry.type);
      expected[i.entry.type] = i.name + Line(i.dataSize, i.dataOffset);
      read[i.entry.type] = section.Name() + Line(section.DataSize(), section.DataOffset());
    }
    if (opened) {
      EXPECT_EQ(read, expected);
    }
    EXPECT_EQ(os.OpenHandleCount(), 0u);
    *fault = report.fault;
    std::vector<std::uint8_t> data;
    return reader.Section(type).ReadData(&data) ? std::string(data.begin(), data.end()) : "<fail>";
  }
  // "name flag data|" per resource of the named section; the structure must
  // match the format module's.
  std::string Resources(const std::string& bytes, AFault* fault, const std::string& name) {
    os.AddFile(kFile, bytes);
    JavaArchive reader;
    ArchiveReport report;
    format::ArchiveTable table;
    const bool opened = reader.Open(kFile, &report);
    EXPECT_EQ(opened, format::DecodeJavaArchive(bytes, &table) == format::ArchiveFault::None);
    std::map<std::string, std::string> expected, read;
    for (const format::ArchiveSectionInfo& s : table.sections) {
      std::string& text = expected[s.name] =
          Line(s.offset, s.fields.resourceCount, s.fields.compressed);
      for (const format::ResourceInfo& r : s.resources) text += r.name + Line(r.size, r.dataOffset);
    }
    for (const auto& [key, s] : reader.Sections()) {
      std::string& text = read[key] =
          Line(s.ResourceFileOffset(), s.ResourceCount(), s.Compressed());
      for (const ArchiveResource& r : s.Resources())
        text += r.Name() + Line(r.Size(), r.DataOffset());
    }
    if (opened) {
      EXPECT_EQ(read, expected);
    }
    EXPECT_EQ(os.OpenHandleCount(), 0u);
    *fault = report.fault;
    std::string out;
    for (const ArchiveResource& r : reader.Section(name).Resources()) {
      std::string data(std::min<std::size_t>(r.Size(), bytes.size()), '\0');
      out += r.Name() + " " + Line(r.Flag()) + (r.ReadData(&data[0]) ? data : "<fail>") + "|";
    }
    return out;
  }
};

TEST_F(Readers, ContainerTablesForgedOrOddReadAsTheFormatSays) {
  const std::string image = ExampleImage();
  auto entry = [](int type, std::uint32_t size, std::uint64_t offset) {
    return Big(type, 1) + Big(size, 4) + Big(offset, 8);
  };
  auto one = [&](std::uint32_t size, std::uint64_t offset) {
    return image + Big(1, 4) + entry(1, size, offset) + String16("rerodova.class") + "tiny";
  };
  const std::string three = MakeContainer(ThreeSections("CAFE", "v", "c")).substr(4);
  std::string noMz = image, noPe = image, farSignature = image;
  noMz[0] = 'X';
  noPe[0x81] = 'X';
  PutLittle(farSignature, 60, 0x7FFFFFF0, 4);
  const struct {
    std::string bytes;
    CFault fault;
    std::uint8_t type;
    std::string data;  // what the type's section reads
  } cases[] = {
      // The image ends at the first raw pointer plus every raw size, whatever the optional header.
      {MakePeImage(0x400, {0x200, 0, 0x600}, 0x60) + MakeContainer({{1, "a", "A"}}), CFault::None,
       1, "A"},
      {noMz + three, CFault::NoContainer, 1, "<fail>"},
      {noPe + three, CFault::NoContainer, 1, "<fail>"},
      {farSignature + three, CFault::NoContainer, 1, "<fail>"},
      {MakePeImage(0x400, {}) + three, CFault::NoContainer, 1, "<fail>"},
      {image.substr(0, 0x80 + 24 + 0xF0 + 40 * 2 + 10), CFault::NoContainer, 1, "<fail>"},
      {image + MakeContainer({{2, "Old", "old"}, {7, "x", "y"}, {2, "Verify.class", "new!"}}),
       CFault::None, 2, "new!"},
      // The name's text ends at its zero byte; its stored length still counts all 14 bytes.
      {image + MakeContainer({{2, std::string("Verify\0class.x", 14), "CAFE"}}), CFault::None, 2,
       "CAFE"},
      {image + MakeContainer({{3, "vm search criteria", ""}}), CFault::None, 3, ""},
      {image + MakeContainer({{3, "vm search criteria", ""}}), CFault::None, 2, "<fail>"},
      {image + Big(0, 4), CFault::None, 1, "<fail>"},
      {image + Big(0xFFFFFFFF, 4) + three, CFault::None, 1, "<fail>"},  // count -1 reads none
      {one(0x7FFFFFF0, 17), CFault::None, 1, "<fail>"},  // 2 GiB of data, never allocated
      {image, CFault::NoContainer, 0, "<fail>"},
      {image + Big(0, 2), CFault::CountCutOff, 0, "<fail>"},
      {image + Big(1, 4) + entry(1, 15, 17) + String16("rerodova.class"), CFault::EntryUnreadable,
       0, "<fail>"},
      {image + Big(2, 4) + entry(1, 2, 30) + entry(2, 2, 0).substr(0, 7), CFault::EntryUnreadable,
       0, "<fail>"},
      {image + Big(0x7FFFFFFF, 4) + three, CFault::EntryUnreadable, 0, "<fail>"},
      {one(0xFFFFFFFF, 17), CFault::EntryUnreadable, 0, "<fail>"},
      {one(20, 17 + 16 + 4), CFault::EntryUnreadable, 0, "<fail>"},
      // Image end + offset past 2^63 - 1 must fail before any seek (the sum overflowed once).
      {one(20, 0x7FFFFFFFFFFFFFFF), CFault::EntryUnreadable, 0, "<fail>"},
      {one(20, 0x7FFFFFFFFFFFFFFF - 0x75000 + 1), CFault::EntryUnreadable, 0, "<fail>"},
      {one(20, 0xFFFFFFFFFFFFFFF0), CFault::EntryUnreadable, 0, "<fail>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    CFault fault;
    EXPECT_EQ(Container(c.bytes, &fault, c.type), c.data);
    EXPECT_EQ(fault, c.fault);
  }
}

TEST_F(Readers, ArchivesForgedOrOddReadAsTheFormatSays) {
  const std::string installers = kBundledInstallersSection;
  const std::string typical = Archive(
      {{"Classes", 212, true, "deflated"},
       {installers, 3, false,
        Records(
            {{"", "readme.txt", "hello"}, Flagged("jre.exe", "MZ-installer"), Flagged("e", "")})}});
  // The table names the first section "A", the section itself "ABC": the
  // next entry lies 10 + 3 bytes on, not 10 + 1.
  std::vector<std::uint64_t> at;
  std::string renamed =
      Archive({{"ABC", 0, false, ""}, {"Z", 1, false, Records({{"", "z", "9"}})}}, &at);
  renamed.replace(renamed.size() - 8 - 11 - 13, 13, String16("A") + Big(at[0], 8) + "..");
  const std::string hugeData =
      Records({Flagged("huge.exe", "")}).substr(0, 15) + "\x7F\xFF\xFF\xFF" + "MZ";
  std::string twoCounted = Archive({{"S", 0, false, ""}});
  twoCounted[twoCounted.size() - 20] = 2;  // the OffsetTable's count: one entry stored
  const struct {
    std::string bytes;
    AFault fault;
    std::string section, resources;
  } cases[] = {
      {typical, AFault::None, installers, "readme.txt 0,hello|jre.exe 1,MZ-installer|e 1,<fail>|"},
      {typical, AFault::None, "Classes", ""},
      {archive_bytes::Build({{"S",
                              {{"\x07", "one", "1"},
                               {"", "none", "2"},
                               {"\x01\x01", "two", "3"},
                               {"\x01\x02\x03\x04\x05", "five", "4"}}}}),
       AFault::None, "S", "one 7,1|none 0,2|two 0,3|five 0,4|"},
      {archive_bytes::Build({{"S", {{"", "first", "1"}}}, {"T", {}}, {"S", {{"", "second", "2"}}}}),
       AFault::None, "S", "second 0,2|"},
      {renamed, AFault::None, "Z", "z 0,9|"},
      {Archive({{installers, 1, false, hugeData}}), AFault::None, installers, "huge.exe 1,<fail>|"},
      {"\xCA\xFE", AFault::NoTableOffset, "", ""},
      {archive_bytes::ClassBytes() + Big(16, 8), AFault::TableOutOfRange, "", ""},
      {archive_bytes::ClassBytes() + Big(15, 8), AFault::CountCutOff, "", ""},
      {archive_bytes::ClassBytes() + Big(1, 2) + String16("S") + Big(0x7FFFFFF0, 8) + Big(8, 8),
       AFault::SectionUnreadable, "", ""},
      {twoCounted, AFault::SectionUnreadable, "", ""},
      {Archive({{"S", 2, false, Records({{"", "a", "1"}})}}), AFault::SectionUnreadable, "", ""},
      {Archive({{"S", 1, false, std::string(4, '\xFF')}}), AFault::SectionUnreadable, "", ""},
      {Archive({{"S", 0xFFFFFFFF, false, Records(std::vector<Record>(50, {"", "r", "d"}))}}),
       AFault::SectionUnreadable, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    AFault fault;
    EXPECT_EQ(Resources(c.bytes, &fault, c.section), c.resources);
    EXPECT_EQ(fault, c.fault);
  }
}

TEST(Format, TheArchiveEncoderWritesTheDocumentedLayoutAndRefusesLongNames) {
  std::string archive = "CLASS", refused, out;
  ASSERT_TRUE(format::AppendArchiveSections(
      &archive, {{"S", 2, false, Records({{"\x01", "j", "MZ"}, {"", "r", ""}})}}, &refused));
  // Section, records, then the table and its offset.
  EXPECT_EQ(archive, std::string("CLASS\0\1S\0\0\0\2\0\0\0\0\0\0\0\x19\0"
                                 "\0\0\0\1\1\0\1j\0\0\0\2MZ\0\0\0\0\0\1r\0\0\0\0"
                                 "\0\1\0\1S\0\0\0\0\0\0\0\5\0\0\0\0\0\0\0\x2E",
                                 67));
  const std::string longest(65535, 'n'), tooLong(65536, 'n');
  EXPECT_TRUE(format::AppendString16(&out, longest) && !format::AppendString16(&out, tooLong));
  EXPECT_EQ(out.size(), 2u + 65535u);
  EXPECT_FALSE(format::EncodeContainer({{1, "a", ""}, {2, tooLong, ""}}, &out, &refused));
  EXPECT_EQ(refused, tooLong);
  EXPECT_FALSE(format::EncodeResourceRecords({{"", tooLong, "x"}}, &out, &refused));
}

}  // namespace
}  // namespace carafe
