// The search criteria: alternatives of vendor, version and type, and the
// rule by which a JVM passes one of them.
#pragma once

#include <string>
#include <vector>

#include "discovery/jvm_record.h"
#include "platform/platform.h"

namespace carafe {

// Kinds of search-log line.
enum SearchStep { SearchStart = 1, VerifyStart = 2, NotFound = 3, Failed = 4, Passed = 5 };

class CriteriaEntry {
 public:
  std::string vendor;      // required vendor text; empty means any
  std::string version;     // required version text; empty means any
  std::string type;        // "jre", "jdk", other, or empty (both)
  std::string matchedBin;  // bin of the JVM that passed for this entry
  bool matched = false;

  // Runs the verify class on record, stores the vendor and version it
  // reports into record, and applies the match rule; a pass updates this
  // entry. True when the JVM passed.
  bool VerifyJvm(JvmRecord& record, const std::string& classFile);
  // The match rule alone, on a record whose vendor and version are set;
  // updates this entry on a pass.
  bool Accept(const JvmRecord& record);
  // One search-log line (detailed: only with the log-all flag).
  void LogSearchStep(SearchStep kind, const std::string& text) const;
  // The entry's summary line; returns matched.
  bool LogSearchSummary() const;
};

using CriteriaGroup = std::vector<CriteriaEntry>;
using SearchCriteria = std::vector<CriteriaGroup>;

std::vector<CriteriaEntry> ParseCriteria(const std::string& text);
bool ParseCriteriaEntry(const std::string& piece, CriteriaEntry& entry);
// Splits the entries into groups at every "microsoft" entry; only the first
// "microsoft" entry of the whole process is kept.
SearchCriteria GroupCriteria(const std::vector<CriteriaEntry>& entries);
// Unit tests start every case as a fresh process would.
void ResetJviewCounterForTesting();

// The search-log handle: the launcher log, held for one search (none = 0).
void SetSearchLog(const File* log);
const File* SearchLog();

}  // namespace carafe
