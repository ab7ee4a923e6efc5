// Writing the run's files into the temporary folder: the verify class, the
// Java archive and the criteria from the launcher's own container, and the
// bundled JVM installer from the archive, with the room check and each
// failure's box.
#include "container/extraction.h"

#include "archive_bytes.h"
#include "launcher_fixture.h"
#include "string_ids.h"

namespace carafe {
namespace {

using format::kBundledInstallersSection;
using testing_images::ClassBytes;
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
    for (const ShownMessage& m : freshUi.messages) out += m.text + (m.ownedByProgress ? "o|" : "|");
    return out + LogText();
  }
  FakeUserInterface freshUi;
  std::unique_ptr<TestLauncher> fresh_;
};

TEST_F(Extraction, TheArchiveGoesOutInChunksOf1024BytesTheVerifyClassInOneWrite) {
  for (auto [size, tail] :
       {std::pair<std::size_t, Sizes>{3 * 1024 + 5, {1024, 1024, 1024, 5}}, {1024, {1024}}}) {
    std::string archive = ClassBytes(size);
    for (std::size_t i = 4; i < size; ++i) archive[i] = static_cast<char>(i * 7);
    WriteSetup(archive, ClassBytes(3000, 'v'), "c");
    TestLauncher& run = Fresh();
    ASSERT_TRUE(run.ExtractJavaArchive() && run.ExtractVerifyClass());
    EXPECT_EQ(os.Content(kArchiveFile), archive);
    EXPECT_EQ(os.WriteSizes(kArchiveFile), tail);
    EXPECT_EQ(os.WriteSizes(kVerifyFile), Sizes{3000});
    os.RemoveFile(kArchiveFile);
    os.RemoveFile(kVerifyFile);
    EXPECT_EQ(run.State().archivePath + run.State().verifyClassPath,
              std::string(kArchiveFile) + kVerifyFile);
    EXPECT_TRUE(run.State().javaArchiveWritten && run.State().verifyClassWritten);
  }
}

TEST_F(Extraction, FreeSpaceEqualToTheFileSizeIsTooLittle) {
  WriteSetup(ClassBytes(600), ClassBytes(1709), "c");
  for (std::uint32_t free : {600u, 601u, 1709u, 1710u}) {
    SetFreeBytes(free);
    TestLauncher& run = Fresh();
    EXPECT_EQ(run.ExtractVerifyClass(), free > 1709);
    EXPECT_EQ(os.Exists(kVerifyFile), free > 1709);
    EXPECT_EQ(run.ExtractJavaArchive(), free > 600);  // each file weighed by its own size
    const bool verify = free > 1709, archive = free > 600;
    EXPECT_EQ(Boxes(), std::string(verify ? "" : "T11o|") + (archive ? "" : "T11o|") +
                           (verify ? "" : "\r\nT21 Verify.class T22 (1709)\r\n") +
                           (archive ? "" : "\r\nT21 rerodova.class T22 (600)\r\n"));
  }
  const struct {
    std::string temp;
    DiskFreeSpace space;
    bool enough;
  } cases[] = {{"C:\\TEMP\\", {64, 4096, 0x100000, 0x200000}, true},
               {"C:\\TEMP\\", {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}, true},
               {"C:\\TEMP\\", {1, 0x10000, 0x10000, 0x10000}, true},  // 2^32 exactly
               {"C:\\TEMP\\", {0, 512, 1000, 1000}, false},
               {"D:\\T\\", {64, 4096, 0x100000, 0x200000}, true},
               {"\\\\server\\share\\temp\\", {64, 4096, 0x100000, 0x200000}, false},
               {"", {8, 512, 100, 100}, false}};
  for (const auto& c : cases) {
    os.SetTempPath(c.temp);
    os.SetDiskFreeSpace(c.temp.substr(0, 3), c.space);
    std::string folder = "unchanged";
    EXPECT_EQ(FindTempDirWithSpace(&folder, 0xFFFFFFFF), c.enough) << c.temp;
    EXPECT_EQ(folder, c.enough ? c.temp : "unchanged");
  }
}

