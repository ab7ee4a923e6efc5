// Signed stubs and signed setups: `build` refuses a signed stub or, with
// --replace, strips its signature; `list` reports a signature. Both PE kinds,
// whose security directories lie at different places.
#include <gtest/gtest.h>

#include <cstdio>

#include "format/pe_image.h"
#include "mksetup/listing.h"
#include "mksetup_fixture.h"

namespace carafe {
namespace {

using namespace testing_images;

struct PeKind {
  const char* name;
  std::uint16_t magic;
  std::uint16_t optionalHeaderBytes;
  std::uint32_t securityEntry;  // offset of data directory 4 in the optional header
};

const PeKind kKinds[] = {{"PE32", 0x10B, 0xE0, 128}, {"PE32+", 0x20B, 0xF0, 144}};

constexpr std::uint32_t kOptionalHeader = 0x80 + 24;
constexpr std::uint32_t kChecksum = kOptionalHeader + 64;
constexpr std::uint32_t kTableBytes = 0x5B0;

// An image of this kind with 16 data directories and a checksum, and, when
// signed, a certificate table appended behind everything in it.
std::string Image(const PeKind& kind) {
  std::string image = MakePeImage(0x400, {0x600, 0x200}, kind.optionalHeaderBytes);
  PutLittle(image, kOptionalHeader, kind.magic, 2);
  PutLittle(image, kOptionalHeader + kind.securityEntry - 4 * 8 - 4, 16, 4);  // directory count
  PutLittle(image, kChecksum, 0x1234, 4);
  return image;
}
std::string Sign(std::string file, const PeKind& kind) {
  PutLittle(file, kOptionalHeader + kind.securityEntry, static_cast<std::uint32_t>(file.size()), 4);
  PutLittle(file, kOptionalHeader + kind.securityEntry + 4, kTableBytes, 4);
  return file + std::string(kTableBytes, 'S');
}

class Signing : public ::testing::Test, public SetupInputs {};

TEST_F(Signing, SignedStubIsRefusedOrStrippedAndSignedSetupIsListed) {
  for (const PeKind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    const std::string image = Image(kind);
    Write("launcher.exe", Sign(image, kind));
    std::remove(Path("setup.exe").c_str());
    const std::size_t files = FileCount();

    mksetup::BuildRequest request = Request();
    std::string error;
    EXPECT_FALSE(mksetup::BuildSetup(request, &error));
    EXPECT_EQ(error, "stub '" + request.stub +
                         "' is signed (certificate table of 1456 bytes); sign the finished setup"
                         " instead, or use --replace to strip the signature");
    EXPECT_EQ(FileCount(), files);

    // Stripped: the image without its table, nothing pointing at it, and the
    // container straight behind the image.
    request.replace = true;
    ASSERT_TRUE(mksetup::BuildSetup(request, &error)) << error;
    const std::string setup = Read("setup.exe");
    std::string expected = image;
    PutLittle(expected, kChecksum, 0, 4);
    EXPECT_EQ(setup.substr(0, image.size()), expected);
    format::SecurityDirectory security;
    ASSERT_TRUE(format::FindSecurityDirectory(setup, &security));
    EXPECT_EQ(security.tableOffset, 0u);
    EXPECT_EQ(security.tableBytes, 0u);
    ASSERT_EQ(RunCommand(mksetup::ListCommand, {Path("setup.exe")}), 0) << err;
    EXPECT_NE(out.find("\nsignature      none\nsection count  3\n"), std::string::npos) << out;

    // Signed after building: the table behind the container, which still lists.
    Write("signed.exe", Sign(setup, kind));
    ASSERT_EQ(RunCommand(mksetup::ListCommand, {Path("signed.exe")}), 0) << err;
    EXPECT_NE(out.find("\nsignature      certificate table of 1456 bytes at " +
                       std::to_string(setup.size()) + "\nsection count  3\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("search criteria  vendor=sun:type=jre:version=1.2\n"), std::string::npos);
  }
}

}  // namespace
}  // namespace carafe
