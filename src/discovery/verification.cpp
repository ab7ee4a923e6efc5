// Verifying a candidate JVM against one criteria entry, and the search log.
#include "discovery/search_log.h"
#include "launch/class_runner.h"
#include "launch/verify_output.h"
#include "string_ids.h"
#include "support/log_writer.h"

namespace carafe {

namespace {

// The search-log texts, loaded for each line as the log entries are.
struct SearchLogTexts {
  std::string search = LoadLabel(IDS_SEARCHING_MATCHING);
  std::string vendor = LoadLabel(IDS_VENDOR);
  std::string version = LoadLabel(IDS_VERSION);
  std::string type = LoadLabel(IDS_TYPE);
  std::string verifying = LoadLabel(IDS_VERIFYING_JVM);
  std::string notFound = LoadLabel(IDS_NOT_FOUND);
  std::string failed = LoadLabel(IDS_FAILED);
  std::string passed = LoadLabel(IDS_PASSED);
};

bool IsOpen(const SearchLog& log) { return log.file != nullptr && log.file->IsOpen(); }

}  // namespace

bool VerifyJvm(CriteriaEntry& entry, JvmRecord& record, const std::string& classFile,
               const SearchLog& log) {
  std::string output;
  if (!CaptureClassOutput(record.bin(), record.libs(), classFile, output)) return false;
  bool passed = false;
  if (!output.empty()) {
    std::string version, vendor;
    ParseVerifyOutput(output, &version, &vendor);
    // Kept even when the candidate fails: the record says what it is.
    record.set_vendor(vendor);
    record.set_version(version);
    passed = entry.Accept(record);
  }
  // The run is logged once it is over, so its two parts form one line.
  LogSearchStep(log, entry, SearchStep::Verify, record.bin());
  LogSearchStep(log, entry, passed ? SearchStep::Passed : SearchStep::Failed, "");
  return passed;
}

void LogSearchStep(const SearchLog& log, const CriteriaEntry& entry, SearchStep kind,
                   const std::string& text) {
  if (!log.all || !IsOpen(log)) return;
  SearchLogTexts texts;
  std::string line;
  switch (kind) {
    case SearchStep::Start:
      line =
          FormatEntry("\r\n\t%s (%s=%s, %s=%s, %s=%s) %s...", texts.search.c_str(),
                      texts.vendor.c_str(), entry.vendor.c_str(), texts.version.c_str(),
                      entry.version.c_str(), texts.type.c_str(), entry.type.c_str(), text.c_str());
      break;
    case SearchStep::Verify:
      line = FormatEntry("\r\n\t%s %s...", texts.verifying.c_str(), text.c_str());
      break;
    case SearchStep::NotFound:
      line = FormatEntry("%s.", texts.notFound.c_str());
      break;
    case SearchStep::Failed:
      line = FormatEntry("%s.", texts.failed.c_str());
      break;
    case SearchStep::Passed:
      line = FormatEntry("%s.", texts.passed.c_str());
      break;
  }
  WriteLog(log.file, line);
}

bool LogSearchSummary(const SearchLog& log, const CriteriaEntry& entry) {
  if (!IsOpen(log)) return false;
  SearchLogTexts texts;
  WriteLog(log.file, FormatEntry("\r\n\t%s (%s=%s, %s=%s, %s=%s)...%s %s", texts.search.c_str(),
                                 texts.vendor.c_str(), entry.vendor.c_str(), texts.version.c_str(),
                                 entry.version.c_str(), texts.type.c_str(), entry.type.c_str(),
                                 entry.matchedBin.c_str(),
                                 entry.matched ? texts.passed.c_str() : texts.notFound.c_str()));
  return entry.matched;
}

}  // namespace carafe
