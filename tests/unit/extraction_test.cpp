// Writing the run's files into the temporary folder: the verify class, the
// Java archive and the criteria from the launcher's own container, and the
// bundled JVM installer from the archive, with the room check and each
// failure's box.
#include "container/extraction.h"

#include "launcher_fixture.h"

namespace carafe {
namespace {

using namespace testing_images;
using archive_bytes::Flagged;
using Sizes = std::vector<std::uint32_t>;
const char* const kVerifyFile = "C:\\TEMP\\Verify.class";
const char* const kArchiveFile = "C:\\TEMP\\rerodova.class";
const char* const kInstaller = "C:\\TEMP\\jre.exe";

class Extraction : public LauncherTest {
 protected:
  Extraction() { TagTexts(os); }
  // A launcher that has not read the container yet; then its boxes ("T<id>|" each) and its log.
  TestLauncher& Fresh() {
    fresh_ = std::make_unique<TestLauncher>();
    freshUi = FakeUserInterface();
    Prepare(*fresh_, freshUi);
    fresh_->State().archivePath = kArchiveFile;
    return *fresh_;
  }
  std::string Boxes() const {
    std::string out;
    for (const ShownMessage& m : freshUi.messages)
      out += "box " + m.text + (m.ownedByProgress ? "|" : " unowned|");
    return out + LogText();
  }
  FakeUserInterface freshUi;
  std::unique_ptr<TestLauncher> fresh_;
};

// The archive goes out in 1024-byte writes, the verify class in one; a file
// another process holds is left as it is, not counted as the run's, and the
// run ends before any JVM could load it.
TEST_F(Extraction, WritesInTheirChunksAndKeepAHeldFile) {
  std::string archive = ClassBytes(3 * 1024 + 5);
  for (std::size_t i = 4; i < archive.size(); ++i) archive[i] = static_cast<char>(i * 7);
  WriteSetup(archive, ClassBytes(3000, 'v'), "c");
  TestLauncher& run = Fresh();
  ASSERT_TRUE(run.ExtractJavaArchive() && run.ExtractVerifyClass());
  EXPECT_EQ(os.Content(kArchiveFile), archive);
  EXPECT_EQ(os.WriteSizes(kArchiveFile), (Sizes{1024, 1024, 1024, 5}));
  EXPECT_EQ(os.WriteSizes(kVerifyFile), Sizes{3000});
  EXPECT_TRUE(run.State().javaArchiveWritten && run.State().verifyClassWritten);
  for (const char* heldFile : {kVerifyFile, kArchiveFile}) {
    os.RemoveFile(kVerifyFile);
    os.RemoveFile(kArchiveFile);
    os.AddFile(heldFile, ClassBytes(8, 'e'));
    File held = os.OpenFile(heldFile, FileAccess::Read, FileShare::ReadWrite,
                            FileDisposition::OpenExisting);
    TestLauncher& again = Fresh();
    again.State().archivePath.clear();
    EXPECT_FALSE(again.Run());
    EXPECT_EQ(os.Content(heldFile) + Boxes(),
              ClassBytes(8, 'e') + "\r\nT17 " + heldFile + " T18\r\n");
    EXPECT_FALSE(again.State().verifyClassWritten && again.State().javaArchiveWritten);
  }
  EXPECT_TRUE(os.Launches().empty());
}

// A short write (a full disk) fails the step; the half-written file is not
// the run's, so the clean-up leaves it.
TEST_F(Extraction, AShortWriteFailsAndTheCleanUpLeavesItsFile) {
  WriteSetup(ClassBytes(3000), ClassBytes(9), "c");
  os.LimitWrites(kArchiveFile, 2048);
  TestLauncher& run = Fresh();
  run.State().archivePath.clear();
  EXPECT_FALSE(run.ExtractJavaArchive());
  run.CleanUp();
  EXPECT_EQ(os.Content(kArchiveFile), ClassBytes(2048));
  EXPECT_EQ(Boxes(), "\r\nT58 T23 C:\\TEMP\\rerodova.class ...\r\n");
}

// A section the launcher would write outside the temporary folder, or cannot
// hold in memory, is a damaged container.
TEST_F(Extraction, ASectionWithAPathForANameOrTooLargeToHoldIsACorruptedContainer) {
  const std::string corrupted = "box T9|\r\n T32 T38 C:\\SETUP\\setup.exe\r\n";
  for (const char* name : {"..", ".", "", "..\\Verify.class", "sub/Verify.class", "C:Verify.class",
                           "C:\\Verify.class"}) {
    os.AddFile(kSetup, ExampleImage() + MakeContainer({{1, "rerodova.class", ClassBytes(9)},
                                                       {2, name, ClassBytes(9)},
                                                       {3, "c", String16("c")}}));
    EXPECT_FALSE(Fresh().ExtractVerifyClass()) << name;
    EXPECT_EQ(Boxes(), corrupted) << name;
  }
  WriteSetup(ClassBytes(4096), ClassBytes(9), "c");
  os.SetMemoryLimit(4095);
  EXPECT_FALSE(Fresh().ExtractJavaArchive());
  EXPECT_EQ(Boxes(), corrupted);
  os.SetMemoryLimit(4096);
  EXPECT_TRUE(Fresh().ExtractJavaArchive());
}

TEST_F(Extraction, EachBundledInstallerFailureHasItsBoxAndWritesNothing) {
  auto installers = [](const std::vector<archive_bytes::Record>& records) {
    return archive_bytes::Build({{format::kBundledInstallersSection, records}});
  };
  // Data up to the file's end, and 2 GiB of data that the file does not hold.
  std::string exact = installers({Flagged("exact.exe", "MZ")}), huge = exact;
  exact.replace(exact.find("MZ") - 4, 4, Big(exact.size() - exact.find("MZ"), 4));
  huge.replace(huge.find("MZ") - 4, 4, Big(0x7FFFFFFF, 4));
  os.Lock("C:\\TEMP\\locked.exe");
  os.AddFolder("C:\\TEMP\\sub");
  os.LimitWrites("C:\\TEMP\\short.exe", 4);
  const std::string ten = installers({Flagged("ten.exe", "0123456789")});
  const struct {
    std::string archive;  // "": none
    std::uint32_t free;
    bool offered;
    std::string boxes;  // and the log
  } cases[] = {
      {"", 1, false, "box T9|T35 C:\\TEMP\\rerodova.class \r\n"},
      {ten, 10, false, "box T11|\r\nT21 ten.exe T22 (10)\r\n"},
      {ten, 11, true, ""},
      {installers({Flagged("locked.exe", "MZ")}), 0xFFFFFFF0, false,
       "box T9|T32 T30 C:\\TEMP\\locked.exe\r\n"},
      {exact, 0xFFFFFFF0, true, ""},
      {huge, 0xFFFFFFF0, false, "box T9|T32 T30 C:\\TEMP\\exact.exe\r\n"},
      {installers({Flagged("sub\\up.exe", "MZ")}), 0xFFFFFFF0, false,
       "box T9|T32 T30 C:\\TEMP\\sub\\up.exe\r\n"},  // only right inside the temporary folder
      {installers({Flagged("short.exe", "MZ installer")}), 0xFFFFFFF0, false,
       "\r\nT58 T23 C:\\TEMP\\short.exe ...\r\n"},
      {installers({Flagged("readme.txt", "r", 0)}), 0xFFFFFFF0, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    os.RemoveFile(kArchiveFile);
    if (!c.archive.empty()) os.AddFile(kArchiveFile, c.archive);
    SetFreeBytes(c.free);
    TestLauncher& run = Fresh();
    run.State().silent = true;  // no prompt; the boxes still show
    EXPECT_EQ(run.OfferBundledJvm(), c.offered);
    EXPECT_EQ(Boxes(), c.boxes);
    EXPECT_EQ(run.State().bundledInstallerWritten,
              c.offered && c.archive.find(".exe") != std::string::npos);
  }
  os.SetMemoryLimit(9);  // the ten bytes are not granted: logged as the failed write is
  os.AddFile(kArchiveFile, ten);
  TestLauncher& starved = Fresh();
  starved.State().silent = true;
  EXPECT_FALSE(starved.OfferBundledJvm());
  EXPECT_EQ(Boxes(), "\r\nT58 T23 C:\\TEMP\\ten.exe ...\r\n");
  ui.bundledPromptAnswer = kDialogCancel;  // the user said no: nothing is read
  EXPECT_FALSE(launcher.OfferBundledJvm() || launcher.RunBundledJvmInstaller());
  EXPECT_TRUE(os.Launches().empty());
}

}  // namespace
}  // namespace carafe
