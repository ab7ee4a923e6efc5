// mksetup through its command line: what `archive` and `build` write, read
// back by the launcher's readers and shown by `list`, from signed stubs too;
// one refusal per kind of check, on one line and leaving no file.
#include <gtest/gtest.h>

#include <array>
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
// What mksetup printed holds the text; on failure the test shows all of it.
testing::AssertionResult Shows(const std::string& printed, const std::string& text) {
  if (printed.find(text) != std::string::npos) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "no '" << text << "' in:\n" << printed;
}

// A public class of version 52 whose constants name the class `uses` too; no members.
std::string Class(const std::string& name, const std::string& uses = "java/lang/Object") {
  return "\xCA\xFE\xBA\xBE" + Big(52, 4) + Big(5, 2) + "\x01" + String16(name) + "\x07" + Big(1, 2) +
         "\x01" + String16(uses) + "\x07" + Big(3, 2) + Big(0x21, 2) + Big(2, 2) +
         std::string(10, '\0');
}

// Runs mksetup on files in a scratch folder on the real disk.
class Mksetup : public PlatformTest {
 protected:
  Mksetup() { fs::create_directories(folder_); }
  ~Mksetup() override { fs::remove_all(folder_, ignored_); }
  std::string File(const std::string& bytes) {
    const std::string path = (folder_ / std::to_string(files_++)).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  int Run(const mksetup::Arguments& args) {
    std::ostringstream output, errors;
    const int code = mksetup::RunMksetup(args, "9.8.7", output, errors);
    out = output.str(), err = errors.str();
    return code;
  }
  // `build` of setup.exe from these bytes and the verify class.
  mksetup::Arguments Build(const std::string& stubBytes, const std::string& archiveBytes,
                           mksetup::Arguments more) {
    more.insert(more.begin(), {"build", "--stub", File(stubBytes), "--archive", File(archiveBytes),
                               "--verify", File(verify), "-o", setup});
    return more;
  }
  const fs::path folder_ =
      fs::temp_directory_path() / ("mksetup-" + std::to_string(std::random_device()()));
  std::error_code ignored_;
  int files_ = 0;
  std::string out, err;
  const std::string verify = Class("Verify"), setup = (folder_ / "setup.exe").string();
};

// For PE32 and PE32+ stubs, whose security directories lie at different
// places: build refuses a signed stub and with --replace strips its signature;
// the launcher reads back what was written; list shows it, signed or not.
TEST_F(Mksetup, WhatArchiveAndBuildWriteTheLauncherReadsAndListShows) {
  const std::string archive = File("");
  ASSERT_EQ(Run({"archive", "--class", File(Class("rerodova")), "--section", "C",
                 "--compress", "--resource", "a/B=" + File(std::string(300, 'b')), "--section", "I",
                 "--resource", "jre.exe=" + File("MZ jre") + ":1", "-o", archive}),
            0)
      << err;
  ASSERT_EQ(Run({"list", File(Class("rerodova"))}), 0);
  EXPECT_TRUE(Shows(out, "class rerodova: no archive in this class"));
  const std::string built = Read(archive), criteria = File("vendor=sun\r\n\ntype=jdk\r\n");
  constexpr std::uint32_t kOptional = 0x80 + 24, kChecksum = kOptional + 64, kTable = 0x5B0;
  using Kind = std::array<std::uint16_t, 3>;  // magic, optional header size, security entry
  for (const auto& [magic, headerBytes, at] : {Kind{0x10B, 0xE0, 128}, Kind{0x20B, 0xF0, 144}}) {
    SCOPED_TRACE(magic);
    const std::uint32_t entry = kOptional + at, count = entry - 36;
    std::string image = MakePeImage(0x400, {0x600, 0x200}, headerBytes);
    PutLittle(image, kOptional, magic, 2);
    PutLittle(image, 0x84, magic == 0x10B ? 0x14C : 0x8664, 2);  // the machine
    PutLittle(image, count, 16, 4);
    PutLittle(image, kChecksum, 0x1234, 4);
    auto sign = [&](std::string file) {
      PutLittle(file, entry, static_cast<std::uint32_t>(file.size()), 4);
      PutLittle(file, entry + 4, kTable, 4);
      return file + std::string(kTable, 'S');
    };
    EXPECT_EQ(Run(Build(sign(image), built, {"--criteria", "type=jdk"})), 1);
    EXPECT_TRUE(Shows(err, "is signed (certificate table of 1456 bytes)") && !fs::exists(setup));
    // Four directories end before the security entry: whatever lies there is no signature,
    // and list shows no signature line.
    std::string fourDirectories = sign(image).substr(0, image.size());
    PutLittle(fourDirectories, count, 4, 4);
    ASSERT_EQ(Run(Build(fourDirectories, built, {"--criteria", "type=jdk"})), 0) << err;
    EXPECT_TRUE(Run({"list", setup}) == 0 && out.find("signature") == std::string::npos) << out;

    // Stripped: the image without its table, with nothing pointing at it and no checksum.
    ASSERT_EQ(Run(Build(sign(image), built, {"--criteria-file", criteria, "--replace"})), 0) << err;
    const std::string bytes = Read(setup);
    PutLittle(image, kChecksum, 0, 4);
    os.AddFile("C:\\setup.exe", bytes);
    os.AddFile("C:\\a.class", built);
    SetupContainer container;
    JavaArchive reader;
    ContainerReport containerReport;
    ArchiveReport archiveReport;
    ASSERT_TRUE(container.Open("C:\\setup.exe", &containerReport) &&
                reader.Open("C:\\a.class", &archiveReport));
    std::string read = bytes.substr(0, image.size());
    for (std::uint8_t type : {1, 2, 3}) {
      MemoryBlock data;
      EXPECT_TRUE(container.Section(type).ReadData(&data));
      read.append(data.data(), data.data() + data.size());
    }
    // A criteria file's lines are alternatives.
    EXPECT_EQ(read, image + built + verify + String16("vendor=sun;type=jdk"));

    ASSERT_EQ(Run({"list", setup}), 0) << err;
    EXPECT_TRUE(
        Shows(out, "image end      3072 (0xC00)\nfile size      " + std::to_string(bytes.size()) +
                       (magic == 0x10B ? "\nmachine        x86 (32-bit) 0x14C"
                                       : "\nmachine        x86-64 (64-bit) 0x8664") +
                       "\nsignature      none\nsection count  3\n") &&
        Shows(out, "         3131  rerodova.class\n") &&
        Shows(out, "criteria  vendor=sun;type=jdk\n") && Shows(out, ", inside the class\n") &&
        Shows(out, "compressed\n    resource a/B: 300 bytes, flag 0\n") &&
        Shows(out, "jre.exe: 6 bytes, flag 1\n"));
    EXPECT_TRUE(Run({"list", File(bytes.substr(0, 2000))}) == 1 &&
                Shows(err, "truncated: its image ends at 3072 but the file has 2000 bytes"));
    // Signed after building: the table behind the container, which still lists.
    ASSERT_EQ(Run({"list", File(sign(bytes))}), 0) << err;
    EXPECT_TRUE(Shows(out, "\nsignature      certificate table of 1456 bytes at " +
                               std::to_string(bytes.size()) + "\nsection count  3\nt"));
    fs::remove(setup);
  }
}

// Every setup that cannot work is refused when it is built, on one line,
// with exit 1 and no output; what works but is rarely meant is a warning.
TEST_F(Mksetup, RefusesEverySetupThatCannotWorkAndWarnsOfTheRarelyMeant) {
  const std::string stub = File(MakePeImage(0x400, {0x200})), good = File(Class("rerodova")),
                    data = File("d"), other = File(Class("MyInstaller")), out = setup;
  std::string archive = (folder_ / "archive.class").string();
  ASSERT_EQ(Run({"archive", "--class", good, "--section", "s", "--resource", "r=" + data, "-o",
                 archive}),
            0)
      << err;
  const std::string verifyFile = File(verify), folder = folder_.string();
  auto archiveOf = [&](mksetup::Arguments sections) {
    sections.insert(sections.begin(), {"archive", "--class", good});
    sections.insert(sections.end(), {"-o", out});
    return sections;
  };
  auto build = [&](const std::string& archiveFile, const std::string& verifyClass,
                   mksetup::Arguments more) {
    more.insert(more.begin(), {"build", "--stub", stub, "--archive", archiveFile, "--verify",
                               verifyClass, "-o", out});
    return more;
  };
  auto criteria = [&](const std::string& text) {
    return build(archive, verifyFile, {"--criteria", text});
  };
  struct Row {
    const char* mistake;
    mksetup::Arguments args;
    std::string message;
    int code;
  };
  // clang-format off
  const Row rows[] = {
      // mistake, arguments, what err says, exit code
      {"class not rerodova", {"archive", "--class", other, "-o", out}, "is the class MyInstaller", 1},
      {"section twice", archiveOf({"--section", "a", "--resource", "x=" + data, "--section", "a",
                                   "--resource", "y=" + data}), "section 'a' is given twice", 1},
      {"resource twice", archiveOf({"--section", "a", "--resource", "x=" + data, "--resource",
                                    "x=" + data}), "two resources named 'x'", 1},
      {"empty section", archiveOf({"--section", "a", "--section", "b", "--resource", "x=" + data}),
       "section 'a' has no --resource", 1},
      {"flag not a number", archiveOf({"--section", "a", "--resource", "x=" + data + ":x"}),
       "flag ':x' is none the launcher knows", 1},
      {"unknown flag", archiveOf({"--section", "a", "--resource", "x=" + data + ":7"}),
       "flag ':7' is none the launcher knows", 1},
      {"folder", archiveOf({"--section", "a", "--resource", "x=" + folder}), "it is a folder", 1},
      {"missing file", archiveOf({"--section", "a", "--resource", "x=" + data + "x"}),
       "No such file or directory", 1},
      {"option twice", {"archive", "--class", good, "-o", out, "-o", out}, "-o is given twice", 1},
      {"build: option twice", build(archive, verifyFile, {"--criteria", "type=jdk", "--output", out}),
       "--output is given twice", 1},
      {"archive not rerodova", build(other, verifyFile, {"--criteria", "type=jdk"}),
       "wants the class rerodova in the default package", 1},
      {"swapped", build(verifyFile, archive, {"--criteria", "type=jdk"}),
       "are --archive and --verify swapped?", 1},
      {"unknown key", criteria("jdk17"), "'jdk17' in 'jdk17' is no key=value pair", 1},
      {"wrong case", criteria("Type=JDK"), "key 'Type' in 'Type=JDK' must be written 'type'", 1},
      {"comma", criteria("type=jdk,version=17"), "'type=jdk,version=17' in 'type=jdk,version=17' "
                                                 "is no plain key=value pair", 1},
      {"blank", criteria("type=jdk version=17"), "is no plain key=value pair", 1},
      {"comparison", criteria("version>=17"), "'version>=17' in 'version>=17' is no key=value", 1},
      {"unknown type", criteria("type=java"), "type 'java' in 'type=java' is none", 1},
      {"empty text", criteria(" "), "the criteria text is empty", 1},
      {"retarget: option twice", {"retarget", good, "--api", data, "--api", data, "-o", out},
       "--api is given twice", 1},
      {"try: no program", {"try", data}, "'" + data + "' is not a PE image", 125},
      {"vendor nowhere", criteria("vendor=acme:type=jdk"),
       "warning: vendor 'acme' in 'vendor=acme:type=jdk' selects no search location", 0},
      {"class without archive", build(good, verifyFile, {"--criteria", "type=jdk"}),
       "warning: archive '" + good + "' carries no archive", 0},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mistake);
    fs::remove(out, ignored_);
    EXPECT_EQ(Run(row.args), row.code) << err;
    EXPECT_TRUE(Shows(err, row.message));
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(fs::exists(out), row.code == 0);
  }
}

}  // namespace
}  // namespace carafe
