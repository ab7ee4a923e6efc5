// The setup builder: what it writes, that the launcher's own reader takes
// it, and how it refuses bad input without leaving a half-written setup.
#include <sstream>

#include "container/setup_container.h"
#include "container_launcher_fixture.h"
#include "mksetup/commands.h"
#include "mksetup/setup_builder.h"
#include "mksetup_fixture.h"

namespace carafe {
namespace {

using namespace testing_images;

class MksetupBuild : public ::testing::Test, protected SetupInputs {
 protected:
  // Builds and expects a refusal that leaves no setup and no stray file.
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
  std::string error;
  ASSERT_TRUE(mksetup::BuildSetup(Request("vendor=ibm"), &error)) << error;
  std::string setup = Read("setup.exe");
  ASSERT_EQ(setup.substr(0, stubBytes.size()), stubBytes);
  std::string expected = MakeContainer(ThreeSections(archiveBytes, verifyBytes, "vendor=ibm"));
  EXPECT_EQ(setup.substr(stubBytes.size()), expected);
  EXPECT_EQ(setup.substr(stubBytes.size(), 4 + 13), Big32(3) + Entry(1, 5016, 0x2B));
}

TEST_F(MksetupBuild, ExampleSizesGiveTheDocumentedTable) {
  Write("rerodova.class", ClassBytes(6137003));
  Write("Verify.class", ClassBytes(1709));
  std::string error;
  ASSERT_TRUE(mksetup::BuildSetup(Request(std::string(302, 'c')), &error)) << error;
  std::string container = Read("setup.exe").substr(stubBytes.size());
  const unsigned char table[] = {
      0x00, 0x00, 0x00, 0x03,                                            //
      0x01, 0x00, 0x5D, 0xA4, 0xBB, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0x2B,  //
      0x02, 0x00, 0x00, 0x06, 0xBB, 0, 0, 0, 0, 0x00, 0x5D, 0xA4, 0xE6,  //
      0x03, 0x00, 0x00, 0x01, 0x44, 0, 0, 0, 0, 0x00, 0x5D, 0xAB, 0xA1,  //
  };
  EXPECT_EQ(container.substr(0, sizeof table),
            std::string(reinterpret_cast<const char*>(table), sizeof table));
  EXPECT_EQ(container.substr(0x2B, 2 + 14 + 4), String16("rerodova.class") + "\xCA\xFE\xBA\xBE");
  EXPECT_EQ(container.substr(0x5DABA1, 2 + 18 + 2), String16("vm search criteria") + "\x01\x2E");
  EXPECT_EQ(container.size(), 0x5DABA1u + 324);  // the last section ends the file
}

// The strongest check: the launcher's own reader, on the in-memory platform,
// loads and extracts what the builder wrote.
class MksetupReadBack : public LauncherWithSetup {
 protected:
  SetupInputs inputs;
};

TEST_F(MksetupReadBack, LauncherExtractsWhatTheBuilderWrote) {
  std::string error;
  ASSERT_TRUE(mksetup::BuildSetup(inputs.Request("vendor=sun:version=1.3;vendor=ibm"), &error))
      << error;
  os.AddFile(kSetup, inputs.Read("setup.exe"));

  SetupContainer container;
  ASSERT_TRUE(container.Open(kSetup, kNoHandle));
  EXPECT_EQ(container.SectionCount(), 3u);
  EXPECT_EQ(container.Section(kJavaArchiveSection).Name(), "rerodova.class");
  EXPECT_EQ(container.Section(kVerifyClassSection).Name(), "Verify.class");
  EXPECT_EQ(container.Section(kSearchCriteriaSection).Name(), "vm search criteria");

  ASSERT_TRUE(launcher.ExtractVerifyClass());
  ASSERT_TRUE(launcher.ExtractJavaArchive());
  ASSERT_TRUE(launcher.ExtractSearchCriteria());
  EXPECT_EQ(os.Content("C:\\TEMP\\Verify.class"), inputs.verifyBytes);
  EXPECT_EQ(os.Content("C:\\TEMP\\rerodova.class"), inputs.archiveBytes);
  EXPECT_EQ(launcher.searchCriteria, "vendor=sun:version=1.3;vendor=ibm");
}

TEST_F(MksetupBuild, CriteriaFileLosesItsTrailingLineBreak) {
  Write("criteria.txt", "vendor=sun:type=jdk\r\n");
  mksetup::BuildRequest request = Request();
  request.criteriaGiven = false;
  request.criteriaFile = Path("criteria.txt");
  std::string error;
  ASSERT_TRUE(mksetup::BuildSetup(request, &error)) << error;
  std::string setup = Read("setup.exe");
  EXPECT_EQ(setup.substr(setup.size() - 21), String16("vendor=sun:type=jdk"));
}

TEST_F(MksetupBuild, CriteriaUpTo65535BytesFit) {
  std::string error;
  ASSERT_TRUE(mksetup::BuildSetup(Request(std::string(65535, 'c')), &error)) << error;
  EXPECT_NE(Refusal(Request(std::string(65536, 'c'))).find("65536"), std::string::npos);
}

TEST_F(MksetupBuild, StubMustBeAPeImage) {
  Write("launcher.exe", "MZ but nothing more");
  EXPECT_NE(Refusal(Request()).find("not a PE image"), std::string::npos);
  Write("launcher.exe", stubBytes.substr(0, stubBytes.size() - 1));
  EXPECT_NE(Refusal(Request()).find("cut short"), std::string::npos);
}

TEST_F(MksetupBuild, StubWithAContainerNeedsReplace) {
  std::string error;
  ASSERT_TRUE(mksetup::BuildSetup(Request("first"), &error)) << error;
  std::string first = Read("setup.exe");

  mksetup::BuildRequest again = Request("second");
  again.stub = Path("setup.exe");
  EXPECT_NE(Refusal(again).find("--replace"), std::string::npos);
  EXPECT_EQ(Read("setup.exe"), first);

  // Rebuilt in place from the image end: as if built from the bare stub.
  again.replace = true;
  ASSERT_TRUE(mksetup::BuildSetup(again, &error)) << error;
  ASSERT_TRUE(mksetup::BuildSetup(Request("second"), &error)) << error;
  std::string fromStub = Read("setup.exe");
  Write("setup.exe", first);
  ASSERT_TRUE(mksetup::BuildSetup(again, &error)) << error;
  EXPECT_EQ(Read("setup.exe"), fromStub);
}

TEST_F(MksetupBuild, InputsMustExistAndBeClassFilesUnlessForced) {
  mksetup::BuildRequest request = Request();
  request.verify = Path("missing.class");
  EXPECT_NE(Refusal(request).find("missing.class"), std::string::npos);

  Write("rerodova.class", "PK\x03\x04 a zip file");
  EXPECT_NE(Refusal(Request()).find("CA FE BA BE"), std::string::npos);
  request = Request();
  request.force = true;
  std::string error;
  EXPECT_TRUE(mksetup::BuildSetup(request, &error)) << error;

  Write("rerodova.class", archiveBytes);
  Write("Verify.class", "");
  EXPECT_NE(Refusal(Request()).find("verify class"), std::string::npos);
}

TEST_F(MksetupBuild, FailedWriteLeavesTheOldSetupAndNoTemporaryFile) {
  std::string error;
  ASSERT_TRUE(mksetup::BuildSetup(Request("old"), &error)) << error;
  std::string old = Read("setup.exe");
  mksetup::BuildRequest request = Request("new");
  request.output = Path("no-such-folder/setup.exe");
  EXPECT_FALSE(mksetup::BuildSetup(request, &error));
  Write("rerodova.class", "not a class");
  EXPECT_FALSE(mksetup::BuildSetup(Request("new"), &error));
  EXPECT_EQ(Read("setup.exe"), old);
  EXPECT_EQ(FileCount(), 4u);  // stub, archive, verify class, setup
}

TEST_F(MksetupBuild, CommandLineNamesEachProblemOnOneLine) {
  struct Case {
    mksetup::Arguments args;
    const char* message;
  };
  const std::string stub = Path("launcher.exe");
  for (const Case& c : std::vector<Case>{
           {{"--stub"}, "--stub needs a value"},
           {{"--bogus"}, "unknown argument '--bogus'"},
           {{"--stub", stub, "--archive", Path("rerodova.class"), "--verify", Path("Verify.class"),
             "-o", Path("setup.exe")},
            "no search criteria"},
           {{"--criteria", "a", "--criteria-file", "b"}, "not both"},
           {{"--criteria", "a"}, "needs --stub"},
       }) {
    EXPECT_EQ(RunCommand(mksetup::BuildCommand, c.args), 1);
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_EQ(err.rfind("mksetup: error: ", 0), 0u);
  }
  EXPECT_FALSE(Exists("setup.exe"));

  EXPECT_EQ(RunCommand(mksetup::BuildCommand,
                       {"--stub", stub, "--archive", Path("rerodova.class"), "--verify",
                        Path("Verify.class"), "--criteria", "", "--output", Path("setup.exe")}),
            0)
      << err;
  EXPECT_TRUE(Exists("setup.exe"));
}

}  // namespace
}  // namespace carafe
