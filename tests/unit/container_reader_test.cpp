// The launcher's readers of the setup container and the Java archive: on
// every forged input the same answer as the format module and mksetup's
// lister, no allocation beyond what the file holds and every file closed
// again; and what mksetup writes, read back.
#include <map>
#include <string>
#include <vector>

#include "allocation_watch.h"
#include "archive_bytes.h"
#include "class_bytes.h"
#include "container/java_archive.h"
#include "container/setup_container.h"
#include "container_images.h"
#include "format/pe_image.h"
#include "memory_platform.h"
#include "mksetup/archive_builder.h"
#include "mksetup/listing.h"
#include "mksetup_fixture.h"

namespace carafe {
namespace {

using testing_images::Big;
using testing_images::Big32;
using testing_images::Entry;
using testing_images::String16;

const char* const kSetup = "C:\\SETUP\\setup.exe";
const char* const kArchive = "C:\\TEMP\\rerodova.class";

class Readers : public PlatformTest {
 protected:
  // The launcher, the format module and the lister (which also wants the
  // data inside the file) on one setup: same verdict, same sections.
  bool OpenSetup(const std::string& bytes, SetupContainer& reader) {
    os.AddFile(kSetup, bytes);
    AllocationWatch watch;
    ContainerReport report;
    const bool opened = reader.Open(kSetup, &report);
    format::ContainerTable table;
    EXPECT_EQ(opened, format::DecodeContainer(bytes, &table) == format::ContainerFault::None);
    std::map<std::uint8_t, std::string> expected, read;
    bool inside = true;
    for (const format::ContainerSectionInfo& entry : table.sections) {
      inside = inside && format::InsideFile(entry.dataOffset, entry.dataSize, bytes.size());
      expected[entry.entry.type] = entry.name + "," + std::to_string(entry.dataSize) + "," +
                                   std::to_string(entry.dataOffset);
    }
    mksetup::SetupListing listing;
    std::string error;
    EXPECT_EQ(mksetup::ListSetup(bytes, &listing, &error), opened && inside) << error;
    for (const auto& [type, text] : expected) {
      const ContainerSection& section = reader.Section(type);
      read[type] = section.Name() + "," + std::to_string(section.DataSize()) + "," +
                   std::to_string(section.DataOffset());
      if (opened) {
        EXPECT_EQ(mksetup::FindSection(listing, type)->dataOffset, section.DataOffset());
      }
    }
    if (opened) {
      EXPECT_EQ(read, expected);
    }
    EXPECT_LT(watch.Largest(), std::size_t(1) << 20);
    EXPECT_EQ(os.OpenHandleCount(), 0u);
    return opened;
  }
  std::string Data(SetupContainer& reader, std::uint8_t type) {
    std::vector<std::uint8_t> data;
    return reader.Section(type).ReadData(&data) ? std::string(data.begin(), data.end())
                                                : "<fail>";
  }

