// Writes the seed corpora under tests/fuzz/corpus/<target>/ from the unit
// tests' byte builders: a few small inputs per target, valid ones and the
// near misses the unit tests pin. Run: fuzz_seeds <corpus folder>.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive_bytes.h"
#include "container_images.h"
#include "scripted_jvm.h"

namespace {

namespace ab = carafe::archive_bytes;
namespace ti = carafe::testing_images;

bool Write(const std::string& folder, const std::string& name, const std::string& bytes) {
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  std::ofstream out(folder + "/" + name, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// A small image: two sections of raw data behind 0x200 bytes of headers.
std::string SmallImage() { return ti::MakePeImage(0x200, {0x200, 0x100}, 0xE0); }

const char* const kCriteria =
    "vendor=sun:type=jre:version=1.2;vendor=sun:type=jdk:version=1.1;vendor=ibm:version=1.3;"
    "vendor=microsoft:type=jview:version=1.1.4";

// An archive that carries a JVM installer behind an unflagged resource, one
// compressed section and an empty one.
std::string ArchiveWithInstaller() {
  ab::Section installers{"BundledVMInstallers",
                         {ab::Record{"", "readme.txt", "not this one"},
                          ab::Flagged("jre-setup.exe", "MZ installer bytes")}};
  ab::Section compressed{"Classes", {}, true};
  ab::Section empty{"Empty", {}};
  return ab::Build({compressed, installers, empty});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds <corpus folder>\n");
    return 2;
  }
  const std::string root = argv[1];
  bool ok = true;

  const std::string archive = ArchiveWithInstaller();
  const std::string verify = ti::ClassBytes(64, 'v');
  const std::string container = root + "/setup_container";
  ok &= Write(container, "three_sections",
              SmallImage() + ti::MakeContainer(ti::ThreeSections(archive, verify, kCriteria)));
  ok &= Write(container, "no_container", SmallImage());
  ok &= Write(container, "empty_table", SmallImage() + ti::Big32(0));
  ok &= Write(container, "verify_class_missing",
              SmallImage() + ti::MakeContainer({{1, "rerodova.class", ti::ClassBytes(16)},
                                                {3, "vm search criteria", ti::String16("x")}}));
  ok &= Write(container, "repeated_and_unknown_types",
              SmallImage() +
                  ti::MakeContainer({{1, "rerodova.class", ti::ClassBytes(8)},
                                     {2, "Verify.class", ti::ClassBytes(8)},
                                     {9, "other", "?"},
                                     {1, "rerodova.class", ti::ClassBytes(12)},
                                     {3, "vm search criteria", ti::String16("vendor=varnica")}}));
  // A name longer than a log entry can hold: the entry is cut at 1023 characters.
  const std::string longName(1200, 'n');
  ok &= Write(container, "long_name",
              SmallImage() + ti::MakeContainer({{9, longName, "?"},
                                                {1, "rerodova.class", ti::ClassBytes(8)},
                                                {2, "Verify.class", ti::ClassBytes(8)},
                                                {3, "vm search criteria", ti::String16("")}}));

  const std::string javaArchive = root + "/java_archive";
  ok &= Write(javaArchive, "long_name", ab::Build({{longName, {ab::Flagged("x.exe", "x")}}}));
  ok &= Write(javaArchive, "with_installer", archive);
  ok &= Write(javaArchive, "all_compressed", ab::Build({{"One", {}, true}, {"Two", {}, true}}));
  ok &= Write(javaArchive, "header_blocks",
              ab::Build({{"BundledVMInstallers",
                          {ab::Record{"abc", "skipped.exe", "xyz"},
                           ab::Record{std::string(1, '\2'), "flag2.exe", "12"},
                           ab::Flagged("jvm.exe", "installer")}}}));
  std::string forged = ab::Build({{"BundledVMInstallers", {ab::Flagged("big.exe", "data")}}});
  ok &= Write(javaArchive, "table_out_of_range", forged.substr(0, forged.size() - 1) + "\xFF");

  const std::string commandLine = root + "/command_line";
  ok &= Write(commandLine, "all_options",
              "-jvm \"C:\\Program Files\\jre\\bin\\jre.exe\" /ARCHIVE 'a b.class' -verify "
              "sub\\.\\v.class -searchcriteria vendor=sun -log -silent -logall -nosearch");
  ok &= Write(commandLine, "java_options", "-Dfoo=1 -dbar=2 /Dbaz -jvm=x.exe -jvm -archive x");
  ok &= Write(commandLine, "paths",
              "-verify \\\\srv\\share\\..\\v.class -archive D:setup\\.\\bin\\..\\a.class "
              "-log ..\\..\\log.txt");

  const std::string criteria = root + "/search_criteria";
  ok &= Write(criteria, "installation", kCriteria);
  ok &= Write(criteria, "odd_pieces",
              " vendor=sun; ;vendor = sun:type=jre:type=jdk;Vendor=x;vendor=sun:foo=1;version;"
              "vendor=microsoft;vendor=microsoft;");

  const std::string output = root + "/verify_output";
  ok &= Write(output, "sun_1_2", carafe::VerifyLines("1.2.2", "http://java.sun.com/"));
  ok &= Write(output, "unknown_vendor",
              "java.vendor.url =   http://example.org/  \r\njava.version=  1.1  ");
  ok &= Write(output, "bare_line_feeds", "java.version = 1.3\njava.vendor.url = sun\r\n");
  return ok ? 0 : 1;
}
