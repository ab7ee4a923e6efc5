// The three parsers of text: the command line with its path rules, the
// criteria with their grouping and match rule, and what a JVM prints when it
// runs the verify class. The input's first byte picks the parser.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "core/launcher.h"
#include "core/options.h"
#include "core/path_rules.h"
#include "discovery/search_log.h"
#include "fuzz_system.h"
#include "scripted_jvm.h"

using namespace carafe;
using namespace carafe::fuzzing;

namespace {

bool StartsWith(const PathString& text, const PathString& prefix) {
  return prefix.size() <= text.size() && text.compare(0, prefix.size(), prefix) == 0;
}

void CommandLine(FuzzSystem& system, const std::string& text) {
  std::wstring wide = system.os.AnsiToWide(text);
  LauncherOptions options = ParseCommandLine(wide);
  const PathString folder = ToPath(L"C:\\SETUP\\");
  for (const PathString* value : {&options.jvm, &options.archive, &options.verify, &options.log}) {
    PathString root = PathRoot(*value);
    FUZZ_CHECK(StartsWith(*value, root) && StartsWith(*value, DirectoryOf(*value)));
    PathString resolved = *value;
    ResolvePath(resolved, folder);
    FUZZ_CHECK(root.empty() ? resolved.size() <= folder.size() + value->size()
                            : resolved == *value);
  }
  // The -D text: kept tokens of the text, each followed by one blank.
  FUZZ_CHECK(options.javaOptions.size() <= wide.size() + kMaxJavaOptions);
  FUZZ_CHECK(options.javaOptions.empty() || options.javaOptions.back() == L' ');
  Launcher launcher;
  launcher.Initialize(folder, text);
  FUZZ_CHECK(launcher.State().javaOptions.size() <= text.size() + kMaxJavaOptions);
}

void Criteria(const File& log, const std::string& text) {
  std::vector<CriteriaEntry> entries = ParseCriteria(text);
  FUZZ_CHECK(entries.size() <=
             static_cast<std::size_t>(std::count(text.begin(), text.end(), ';')) + 1);
  int jviewSeen = 0;
  SearchCriteria groups = GroupCriteria(entries, &jviewSeen);
  std::size_t grouped = 0, jview = 0;
  for (const CriteriaGroup& group : groups) {
    grouped += group.size();
    for (const CriteriaEntry& entry : group) jview += entry.vendor == "microsoft";
  }
  FUZZ_CHECK(grouped <= entries.size() && jview <= 1);
  // A second search of the same run keeps no "microsoft" entry.
  for (const CriteriaGroup& group : GroupCriteria(entries, &jviewSeen))
    for (const CriteriaEntry& entry : group) FUZZ_CHECK(entry.vendor != "microsoft");

  const SearchLog searchLog{&log, true};
  JvmRecord record;
  record.set_bin("C:\\jdk\\bin\\java.exe");
  record.set_vendor("sun");
  record.set_version("1.2.2");
  for (CriteriaGroup& group : groups) {
    for (CriteriaEntry& entry : group) {
      LogSearchStep(searchLog, entry, SearchStep::Start, "in Registry");
      bool passed = entry.Accept(record);
      FUZZ_CHECK(passed == entry.matched && (!passed || entry.matchedBin == record.bin()));
      FUZZ_CHECK(LogSearchSummary(searchLog, entry) == passed);
    }
  }
}

void VerifyOutput(FuzzSystem& system, const File& log, const std::string& output) {
  const char* bin = "C:\\jdk\\bin\\java.exe";
  const char* verifyClass = "C:\\TEMP\\Verify.class";
  system.os.AddProgram(bin, PrintingJvm(output));
  system.os.AddFile(verifyClass, "\xCA\xFE\xBA\xBE");
  const SearchLog searchLog{&log, true};
  // An entry that asks for nothing passes any JVM that names both.
  JvmRecord record;
  record.set_bin(bin);
  CriteriaEntry any;
  bool passed = VerifyJvm(any, record, verifyClass, searchLog);
  FUZZ_CHECK(passed == (!record.vendor().empty() && !record.version().empty()));
  for (const std::string* value : {&record.vendor(), &record.version()})
    FUZZ_CHECK(value->empty() || (value->front() != ' ' && value->back() != ' '));
  FUZZ_CHECK(!passed || (any.vendor == record.vendor() && any.version == record.version()));
  // A particular requirement passes only what contains it.
  CriteriaEntry sun;
  sun.vendor = "sun";
  sun.version = "1.2";
  passed = VerifyJvm(sun, record, verifyClass, searchLog);
  FUZZ_CHECK(passed ==
             (record.vendor() == "sun" && record.version().find("1.2") != std::string::npos));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  FuzzSystem system;
  const std::string text = Text(data + 1, size - 1);
  File log = system.OpenLog();
  switch (data[0] % 3) {
    case 0: CommandLine(system, text); break;
    case 1: Criteria(log, text); break;
    default: VerifyOutput(system, log, text); break;
  }
  return 0;
}
