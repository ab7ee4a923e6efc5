// Listing a built setup: image end, sizes and every table entry.
#include <gtest/gtest.h>

#include <sstream>

#include "mksetup/commands.h"
#include "mksetup/container_format.h"
#include "mksetup/container_listing.h"
#include "mksetup/pe_image.h"
#include "mksetup_fixture.h"

namespace carafe {
namespace {

using namespace testing_images;

class MksetupList : public ::testing::Test, protected SetupInputs {};

TEST_F(MksetupList, BuildThenListShowsEverySection) {
  std::string error;
  ASSERT_TRUE(mksetup::BuildSetup(Request("vendor=sun:type=jre:version=1.2"), &error)) << error;
  ASSERT_EQ(RunCommand(mksetup::ListCommand, {Path("setup.exe")}), 0) << err;
  // Image end 0xC00; archive data at 0xC00 + 0x2B + 2 + 14.
  EXPECT_EQ(out,
            "image end      3072 (0xC00)\n"
            "file size      " +
                std::to_string(Read("setup.exe").size()) +
                "\n"
                "section count  3\n"
                "type   data size  data offset  name\n"
                "   1        5000         3131  rerodova.class\n"
                "   2         700         8145  Verify.class\n"
                "   3          33         8865  vm search criteria\n"
                "search criteria  vendor=sun:type=jre:version=1.2\n");
  EXPECT_EQ(err, "");
}

TEST_F(MksetupList, ListingGivesTheDataOfEachSection) {
  std::string error;
  ASSERT_TRUE(mksetup::BuildSetup(Request(), &error)) << error;
  mksetup::SetupListing listing;
  ASSERT_TRUE(mksetup::ReadSetupListing(Path("setup.exe"), &listing, &error)) << error;
  const mksetup::ListedSection* archive = mksetup::FindSection(listing, mksetup::kJavaArchiveType);
  ASSERT_NE(archive, nullptr);
  std::string data;
  ASSERT_TRUE(mksetup::ReadSectionData(Path("setup.exe"), *archive, &data, &error));
  EXPECT_EQ(data, archiveBytes);
  EXPECT_EQ(mksetup::FindSection(listing, 9), nullptr);
}

TEST_F(MksetupList, LastEntryOfATypeIsTheOneFound) {
  std::string container;
  std::string error;
  ASSERT_TRUE(mksetup::EncodeContainer({{2, "Old.class", "old"}, {2, "Verify.class", "new"}},
                                       &container, &error));
  Write("setup.exe", stubBytes + container);
  mksetup::SetupListing listing;
  ASSERT_TRUE(mksetup::ReadSetupListing(Path("setup.exe"), &listing, &error)) << error;
  ASSERT_EQ(listing.sections.size(), 2u);
  EXPECT_EQ(mksetup::FindSection(listing, 2)->name, "Verify.class");
}

TEST_F(MksetupList, ImageEndIsFoundTheLauncherWay) {
  std::istringstream example(ExampleImage());
  EXPECT_EQ(mksetup::FindImageEnd(example), 0x75000u);
  std::istringstream withBss(MakePeImage(0x200, {0x400, 0, 0x200}, 0x70));
  EXPECT_EQ(mksetup::FindImageEnd(withBss), 0x800u);
  std::istringstream text("just text, not an executable of any kind at all............");
  EXPECT_EQ(mksetup::FindImageEnd(text), 0u);
}

TEST_F(MksetupList, RefusesWhatTheLauncherWouldRefuse) {
  struct Case {
    std::string bytes;
    const char* message;
  };
  std::string container = MakeContainer(ThreeSections(archiveBytes, verifyBytes, "c"));
  for (const Case& c : std::vector<Case>{
           {"plain text", "not a PE image"},
           {stubBytes, "no container"},
           {stubBytes + Big16(0), "section count is cut off"},
           {stubBytes + Big32(1) + Entry(1, 3, 17) + String16("long name"),
            "smaller than its own name"},
           {stubBytes + container.substr(0, container.size() - 1), "runs past the end"},
           {stubBytes + Big32(2) + Entry(1, 2, 17) + Big16(0), "table entry 1"},
       }) {
    Write("bad.exe", c.bytes);
    EXPECT_EQ(RunCommand(mksetup::ListCommand, {Path("bad.exe")}), 1);
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1);
  }
  EXPECT_EQ(RunCommand(mksetup::ListCommand, {Path("missing.exe")}), 1);
  EXPECT_NE(err.find("cannot read"), std::string::npos);
}

}  // namespace
}  // namespace carafe
