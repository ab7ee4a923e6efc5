// mksetup through its command line: what `archive`, `build`, `list` and
// `retarget` write and print, read back by the launcher's own readers, and
// how each refuses bad input on one line without leaving a file behind.
#include <gtest/gtest.h>
#include <zlib.h>

#include "class_bytes.h"
#include "container/java_archive.h"
#include "container/setup_container.h"
#include "memory_platform.h"
#include "mksetup/cli.h"
#include "mksetup_fixture.h"

namespace carafe {
namespace {

using namespace testing_images;
using testing_classes::Ref;
using testing_classes::Utf8;

class Mksetup : public PlatformTest, protected SetupInputs {
 protected:
  int Run(const mksetup::Arguments& args) {
    std::ostringstream output, errors;
    const int code = mksetup::RunMksetup(args, "9.8.7", output, errors);
    out = output.str();
    err = errors.str();
    return code;
  }
  std::string Data(SetupContainer& setup, std::uint8_t type) {
    std::vector<std::uint8_t> data;
    EXPECT_TRUE(setup.Section(type).ReadData(&data));
    return std::string(data.begin(), data.end());
  }
};

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

TEST_F(Mksetup, WhatArchiveAndBuildWriteTheLauncherReadsAndListShows) {
  ASSERT_EQ(Run({"archive", "--class", Write("I.class", testing_classes::ClassBytes("I", {})),
                 "--section", "Classes", "--compress", "--resource",
                 "a/B.class=" + Write("B", std::string(300, 'b')), "--section",
                 "BundledVMInstallers", "--resource", "readme.txt=" + Write("r", "read me"),
                 "--resource", "jre.exe=" + Write("j", "MZ jre") + ":1", "-o", Path("a.class")}),
            0)
      << err;
  ASSERT_EQ(Run({"build", "--stub", Path("launcher.exe"), "--archive", Path("a.class"), "--verify",
                 Path("Verify.class"), "--criteria-file", Write("c.txt", "vendor=sun\r\n"), "-o",
                 Path("setup.exe")}),
            0)
      << err;
  const std::string archive = Read("a.class"), setup = Read("setup.exe");
  EXPECT_EQ(setup.substr(0, stubBytes.size()), stubBytes);
  os.AddFile("C:\\setup.exe", setup);
  os.AddFile("C:\\a.class", archive);
  SetupContainer container;
  JavaArchive reader;
  ContainerReport containerReport;
  ArchiveReport archiveReport;
  ASSERT_TRUE(container.Open("C:\\setup.exe", &containerReport));
  ASSERT_TRUE(reader.Open("C:\\a.class", &archiveReport));
  EXPECT_EQ(Data(container, 1) + Data(container, 2) + Data(container, 3),
            archive + verifyBytes + String16("vendor=sun"));
  ArchiveSection& classes = reader.Section("Classes");
  std::string records, refused;
  format::EncodeResourceRecords({{"", "a/B.class", std::string(300, 'b')}}, &records, &refused);
  EXPECT_EQ(Inflate(std::string_view(archive).substr(classes.ResourceFileOffset() + 22,
                                                     classes.PayloadSize())),
            records);
  EXPECT_TRUE(format::ArchiveInsideClass(archive));
  ASSERT_EQ(Run({"list", Path("setup.exe")}), 0) << err;
  format::ArchiveTable table;
  format::DecodeJavaArchive(archive, &table);
  const std::size_t at = table.offsetTable, size = classes.PayloadSize();
  auto column = [](std::uint64_t value, std::size_t width) {
    return std::string(width - std::to_string(value).size(), ' ') + std::to_string(value);
  };
  EXPECT_EQ(
      out.rfind("image end      3072 (0xC00)\nfile size      " + std::to_string(setup.size()), 0),
      0u);
  EXPECT_EQ(out.substr(out.find("section count")),
            "section count  3\ntype   data size  data offset  name\n   1  " +
                column(archive.size(), 10) + "         3131  rerodova.class\n   2         700  " +
                column(3131 + archive.size() + 14, 11) + "  Verify.class\n   3          12  " +
                column(setup.size() - 12, 11) +
                "  vm search criteria\nsearch criteria  vendor=sun\nJava archive: 2 sections, "
                "OffsetTable at " +
                std::to_string(at) +
                ", inside the class\n  section Classes: 1 "
                "resources, " +
                std::to_string(size) +
                " payload bytes, compressed\n  section "
                "BundledVMInstallers: 2 resources, 51 payload bytes, not compressed\n    resource "
                "readme.txt: 7 bytes, flag 0\n    resource jre.exe: 6 bytes, flag 1\n");
}

TEST_F(Mksetup, EachCommandAnswersHelpAndRefusesOnOneLineLeavingNoFile) {
  Write("api.txt",
        "# Java 1.1\njava/lang/System\njava/lang/System.out "
        "Ljava/io/PrintStream;\njava/lang/String\n");
  int files = 0;  // each row writes its inputs to files of its own
  auto file = [&](const std::string& content) {
    return Write("f" + std::to_string(files++), content);
  };
  auto build = [&](const std::string& stub, const std::string& archive, const std::string& verify,
                   std::string criteria, const char* option = nullptr) {
    mksetup::Arguments args{"build",       "--stub",   file(stub),       "--archive",
                            file(archive), "--verify", file(verify),     "--criteria",
                            criteria,      "-o",       Path("Out.class")};
    if (option) args.push_back(option);
    return args;
  };
  auto retarget = [&](const std::vector<std::string>& constants) {
    return mksetup::Arguments{"retarget", file(testing_classes::ClassBytes("N", constants)),
                              "--api",    Path("api.txt"),
                              "-o",       Path("Out.class")};
  };
  const std::string kClass = testing_classes::ClassBytes("I", {}), archive = archiveBytes;
  const std::string longName(65536, 'n');
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
        Path("Verify.class"), "-o", Path("Out.class")},
       1,
       "no search criteria"},
      {build("MZ only", archive, verifyBytes, "c"), 1, "not a PE image"},
      {build(stubBytes.substr(0, stubBytes.size() - 1), archive, verifyBytes, "c"), 1, "cut short"},
      {build(stubBytes + "old", archive, verifyBytes, "c"), 1, "--replace"},
      {build(stubBytes, "PK zip", verifyBytes, "c"), 1, "CA FE BA BE"},
      {build(stubBytes, archive, "", "c"), 1, "verify class"},
      {build(stubBytes, archive, verifyBytes, std::string(65536, 'c')), 1, "65536"},
      {{"archive", "--class", file("text"), "-o", Path("Out.class")}, 1, "not a class file"},
      {{"archive", "--class", file(kClass + "tail"), "-o", Path("Out.class")}, 1, "4 bytes behind"},
      {{"archive", "--class", file(already), "-o", Path("Out.class")}, 1, "already carries"},
      {{"archive", "--class", file(kClass), "--section", "S", "--resource",
        "j=" + Path("absent.exe") + ":1", "-o", Path("Out.class")},
       1,
       "absent.exe"},
      {{"archive", "--class", file(kClass), "--section", longName, "-o", Path("Out.class")},
       1,
       "65536 bytes"},
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
    if (c.code == 1) {
      EXPECT_EQ(err.find('\n'), err.size() - 1);
    }
    EXPECT_FALSE(Exists("Out.class"));
  }
  mksetup::Arguments last;
  for (auto args : {build(stubBytes, "PK zip", verifyBytes, std::string(65535, 'c'), "--force"),
                    build(stubBytes + "old", archive, verifyBytes, "c", "--replace"),
                    retarget({Utf8("[[Ljava/lang/String;"), Ref(7, 3), Utf8("java/lang/System"),
                              Ref(7, 5), Utf8("out"), Utf8("Ljava/io/PrintStream;"), Ref(12, 7, 8),
                              Ref(9, 6, 9), Utf8("x"), Ref(5, 0, 0) + std::string(4, '\0')})}) {
    ASSERT_EQ(Run(args), 0) << err;
    last = args;
  }
  const std::string old =
      Read(std::filesystem::path(last[1]).filename().string());  // retargeted last: version 45.3
  EXPECT_EQ(Read("Out.class"), old.substr(0, 4) + std::string("\0\3\0\x2D", 4) + old.substr(8));
}

}  // namespace
}  // namespace carafe
