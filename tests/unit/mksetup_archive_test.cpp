#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <sstream>

#include "container/java_archive.h"
#include "memory_platform.h"
#include "mksetup/archive_builder.h"
#include "mksetup/archive_lister.h"
#include "mksetup/commands.h"
#include "mksetup_fixture.h"

namespace {

using mksetup::ArchiveResourceInput;
using mksetup::ArchiveSectionInput;

const std::string kClass("\xCA\xFE\xBA\xBE\x00\x00\x00\x2E rest of a class", 24);

ArchiveResourceInput Resource(const std::string& name, const std::string& data, int flag = -1) {
  ArchiveResourceInput resource;
  resource.name = name;
  resource.data = data;
  resource.hasFlag = flag >= 0;
  resource.flag = static_cast<std::uint8_t>(flag < 0 ? 0 : flag);
  return resource;
}

std::vector<ArchiveSectionInput> SampleSections() {
  ArchiveSectionInput classes{
      "Classes", true, {Resource("a/B.class", std::string(300, 'b')), Resource("a/C.class", "c")}};
  ArchiveSectionInput installers{
      "BundledVMInstallers",
      false,
      {Resource("readme.txt", "read me"), Resource("jre.exe", "MZ jre installer", 1)}};
  ArchiveSectionInput empty{"Empty", false, {}};
  return {classes, installers, empty};
}

std::string Inflate(const std::string& packed) {
  z_stream stream{};
  EXPECT_EQ(inflateInit2(&stream, -15), Z_OK);
  std::string out;
  char buffer[4096];
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  stream.avail_in = static_cast<uInt>(packed.size());
  int result = Z_OK;
  while (result == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    result = inflate(&stream, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - stream.avail_out);
  }
  EXPECT_EQ(result, Z_STREAM_END);
  inflateEnd(&stream);
  return out;
}

TEST(MksetupArchive, ListShowsWhatWasBuilt) {
  std::string archive, error;
  ASSERT_TRUE(mksetup::BuildJavaArchive(kClass, SampleSections(), &archive, &error)) << error;
  EXPECT_EQ(archive.compare(0, kClass.size(), kClass), 0);

  mksetup::ArchiveListing listed;
  ASSERT_TRUE(mksetup::ParseJavaArchive(archive, &listed, &error)) << error;
  ASSERT_EQ(listed.sections.size(), 3u);
  EXPECT_EQ(listed.sections[0].offset, kClass.size());
  EXPECT_TRUE(listed.sections[0].compressed);
  EXPECT_EQ(listed.sections[0].resourceCount, 2u);
  EXPECT_TRUE(listed.sections[0].resources.empty());

  std::ostringstream text;
  mksetup::PrintJavaArchive(listed, "", text);
  std::string compressedSize = std::to_string(listed.sections[0].payloadSize);
  EXPECT_EQ(text.str(),
            "Java archive: 3 sections, OffsetTable at " + std::to_string(listed.offsetTable) +
                "\n"
                "  section Classes: 2 resources, " +
                compressedSize +
                " payload bytes, compressed\n"
                "  section BundledVMInstallers: 2 resources, 61 payload bytes, not compressed\n"
                "    resource readme.txt: 7 bytes, flag 0\n"
                "    resource jre.exe: 16 bytes, flag 1\n"
                "  section Empty: 0 resources, 0 payload bytes, not compressed\n");
}

TEST(MksetupArchive, CompressedSectionsInflateToTheirRecords) {
  std::string archive, error;
  std::vector<ArchiveSectionInput> sections = SampleSections();
  ASSERT_TRUE(mksetup::BuildJavaArchive(kClass, sections, &archive, &error)) << error;
  mksetup::ArchiveListing listed;
  ASSERT_TRUE(mksetup::ParseJavaArchive(archive, &listed, &error)) << error;

  const mksetup::ArchiveListingSection& classes = listed.sections[0];
  // Name, count, payload size, Compressed byte, then the payload.
  std::uint64_t payload = classes.offset + 2 + classes.name.size() + 4 + 8 + 1;
  std::string inflated = Inflate(archive.substr(payload, classes.payloadSize));

  ArchiveSectionInput plain = sections[0];
  plain.compress = false;
  std::string records;
  ASSERT_TRUE(mksetup::EncodeResourceRecords(plain, &records, &error));
  EXPECT_EQ(inflated, records);
  EXPECT_LT(classes.payloadSize, records.size());  // 300 equal bytes do shrink
}

class MksetupArchiveOnLauncher : public carafe::PlatformTest {};

TEST_F(MksetupArchiveOnLauncher, TheLaunchersReaderReadsWhatTheBuilderWrote) {
  std::string archive, error;
  ASSERT_TRUE(mksetup::BuildJavaArchive(kClass, SampleSections(), &archive, &error)) << error;
  os.AddFile("C:\\TEMP\\rerodova.class", archive);

  carafe::JavaArchive reader(carafe::kNoHandle);
  ASSERT_TRUE(reader.Open("C:\\TEMP\\rerodova.class"));
  EXPECT_EQ(reader.SectionCount(), 3);
  EXPECT_NE(reader.Section("Classes").Compressed(), 0);
  EXPECT_EQ(reader.Section("Classes").ResourceCount(), 2u);
  EXPECT_EQ(reader.Section("Empty").ResourceListLength(), 0u);

  const carafe::ArchiveSection& installers = reader.Section(carafe::kBundledInstallersSection);
  ASSERT_EQ(installers.ResourceListLength(), 2u);
  EXPECT_EQ(installers.Resource(0).Flag(), 0);
  EXPECT_EQ(installers.Resource(0).HeaderBlockLength(), 0u);
  EXPECT_EQ(installers.Resource(1).Flag(), 1);
  EXPECT_EQ(installers.Resource(1).HeaderBlockLength(), 1u);
  std::string data(installers.Resource(1).Size(), '\0');
  ASSERT_TRUE(installers.Resource(1).ReadData(&data[0]));
  EXPECT_EQ(data, "MZ jre installer");
}

TEST(MksetupArchive, RefusesWhatAnArchiveCannotHold) {
  std::string archive, error;
  EXPECT_FALSE(mksetup::BuildJavaArchive("PK\x03\x04 a zip", SampleSections(), &archive, &error));
  EXPECT_NE(error.find("not a class file"), std::string::npos) << error;

  std::string longName(65536, 'n');
  EXPECT_FALSE(mksetup::BuildJavaArchive(kClass, {ArchiveSectionInput{longName, false, {}}},
                                         &archive, &error));
  EXPECT_NE(error.find("65536 bytes"), std::string::npos) << error;
  EXPECT_FALSE(mksetup::BuildJavaArchive(
      kClass, {ArchiveSectionInput{"S", false, {Resource(longName, "x")}}}, &archive, &error));
  EXPECT_NE(error.find("resource name"), std::string::npos) << error;
  // 65535 bytes still fit.
  EXPECT_TRUE(mksetup::BuildJavaArchive(
      kClass, {ArchiveSectionInput{"S", false, {Resource(longName.substr(1), "x")}}}, &archive,
      &error));
}

TEST(MksetupArchive, ParsesSectionGroupsWithTheirResources) {
  mksetup::ArchiveRequest command;
  std::string error;
  ASSERT_TRUE(mksetup::ParseArchiveRequest(
      {"--class", "Installer.class", "--section", "Classes", "--compress", "--resource",
       "a/B.class=build/B.class", "--section", "BundledVMInstallers", "--resource",
       "jre.exe=C:/kits/jre.exe:1", "--resource", "notes=C:/kits/notes", "-o", "rerodova.class"},
      &command, &error))
      << error;
  EXPECT_EQ(command.classFile, "Installer.class");
  EXPECT_EQ(command.output, "rerodova.class");
  ASSERT_EQ(command.sections.size(), 2u);
  EXPECT_TRUE(command.sections[0].compress);
  EXPECT_FALSE(command.sections[1].compress);
  ASSERT_EQ(command.sections[1].resources.size(), 2u);
  EXPECT_EQ(command.sections[1].resources[0].file, "C:/kits/jre.exe");
  EXPECT_TRUE(command.sections[1].resources[0].hasFlag);
  EXPECT_EQ(command.sections[1].resources[0].flag, 1);
  // A colon that is no flag stays in the path.
  EXPECT_EQ(command.sections[1].resources[1].file, "C:/kits/notes");
  EXPECT_FALSE(command.sections[1].resources[1].hasFlag);

  EXPECT_FALSE(mksetup::ParseArchiveRequest({"--class", "I.class", "--resource", "a=b", "-o", "x"},
                                            &command, &error));
  EXPECT_NE(error.find("--section"), std::string::npos);
  EXPECT_FALSE(
      mksetup::ParseArchiveRequest({"--class", "I.class", "--section", "S"}, &command, &error));
  EXPECT_NE(error.find("-o"), std::string::npos);
  EXPECT_FALSE(mksetup::ParseArchiveRequest(
      {"--class", "I.class", "--section", "S", "--resource", "noequals", "-o", "x"}, &command,
      &error));
}

class MksetupArchiveFiles : public ::testing::Test, protected carafe::SetupInputs {
 protected:
  std::string Put(const std::string& name, const std::string& content) {
    Write(name, content);
    return Path(name);
  }
};

TEST_F(MksetupArchiveFiles, ArchiveThenListRoundTrips) {
  ASSERT_EQ(
      RunCommand(
          mksetup::ArchiveCommand,
          {"--class", Put("Installer.class", kClass), "--section", "Classes", "--compress",
           "--resource", "a/B.class=" + Put("B.class", std::string(300, 'b')), "--section",
           "BundledVMInstallers", "--resource",
           "jre.exe=" + Put("jre.exe", "MZ jre installer") + ":1", "-o", Path("archive.class")}),
      0)
      << err;
  EXPECT_EQ(out, "wrote " + Path("archive.class") + "\n");

  ASSERT_EQ(RunCommand(mksetup::ListCommand, {Path("archive.class")}), 0) << err;
  mksetup::ArchiveListing listed;
  std::string error;
  ASSERT_TRUE(mksetup::ParseJavaArchive(Read("archive.class"), &listed, &error)) << error;
  EXPECT_EQ(out, "Java archive: 2 sections, OffsetTable at " + std::to_string(listed.offsetTable) +
                     "\n  section Classes: 1 resources, " +
                     std::to_string(listed.sections[0].payloadSize) +
                     " payload bytes, compressed\n"
                     "  section BundledVMInstallers: 1 resources, 34 payload bytes, not "
                     "compressed\n"
                     "    resource jre.exe: 16 bytes, flag 1\n");
}

TEST_F(MksetupArchiveFiles, ListingASetupShowsTheArchiveInsideIt) {
  std::string archive, error;
  ASSERT_TRUE(mksetup::BuildJavaArchive(kClass, SampleSections(), &archive, &error)) << error;
  Write("rerodova.class", archive);
  ASSERT_TRUE(mksetup::BuildSetup(Request(), &error)) << error;
  ASSERT_EQ(RunCommand(mksetup::ListCommand, {Path("setup.exe")}), 0) << err;
  EXPECT_NE(out.find("search criteria  vendor=sun:type=jre:version=1.2\n"
                     "Java archive: 3 sections"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("    resource jre.exe: 16 bytes, flag 1\n"), std::string::npos) << out;
}

TEST_F(MksetupArchiveFiles, WritesTheArchiveFromFilesAndNamesWhatIsMissing) {
  mksetup::ArchiveRequest command;
  std::string error;
  std::string output = Path("built.class");
  ASSERT_TRUE(mksetup::ParseArchiveRequest(
      {"--class", Put("Installer.class", kClass), "--section", "BundledVMInstallers", "--resource",
       "jre.exe=" + Put("jre.exe", "MZ fixture") + ":1", "-o", output},
      &command, &error));
  ASSERT_TRUE(mksetup::WriteArchive(command, &error)) << error;
  std::ifstream in(output, std::ios::binary);
  std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  mksetup::ArchiveListing listed;
  ASSERT_TRUE(mksetup::ParseJavaArchive(written, &listed, &error)) << error;
  ASSERT_EQ(listed.sections.size(), 1u);
  ASSERT_EQ(listed.sections[0].resources.size(), 1u);
  EXPECT_EQ(listed.sections[0].resources[0].flag, 1);
  EXPECT_EQ(written.substr(listed.sections[0].resources[0].dataOffset, 10), "MZ fixture");

  command.sections[0].resources[0].file = Path("absent.exe");
  EXPECT_FALSE(mksetup::WriteArchive(command, &error));
  EXPECT_NE(error.find("absent.exe"), std::string::npos) << error;

  command.classFile = Put("NotAClass.class", "just text");
  EXPECT_FALSE(mksetup::WriteArchive(command, &error));
  EXPECT_NE(error.find("NotAClass.class"), std::string::npos) << error;
  EXPECT_NE(error.find("not a class file"), std::string::npos) << error;
}

TEST(MksetupArchive, ListingADamagedArchiveFailsQuickly) {
  std::string archive, error;
  ASSERT_TRUE(mksetup::BuildJavaArchive(
      kClass, {ArchiveSectionInput{"S", false, {Resource("a", "1")}}}, &archive, &error));
  mksetup::ArchiveListing listed;
  // ResourceCount forged to 4 billion: the walk ends at the first record
  // that is not there.
  std::size_t count = kClass.size() + 2 + 1;
  archive.replace(count, 4, "\xFF\xFF\xFF\xFF");
  EXPECT_FALSE(mksetup::ParseJavaArchive(archive, &listed, &error));
  EXPECT_FALSE(mksetup::ParseJavaArchive("short", &listed, &error));
  std::string outside = kClass;
  outside += std::string("\x00\x00\x00\x00\x00\x00\x10\x00", 8);
  EXPECT_FALSE(mksetup::ParseJavaArchive(outside, &listed, &error));
  EXPECT_NE(error.find("outside"), std::string::npos);
}

}  // namespace
