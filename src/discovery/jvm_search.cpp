#include "discovery/jvm_search.h"

#include <vector>

#include "discovery/search_criteria.h"
#include "discovery/search_locations.h"

namespace carafe {

namespace {

int searchNumber = 1;

// Searches each entry of group in turn; the first that passes ends it.
bool SearchGroup(CriteriaGroup& group, SearchPass pass, JvmRecord& result) {
  for (CriteriaEntry& entry : group) {
    std::vector<JvmRecord> found;
    if (SearchEntry(entry, found, pass)) {
      result = found.front();
      return true;
    }
  }
  return false;
}

}  // namespace

JvmRecord FindJvm(const std::string& criteriaText, const std::string& verifyClassPath,
                  const File* logHandle) {
  SearchCriteria groups = GroupCriteria(ParseCriteria(criteriaText));
  BeginSearch(verifyClassPath);
  SetSearchLog(logHandle);

  JvmRecord result;
  bool passed = false;
  for (std::size_t i = 0; i < groups.size() && !passed; ++i) {
    if (i == 0) passed = SearchGroup(groups[i], kQuickPass, result);
    if (!passed) passed = SearchGroup(groups[i], kFullPass, result);
  }

  // The summary stops at the entry that passed; without a log every entry
  // answers false and all are visited silently.
  bool summarized = false;
  for (const CriteriaGroup& group : groups) {
    for (const CriteriaEntry& entry : group) {
      if (entry.LogSearchSummary()) {
        summarized = true;
        break;
      }
    }
    if (summarized) break;
  }
  return result;
}

int SearchNumber() { return searchNumber; }

void SetSearchNumber(int number) { searchNumber = number; }

}  // namespace carafe
