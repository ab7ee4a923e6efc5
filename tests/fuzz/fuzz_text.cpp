// The three parsers of text: the command line with its path rules, the
// criteria with their grouping, and what a JVM prints when it runs the
// verify class. The input's first byte picks the parser.
#include "core/launcher.h"
#include "core/options.h"
#include "discovery/search_log.h"
#include "fuzz_system.h"
#include "scripted_jvm.h"

using namespace carafe;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  FuzzSystem system;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const SearchLog log{&system.log, true};
  JvmRecord record;
  record.set_bin("C:\\jdk\\bin\\java.exe");
  if (data[0] % 3 == 0) {
    // The -D options come back as tokens, each followed by one blank.
    const std::wstring javaOptions = ParseCommandLine(Os().AnsiToWide(text)).javaOptions;
    Check(javaOptions.empty() || javaOptions.back() == L' ');
    Launcher().Initialize(ToPath(L"C:\\SETUP\\"), text);
  } else if (data[0] % 3 == 1) {
    // Only the first search of a run keeps a "microsoft" entry; every entry
    // goes through the log's formatter.
    const std::vector<CriteriaEntry> entries = ParseCriteria(text);
    int jviewSeen = 0;
    for (const int search : {1, 2})
      for (CriteriaGroup& group : GroupCriteria(entries, &jviewSeen))
        for (CriteriaEntry& entry : group)
          Check(LogSearchSummary(log, entry) || search == 1 || entry.vendor != "microsoft");
  } else {
    // An entry that asks for nothing passes a JVM that names vendor and version.
    system.AddProgram(record.bin(), PrintingJvm(text));
    CriteriaEntry any;
    const bool passed = VerifyJvm(any, record, "C:\\TEMP\\Verify.class", log);
    Check(passed == (!record.vendor().empty() && !record.version().empty()) &&
          (!passed || any.version == record.version()));
  }
  return 0;
}
