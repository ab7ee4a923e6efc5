// The three parsers of text: the command line with its path rules, the
// criteria with their grouping, and what a JVM prints when it runs the
// verify class. The input's first byte picks the parser.
#include "core/launcher.h"
#include "discovery/search_log.h"
#include "fuzz_system.h"

void FuzzOne(FuzzSystem& system, const std::string& input) {
  const unsigned parser = input.empty() ? 0 : static_cast<std::uint8_t>(input[0]) % 3;
  const std::string text = input.substr(input.empty() ? 0 : 1);
  const SearchLog log{&system.log, true};
  if (parser == 0) {
    Launcher().Initialize(ToPath(L"C:\\SETUP\\"), text);  // parses it with its path rules
  } else if (parser == 1) {
    // Only the first search of a run keeps a "microsoft" entry; every entry
    // goes through the log's formatter.
    int jviewSeen = 0;
    for (const int search : {1, 2})
      for (CriteriaGroup& group : GroupCriteria(ParseCriteria(text), &jviewSeen))
        for (CriteriaEntry& entry : group)
          Check(LogSearchSummary(log, entry) || search == 1 || entry.vendor != "microsoft");
  } else {
    // An entry that asks for nothing passes a JVM that names vendor and version.
    JvmRecord record;
    record.set_bin("C:\\jdk\\bin\\java.exe");
    system.AddProgram(record.bin(), [&](const std::string&) { return ChildRun{text}; });
    CriteriaEntry any;
    const bool passed = VerifyJvm(any, record, "C:\\TEMP\\Verify.class", log);
    Check(passed == (!record.vendor().empty() && !record.version().empty()) &&
          (!passed || any.version == record.version()));
  }
}
