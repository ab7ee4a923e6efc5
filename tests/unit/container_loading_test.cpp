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

TEST_F(ContainerLoading, AContainerMissingASectionOrCutShortIsAnInvalidExecutable) {
  WriteSetup(ClassBytes(10), ClassBytes(10), "criteria");
  const std::string whole = os.Content(kSetup);
  launcher.logFile.Reset(kNoHandle);  // each case writes the log afresh
  const std::string setups[] = {
      ExampleImage() + MakeContainer({{1, "rerodova.class", ClassBytes(10)},
                                      {3, "vm search criteria", String16("x")}}),
      ExampleImage() + Big32(0),
      whole.substr(0, whole.size() - 3),
  };
  for (const std::string& setup : setups) {
    Launcher fresh;
    FakeUserInterface freshUi;
    fresh.AttachUserInterface(&freshUi);
    fresh.messageTitle = kTitle;
    fresh.logFile.Reset(
        os.OpenFile(kLog, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways));
    os.AddFile(kSetup, setup);
    EXPECT_FALSE(fresh.ReadSetupContainer());
    EXPECT_FALSE(fresh.containerLoaded);
    EXPECT_EQ(LogText(), "\r\n Corrupted Installation executable  C:\\SETUP\\setup.exe\r\n");
    ASSERT_EQ(freshUi.messages.size(), 1u);
    EXPECT_EQ(freshUi.messages[0].text, kInvalidExecutable);
    EXPECT_TRUE(freshUi.messages[0].ownedByProgress);
  }
}

}  // namespace
}  // namespace carafe
