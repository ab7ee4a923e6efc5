// mksetup through its command line: what `archive`, `build`, `list` and
// `retarget` write and print, read back by the launcher's own readers; how
// each refuses bad input on one line without leaving a file; signed stubs.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "container/java_archive.h"
#include "container/setup_container.h"
#include "container_images.h"
#include "memory_platform.h"
#include "mksetup/cli.h"

namespace carafe {
namespace {

using namespace testing_images;
namespace fs = std::filesystem;

std::string U16(unsigned value) { return Big(value, 2); }
std::string Utf8(const std::string& text) { return '\x01' + U16(text.size()) + text; }
std::string Ref(char tag, unsigned a, int b = -1) { return tag + U16(a) + (b < 0 ? "" : U16(b)); }
// A public class of version 52 named by constants #1 and #2, then the given ones; no members.
std::string Class(const std::string& name, const std::vector<std::string>& constants) {
  unsigned slots = 3;
  for (const std::string& c : constants) slots += c[0] == 5 || c[0] == 6 ? 2 : 1;
  std::string bytes = "\xCA\xFE\xBA\xBE" + U16(0) + U16(52) + U16(slots) + Utf8(name) + Ref(7, 1);
  for (const std::string& c : constants) bytes += c;
  return bytes + U16(0x21) + U16(2) + std::string(10, '\0');
}

// A raw DEFLATE stream (no zlib wrapper), as the Java side inflates it.
std::string Inflate(std::string_view packed) {
  std::string out(1 << 16, '\0');
  z_stream s{};
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  s.avail_in = static_cast<uInt>(packed.size());
  s.next_out = reinterpret_cast<Bytef*>(&out[0]);
  s.avail_out = static_cast<uInt>(out.size());
  const bool whole = inflateInit2(&s, -15) == Z_OK && inflate(&s, Z_FINISH) == Z_STREAM_END;
  inflateEnd(&s);
  return whole ? out.substr(0, s.total_out) : "<not raw deflate>";
}

// A scratch folder on the real disk holding a stub, an archive and a verify class.
class Mksetup : public PlatformTest {
 protected:
  Mksetup() {
    fs::create_directories(folder_);
    Write("launcher.exe", stub), Write("rerodova.class", archive), Write("Verify.class", verify);
  }
  ~Mksetup() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }
  std::string Read(const std::string& name) const {
    std::ostringstream content;
    content << std::ifstream(Path(name), std::ios::binary).rdbuf();
    return content.str();
  }
  int Run(const mksetup::Arguments& args) {
    std::ostringstream output, errors;
    const int code = mksetup::RunMksetup(args, "9.8.7", output, errors);
    out = output.str(), err = errors.str();
    return code;
  }
  std::string out, err;
  const std::string stub = MakePeImage(0x400, {0x600, 0x200}), archive = ClassBytes(5000, 'a'),
                    verify = ClassBytes(700, 'v');

