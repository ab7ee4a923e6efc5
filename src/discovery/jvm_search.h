// One complete JVM search: the criteria's groups, passes and entries in
// their fixed order, stopping at the first JVM that passes, then the summary.
#pragma once

#include <string>

#include "discovery/jvm_record.h"
#include "discovery/search_log.h"

namespace carafe {

// What the searches of one run share.
struct SearchSession {
  SearchLog log;             // the launcher log and the log-all option
  int jviewEntriesSeen = 0;  // only the run's first "microsoft" entry is searched
};

// Searches for a JVM that criteriaText accepts, verifying every candidate
// with the class at verifyClassPath and writing the search log to the
// session's log (none: no summary). The record of the first JVM that passed,
// or a record with every field empty.
JvmRecord FindJvm(const std::string& criteriaText, const std::string& verifyClassPath,
                  SearchSession& session);

}  // namespace carafe
