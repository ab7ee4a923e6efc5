#include "core/path_rules.h"

#include <gtest/gtest.h>

namespace carafe {
namespace {

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

}  // namespace
}  // namespace carafe
