// The search log: what one search writes into the launcher log, a summary
// line per criteria entry and, with the log-all option, a line per location.
#pragma once

#include <string>

#include "discovery/search_criteria.h"
#include "platform/platform.h"

namespace carafe {

// Where a search writes: the launcher log (null or not open: nowhere) and
// whether the detailed lines go there too (the log-all option).
struct SearchLog {
  const File* file = nullptr;
  bool all = false;
};

enum class SearchStep { Start, Verify, NotFound, Failed, Passed };

// One detailed line about entry; written only with the log-all option.
void LogSearchStep(const SearchLog& log, const CriteriaEntry& entry, SearchStep kind,
                   const std::string& text);
// The entry's summary line; returns entry.matched, or false without a log.
bool LogSearchSummary(const SearchLog& log, const CriteriaEntry& entry);

// Runs the verify class on record, stores the vendor and version it reports
// into record, and applies entry's match rule (a pass updates entry). True
// when the JVM passed.
bool VerifyJvm(CriteriaEntry& entry, JvmRecord& record, const std::string& classFile,
               const SearchLog& log);

}  // namespace carafe