  // The same for the Java archive, section by section, the later of a name winning.
  bool OpenArchive(const std::string& bytes, JavaArchive& reader) {
    os.AddFile(kArchive, bytes);
    AllocationWatch watch;
    ArchiveReport report;
    const bool opened = reader.Open(kArchive, &report);
    format::ArchiveTable table, listed;
    EXPECT_EQ(opened, format::DecodeJavaArchive(bytes, &table) == format::ArchiveFault::None);
    std::map<std::string, std::string> expected, read;
    bool inside = true;
    for (const format::ArchiveSectionInfo& section : table.sections) {
      std::string& text = expected[section.name];
      text = std::to_string(section.offset) + "," + std::to_string(section.fields.resourceCount) +
             "," + std::to_string(section.fields.payloadSize) + "," +
             std::to_string(section.fields.compressed);
      for (const format::ResourceInfo& r : section.resources) {
        inside = inside && format::InsideFile(r.dataOffset, r.size, bytes.size());
        text += "|" + r.name + "," + std::to_string(r.flag) + "," + std::to_string(r.size) + "," +
                std::to_string(r.dataOffset);
      }
    }
    for (const auto& [name, section] : reader.Sections()) {
      std::string& text = read[name];
      text = std::to_string(section.ResourceFileOffset()) + "," +
             std::to_string(section.ResourceCount()) + "," +
             std::to_string(section.PayloadSize()) + "," + std::to_string(section.Compressed());
      for (const ArchiveResource& r : section.Resources()) {
        text += "|" + r.Name() + "," + std::to_string(r.Flag()) + "," + std::to_string(r.Size()) +
                "," + std::to_string(r.DataOffset());
      }
    }
    if (opened) {
      EXPECT_EQ(read, expected);
    }
    std::string error;
    EXPECT_EQ(mksetup::ListArchive(bytes, &listed, &error), opened && inside) << error;
    EXPECT_LT(watch.Largest(), std::size_t(1) << 20);
    EXPECT_EQ(os.OpenHandleCount(), 0u);
    return opened;
  }
  // "name flag data|" per resource of the section; "<fail>" for data that cannot be read.
  static std::string Resources(JavaArchive& archive, const std::string& name) {
    std::string out;
    for (const ArchiveResource& resource : archive.Section(name).Resources()) {
      std::string data(resource.Size(), '\0');
      out += resource.Name() + " " + std::to_string(resource.Flag()) + " " +
             (resource.ReadData(&data[0]) ? data : "<fail>") + "|";
    }
    return out;
  }
};

TEST_F(Readers, ImageEndIsFirstRawPointerPlusEveryRawSize) {
  using testing_images::ExampleImage;
  std::string noMz = ExampleImage(), noPe = ExampleImage(), farSignature = ExampleImage();
  noMz[0] = 'X';
  noPe[0x81] = 'X';
  testing_images::PutLittle(farSignature, 60, 0x7FFFFFF0, 4);
  const struct {
    std::string bytes;
    std::uint32_t end;  // 0: none
  } cases[] = {
      {ExampleImage(), 0x75000},
      // The optional header's size is skipped whatever it is.
      {testing_images::MakePeImage(0x400, {0x200, 0, 0x600}, 0x60), 0xC00},
      {noMz, 0},
      {noPe, 0},
      {farSignature, 0},
      {testing_images::MakePeImage(0x400, {}), 0},
      {ExampleImage().substr(0, 0x80 + 4 + 20 + 0xF0 + 40 * 2 + 10), 0},
      {ExampleImage().substr(0, 40), 0},
  };
  for (const auto& c : cases) {
    os.AddFile(kSetup, c.bytes);
    EXPECT_EQ(ComputeImageEnd(kSetup), c.end);
    std::uint32_t end = 0;
    EXPECT_EQ(format::FindImageEnd(c.bytes, &end), c.end != 0);
    EXPECT_EQ(end, c.end);
  }
  EXPECT_EQ(ComputeImageEnd("C:\\missing.exe"), 0u);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(Readers, ContainerTablesForgedOrOddReadAsTheFormatSays) {
  const std::string image = testing_images::ExampleImage();
  auto container = [&](const std::vector<testing_images::Section>& sections) {
    return image + testing_images::MakeContainer(sections);
  };
  auto one = [&](std::uint32_t size, std::uint64_t offset) {
    return image + Big32(1) + Entry(1, size, offset) + String16("rerodova.class") + "tiny";
  };
  const std::string three =
      testing_images::MakeContainer(testing_images::ThreeSections("CAFE", "v", "c")).substr(4);
  const struct {
    const char* what;
    std::string bytes;
    bool opens;
    std::uint8_t type;
    std::string data;  // what the type's section reads
  } cases[] = {
      {"the later entry of a type wins, unknown types are read",
       container({{2, "Old.class", "old"}, {7, "extra", "ignored"}, {2, "Verify.class", "new!"}}),
       true, 2, "new!"},
      // The name's text ends at its zero byte; its stored length still counts all 14 bytes.
      {"data behind the stored name length",
       container({{2, std::string("Verify\0class.x", 14), "CAFE"}}), true, 2, "CAFE"},
      {"an empty section", container({{3, "vm search criteria", ""}}), true, 3, ""},
      {"a missing type reads as an empty entry", container({{3, "vm search criteria", ""}}),
       true, 2, "<fail>"},
      {"count 0", image + Big32(0), true, 1, "<fail>"},
      {"count cut", image + std::string(2, '\0'), false, 0, ""},
      // Size 15 is one short of the 16 bytes that the name "rerodova.class" takes.
      {"name larger than size", image + Big32(1) + Entry(1, 15, 17) + String16("rerodova.class"),
       false, 0, ""},
      {"entry cut", image + Big32(2) + Entry(1, 2, 24) + Entry(2, 2, 0).substr(0, 7),
       false, 0, ""},
      {"count -1 reads no entry", image + Big32(0xFFFFFFFF) + three, true, 1, "<fail>"},
      {"largest count", image + Big32(0x7FFFFFFF) + three, false, 0, ""},
      {"size 2 GiB is never allocated", one(0x7FFFFFF0, 17), true, 1, "<fail>"},
      {"size 4 GiB - 1 is negative", one(0xFFFFFFFF, 17), false, 0, ""},
      {"offset at the end", one(20, 17 + 16 + 4), false, 0, ""},
      {"offset past the end", one(20, 0x7FFFFFFF), false, 0, ""},
      // Image end + offset past 2^63 - 1 must fail before any seek (the sum overflowed once).
      {"offset at 2^63 - 1", one(20, 0x7FFFFFFFFFFFFFFF), false, 0, ""},
      {"offset to 2^63", one(20, 0x7FFFFFFFFFFFFFFF - 0x75000 + 1), false, 0, ""},
      {"offset near 2^64", one(20, 0xFFFFFFFFFFFFFFF0), false, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetupContainer reader;
    EXPECT_EQ(OpenSetup(c.bytes, reader), c.opens);
    if (c.opens) {
      AllocationWatch watch;
      EXPECT_EQ(Data(reader, c.type), c.data);
      EXPECT_LT(watch.Largest(), std::size_t(1) << 20);
    }
  }
}

TEST_F(Readers, ArchivesForgedOrOddReadAsTheFormatSays) {
  using namespace archive_bytes;
  auto forged = [](Section section, std::uint32_t count) {
    section.forgeCount = true;
    section.resourceCount = count;
    return section;
  };
  const std::string typical =
      Build({forged({"Classes", {}, true}, 212),
             {kBundledInstallersSection,
              {Record{"", "readme.txt", "hello"}, Flagged("jre-setup.exe", "MZ-installer"),
               Flagged("e", "")}}});
  const std::string repeated = Build({{"Empty", {}},
                                      forged({"All", {}, true}, 0xFFFFFFFF),
                                      {"S", {Record{"", "first", "1"}}},
                                      {"S", {Record{"", "second", "2"}}}});
  // The table names the first section "A", the section itself "ABC": the
  // next entry lies 10 + 3 bytes on, not 10 + 1.
  Layout layout;
  std::string renamed = Build({{"ABC", {}}, {"Z", {Record{"", "z", "9"}}}}, &layout);
  renamed.replace(layout.offsetTable + 2, 13,
                  String16("A") + Big(layout.sectionOffsets[0], 8) + "..");
  // The table offset names the file's last byte: the count's second byte is missing.
  const std::string shortCount = ClassBytes() + Big(15, 8);
  const std::string badEntry =
      ClassBytes() + Big(1, 2) + String16("S") + Big(0x7FFFFFF0, 8) + Big(8, 8);
  std::string manyEntries = Build({Section{"S", {}}});
  manyEntries[manyEntries.size() - 8 - 13 + 1] = '\x02';
  Section hugeBlock = forged({"S", {}}, 1);  // a header block of 4 GiB - 1
  hugeBlock.payload = std::string(4, '\xFF');
  Section pastEnd = forged({kBundledInstallersSection, {}}, 1);  // data of 2 GiB
  pastEnd.payload = RecordBytes(Flagged("huge.exe", "")).substr(0, 15) + "\x7F\xFF\xFF\xFF" + "MZ";
  const struct {
    const char* what;
    std::string bytes;
    bool opens;
    const char* section;
    std::string resources;  // see Resources()
  } cases[] = {
      {"resources of an uncompressed section; one of size 0 cannot be read", typical, true,
       kBundledInstallersSection, "readme.txt 0 hello|jre-setup.exe 1 MZ-installer|e 1 <fail>|"},
      {"a compressed section lists none, whatever its count", typical, true, "Classes", ""},
      {"only a one-byte header block is the flag; longer ones are skipped whole",
       Build({{"S",
               {Record{"\x07", "one", "1"}, Record{"", "none", "2"}, Record{"\x01\x01", "two", "3"},
                Record{"\x01\x02\x03\x04\x05", "five", "4"}}}}),
       true, "S", "one 7 1|none 0 2|two 0 3|five 0 4|"},
      {"the later section of a name wins", repeated, true, "S", "second 0 2|"},
      {"an absent name reads as an empty section", repeated, true, kBundledInstallersSection, ""},
      {"the walk steps by the name stored at the section", renamed, true, "Z", "z 0 9|"},
      {"the last record's data past the end", Build({pastEnd}), true, kBundledInstallersSection,
       "huge.exe 1 <fail>|"},
      {"no table offset", "\xCA\xFE", false, "", ""},
      {"count cut", shortCount, false, "", ""},
      {"entry past the end", badEntry, false, "", ""},
      {"more records than stored", Build({forged({"S", {Record{"", "a", "1"}}}, 2)}), false, "",
       ""},
      {"more entries than stored", manyEntries, false, "", ""},
      {"header block past the end", Build({hugeBlock}), false, "", ""},
      {"count 2^32 - 1 over 50 records",
       Build({forged({"S", std::vector<Record>(50, Record{"", "r", "d"})}, 0xFFFFFFFF)}), false,
       "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    JavaArchive reader;
    EXPECT_EQ(OpenArchive(c.bytes, reader), c.opens);
    if (c.opens) {
      EXPECT_EQ(Resources(reader, c.section), c.resources);
    }
  }
}

TEST_F(Readers, WhatMksetupWritesTheLauncherReadsBack) {
  SetupInputs files;
  std::string archive, error;
  ASSERT_TRUE(mksetup::BuildJavaArchive(
      testing_classes::ClassBytes("rerodova", {}),
      {{"Classes", true, {{"", "a/B.class", std::string(300, 'b')}}},
       {kBundledInstallersSection, false,
        {{"", "readme.txt", "read me"}, {"\x01", "jre.exe", "MZ jre installer"}}}},
      &archive, &error))
      << error;
  files.Write("rerodova.class", archive);
  ASSERT_TRUE(mksetup::BuildSetup(files.Request("vendor=sun:type=jre"), &error)) << error;

  SetupContainer container;
  ASSERT_TRUE(OpenSetup(files.Read("setup.exe"), container));
  EXPECT_EQ(container.Section(kJavaArchiveSection).Name(), "rerodova.class");
  EXPECT_EQ(Data(container, kJavaArchiveSection), archive);
  EXPECT_EQ(Data(container, kVerifyClassSection), files.verifyBytes);
  EXPECT_EQ(Data(container, kSearchCriteriaSection), String16("vendor=sun:type=jre"));
  JavaArchive reader;
  ASSERT_TRUE(OpenArchive(archive, reader));
  EXPECT_NE(reader.Section("Classes").Compressed(), 0);
  EXPECT_EQ(Resources(reader, kBundledInstallersSection),
            "readme.txt 0 read me|jre.exe 1 MZ jre installer|");
}

}  // namespace
}  // namespace carafe
