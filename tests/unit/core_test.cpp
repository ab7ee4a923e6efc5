// The core: path rules, the command line, the log formatter and the log, and
// the run's clean-up.
#include <gtest/gtest.h>

#include <functional>

#include "core/options.h"
#include "core/path_rules.h"
#include "launcher_fixture.h"
#include "scripted_jvm.h"
#include "string_ids.h"
#include "support/log_writer.h"

namespace carafe {
namespace {

using Calls = std::vector<std::string>;

TEST(PathRules, RootFolderNormalisationAndResolution) {
  EXPECT_EQ(PathString(L"C:\\JRE.EXE"), PathString(L"c:\\jre.exe"));
  EXPECT_NE(PathString(L"\u00C4["), PathString(L"\u00E4{"));  // only A-Z fold
  EXPECT_EQ(JoinPath(L"C:\\jdk\\", L"\\bin") + JoinPath(L"", L"x") + JoinPath(L"a", L"b"),
            PathString(L"C:\\jdk\\binxa\\b"));
  using Rows = std::vector<std::pair<const wchar_t*, const wchar_t*>>;  // path, expected
  // clang-format off
  const Rows roots = {{L"\\\\srv\\share\\a.exe", L"\\\\srv\\share"}, {L"\\\\srv", L"\\\\srv"},
                      {L"\\\\", L""}, {L"D:v.class", L"D:"}, {L"\\setup\\v", L""}};
  const Rows folders = {{L"C:\\SETUP\\setup.exe", L"C:\\SETUP\\"}, {L"C:\\setup.exe", L"C:\\"},
                        {L"\\\\srv\\share", L"\\\\srv\\share"}, {L"setup.exe", L""},
                        {L"C:setup.exe", L"C:"}};
  // clang-format on
  for (const auto& [path, root] : roots) EXPECT_EQ(PathRoot(path), PathString(root)) << path;
  for (const auto& [path, folder] : folders)
    EXPECT_EQ(DirectoryOf(path), PathString(folder)) << path;
  const Rows normalised = {{L"C:\\a\\b\\..\\..\\x", L"C:\\x"}, {L"\\..\\..\\x", L"\\x"},
                           {L"C:\\a\\b\\.", L"C:\\a\\b"},      {L"C:\\s\\.hid\\v", L"C:\\shid\\v"},
                           {L"C:\\a\\b\\..", L"C:\\a\\"},      {L"C:\\a\\..b\\c", L"C:\\\\c"}};
  for (const auto& [path, expected] : normalised) {
    PathString normal = path;
    NormalizePath(normal);
    EXPECT_EQ(normal, PathString(expected)) << path;
  }
  const struct {
    const wchar_t *path, *launcherFolder, *resolved;
  } resolutions[] = {{L"\\v", L"C:\\SETUP\\", L"C:\\SETUP\\v"},
                     {L"sub\\v.class", L"C:\\SETUP\\", L"C:\\SETUP\\sub\\v.class"},
                     {L".\\..\\v", L"C:\\SETUP\\d1\\", L"C:\\SETUP\\v"},
                     {L"D:\\a\\..\\v", L"C:\\SETUP\\", L"D:\\a\\..\\v"}};
  for (const auto& r : resolutions) {
    PathString path = r.path;
    ResolvePath(path, r.launcherFolder);
    EXPECT_EQ(path, PathString(r.resolved)) << r.path;
  }
}

// Every field the parse set, joined by "|".
std::wstring Describe(const LauncherOptions& o) {  // clang-format off
  std::wstring out;
  for (const auto& [name, value] : {std::pair<std::wstring, std::wstring>{L"jvm=", o.jvm.c_str()},
       {L"archive=", o.archive.c_str()}, {L"verify=", o.verify.c_str()}, {L"log=", o.log.c_str()},
       {L"criteria=", o.searchCriteria}, {L"java=", o.javaOptions}})
    if (!value.empty()) out += name + value + L"|";
  for (const auto& [name, set] : {std::pair<std::wstring, bool>{L"searchCriteriaGiven",
       o.searchCriteriaGiven}, {L"noSearch", o.noSearch}, {L"logGiven", o.logGiven},
       {L"silent", o.silent}, {L"logAll", o.logAll}})  // clang-format on
    if (set) out += name + L"|";
  return out;
}

TEST(ParseCommandLine, SetsExactlyTheFieldsItsRulesGive) {
  const std::pair<const wchar_t*, const wchar_t*> rows[] = {
      {L"/JVM x.exe -Archive a /verify v -SEARCHCRITERIA c -log l /NoSearch -silent -LOGALL",
       L"jvm=x.exe|archive=a|verify=v|log=l|criteria=c|searchCriteriaGiven|noSearch|logGiven|"
       L"silent|logAll|"},
      {L"-jvm=x.exe -silent\tx -log\"a\" -logallx", L""},
      {L"-verify -Dx=1 -unknown v -jvm -archive x", L"archive=x|verify=v|java=-Dx=1 |"},
      {L"-log -silent later.txt", L"log=later.txt|logGiven|silent|"},
      {L"-Dfoo=1 -dbar=2 /Dbaz", L"java=-Dfoo=1 -dbar=2 |"},
      {L"-jvm \"C:\\My Java' -silent", L"jvm=C:\\My Java'|silent|"},
      {L"-verify \"\t\"\"v\"\"\n\"", L"verify=\t\"\"v\"\"\n|"},
      {L"-verify \"\"v\t -log \"\"", L"verify=\"v|logGiven|"},
  };
  for (const auto& [text, expected] : rows)
    EXPECT_EQ(Describe(ParseCommandLine(text)), expected) << text;
  std::wstring many;  // one option more than are kept
  for (std::size_t i = 0; i <= kMaxJavaOptions; ++i) many += L"-Dp" + std::to_wstring(i) + L" ";
  const std::wstring kept = many.substr(0, many.rfind(L"-Dp"));
  EXPECT_EQ(Describe(ParseCommandLine(many + L"-silent")), L"java=" + kept + L"|silent|");
}

class CoreTest : public PlatformTest {
 protected:
  CoreTest() { TagTexts(os); }
  std::string Log() const { return os.Content("C:\\TEMP\\vnlog.txt"); }
};

// One whole silent run with every entry, in order, replacing an old log; the
// criteria end at their zero byte, a label at its buffer's 99 characters.
TEST_F(CoreTest, AWholeRunWithLogAllWritesTheGoldenLog) {
  using namespace testing_images;
  os.AddFile("C:\\SETUP\\setup.exe",
             ExampleImage() + MakeContainer(ThreeSections(
                                  ClassBytes(30), ClassBytes(20),
                                  "vendor=sun:type=jdk:version=1.2" + std::string("\0junk", 5))));
  os.SetRegistryValue("Software\\JavaSoft\\Java Development Kit\\1.2", "JavaHome", "D:\\jdk");
  os.AddProgram("D:\\jdk\\bin\\java.exe",
                PrintingJvm(VerifyLines("1.2.2", "http://java.sun.com/")));
  os.AddFile("C:\\TEMP\\vnlog.txt", "an old run's log, longer than the new header");
  os.SetString(IDS_DELETING_FILE, std::string(300, 'L'));
  TestLauncher launcher, held;
  launcher.Initialize(L"C:\\SETUP\\setup.exe", "-silent -log -logall");
  held.Initialize(L"C:\\SETUP\\setup.exe", "-log");  // shares nothing: this one fails
  EXPECT_EQ(held.State().logState, LogState::Failed);
  EXPECT_TRUE(launcher.Run());
  launcher.CleanUp();
  const std::string search = "\r\n\tT62 (T63=sun, T64=1.2, T65=jdk)",
                    deleting = "\r\n" + std::string(99, 'L') + " C:\\TEMP\\";
  EXPECT_EQ(Log(),
            "T24 :: 05:02:2000 T25 :: 03:04:05"
            "\r\nT34 C:\\SETUP\\setup.exe \r\n\tT36 (479232), T37 (479413) ..\r\n"
            "\tT40 3 T41...\r\n"
            "\tT41: T42(rerodova.class), T43(30), T44(479291)\r\n"
            "\tT41: T42(Verify.class), T43(20), T44(479335)\r\n"
            "\tT41: T42(vm search criteria), T43(38), T44(479375)\r\n"
            "\r\nT23 C:\\TEMP\\Verify.class ...\r\n"
            "\r\nT23 C:\\TEMP\\rerodova.class ....\r\n\r\nT57...\r\n\r\nT59 \r\n" +
                search + " in Registry...\r\n\tT66 D:\\jdk\\bin\\java.exe...T67." + search +
                "...D:\\jdk\\bin\\java.exe T67\r\nT15 D:\\jdk\\bin\\java.exe\r\n"
                "\r\nT19 C:\\TEMP\\rerodova.class T20 D:\\jdk\\bin\\java.exe\r\n" +
                deleting + "Verify.class...\r\n" + deleting + "rerodova.class...\r\n");
  EXPECT_EQ(os.Launches().size(), 3u);  // verified, validated, launched
}

const std::string kClass = std::string("\xCA\xFE\xBA\xBE", 4) + "rest";

// A Launcher whose steps are scripted: the extractions and the offer write
// real (in-memory) files for the clean-up, and only the search after the
// bundled installation finds a JVM.
class ScriptedLauncher : public Launcher {
 public:
  explicit ScriptedLauncher(MemoryPlatform& os) : os_(os) {}
  // Called inside the step of that name, once its file (if any) is written.
  std::function<void(const std::string& step)> during = [](const std::string&) {};

