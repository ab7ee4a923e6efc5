#include "discovery/jvm_search.h"

#include <vector>

#include "discovery/search_criteria.h"
#include "discovery/search_locations.h"

namespace carafe {

namespace {

// Searches each entry of group in turn; the first that passes ends it.
bool SearchGroup(SearchState& search, CriteriaGroup& group, SearchPass pass, JvmRecord& result) {
  for (CriteriaEntry& entry : group) {
    std::vector<JvmRecord> found;
    if (SearchEntry(search, entry, found, pass)) {
      result = found.front();
      return true;
    }
  }
  return false;
}

}  // namespace

JvmRecord FindJvm(const std::string& criteriaText, const std::string& verifyClassPath,
                  SearchSession& session) {
  SearchCriteria groups = GroupCriteria(ParseCriteria(criteriaText), &session.jviewEntriesSeen);
  SearchState search;
  search.verifyClassPath = verifyClassPath;
  search.log = session.log;

  JvmRecord result;
  bool passed = false;
  for (std::size_t i = 0; i < groups.size() && !passed; ++i) {
    if (i == 0) passed = SearchGroup(search, groups[i], SearchPass::Quick, result);
    if (!passed) passed = SearchGroup(search, groups[i], SearchPass::Full, result);
  }

  // The summary stops at the entry that passed; without a log every entry
  // answers false and all are visited silently.
  bool summarized = false;
  for (const CriteriaGroup& group : groups) {
    for (const CriteriaEntry& entry : group) {
      if (LogSearchSummary(session.log, entry)) {
        summarized = true;
        break;
      }
    }
    if (summarized) break;
  }
  return result;
}

}  // namespace carafe
