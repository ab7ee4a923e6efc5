// The setup builder: what it writes, how it refuses bad input without leaving
// a half-written setup, and how `mksetup list` shows a setup.
#include "mksetup/commands.h"
#include "mksetup/setup_builder.h"
#include "mksetup_fixture.h"

namespace carafe {
namespace {

using namespace testing_images;

class MksetupBuild : public ::testing::Test, protected SetupInputs {
 protected:
  bool Build(const mksetup::BuildRequest& request) {
    std::string error;
    bool built = mksetup::BuildSetup(request, &error);
    EXPECT_TRUE(built) << error;
    return built;
  }
  // Builds and expects a refusal on one line that leaves no setup and no stray file.
  std::string Refusal(const mksetup::BuildRequest& request) {
    std::size_t files = FileCount();
    std::string error;
    EXPECT_FALSE(mksetup::BuildSetup(request, &error));
    EXPECT_EQ(FileCount(), files);
    EXPECT_EQ(error.find('\n'), std::string::npos);
    return error;
  }
};

TEST_F(MksetupBuild, AppendsTheThreeSectionsInTypeOrderBackToBack) {
  ASSERT_TRUE(Build(Request("vendor=ibm")));
  EXPECT_EQ(Read("setup.exe"),
            stubBytes + MakeContainer(ThreeSections(archiveBytes, verifyBytes, "vendor=ibm")));
  // The example's sizes give the example's table, byte for byte.
  Write("rerodova.class", ClassBytes(6137003));
  Write("Verify.class", ClassBytes(1709, 'v'));
  ASSERT_TRUE(Build(Request(std::string(302, 'c'))));
  EXPECT_TRUE(Read("setup.exe").substr(stubBytes.size()) == ExampleContainer());
}

TEST_F(MksetupBuild, CriteriaFromAFileLoseTheirLineBreakAndFitUpTo65535Bytes) {
  Write("criteria.txt", "vendor=sun:type=jdk\r\n");
  mksetup::BuildRequest request = Request();
  request.criteriaGiven = false;
  request.criteriaFile = Path("criteria.txt");
  ASSERT_TRUE(Build(request));
  std::string setup = Read("setup.exe");
  EXPECT_EQ(setup.substr(setup.size() - 21), String16("vendor=sun:type=jdk"));
  ASSERT_TRUE(Build(Request(std::string(65535, 'c'))));
  EXPECT_NE(Refusal(Request(std::string(65536, 'c'))).find("65536"), std::string::npos);
}

TEST_F(MksetupBuild, StubMustBeAWholePeImageWithoutAContainerUnlessReplaced) {
  Write("launcher.exe", "MZ but nothing more");
  EXPECT_NE(Refusal(Request()).find("not a PE image"), std::string::npos);
  Write("launcher.exe", stubBytes.substr(0, stubBytes.size() - 1));
  EXPECT_NE(Refusal(Request()).find("cut short"), std::string::npos);

  Write("launcher.exe", stubBytes);
  ASSERT_TRUE(Build(Request("first")));
  const std::string first = Read("setup.exe");
  ASSERT_TRUE(Build(Request("second")));
  const std::string fromStub = Read("setup.exe");
  Write("setup.exe", first);
  mksetup::BuildRequest again = Request("second");
  again.stub = Path("setup.exe");
  EXPECT_NE(Refusal(again).find("--replace"), std::string::npos);
  EXPECT_EQ(Read("setup.exe"), first);
  // Rebuilt in place from the image end: as if built from the bare stub.
  again.replace = true;
  ASSERT_TRUE(Build(again));
  EXPECT_EQ(Read("setup.exe"), fromStub);
}

TEST_F(MksetupBuild, InputsMustExistAndBeClassFilesUnlessForced) {
  mksetup::BuildRequest request = Request();
  request.verify = Path("missing.class");
  EXPECT_NE(Refusal(request).find("missing.class"), std::string::npos);
  Write("Verify.class", "");
  EXPECT_NE(Refusal(Request()).find("verify class"), std::string::npos);
  Write("Verify.class", verifyBytes);
  Write("rerodova.class", "PK\x03\x04 a zip file");
  EXPECT_NE(Refusal(Request()).find("CA FE BA BE"), std::string::npos);
  request = Request();
  request.force = true;
  EXPECT_TRUE(Build(request));
}

TEST_F(MksetupBuild, FailedWriteLeavesTheOldSetupAndNoTemporaryFile) {
  ASSERT_TRUE(Build(Request("old")));
  std::string old = Read("setup.exe");
  mksetup::BuildRequest request = Request("new");
  request.output = Path("no-such-folder/setup.exe");
  std::string error;
  EXPECT_FALSE(mksetup::BuildSetup(request, &error));
  EXPECT_EQ(Read("setup.exe"), old);
  EXPECT_EQ(FileCount(), 4u);  // stub, archive, verify class, setup
}

TEST_F(MksetupBuild, CommandLineNamesEachProblemOnOneLine) {
  struct Case {
    mksetup::Arguments args;
    const char* message;
  };
  const mksetup::Arguments inputs = {
      "--stub",   Path("launcher.exe"), "--archive", Path("rerodova.class"),
      "--verify", Path("Verify.class"), "-o",        Path("setup.exe")};
  for (const Case& c : std::vector<Case>{
           {{"--stub"}, "--stub needs a value"},
           {inputs, "no search criteria"},
       }) {
    EXPECT_EQ(RunCommand(mksetup::BuildCommand, c.args), 1);
    EXPECT_EQ(err.rfind("mksetup: error: ", 0), 0u);
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
  }
  EXPECT_FALSE(Exists("setup.exe"));
  mksetup::Arguments good = inputs;
  good.insert(good.end(), {"--criteria", ""});
  EXPECT_EQ(RunCommand(mksetup::BuildCommand, good), 0) << err;
  EXPECT_TRUE(Exists("setup.exe"));
}

TEST_F(MksetupBuild, BuildThenListShowsEverySection) {
  std::string error;
  ASSERT_TRUE(mksetup::BuildSetup(Request("vendor=sun:type=jre:version=1.2"), &error)) << error;
  ASSERT_EQ(RunCommand(mksetup::ListCommand, {Path("setup.exe")}), 0) << err;
  // Image end 0xC00; archive data at 0xC00 + 0x2B + 2 + 14.
  EXPECT_EQ(out, "image end      3072 (0xC00)\nfile size      " +
                     std::to_string(Read("setup.exe").size()) +
                     "\nsection count  3\n"
                     "type   data size  data offset  name\n"
                     "   1        5000         3131  rerodova.class\n"
                     "   2         700         8145  Verify.class\n"
                     "   3          33         8865  vm search criteria\n"
                     "search criteria  vendor=sun:type=jre:version=1.2\n");
  EXPECT_EQ(err, "");
}

}  // namespace
}  // namespace carafe
