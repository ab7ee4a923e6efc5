// The search criteria: alternatives of vendor, version and type, and the
// rule by which a JVM passes one of them.
#pragma once

#include <string>
#include <vector>

#include "discovery/jvm_record.h"

namespace carafe {

// The criteria text's grammar: alternatives separated by ';', each of
// key=value pairs separated by ':'.
constexpr char kPieceSeparator = ';';
constexpr char kPairSeparator = ':';
constexpr char kValueMark = '=';
// The vendor that selects the jview VM and cuts the criteria into groups.
constexpr const char* kJviewVendor = "microsoft";

// Criteria containing this word take the JVM from the maker's registry key.
constexpr const char* kRegisteredJvmMarker = "varnica";

class CriteriaEntry {
 public:
  std::string vendor;      // required vendor text; empty means any
  std::string version;     // required version text; empty means any
  std::string type;        // "jre", "jdk", other, or empty (both)
  std::string matchedBin;  // bin of the JVM that passed for this entry
  bool matched = false;

  // The match rule, on a record whose vendor and version are set; updates
  // this entry on a pass.
  bool Accept(const JvmRecord& record);
};

using CriteriaGroup = std::vector<CriteriaEntry>;
using SearchCriteria = std::vector<CriteriaGroup>;

std::vector<CriteriaEntry> ParseCriteria(const std::string& text);
bool ParseCriteriaEntry(const std::string& piece, CriteriaEntry& entry);
// Splits the entries into groups at every "microsoft" entry. Only the first
// "microsoft" entry of a run is kept: jviewEntriesSeen counts them over all
// of the run's searches.
SearchCriteria GroupCriteria(const std::vector<CriteriaEntry>& entries, int* jviewEntriesSeen);

// The builder's strict reading (criteria_check.cpp): false, with problem saying what to write
// instead, unless every piece is lower-case key=value pairs of plain values
// that ParseCriteria takes as written. warnings receive what parses but is
// rarely meant (a vendor that selects no location, an empty alternative).
// A text with kRegisteredJvmMarker passes as it is: it is no search.
bool CheckCriteriaText(const std::string& text, std::string* problem,
                       std::vector<std::string>* warnings);

}  // namespace carafe
