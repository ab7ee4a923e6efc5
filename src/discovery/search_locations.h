// Where the search looks for one criteria entry: the registry keys of the
// Sun and IBM runtimes and kits, their default install folders, the folders
// of PATH and the Microsoft jview; in the full pass, the drive walk.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "container/path_string.h"
#include "discovery/drive_walk.h"
#include "discovery/jvm_record.h"
#include "discovery/search_criteria.h"

namespace carafe {

// GetEnvironmentVariableA gets this many bytes for PATH; a longer PATH, like
// an absent one, is searched as empty.
constexpr std::size_t kPathVariableBytes = 67600;

// Pass 1 reads the registry, default folders and PATH; pass 2 walks drives.
enum SearchPass { kQuickPass = 1, kFullPass = 2 };

// The process-wide state of the one search in progress.
struct SearchState {
  std::string verifyClassPath;  // every candidate is verified with it
  HitLists pathHits;            // PATH lookups, per executable name
  bool pathScanned[2] = {false, false};
  HitLists diskHits;                    // the drive walk's hits
  bool diskWalked[2] = {false, false};  // [0] JDK search, [1] JRE search
};

SearchState& CurrentSearch();
// Starts a search: empties the hit lists, clears their flags and holds the
// verify class path.
void BeginSearch(const std::string& verifyClassPath);

// Searches the locations of entry for one pass; true when a candidate
// passed and was appended to results.
bool SearchEntry(CriteriaEntry& entry, std::vector<JvmRecord>& results, SearchPass pass);

// Quick-pass sequences for one registry key name: registry, default folder,
// then PATH.
bool SearchJreQuick(CriteriaEntry& entry, std::vector<JvmRecord>& results,
                    const std::string& keyName, const std::string& valueName,
                    const std::string& vendorFolder);
bool SearchJdkQuick(CriteriaEntry& entry, std::vector<JvmRecord>& results,
                    const std::string& keyName, const std::string& valueName);

// Single-candidate locations: each builds one record and verifies it.
bool SearchJreRegistry(CriteriaEntry& entry, std::vector<JvmRecord>& results,
                       const std::string& keyName, const std::string& valueName);
bool SearchJdkRegistry(CriteriaEntry& entry, std::vector<JvmRecord>& results,
                       const std::string& keyName, const std::string& valueName);
bool SearchJreDefaultFolder(CriteriaEntry& entry, std::vector<JvmRecord>& results,
                            const std::string& vendorFolder);
bool SearchJdkDefaultFolder(CriteriaEntry& entry, std::vector<JvmRecord>& results);
bool SearchJview(CriteriaEntry& entry, std::vector<JvmRecord>& results);

// Fills hitList from PATH unless scanned, then checks its paths.
bool SearchPathVariable(CriteriaEntry& entry, const std::string& exeName,
                        std::vector<JvmRecord>& results, PathList& hitList, bool scanned);

// Appends to hitList every file matching folder / exeName, for each folder
// of pathValue split at separator.
void FindInPathFolders(const PathString& separator, const std::string& exeName, PathList& hitList,
                       const PathString& pathValue);

// Turns each path into a record (home cut before the last "\bin") and
// verifies it; true at the first one that passes and is kept. A jre.exe
// in the Windows folder is never a candidate.
bool CheckCandidates(CriteriaEntry& entry, const std::string& exeName, const PathList& paths,
                     std::vector<JvmRecord>& results);

}  // namespace carafe
