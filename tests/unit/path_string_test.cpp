#include "container/path_string.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace carafe
