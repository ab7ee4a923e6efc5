// The criteria text: parsing, grouping, the match rule and the search-log
// lines that print the entries' fields.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "discovery/jvm_record.h"
#include "discovery/search_criteria.h"
#include "fuzz_system.h"

using namespace carafe;
using namespace carafe::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzSystem system;
  const std::string text = Text(data, size);
  ResetJviewCounterForTesting();

  std::vector<CriteriaEntry> entries = ParseCriteria(text);
  FUZZ_CHECK(entries.size() <=
             static_cast<std::size_t>(std::count(text.begin(), text.end(), ';')) + 1);
  for (const CriteriaEntry& entry : entries) {
    for (const std::string* field : {&entry.vendor, &entry.version, &entry.type})
      FUZZ_CHECK(field->find(';') == std::string::npos && field->size() <= text.size());
  }

  SearchCriteria groups = GroupCriteria(entries);
  std::size_t grouped = 0, jview = 0;
  for (const CriteriaGroup& group : groups) {
    grouped += group.size();
    for (const CriteriaEntry& entry : group) jview += entry.vendor == "microsoft";
  }
  FUZZ_CHECK(grouped <= entries.size());
  FUZZ_CHECK(jview <= 1);
  // A second search in the same process keeps no "microsoft" entry.
  for (const CriteriaGroup& group : GroupCriteria(entries))
    for (const CriteriaEntry& entry : group) FUZZ_CHECK(entry.vendor != "microsoft");

  Handle log = system.OpenLog();
  SetSearchLog(&log);
  JvmRecord record;
  record.set_bin("C:\\jdk\\bin\\java.exe");
  record.set_vendor("sun");
  record.set_version("1.2.2");
  for (CriteriaGroup& group : groups) {
    for (CriteriaEntry& entry : group) {
      entry.LogSearchStep(SearchStart, "in Registry");
      bool passed = entry.Accept(record);
      FUZZ_CHECK(passed == entry.matched);
      if (passed) FUZZ_CHECK(entry.matchedBin == record.bin());
      entry.LogSearchStep(passed ? Passed : NotFound, "");
      FUZZ_CHECK(entry.LogSearchSummary() == passed);
    }
  }
  SetSearchLog(nullptr);
  system.os.CloseHandle(log);
  ResetJviewCounterForTesting();
  return 0;
}