 private:
  fs::path folder_ =
      fs::temp_directory_path() / ("mksetup-" + std::to_string(std::random_device()()));
};

TEST_F(Mksetup, WhatArchiveAndBuildWriteTheLauncherReadsAndListShows) {
  ASSERT_EQ(
      Run({"archive", "--class", Write("I.class", Class("I", {})), "--section", "Classes",
           "--compress", "--resource", "a/B.class=" + Write("B", std::string(300, 'b')),
           "--section", "BundledVMInstallers", "--resource", "readme.txt=" + Write("r", "read me"),
           "--resource", "jre.exe=" + Write("j", "MZ jre") + ":1", "-o", Path("a.class")}),
      0)
      << err;
  ASSERT_EQ(Run({"build", "--stub", Path("launcher.exe"), "--archive", Path("a.class"), "--verify",
                 Path("Verify.class"), "--criteria-file", Write("c.txt", "vendor=sun\r\n"), "-o",
                 Path("setup.exe")}),
            0)
      << err;
  const std::string built = Read("a.class"), setup = Read("setup.exe");
  os.AddFile("C:\\setup.exe", setup);
  os.AddFile("C:\\a.class", built);
  SetupContainer container;
  JavaArchive reader;
  ContainerReport containerReport;
  ArchiveReport archiveReport;
  ASSERT_TRUE(container.Open("C:\\setup.exe", &containerReport) &&
              reader.Open("C:\\a.class", &archiveReport));
  std::string read = setup.substr(0, stub.size()), records, refused;
  for (std::uint8_t type : {1, 2, 3}) {
    std::vector<std::uint8_t> data;
    EXPECT_TRUE(container.Section(type).ReadData(&data));
    read.append(data.begin(), data.end());
  }
  EXPECT_EQ(read, stub + built + verify + String16("vendor=sun"));
  ArchiveSection& classes = reader.Section("Classes");
  format::EncodeResourceRecords({{"", "a/B.class", std::string(300, 'b')}}, &records, &refused);
  EXPECT_EQ(Inflate(std::string_view(built).substr(classes.ResourceFileOffset() + 22,
                                                   classes.PayloadSize())),
            records);

  ASSERT_EQ(Run({"list", Path("setup.exe")}), 0) << err;
  format::ArchiveTable table;
  format::DecodeJavaArchive(built, &table);
  auto column = [](std::uint64_t value, std::size_t width) {
    return std::string(width - std::to_string(value).size(), ' ') + std::to_string(value);
  };
  EXPECT_EQ(out,
            "image end      3072 (0xC00)\nfile size      " + std::to_string(setup.size()) +
                "\nsection count  3\ntype   data size  data offset  name\n   1  " +
                column(built.size(), 10) + "         3131  rerodova.class\n   2         700  " +
                column(3131 + built.size() + 14, 11) + "  Verify.class\n   3          12  " +
                column(setup.size() - 12, 11) +
                "  vm search criteria\nsearch criteria  vendor=sun\n"
                "Java archive: 2 sections, OffsetTable at " +
                std::to_string(table.offsetTable) +
                ", inside the class\n  section Classes: 1 resources, " +
                std::to_string(classes.PayloadSize()) +
                " payload bytes, compressed\n  section "
                "BundledVMInstallers: 2 resources, 51 payload bytes, not compressed\n    resource "
                "readme.txt: 7 bytes, flag 0\n    resource jre.exe: 6 bytes, flag 1\n");
}

TEST_F(Mksetup, EachCommandAnswersHelpAndRefusesOnOneLineLeavingNoFile) {
  Write("api.txt",
        "# Java 1.1\njava/lang/System\njava/lang/System.out Ljava/io/PrintStream;\n"
        "java/lang/String\n");
  int files = 0;  // each row writes its inputs to files of its own
  auto file = [&](const std::string& content) {
    return Write("f" + std::to_string(files++), content);
  };
  const std::string o = Path("Out.class"), kClass = Class("I", {}), longName(65536, 'n');
  auto build = [&](const std::string& s, const std::string& a, const std::string& v,
                   std::string criteria) {
    return mksetup::Arguments{"build", "--stub",     file(s),  "--archive", file(a), "--verify",
                              file(v), "--criteria", criteria, "-o",        o};
  };
  auto retarget = [&](const std::vector<std::string>& constants) {
    return mksetup::Arguments{
        "retarget", file(Class("N", constants)), "--api", Path("api.txt"), "-o", o};
  };
  std::string already, error;
  format::EncodeJavaArchive(kClass, {}, &already, &error);
  const struct {
    mksetup::Arguments args;
    int code;
    const char* text;  // what the output begins with, or the error contains
  } cases[] = {
      {{"help", "archive"}, 0, "usage: mksetup archive --class"},
      {{"retarget", "-o", "x", "-h"}, 0, "usage: mksetup retarget"},
      {{"--help"}, 0, "usage:\n  mksetup build"},
      {{"--version"}, 0, "mksetup 9.8.7\n"},
      {{}, 2, "usage:"},
      {{"help", "lsit"}, 2, "mksetup: error: unknown command 'lsit'"},
      {{"build", "--stub"}, 1, "mksetup: error: build: --stub needs a value"},
      {{"build", "--stub", Path("launcher.exe"), "--archive", Path("rerodova.class"), "--verify",
        Path("Verify.class"), "-o", o},
       1,
       "no search criteria"},
      {build("MZ only", archive, verify, "c"), 1, "not a PE image"},
      {build(stub.substr(0, stub.size() - 1), archive, verify, "c"), 1, "cut short"},
      {build(stub + "old", archive, verify, "c"), 1, "--replace"},
      {build(stub, "PK zip", verify, "c"), 1, "CA FE BA BE"},
      {build(stub, archive, "", "c"), 1, "verify class"},
      {build(stub, archive, verify, std::string(65536, 'c')), 1, "65536"},
      {{"archive", "--class", file("text"), "-o", o}, 1, "not a class file"},
      {{"archive", "--class", file(kClass + "tail"), "-o", o}, 1, "4 bytes behind"},
      {{"archive", "--class", file(already), "-o", o}, 1, "already carries"},
      {{"archive", "--class", file(kClass), "--section", "S", "--resource",
        "j=" + Path("absent.exe") + ":1", "-o", o},
       1,
       "absent.exe"},
      {{"archive", "--class", file(kClass), "--section", longName, "-o", o}, 1, "65536 bytes"},
      {{"list", Path("nothing.exe")}, 1, "mksetup: error: cannot read"},
      {retarget({Utf8("java/lang/System"), Ref(7, 3), Utf8("lineSeparator"), Utf8("()V"),
                 Ref(12, 5, 6), Ref(10, 4, 7)}),
       1, "uses java/lang/System.lineSeparator ()V"},
      {retarget({Utf8("[[Ljava/lang/StringBuilder;"), Ref(7, 3)}), 1,
       "uses class java/lang/StringBuilder"},
      {retarget({Utf8("()V"), Ref(16, 3)}), 1, "constant 4 is of kind 16"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Run(c.args), c.code);
    EXPECT_TRUE(c.code == 0 ? out.rfind(c.text, 0) == 0 : err.find(c.text) != std::string::npos)
        << out << err;
    EXPECT_TRUE(c.code != 1 || err.find('\n') == err.size() - 1) << err;
    EXPECT_FALSE(fs::exists(o));
  }
  mksetup::Arguments forced = build(stub, "PK zip", verify, std::string(65535, 'c')),
                     replaced = build(stub + "old", archive, verify, "c");
  forced.push_back("--force"), replaced.push_back("--replace");
  const auto retargeted =
      retarget({Utf8("[[Ljava/lang/String;"), Ref(7, 3), Utf8("java/lang/System"), Ref(7, 5),
                Utf8("out"), Utf8("Ljava/io/PrintStream;"), Ref(12, 7, 8), Ref(9, 6, 9), Utf8("x"),
                Ref(5, 0, 0) + std::string(4, '\0')});
  for (const auto& args : {forced, replaced, retargeted}) ASSERT_EQ(Run(args), 0) << err;
  const std::string old =
      Read(fs::path(retargeted[1]).filename().string());  // retargeted: version 45.3
  EXPECT_EQ(Read("Out.class"), old.substr(0, 4) + std::string("\0\3\0\x2D", 4) + old.substr(8));
}

// build refuses a signed stub or, with --replace, strips its signature; list
// reports a signature. PE32 and PE32+ keep the security directory at
// different places.
TEST_F(Mksetup, ASignedStubIsRefusedOrStrippedAndASignedSetupIsListed) {
  constexpr std::uint32_t kOptional = 0x80 + 24, kChecksum = kOptional + 64, kTable = 0x5B0;
  const struct {
    std::uint16_t magic, headerBytes, entry;
  } kinds[] = {{0x10B, 0xE0, 128}, {0x20B, 0xF0, 144}};
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.magic);
    const std::uint32_t entry = kOptional + kind.entry, count = entry - 36;
    std::string image = MakePeImage(0x400, {0x600, 0x200}, kind.headerBytes), fourDirectories;
    PutLittle(image, kOptional, kind.magic, 2);
    PutLittle(image, count, 16, 4);
    PutLittle(image, kChecksum, 0x1234, 4);
    auto sign = [&](std::string file) {
      PutLittle(file, entry, static_cast<std::uint32_t>(file.size()), 4);
      PutLittle(file, entry + 4, kTable, 4);
      return file + std::string(kTable, 'S');
    };
    mksetup::Arguments args{"build",
                            "--stub",
                            Write("signed.exe", sign(image)),
                            "--archive",
                            Path("rerodova.class"),
                            "--verify",
                            Path("Verify.class"),
                            "--criteria",
                            "vendor=sun",
                            "-o",
                            Path("setup.exe")};
    EXPECT_EQ(Run(args), 1);
    EXPECT_NE(err.find("is signed (certificate table of 1456 bytes)"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(Path("setup.exe")));
    // Four directories end before the security entry: whatever lies there is no signature.
    fourDirectories = sign(image).substr(0, image.size());
    PutLittle(fourDirectories, count, 4, 4);
    args[2] = Write("four.exe", fourDirectories);
    EXPECT_EQ(Run(args), 0) << err;
    // Stripped: the image without its table, with nothing pointing at it and no checksum.
    args[2] = Path("signed.exe");
    args.push_back("--replace");
    ASSERT_EQ(Run(args), 0) << err;
    const std::string setup = Read("setup.exe");
    std::string expected = image;
    PutLittle(expected, kChecksum, 0, 4);
    EXPECT_EQ(setup.substr(0, image.size()), expected);
    ASSERT_EQ(Run({"list", Path("setup.exe")}), 0) << err;
    EXPECT_NE(out.find("\nsignature      none\nsection count  3\n"), std::string::npos) << out;
    // Signed after building: the table behind the container, which still lists.
    ASSERT_EQ(Run({"list", Write("setup.exe", sign(setup))}), 0) << err;
    EXPECT_NE(out.find("\nsignature      certificate table of 1456 bytes at " +
                       std::to_string(setup.size()) + "\nsection count  3\nt"),
              std::string::npos)
        << out;
    fs::remove(Path("setup.exe"));
  }
}

}  // namespace
}  // namespace carafe
