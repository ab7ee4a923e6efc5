// The command line and the path rules: the options a command line sets, how
// relative paths are resolved, and the case-blind path strings under them.
#include <gtest/gtest.h>

#include "core/launcher.h"
#include "core/options.h"
#include "core/path_rules.h"
#include "launcher_fixture.h"
#include "support/path_string.h"

namespace carafe {
namespace {

TEST(PathString, ComparesAndSearchesWithoutRegardToLetterCase) {
  PathString path = L"C:\\Program Files\\JavaSoft\\BIN\\jre.exe";
  EXPECT_EQ(path, PathString(L"c:\\program files\\javasoft\\bin\\JRE.EXE"));
  EXPECT_EQ(path.rfind(L"\\bin"), 25u);
  EXPECT_NE(path, PathString(L"C:\\Program Files\\JavaSoft\\bin\\jre.ex"));
}

TEST(PathString, FoldsOnlyAsciiLetters) {
  EXPECT_NE(PathString(L"\u00C4"), PathString(L"\u00E4"));
  EXPECT_NE(PathString(L"["), PathString(L"{"));
}

TEST(JoinPath, PutsExactlyOneBackslashBetweenTheParts) {
  EXPECT_EQ(JoinPath(L"C:\\jdk", L"bin"), PathString(L"C:\\jdk\\bin"));
  EXPECT_EQ(JoinPath(L"C:\\jdk\\", L"\\bin"), PathString(L"C:\\jdk\\bin"));
  EXPECT_EQ(JoinPath(L"", L"java.exe"), PathString(L"java.exe"));
  EXPECT_EQ(JoinPath(L"C:\\", L""), PathString(L"C:\\"));
}

PathString Normalized(PathString path) {
  NormalizePath(path);
  return path;
}

PathString Resolved(PathString path, const PathString& folder) {
  ResolvePath(path, folder);
  return path;
}

TEST(PathRoot, IsServerAndShareOrDriveAndEmptyForRelativePaths) {
  EXPECT_EQ(PathRoot(L"\\\\server\\share\\dir\\a.exe"), PathString(L"\\\\server\\share"));
  EXPECT_EQ(PathRoot(L"\\\\server"), PathString(L"\\\\server"));
  EXPECT_EQ(PathRoot(L"D:\\j\\java.exe"), PathString(L"D:"));
  EXPECT_EQ(PathRoot(L"D:v.class"), PathString(L"D:"));
  // Relative paths, a single leading backslash included, have none.
  EXPECT_EQ(PathRoot(L"sub\\v.class"), PathString());
  EXPECT_EQ(PathRoot(L"\\setup\\v.class"), PathString());
  EXPECT_EQ(PathRoot(L"\\\\"), PathString());  // too short for a UNC path
}

TEST(DirectoryOf, KeepsUpToTheLastBackslashElseTheRoot) {
  EXPECT_EQ(DirectoryOf(L"C:\\SETUP\\setup.exe"), PathString(L"C:\\SETUP\\"));
  EXPECT_EQ(DirectoryOf(L"C:\\setup.exe"), PathString(L"C:\\"));
  EXPECT_EQ(DirectoryOf(L"\\\\srv\\share\\setup.exe"), PathString(L"\\\\srv\\share\\"));
  EXPECT_EQ(DirectoryOf(L"C:setup.exe"), PathString(L"C:"));
  EXPECT_EQ(DirectoryOf(L"\\\\srv\\share"), PathString(L"\\\\srv\\share"));
  EXPECT_EQ(DirectoryOf(L"setup.exe"), PathString());
}

TEST(NormalizePath, RemovesDotPiecesAndFoldsDotDotPiecesByItsOwnRule) {
  EXPECT_EQ(Normalized(L"D:\\setup\\.\\bin\\..\\java.exe"), PathString(L"D:\\setup\\java.exe"));
  EXPECT_EQ(Normalized(L"C:\\a\\b\\..\\..\\x.exe"), PathString(L"C:\\x.exe"));
  EXPECT_EQ(Normalized(L"C:\\a\\b\\.."), PathString(L"C:\\a\\"));
  EXPECT_EQ(Normalized(L"C:\\a\\b\\."), PathString(L"C:\\a\\b"));
  // The rule does not tell a ".hidden" folder from a "." piece.
  EXPECT_EQ(Normalized(L"C:\\setup\\.hidden\\v.class"), PathString(L"C:\\setuphidden\\v.class"));
  // With no folder before it, the ".." itself goes.
  EXPECT_EQ(Normalized(L"\\..\\..\\x.exe"), PathString(L"\\x.exe"));
  // A ".." that begins a name takes one character after it.
  EXPECT_EQ(Normalized(L"C:\\a\\..b\\c"), PathString(L"C:\\\\c"));
}

TEST(ResolvePath, NormalisesRelativePathsUnderTheFolderAndLeavesRootedOnes) {
  EXPECT_EQ(Resolved(L"sub\\v.class", L"C:\\SETUP\\"), PathString(L"C:\\SETUP\\sub\\v.class"));
  EXPECT_EQ(Resolved(L".\\..\\v.class", L"C:\\SETUP\\disk1\\"), PathString(L"C:\\SETUP\\v.class"));
  // A single leading backslash counts as relative, and the join keeps one.
  EXPECT_EQ(Resolved(L"\\v.class", L"C:\\SETUP\\"), PathString(L"C:\\SETUP\\v.class"));
  // Paths with a root stay as given, unnormalised.
  EXPECT_EQ(Resolved(L"D:v.class", L"C:\\SETUP\\"), PathString(L"D:v.class"));
  EXPECT_EQ(Resolved(L"\\\\srv\\s\\v.class", L"C:\\SETUP\\"), PathString(L"\\\\srv\\s\\v.class"));
  EXPECT_EQ(Resolved(L"D:\\a\\..\\v.class", L"C:\\SETUP\\"), PathString(L"D:\\a\\..\\v.class"));
}

// Every field the parse set, "name=value" or the switch's name, joined by "|".
std::wstring Describe(const LauncherOptions& options) {
  std::wstring out;
  auto add = [&out](const std::wstring& piece) { out += (out.empty() ? L"" : L"|") + piece; };
  const std::pair<const wchar_t*, std::wstring> values[] = {
      {L"jvm", options.jvm.c_str()},         {L"archive", options.archive.c_str()},
      {L"verify", options.verify.c_str()},   {L"log", options.log.c_str()},
      {L"criteria", options.searchCriteria}, {L"java", options.javaOptions}};
  for (const auto& [name, value] : values)
    if (!value.empty()) add(std::wstring(name) + L"=" + value);
  const std::pair<const wchar_t*, bool> switches[] = {
      {L"-searchcriteria", options.searchCriteriaGiven},
      {L"-nosearch", options.noSearch},
      {L"-log", options.logGiven},
      {L"-silent", options.silent},
      {L"-logall", options.logAll}};
  for (const auto& [name, given] : switches)
    if (given) add(name);
  return out;
}

TEST(ParseCommandLine, SetsExactlyTheFieldsItsRulesGive) {
  const std::pair<const wchar_t*, const wchar_t*> rows[] = {
      {L"", L""},
      // Either prefix, any case.
      {L"/JVM x.exe -Archive a.class /verify v.class -SEARCHCRITERIA vendor=sun -log l.txt "
       L"/NoSearch -silent -LOGALL",
       L"jvm=x.exe|archive=a.class|verify=v.class|log=l.txt|criteria=vendor=sun|-searchcriteria|"
       L"-nosearch|-log|-silent|-logall"},
      // A name must be followed by a blank or the end: no option, and not -D.
      {L"-jvm=x.exe -silent\tx -log\"a\" -logallx", L""},
      {L"-logall", L"-logall"},  // not -log followed by more letters
      // A value may follow switches, -D options and unknown options.
      {L"-jvm -silent D:\\j\\java.exe", L"jvm=D:\\j\\java.exe|-silent"},
      {L"-verify -Dx=1 -unknown v.class", L"verify=v.class|java=-Dx=1 "},
      // A second value option steals the pending target.
      {L"-jvm -archive x", L"archive=x"},
      // Stray values are dropped; a later value replaces an earlier one.
      {L"stray -jvm a.exe more -jvm b.exe", L"jvm=b.exe"},
      {L"-log", L"-log"},
      // A switch without its value; a later plain token is still the log path.
      {L"-log -silent later.txt", L"log=later.txt|-log|-silent"},
      {L"-searchcriteria", L"-searchcriteria"},
      // -D options in order, each followed by a blank.
      {L"-Dfoo=1 -dbar=2 /Dbaz", L"java=-Dfoo=1 -dbar=2 "},
      // Either quote closes either; cleaning takes one double quote from each end.
      {L"-archive \"C:\\Program Files\\a.class\" -silent",
       L"archive=C:\\Program Files\\a.class|-silent"},
      {L"-archive 'C:\\Program Files\\a.class'", L"archive='C:\\Program Files\\a.class'"},
      {L"-jvm \"C:\\My Java' -silent", L"jvm=C:\\My Java'|-silent"},
      {L"-Dname=\"a b\"", L"java=-Dname=\"a b\" "},
      {L"-jvm a\tb.exe", L"jvm=a\tb.exe"},
      {L"-verify \"\t\"\"v.class\"\"\n\"", L"verify=\t\"\"v.class\"\"\n"},
      {L"-verify \"\"v.class\t", L"verify=\"v.class"},
      {L"-log \"\"", L"-log"},
      {L"-searchcriteria \"vendor=ibm\"", L"criteria=vendor=ibm|-searchcriteria"},
  };
  for (const auto& [text, expected] : rows)
    EXPECT_EQ(Describe(ParseCommandLine(text)), expected) << text;
}

TEST(ParseCommandLine, KeepsSixtyFourDashDOptionsAndDropsTheRest) {
  std::wstring text, expected;
  for (int i = 0; i < 70; ++i) {
    std::wstring option = L"-Dp" + std::to_wstring(i) + L"=v";
    text += option + L" ";
    if (i < static_cast<int>(kMaxJavaOptions)) expected += option + L" ";
  }
  text += L"-jvm x.exe";
  LauncherOptions options = ParseCommandLine(text);
  EXPECT_EQ(options.javaOptions, expected);
  EXPECT_EQ(options.jvm, PathString(L"x.exe"));  // parsing goes on after the limit
}

using OptionPaths = PlatformTest;

TEST_F(OptionPaths, ValuesAtAndPastMaxPathAreResolvedWholeAndUpLevelsStopAtTheRoot) {
  for (std::size_t length : {259u, 260u, 261u, 5000u}) {
    SCOPED_TRACE(length);
    std::string relative;
    while (relative.size() + 46 < length - 9) relative += std::string(40, 'd') + "\\";
    relative += std::string(length - 9 - relative.size() - 5, 'x') + "x.exe";
    const std::string full = "C:\\SETUP\\" + relative;
    ASSERT_EQ(full.size(), length);
    TestLauncher launcher;
    launcher.Initialize(L"C:\\SETUP\\setup.exe",
                        "-archive " + relative + " -verify \"" + relative + "\" -jvm " + relative);
    EXPECT_EQ(launcher.State().jvmPath, full);
    EXPECT_EQ(launcher.State().archivePath, full);
    EXPECT_EQ(launcher.State().verifyClassPath, full);
  }
  std::string ups;
  for (int i = 0; i < 2000; ++i) ups += "..\\";
  TestLauncher launcher;
  launcher.Initialize(L"C:\\SETUP\\setup.exe", "-verify " + ups + "v.class -jvm .\\.\\" + ups);
  // With no folder left, "\.." takes the "\..\" itself, down to the root and never past it.
  EXPECT_EQ(launcher.State().verifyClassPath, "C:\\v.class");
  EXPECT_EQ(launcher.State().jvmPath, "C:\\");
}

}  // namespace
}  // namespace carafe
