// The full pass of the search: a walk of every fixed drive for java.exe and
// jre.exe, done at most once per search and re-examined afterwards.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "container/path_string.h"
#include "discovery/jvm_record.h"
#include "discovery/search_criteria.h"

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

// Conversions between the launcher's ANSI strings and candidate paths.
PathString WidePath(const std::string& ansi);
std::string AnsiPath(const PathString& path);

// The root of the drive that holds the system folder, such as "C:\".
std::string SystemDriveRoot();

// Walks the system drive, then (while nothing passed) every other fixed
// drive, or only re-examines hitLists when walked is set. True when a
// candidate for exeName passed and was appended to results.
bool SearchFileSystem(CriteriaEntry& entry, const std::string& exeName,
                      std::vector<JvmRecord>& results, HitLists& hitLists, bool walked);

// Roots ("A:\" ... "Z:\") of the fixed drives in letter order, without
// excludedRoot (compared without regard to letter case).
PathList ListFixedDrives(const PathString& excludedRoot);

// Depth-first, pre-order walk of folder: a file or folder named names[0]
// goes to hitLists[0], one named names[1] to hitLists[1]; other folders are
// walked in turn, except reparse points (junctions and links can close a
// cycle). The walk keeps its own stack, so depth costs no call stack.
void WalkForExecutables(const ExeNames& names, const PathString& folder, HitLists& hitLists);

}  // namespace carafe
