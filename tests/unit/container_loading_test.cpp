// Loading the three sections of the launcher's own executable, and what the
// user sees when it is corrupt.
#include "container_launcher_fixture.h"

namespace carafe {
namespace {

using namespace testing_images;

using ContainerLoading = LauncherWithSetup;

TEST_F(ContainerLoading, LoadsAllThreeSectionsSilentlyIntoTheirBuffers) {
  std::string archive = ClassBytes(5000);
  WriteSetup(archive, ClassBytes(300, 'v'), "vendor=sun:type=jre:version=1.2");
  ASSERT_TRUE(launcher.ReadSetupContainer());
  EXPECT_TRUE(launcher.containerLoaded);
  EXPECT_EQ(std::string(launcher.sectionBuffers[0].begin(), launcher.sectionBuffers[0].end()),
            archive);
  EXPECT_EQ(launcher.sectionBuffers[1].size(), 300u);
  EXPECT_EQ(std::string(launcher.sectionBuffers[2].begin(), launcher.sectionBuffers[2].end()),
            String16("vendor=sun:type=jre:version=1.2"));
  EXPECT_EQ(LogText(), "");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(os.OpenHandleCount(), 1u);  // the log only
}

TEST_F(ContainerLoading, ExecutableWithoutContainerSaysReadFailedWithoutOwner) {
  os.AddFile(kSetup, ExampleImage());
  EXPECT_FALSE(launcher.ReadSetupContainer());
  EXPECT_FALSE(launcher.containerLoaded);
  EXPECT_EQ(LogText(),
            "Installation executable  C:\\SETUP\\setup.exe is either Corrupted or does not have "
            "all the Cmponents in it.\r\n"
            "\r\n Read failed C:\\SETUP\\setup.exe\r\n");
  ExpectOneMessage("Read failed", false);
}

TEST_F(ContainerLoading, MissingExecutableSaysReadFailed) {
  EXPECT_FALSE(launcher.ReadSetupContainer());
  EXPECT_EQ(LogText(),
            "\r\nCould not open file  C:\\SETUP\\setup.exe \r\n"
            "\r\n Read failed C:\\SETUP\\setup.exe\r\n");
  ExpectOneMessage("Read failed", false);
}

TEST_F(ContainerLoading, ContainerWithoutVerifyClassIsAnInvalidExecutable) {
  WriteSetup({{1, "rerodova.class", ClassBytes(10)}, {3, "vm search criteria", String16("x")}});
  EXPECT_FALSE(launcher.ReadSetupContainer());
  EXPECT_FALSE(launcher.containerLoaded);
  EXPECT_EQ(LogText(), "\r\n Corrupted Installation executable  C:\\SETUP\\setup.exe\r\n");
  ExpectOneMessage(kInvalidExecutable, true);
}

TEST_F(ContainerLoading, EmptyTableIsAnInvalidExecutable) {
  os.AddFile(kSetup, ExampleImage() + Big32(0));
  EXPECT_FALSE(launcher.ReadSetupContainer());
  ExpectOneMessage(kInvalidExecutable, true);
}

TEST_F(ContainerLoading, SectionCutShortByTheEndOfTheFileIsAnInvalidExecutable) {
  WriteSetup(ClassBytes(10), ClassBytes(10), "criteria");
  std::string bytes = os.Content(kSetup);
  os.AddFile(kSetup, bytes.substr(0, bytes.size() - 3));
  EXPECT_FALSE(launcher.ReadSetupContainer());
  EXPECT_EQ(LogText(), "\r\n Corrupted Installation executable  C:\\SETUP\\setup.exe\r\n");
  ExpectOneMessage(kInvalidExecutable, true);
}

}  // namespace
}  // namespace carafe
