// Where the search looks for one criteria entry: the registry keys of the
// Sun and IBM runtimes and kits, their default install folders, the folders
// of PATH and the Microsoft jview; in the full pass, the drive walk.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "discovery/drive_walk.h"
#include "discovery/jvm_record.h"
#include "discovery/search_criteria.h"
#include "discovery/search_log.h"
#include "support/path_string.h"

namespace carafe {

// GetEnvironmentVariableA gets this many bytes for PATH; a longer PATH, like
// an absent one, is searched as empty.
constexpr std::size_t kPathVariableBytes = 67600;

// Pass 1 reads the registry, default folders and PATH; pass 2 walks drives.
enum class SearchPass { Quick, Full };

// One search: the verify class every candidate is run with, the search log,
// and what PATH and the drive walk found, gathered once per search.
struct SearchState {
  std::string verifyClassPath;
  SearchLog log;
  HitLists pathHits;  // PATH lookups, per executable name
  bool pathScanned[2] = {false, false};
  HitLists diskHits;                    // the drive walk's hits
  bool diskWalked[2] = {false, false};  // [0] JDK search, [1] JRE search
};

// Searches the locations of entry for one pass; true when a candidate
// passed and was appended to results.
bool SearchEntry(SearchState& search, CriteriaEntry& entry, std::vector<JvmRecord>& results,
                 SearchPass pass);

// Fills search.pathHits[index] from PATH unless done in this search, then
// checks its paths.
bool SearchPathVariable(SearchState& search, CriteriaEntry& entry, const std::string& exeName,
                        std::vector<JvmRecord>& results, std::size_t index);

// Appends to hitList every file matching folder / exeName, for each folder
// of pathValue split at separator.
void FindInPathFolders(const PathString& separator, const std::string& exeName, PathList& hitList,
                       const PathString& pathValue);

// The full pass: walks the system drive, then (while nothing passed) every
// other fixed drive, or only re-examines search.diskHits when walked is set.
// True when a candidate for exeName passed and was appended to results.
bool SearchFileSystem(SearchState& search, CriteriaEntry& entry, const std::string& exeName,
                      std::vector<JvmRecord>& results, bool walked);

// Turns each path into a record (home cut before the last "\bin") and
// verifies it; true at the first one that passes and is kept. A jre.exe
// in the Windows folder is never a candidate.
bool CheckCandidates(const SearchState& search, CriteriaEntry& entry, const std::string& exeName,
                     const PathList& paths, std::vector<JvmRecord>& results);

}  // namespace carafe