TEST_F(Extraction, ALockedFileIsNotRewrittenNorCountedAsWrittenAndAShortWriteFails) {
  WriteSetup(ClassBytes(3000), ClassBytes(20, 'n'), "c");
  os.AddFile(kVerifyFile, "earlier");
  File held = os.OpenFile(kVerifyFile, FileAccess::Read, FileShare::ReadWrite,
                          FileDisposition::OpenExisting);
  ASSERT_TRUE(launcher.ExtractVerifyClass());
  EXPECT_EQ(os.Content(kVerifyFile), "earlier");
  EXPECT_EQ(launcher.State().verifyClassPath, kVerifyFile);
  EXPECT_FALSE(launcher.State().verifyClassWritten);  // so the clean-up leaves it
  os.LimitWrites(kArchiveFile, 1500);
  EXPECT_FALSE(launcher.ExtractJavaArchive());
  EXPECT_EQ(os.WriteSizes(kArchiveFile), (Sizes{1024, 1024}));
  EXPECT_EQ(LogText(), "\r\nT58 T23 C:\\TEMP\\rerodova.class ...\r\n");
  EXPECT_EQ(launcher.State().archivePath, "");
  EXPECT_FALSE(launcher.State().javaArchiveWritten);
}

TEST_F(Extraction, CriteriaAndABrokenContainerFailEveryStepWithItsBox) {
  using namespace testing_images;
  WriteSetup(ClassBytes(10), ClassBytes(10), "vendor=ibm");
  ASSERT_TRUE(launcher.ExtractVerifyClass());
  const struct {
    std::string setup;  // behind the image; "": no setup.exe
    const char* criteria;
    const char *box, *log;  // of each step: the verify class and the criteria
  } cases[] = {
      {MakeContainer(ThreeSections("A", "V", std::string("vendor=sun:type=jre\0junk", 24))),
       "vendor=sun:type=jre", "", ""},
      {MakeContainer(ThreeSections("A", "V", "")), "", "", ""},
      {MakeContainer({{1, "a", "A"}, {2, "v", "V"}, {3, "c", Big(11, 2) + "vendor=sun"}}), "", "",
       ""},  // the length claims one byte more than the section holds
      {"", "", "T45|", "\r\nT35 C:\\SETUP\\setup.exe \r\n\r\n T45 C:\\SETUP\\setup.exe\r\n"},
      {MakeContainer({{1, "a", "A"}, {3, "c", String16("x")}}), "", "T9o|",
       "\r\n T32 T38 C:\\SETUP\\setup.exe\r\n"},
      {Big(0, 4), "", "T9o|", "\r\n T32 T38 C:\\SETUP\\setup.exe\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.criteria + std::string(c.log));
    os.RemoveFile(kSetup);
    if (!c.setup.empty()) os.AddFile(kSetup, ExampleImage() + c.setup);
    TestLauncher& run = Fresh();
    EXPECT_EQ(run.ExtractVerifyClass(), *c.box == '\0');
    EXPECT_EQ(run.ExtractSearchCriteria(), *c.criteria != '\0');
    EXPECT_EQ(run.State().searchCriteria, c.criteria);
    EXPECT_EQ(Boxes(), std::string(c.box) + c.box + c.log + c.log);
  }
  EXPECT_TRUE(launcher.ExtractSearchCriteria());  // from the container it read before
}

TEST_F(Extraction, TheClassFileCheckWantsTheMagicInTheFirstFourBytes) {
  os.AddFile("C:\\a.class", "\xCA\xFE\xBA\xBE");
  os.AddFile("C:\\b.class", "\xCA\xFE\xBA");
  os.AddFile("C:\\d.class", "\xBE\xBA\xFE\xCA");
  os.Lock("C:\\e.class");
  for (const char* path : {"C:\\a.class", "C:\\b.class", "C:\\d.class", "C:\\e.class", "C:\\TEMP"})
    EXPECT_EQ(IsClassFile(path), path[3] == 'a') << path;
  EXPECT_EQ(os.OpenHandleCount(), 1u);  // the log
}

TEST_F(Extraction, TheFirstFlaggedInstallerIsWrittenAndRunsVisibly) {
  using archive_bytes::Flagged;
  os.AddFile(kArchiveFile,
             archive_bytes::Build({{"Other", {Flagged("no.exe", "MZ no")}},
                                   {kBundledInstallersSection,
                                    {Flagged("readme.txt", "r", 0), Flagged("n.txt", "n", 2),
                                     Flagged("jre.exe", "MZ jre"), Flagged("second.exe", "MZ")}}}));
  os.AddFile(kInstaller, "an older and longer installer");
  TestLauncher& run = Fresh();
  os.journal.clear();
  ASSERT_TRUE(run.OfferBundledJvm());
  EXPECT_EQ(run.State().bundledInstallerPath, kInstaller);
  EXPECT_EQ(os.Content(kInstaller), "MZ jre");
  EXPECT_EQ(os.Journal("create "), std::vector<std::string>{"create C:\\TEMP\\jre.exe"});
  ChildRun result;
  result.exitCode = 1602;  // the user cancelled: still counts as run
  os.AddProgram(kInstaller, [this, &result](const std::string&) {
    freshUi.events.push_back("installer runs");
    return result;
  });
  freshUi.events.clear();
  EXPECT_TRUE(run.RunBundledJvmInstaller());
  EXPECT_EQ(freshUi.events, (std::vector<std::string>{"hide", "installer runs", "show"}));
  const Launch& launch = os.Launches().at(0);
  EXPECT_EQ(launch.commandLine + std::to_string(launch.showState),
            kInstaller + std::to_string(kShowNormal));
  EXPECT_TRUE(launch.waitedFor && !launch.windowSearch);
  result.waitFails = true;
  EXPECT_FALSE(run.RunBundledJvmInstaller());
  run.CleanUp();
  EXPECT_FALSE(os.Exists(kInstaller));
}

TEST_F(Extraction, EachBundledInstallerFailureHasItsBoxAndWritesNothing) {
  using archive_bytes::Flagged;
  auto installers = [](const std::vector<archive_bytes::Record>& records) {
    return archive_bytes::Build({{kBundledInstallersSection, records}});
  };
  // Data up to the file's end, and 2 GiB of data that the file does not hold.
  std::string exact = installers({Flagged("exact.exe", "MZ")}), huge = exact;
  exact.replace(exact.find("MZ") - 4, 4, testing_images::Big(exact.size() - exact.find("MZ"), 4));
  huge.replace(huge.find("MZ") - 4, 4, testing_images::Big(0x7FFFFFFF, 4));
  os.Lock("C:\\TEMP\\locked.exe");
  os.LimitWrites("C:\\TEMP\\short.exe", 4);
  const struct {
    std::string archive;  // "": none
    std::uint32_t free;
    bool offered;
    std::string boxes;  // and the log
  } cases[] = {
      {"", 1, false, "T9o|T35 C:\\TEMP\\rerodova.class \r\n"},
      {installers({Flagged("ten.exe", "0123456789")}), 10, false,
       "T11o|\r\nT21 ten.exe T22 (10)\r\n"},
      {installers({Flagged("ten.exe", "0123456789")}), 11, true, ""},
      {installers({Flagged("locked.exe", "MZ")}), 0xFFFFFFF0, false,
       "T9o|T32 T30 C:\\TEMP\\locked.exe\r\n"},
      {installers({Flagged("empty.exe", "")}), 0xFFFFFFF0, false,
       "T9o|T32 T30 C:\\TEMP\\empty.exe\r\n"},
      {exact, 0xFFFFFFF0, true, ""},
      {huge, 0xFFFFFFF0, false, "T9o|T32 T30 C:\\TEMP\\exact.exe\r\n"},
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
    EXPECT_EQ(run.State().bundledInstallerWritten, !run.State().bundledInstallerPath.empty());
    EXPECT_EQ(run.State().bundledInstallerWritten,
              c.offered && c.archive.find(".exe") != std::string::npos);
  }
  ui.bundledPromptAnswer = kDialogCancel;  // the user said no: nothing is read
  EXPECT_FALSE(launcher.OfferBundledJvm());
  EXPECT_FALSE(launcher.RunBundledJvmInstaller());  // nothing written: nothing runs
  EXPECT_TRUE(os.Launches().empty());
}

}  // namespace
}  // namespace carafe