 protected:
  bool ExtractVerifyClass() override {
    return Write("Verify.class", &RunState::verifyClassPath, &RunState::verifyClassWritten);
  }
  bool ExtractJavaArchive() override {
    Write("rerodova.class", &RunState::archivePath, &RunState::javaArchiveWritten);
    return during("extracting"), true;
  }
  bool ExtractSearchCriteria() override { return true; }
  bool SearchForJvm() override {
    MutableState().jvmPath = "C:\\JRE\\bin\\java.exe";
    return MutableState().bundledInstallerWritten;
  }
  bool OfferBundledJvm() override {
    Write("jre.exe", &RunState::bundledInstallerPath, &RunState::bundledInstallerWritten);
    return during("offering"), true;
  }
  bool RunBundledJvmInstaller() override { return true; }
  bool ValidateJvm() override { return true; }
  bool RunInstallation() override { return during("installing"), true; }

 private:
  bool Write(const std::string& file, std::string RunState::*path, bool RunState::*written) {
    os_.AddFile("C:\\TEMP\\" + file, kClass);
    MutableState().*path = "C:\\TEMP\\" + file;
    return MutableState().*written = true;
  }
  MemoryPlatform& os_;
};

// Clean-up deletes only the files this run wrote, once; after an abort the
// main thread cleans up while the worker is still inside a step: the file of
// that step stays, and the log is still the worker's.
TEST_F(CoreTest, OnlyWhatTheRunWroteIsDeletedOnceAndAnAbandonedWorkerKeepsItsFile) {
  os.AddFile("C:\\SETUP\\v.class", "PK\x03\x04");
  ScriptedLauncher named(os), run(os);
  named.Initialize(L"C:\\SETUP\\setup.exe", "-verify v.class -log");
  EXPECT_FALSE(named.Run() || os.Exists("C:\\TEMP\\rerodova.class"));
  EXPECT_PRED2(EndsWith, Log(), "\r\nT17 C:\\SETUP\\v.class T18\r\n");
  named.CleanUp();
  run.Initialize(L"C:\\SETUP\\setup.exe", "-verify ..\\SETUP\\.\\v.class -log -logall");
  os.AddFile("C:\\SETUP\\v.class", kClass);
  EXPECT_TRUE(run.Run());
  os.journal.clear();
  run.CleanUp();
  run.CleanUp();
  EXPECT_EQ(os.Journal("delete"),
            (Calls{"delete C:\\TEMP\\rerodova.class", "delete C:\\TEMP\\jre.exe"}));
  EXPECT_PRED2(EndsWith, Log(),
               "\r\nT14 C:\\TEMP\\rerodova.class...\r\n\r\nT14 C:\\TEMP\\jre.exe...\r\n");
  EXPECT_EQ(os.OpenHandleCount(), 0u);
  const struct {
    const char* abortedWhile;
    const char* left;  // of Verify.class, rerodova.class and jre.exe
  } aborts[] = {{"extracting", "rerodova.class"}, {"offering", "jre.exe"}, {"installing", ""}};
  for (const auto& abort : aborts) {
    ScriptedLauncher abandoned(os);
    abandoned.SetWorkerState(WorkerState::Running);
    abandoned.during = [&](const std::string& step) {
      if (step != abort.abortedWhile) return;
      abandoned.CleanUp();
      std::string left;
      for (const char* file : {"Verify.class", "rerodova.class", "jre.exe"})
        if (os.Exists(std::string("C:\\TEMP\\") + file)) left += file;
      EXPECT_EQ(left, abort.left) << step;
      abandoned.Log("\r\nworker goes on\r\n");
    };
    abandoned.Initialize(L"C:\\SETUP\\setup.exe", "-log");
    abandoned.Run();
    EXPECT_PRED2(EndsWith, Log(), "\r\nworker goes on\r\n") << abort.abortedWhile;
    for (const char* file : {"Verify.class", "rerodova.class", "jre.exe"})
      os.RemoveFile(std::string("C:\\TEMP\\") + file);
  }
}

}  // namespace
}  // namespace carafe
