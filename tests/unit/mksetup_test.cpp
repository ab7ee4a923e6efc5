// mksetup: what `build`, `archive`, `retarget` and `list` write and print,
// how each refuses bad input without leaving a half-written file, and the
// command line around them.
#include <gtest/gtest.h>
#include <zlib.h>

#include <sstream>

#include "class_bytes.h"
#include "format/class_file.h"
#include "mksetup/archive_builder.h"
#include "mksetup/class_retarget.h"
#include "mksetup/cli.h"
#include "mksetup/listing.h"
#include "mksetup_fixture.h"

namespace carafe {
namespace {

using namespace testing_images;
using testing_classes::Ref;
using testing_classes::Utf8;

const std::string kClass = testing_classes::ClassBytes("Installer", {});

format::ResourceInput Resource(const std::string& name, const std::string& data, int flag = -1) {
  return {flag < 0 ? "" : std::string(1, static_cast<char>(flag)), name, data};
}

const std::vector<mksetup::ArchiveSectionInput> kSections = {
    {"Classes", true, {Resource("a/B.class", std::string(300, 'b')), Resource("a/C.class", "c")}},
    {"BundledVMInstallers", false,
     {Resource("readme.txt", "read me"), Resource("jre.exe", "MZ jre installer", 1)}}};

std::string SampleArchive() {
  std::string archive, error;
  EXPECT_TRUE(mksetup::BuildJavaArchive(kClass, kSections, &archive, &error)) << error;
  return archive;
}

std::string Inflate(std::string_view packed) {
  z_stream stream{};
  EXPECT_EQ(inflateInit2(&stream, -15), Z_OK);
  std::string out(1 << 16, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  stream.avail_in = static_cast<uInt>(packed.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  inflateEnd(&stream);
  return out;
}

class Mksetup : public ::testing::Test, protected SetupInputs {
 protected:
  bool Build(const mksetup::BuildRequest& request) {
    std::string error;
    const bool built = mksetup::BuildSetup(request, &error);
    EXPECT_TRUE(built) << error;
    return built;
  }
  // Expects a refusal on one line that leaves no file of its own behind.
  std::string Refusal(const mksetup::BuildRequest& request) {
    const std::size_t files = FileCount();
    std::string error;
    EXPECT_FALSE(mksetup::BuildSetup(request, &error));
    EXPECT_EQ(FileCount(), files);
    EXPECT_EQ(error.find('\n'), std::string::npos);
    return error;
  }
  std::string Put(const std::string& name, const std::string& content) {
    Write(name, content);
    return Path(name);
  }
};

TEST_F(Mksetup, BuildWritesTheDocumentedContainerByteForByte) {
  Write("rerodova.class", ClassBytes(6137003));
  Write("Verify.class", ClassBytes(1709, 'v'));
  ASSERT_TRUE(Build(Request(std::string(302, 'c'))));
  const std::string setup = Read("setup.exe");
  EXPECT_EQ(setup.substr(0, stubBytes.size()), stubBytes);
  EXPECT_TRUE(setup.substr(stubBytes.size()) == ExampleContainer());
}

TEST_F(Mksetup, BuildTakesCriteriaUpTo65535BytesAndFromAFileWithoutItsLineBreak) {
  Write("criteria.txt", "vendor=sun:type=jdk\r\n");
  mksetup::BuildRequest request = Request();
  request.criteriaGiven = false;
  request.criteriaFile = Path("criteria.txt");
  ASSERT_TRUE(Build(request));
  const std::string setup = Read("setup.exe");
  EXPECT_EQ(setup.substr(setup.size() - 21), String16("vendor=sun:type=jdk"));
  ASSERT_TRUE(Build(Request(std::string(65535, 'c'))));
  EXPECT_NE(Refusal(Request(std::string(65536, 'c'))).find("65536"), std::string::npos);
}

TEST_F(Mksetup, BuildRefusesWhatTheLauncherCouldNotRead) {
  const struct {
    const char* file;
    std::string content;
    bool force;
    const char* complaint;
  } cases[] = {
      {"launcher.exe", "MZ but nothing more", false, "not a PE image"},
      {"launcher.exe", stubBytes.substr(0, stubBytes.size() - 1), false, "cut short"},
      {"launcher.exe", stubBytes + "old container", false, "--replace"},
      {"Verify.class", "", false, "verify class"},
      {"rerodova.class", "PK\x03\x04 a zip file", false, "CA FE BA BE"},
      {"rerodova.class", "PK\x03\x04 a zip file", true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.complaint);
    Write("launcher.exe", stubBytes);
    Write("Verify.class", verifyBytes);
    Write("rerodova.class", archiveBytes);
    Write(c.file, c.content);
    mksetup::BuildRequest request = Request();
    request.force = c.force;
    if (*c.complaint == '\0') {
      EXPECT_TRUE(Build(request));
    } else {
      EXPECT_NE(Refusal(request).find(c.complaint), std::string::npos);
    }
  }
  Write("rerodova.class", archiveBytes);
  mksetup::BuildRequest request = Request();
  request.verify = Path("missing.class");
  EXPECT_NE(Refusal(request).find("missing.class"), std::string::npos);
}

TEST_F(Mksetup, BuildReplacesAContainerFromTheImageEndAndNeverLeavesHalfAFile) {
  ASSERT_TRUE(Build(Request("first")));
  const std::string first = Read("setup.exe");
  ASSERT_TRUE(Build(Request("second")));
  const std::string fromStub = Read("setup.exe");
  Write("old.exe", first);
  mksetup::BuildRequest again = Request("second");
  again.stub = Path("old.exe");
  again.replace = true;
  ASSERT_TRUE(Build(again));
  EXPECT_EQ(Read("setup.exe"), fromStub);

  again.output = Path("no-such-folder/setup.exe");
  std::string error;
  EXPECT_FALSE(mksetup::BuildSetup(again, &error));
  EXPECT_EQ(Read("setup.exe"), fromStub);
  EXPECT_EQ(FileCount(), 5u);  // stub, archive, verify class, old.exe, setup
}

TEST_F(Mksetup, ListShowsTheSetupAndTheArchiveInsideIt) {
  ASSERT_TRUE(Build(Request("vendor=sun:type=jre:version=1.2")));
  ASSERT_EQ(RunCommand(mksetup::ListCommand, {Path("setup.exe")}), 0) << err;
  // Image end 0xC00; archive data at 0xC00 + 0x2B + 2 + 14. A plain class
  // has no OffsetTable, so no archive lines follow.
  EXPECT_EQ(out, "image end      3072 (0xC00)\nfile size      " +
                     std::to_string(Read("setup.exe").size()) +
                     "\nsection count  3\n"
                     "type   data size  data offset  name\n"
                     "   1        5000         3131  rerodova.class\n"
                     "   2         700         8145  Verify.class\n"
                     "   3          33         8865  vm search criteria\n"
                     "search criteria  vendor=sun:type=jre:version=1.2\n");
  EXPECT_EQ(err, "");
  Write("rerodova.class", SampleArchive());
  ASSERT_TRUE(Build(Request()));
  ASSERT_EQ(RunCommand(mksetup::ListCommand, {Path("setup.exe")}), 0) << err;
  format::ArchiveTable table;
  ASSERT_EQ(format::DecodeJavaArchive(SampleArchive(), &table), format::ArchiveFault::None);
  EXPECT_EQ(out.substr(out.find("search criteria  ")),
            "search criteria  vendor=sun:type=jre:version=1.2\n"
            "Java archive: 2 sections, OffsetTable at " + std::to_string(table.offsetTable) +
                ", inside the class\n  section Classes: 2 resources, " +
                std::to_string(table.sections.at(0).fields.payloadSize) +
                " payload bytes, compressed\n"
                "  section BundledVMInstallers: 2 resources, 61 payload bytes, not compressed\n"
                "    resource readme.txt: 7 bytes, flag 0\n"
                "    resource jre.exe: 16 bytes, flag 1\n");
}

TEST_F(Mksetup, ArchiveCommandBuildsWhatItsArgumentsSay) {
  ASSERT_EQ(
      RunCommand(mksetup::ArchiveCommand,
                 {"--class", Put("Installer.class", kClass), "--section", "Classes", "--compress",
                  "--resource", "a/B.class=" + Put("B.class", std::string(300, 'b')), "--resource",
                  "a/C.class=" + Put("C.class", "c"), "--section", "BundledVMInstallers",
                  "--resource", "readme.txt=" + Put("readme.txt", "read me"), "--resource",
                  "jre.exe=" + Put("jre.exe", "MZ jre installer") + ":1", "-o", Path("a.class")}),
      0)
      << err;
  EXPECT_EQ(out, "wrote " + Path("a.class") + "\n");
  EXPECT_TRUE(Read("a.class") == SampleArchive());
}

TEST(MksetupArchive, CompressedSectionsInflateToTheirRecords) {
  const std::string archive = SampleArchive();
  format::ArchiveTable table;
  ASSERT_EQ(format::DecodeJavaArchive(archive, &table), format::ArchiveFault::None);
  const format::ArchiveSectionInfo& classes = table.sections.at(0);
  const std::uint64_t payload = classes.offset + 2 + classes.nameBytes + 13;
  std::string records, refused;
  ASSERT_TRUE(format::EncodeResourceRecords(kSections[0].resources, &records, &refused));
  EXPECT_EQ(Inflate(std::string_view(archive).substr(payload, classes.fields.payloadSize)), records);
  EXPECT_LT(classes.fields.payloadSize, records.size());  // 300 equal bytes do shrink
}

// What a JVM checks: the class structure ends exactly where the file ends,
// the sections riding in its last attribute.
TEST(MksetupArchive, TheArchiveIsOneWholeClassFileAndThePlainLayoutStillLists) {
  const std::string archive = SampleArchive();
  format::ClassFile parsed;
  std::string error;
  ASSERT_TRUE(format::ParseClassFile(archive, &parsed, &error)) << error;
  EXPECT_EQ(parsed.end, archive.size());
  EXPECT_EQ(parsed.thisClass, "Installer");
  EXPECT_TRUE(format::ArchiveInsideClass(archive));
  std::string plain = kClass, refused;
  ASSERT_TRUE(format::AppendArchiveSections(&plain, {{"S", 0, false, ""}}, &refused));
  std::ostringstream out;
  format::ArchiveTable table;
  ASSERT_TRUE(mksetup::ListArchive(plain, &table, &error)) << error;
  mksetup::PrintArchiveListing(plain, table, out);
  // The section takes its name and 13 bytes of fields; the table follows.
  EXPECT_NE(out.str().find("1 sections, OffsetTable at " + std::to_string(kClass.size() + 16) +
                           ", appended behind the class"),
            std::string::npos)
      << out.str();
}

TEST(MksetupArchive, RefusesWhatAnArchiveCannotHold) {
  const std::string longName(65536, 'n');
  const struct {
    std::string classBytes;
    std::vector<mksetup::ArchiveSectionInput> sections;
    const char* complaint;
  } cases[] = {
      {"PK\x03\x04 a zip", {}, "not a class file"},
      // An archive is no class to build on: its bytes would be carried twice.
      {SampleArchive(), {}, "already carries an attribute CarafeArchive"},
      {kClass + "tail", {}, "4 bytes behind its class structure"},
      {kClass, {{longName, false, {}}}, "65536 bytes"},
      {kClass, {{"S", false, {Resource(longName, "x")}}}, "too large"},
      {kClass, {{"S", false, {Resource(longName.substr(1), "x")}}}, ""},  // 65535 bytes fit
  };
  for (const auto& c : cases) {
    std::string archive, error;
    EXPECT_EQ(mksetup::BuildJavaArchive(c.classBytes, c.sections, &archive, &error),
              *c.complaint == '\0');
    EXPECT_NE(error.find(c.complaint), std::string::npos) << error;
  }
}

// #3 owner, #4 its Class, #5 name, #6 descriptor, #7 NameAndType, #8 the reference.
std::vector<std::string> Member(std::uint8_t tag, const std::string& owner,
                                const std::string& name, const std::string& descriptor) {
  return {Utf8(owner), Ref(7, 3), Utf8(name), Utf8(descriptor), Ref(12, 5, 6), Ref(tag, 4, 7)};
}

const char kApi[] =
    "# Java 1.1\n"
    "java/lang/System\n"
    "java/lang/System.out Ljava/io/PrintStream;   # a field\n"
    "java/lang/String\n";

TEST(MksetupRetarget, NamesTheFirstThingAnOldJvmLacks) {
  const auto api = mksetup::ParseApiList(kApi);
  const struct {
    std::vector<std::string> constants;
    const char* complaint;  // empty: the class passes
  } cases[] = {
      {Member(9, "java/lang/System", "out", "Ljava/io/PrintStream;"), ""},
      {Member(10, "java/lang/System", "out", "Ljava/io/PrintStream;"), ""},  // kind not compared
      {Member(10, "java/lang/System", "lineSeparator", "()Ljava/lang/String;"),
       "uses java/lang/System.lineSeparator ()Ljava/lang/String;"},
      {{Utf8("java/lang/StringBuilder"), Ref(7, 3)}, "uses class java/lang/StringBuilder"},
      {{Utf8("[[Ljava/lang/StringBuilder;"), Ref(7, 3)}, "uses class java/lang/StringBuilder"},
      {{Utf8("[[Ljava/lang/String;"), Ref(7, 3), Utf8("[I"), Ref(7, 5)}, ""},
      {{Utf8("()V"), Ref(16, 3)}, "constant 4 is of kind 16"},  // a MethodType
      {{Utf8("x"), Ref(5, 0, 0) + std::string(4, '\0'), Utf8("y")}, ""},  // a Long takes two slots
  };
  for (const auto& test : cases) {
    format::ClassFile parsed;
    std::string error;
    ASSERT_TRUE(format::ParseClassFile(testing_classes::ClassBytes("Setup", test.constants),
                                       &parsed, &error))
        << error;
    const bool passes = mksetup::NeedsNothingNewer(parsed, api, &error);
    EXPECT_EQ(passes, *test.complaint == '\0') << test.complaint << " / " << error;
    if (!passes) {
      EXPECT_NE(error.find(test.complaint), std::string::npos) << error;
    }
  }
}

TEST_F(Mksetup, RetargetWritesVersion45Point3OrNothing) {
  Write("api.txt", kApi);
  const std::string good = testing_classes::ClassBytes(
      "Setup", Member(9, "java/lang/System", "out", "Ljava/io/PrintStream;"));
  Write("Good.class", good);
  ASSERT_EQ(RunCommand(mksetup::RetargetCommand,
                       {Path("Good.class"), "--api", Path("api.txt"), "-o", Path("Old.class")}),
            0)
      << err;
  EXPECT_EQ(Read("Old.class"), good.substr(0, 4) + std::string("\x00\x03\x00\x2D", 4) + good.substr(8));
}

TEST_F(Mksetup, CommandLineAnswersHelpAndVersionAndNamesEachProblemOnOneLine) {
  const mksetup::Arguments inputs = {
      "build", "--stub", Path("launcher.exe"), "--archive", Path("rerodova.class"),
      "--verify", Path("Verify.class"), "-o", Path("setup.exe")};
  mksetup::Arguments good = inputs;
  good.insert(good.end(), {"--criteria", ""});
  Write("api.txt", kApi);
  Write("New.class", testing_classes::ClassBytes("Setup", {Utf8("java/util/ArrayList"), Ref(7, 3)}));
  const struct {
    mksetup::Arguments args;
    int code;
    const char* out;  // what the standard output begins with
    const char* err;  // what the error output contains
  } cases[] = {
      {{"help", "archive"}, 0, "usage: mksetup archive --class", ""},
      {{"archive", "--help"}, 0, "usage: mksetup archive --class", ""},
      {{"retarget", "-o", "x", "-h"}, 0, "usage: mksetup retarget", ""},
      {{"--help"}, 0, "usage:\n  mksetup build", ""},
      {{"--version"}, 0, "mksetup 9.8.7\n", ""},
      {{}, 2, "", "usage:"},
      {{"bulid"}, 2, "", "mksetup: error: unknown command 'bulid'"},
      {{"help", "lsit"}, 2, "", "mksetup: error: unknown command 'lsit'"},
      {{"build", "--stub"}, 1, "", "mksetup: error: build: --stub needs a value"},
      {inputs, 1, "", "mksetup: error: no search criteria"},
      {{"retarget", Path("New.class"), "--api", Path("api.txt"), "-o", Path("Out.class")}, 1, "",
       "New.class: uses class java/util/ArrayList"},
      {{"archive", "--class", Put("Installer.class", kClass), "--section", "S", "--resource",
        "jre.exe=" + Path("absent.exe") + ":1", "-o", Path("Out.class")},
       1, "", "absent.exe"},
      {{"archive", "--class", Put("Text.class", "just text"), "-o", Path("Out.class")}, 1, "",
       "Text.class: the installation class: not a class file"},
      {{"list", Path("nothing.exe")}, 1, "", "mksetup: error: cannot read"},
      {good, 0, "wrote ", ""},
  };
  for (const auto& test : cases) {
    std::ostringstream output, errors;
    EXPECT_EQ(mksetup::RunMksetup(test.args, "9.8.7", output, errors), test.code) << test.err;
    EXPECT_EQ(output.str().rfind(test.out, 0), 0u) << output.str();
    EXPECT_NE(errors.str().find(test.err), std::string::npos) << errors.str();
    if (test.code == 1) {
      EXPECT_EQ(errors.str().find('\n'), errors.str().size() - 1) << "one line";
    }
    EXPECT_FALSE(Exists("Out.class"));
    EXPECT_EQ(Exists("setup.exe"), test.code == 0 && test.out[0] == 'w');
  }
}

}  // namespace
}  // namespace carafe
