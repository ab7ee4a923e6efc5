// The walk of the search's full pass: every fixed drive, for java.exe and
// jre.exe.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "support/path_string.h"

namespace carafe {

// The two executable names the search collects. The walk compares file names
// with them byte for byte, so JAVA.EXE is not a hit.
constexpr const char* kJavaExe = "java.exe";
constexpr const char* kJreExe = "jre.exe";

using PathList = std::vector<PathString>;
// Index 0 holds the java.exe paths, index 1 the jre.exe paths.
using HitLists = std::array<PathList, 2>;
using ExeNames = std::array<std::string, 2>;

// Index of an executable name in HitLists: 0 for exactly "java.exe", else 1.
std::size_t HitIndex(const std::string& exeName);

// Roots ("A:\" ... "Z:\") of the fixed drives in letter order, without
// excludedRoot (compared without regard to letter case).
PathList ListFixedDrives(const PathString& excludedRoot);

// Depth-first, pre-order walk of folder: a file or folder named names[0]
// goes to hitLists[0], one named names[1] to hitLists[1]; other folders are
// walked in turn, except reparse points (junctions and links can close a
// cycle). The walk keeps its own stack, so depth costs no call stack.
void WalkForExecutables(const ExeNames& names, const PathString& folder, HitLists& hitLists);

}  // namespace carafe
