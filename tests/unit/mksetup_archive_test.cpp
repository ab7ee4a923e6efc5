// The archive builder: what `mksetup archive` writes, how `mksetup list`
// shows it, and that zlib inflates it back.
#include <gtest/gtest.h>
#include <zlib.h>

#include "mksetup/archive_builder.h"
#include "mksetup/archive_lister.h"
#include "mksetup/byte_io.h"
#include "mksetup/commands.h"
#include "class_bytes.h"
#include "format/class_file.h"
#include "mksetup_fixture.h"

namespace {

using mksetup::ArchiveResourceInput;
using mksetup::ArchiveSectionInput;

const std::string kClass = testing_classes::ClassBytes("Installer", {});

ArchiveResourceInput Resource(const std::string& name, const std::string& data, int flag = -1) {
  ArchiveResourceInput resource;
  resource.name = name;
  resource.data = data;
  resource.hasFlag = flag >= 0;
  resource.flag = static_cast<std::uint8_t>(flag < 0 ? 0 : flag);
  return resource;
}

std::string SampleArchive() {
  std::string archive, error;
  EXPECT_TRUE(mksetup::BuildJavaArchive(
      kClass,
      {{"Classes",
        true,
        {Resource("a/B.class", std::string(300, 'b')), Resource("a/C.class", "c")}},
       {"BundledVMInstallers",
        false,
        {Resource("readme.txt", "read me"), Resource("jre.exe", "MZ jre installer", 1)}}},
      &archive, &error))
      << error;
  return archive;
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

class MksetupArchive : public ::testing::Test, protected carafe::SetupInputs {
 protected:
  std::string Put(const std::string& name, const std::string& content) {
    Write(name, content);
    return Path(name);
  }
  mksetup::ArchiveListing Listing(const std::string& bytes) {
    mksetup::ArchiveListing listed;
    std::string error;
    EXPECT_TRUE(mksetup::ParseJavaArchive(bytes, &listed, &error)) << error;
    return listed;
  }
};

TEST_F(MksetupArchive, ArchiveThenListRoundTrips) {
  ASSERT_EQ(
      RunCommand(mksetup::ArchiveCommand,
                 {"--class", Put("Installer.class", kClass), "--section", "Classes", "--compress",
                  "--resource", "a/B.class=" + Put("B.class", std::string(300, 'b')), "--section",
                  "BundledVMInstallers", "--resource", "readme.txt=" + Put("readme.txt", "read me"),
                  "--resource", "jre.exe=" + Put("jre.exe", "MZ jre installer") + ":1", "--section",
                  "Empty", "-o", Path("archive.class")}),
      0)
      << err;
  EXPECT_EQ(out, "wrote " + Path("archive.class") + "\n");
  ASSERT_EQ(RunCommand(mksetup::ListCommand, {Path("archive.class")}), 0) << err;
  mksetup::ArchiveListing listed = Listing(Read("archive.class"));
  EXPECT_EQ(out,
            "Java archive: 3 sections, OffsetTable at " + std::to_string(listed.offsetTable) +
                ", inside the class\n  section Classes: 1 resources, " +
                std::to_string(listed.sections.at(0).payloadSize) +
                " payload bytes, compressed\n"
                "  section BundledVMInstallers: 2 resources, 61 payload bytes, not compressed\n"
                "    resource readme.txt: 7 bytes, flag 0\n"
                "    resource jre.exe: 16 bytes, flag 1\n"
                "  section Empty: 0 resources, 0 payload bytes, not compressed\n");
}

TEST(MksetupArchiveBytes, CompressedSectionsInflateToTheirRecords) {
  const std::string archive = SampleArchive();
  mksetup::ArchiveListing listed;
  std::string error;
  ASSERT_TRUE(mksetup::ParseJavaArchive(archive, &listed, &error)) << error;
  const mksetup::ArchiveListingSection& classes = listed.sections.at(0);
  // Name, count, payload size, Compressed byte, then the payload.
  std::uint64_t payload = classes.offset + 2 + classes.name.size() + 4 + 8 + 1;
  std::string records;
  ASSERT_TRUE(mksetup::EncodeResourceRecords(
      {"Classes",
       false,
       {Resource("a/B.class", std::string(300, 'b')), Resource("a/C.class", "c")}},
      &records, &error));
  EXPECT_EQ(Inflate(archive.substr(payload, classes.payloadSize)), records);
  EXPECT_LT(classes.payloadSize, records.size());  // 300 equal bytes do shrink
}

// What a JVM checks: the class structure ends exactly where the file ends,
// the sections riding in its last attribute; the class itself is unchanged.
TEST(MksetupArchiveBytes, TheArchiveIsOneWholeClassFile) {
  const std::string archive = SampleArchive();
  carafe::format::ClassFile parsed;
  std::string error;
  ASSERT_TRUE(carafe::format::ParseClassFile(archive, &parsed, &error)) << error;
  EXPECT_EQ(parsed.end, archive.size());
  EXPECT_EQ(parsed.thisClass, "Installer");
  ASSERT_EQ(parsed.attributeNames.size(), 1u);
  EXPECT_EQ(parsed.attributeNames[0], "CarafeArchive");
  // The plain layout (sections simply behind the class) still lists.
  std::string plain = kClass;
  const std::uint64_t section = plain.size();
  mksetup::AppendBig(plain, 1, 2);
  plain += "S";
  mksetup::AppendBig(plain, 0, 4);  // no resources,
  mksetup::AppendBig(plain, 0, 8);  // no payload,
  mksetup::AppendBig(plain, 0, 1);  // not compressed
  const std::uint64_t table = plain.size();
  mksetup::AppendBig(plain, 1, 2);
  mksetup::AppendBig(plain, 1, 2);
  plain += "S";
  mksetup::AppendBig(plain, section, 8);
  mksetup::AppendBig(plain, table, 8);
  mksetup::ArchiveListing listed;
  ASSERT_TRUE(mksetup::ParseJavaArchive(plain, &listed, &error)) << error;
  EXPECT_FALSE(listed.insideClass);
  ASSERT_EQ(listed.sections.size(), 1u);
  EXPECT_EQ(listed.sections[0].name, "S");
}

TEST(MksetupArchiveBytes, RefusesWhatAnArchiveCannotHold) {
  std::string archive, error;
  EXPECT_FALSE(mksetup::BuildJavaArchive("PK\x03\x04 a zip", {}, &archive, &error));
  EXPECT_NE(error.find("not a class file"), std::string::npos) << error;
  // An archive is no class to build on: its bytes would be carried twice.
  EXPECT_FALSE(mksetup::BuildJavaArchive(SampleArchive(), {}, &archive, &error));
  EXPECT_NE(error.find("already carries an attribute CarafeArchive"), std::string::npos) << error;
  EXPECT_FALSE(mksetup::BuildJavaArchive(kClass + "tail", {}, &archive, &error));
  EXPECT_NE(error.find("4 bytes behind its class structure"), std::string::npos) << error;
  std::string longName(65536, 'n');
  EXPECT_FALSE(mksetup::BuildJavaArchive(kClass, {{longName, false, {}}}, &archive, &error));
  EXPECT_NE(error.find("65536 bytes"), std::string::npos) << error;
  EXPECT_FALSE(mksetup::BuildJavaArchive(kClass, {{"S", false, {Resource(longName, "x")}}},
                                         &archive, &error));
  EXPECT_NE(error.find("resource name"), std::string::npos) << error;
  EXPECT_TRUE(mksetup::BuildJavaArchive(kClass, {{"S", false, {Resource(longName.substr(1), "x")}}},
                                        &archive, &error));  // 65535 bytes still fit
}

TEST_F(MksetupArchive, ListingASetupShowsTheArchiveInsideIt) {
  Write("rerodova.class", SampleArchive());
  std::string error;
  ASSERT_TRUE(mksetup::BuildSetup(Request(), &error)) << error;
  ASSERT_EQ(RunCommand(mksetup::ListCommand, {Path("setup.exe")}), 0) << err;
  EXPECT_NE(out.find("search criteria  vendor=sun:type=jre:version=1.2\n"
                     "Java archive: 2 sections"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("    resource jre.exe: 16 bytes, flag 1\n"), std::string::npos) << out;
}

TEST_F(MksetupArchive, NamesAMissingResourceOrAClassThatIsNone) {
  mksetup::ArchiveRequest command;
  std::string error;
  ASSERT_TRUE(mksetup::ParseArchiveRequest(
      {"--class", Put("Installer.class", kClass), "--section", "S", "--resource",
       "jre.exe=" + Path("absent.exe") + ":1", "-o", Path("built.class")},
      &command, &error));
  EXPECT_FALSE(mksetup::WriteArchive(command, &error));
  EXPECT_NE(error.find("absent.exe"), std::string::npos) << error;
  command.sections[0].resources[0].file = Put("jre.exe", "MZ");
  command.classFile = Put("NotAClass.class", "just text");
  EXPECT_FALSE(mksetup::WriteArchive(command, &error));
  EXPECT_NE(error.find("NotAClass.class"), std::string::npos) << error;
  EXPECT_NE(error.find("not a class file"), std::string::npos) << error;
  EXPECT_FALSE(Exists("built.class"));
}

}  // namespace
