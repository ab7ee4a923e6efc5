// Verifying a candidate JVM against one criteria entry, and the search log.
#include <string>

#include "container/log_writer.h"
#include "discovery/search_criteria.h"
#include "launch/class_runner.h"
#include "launch/verify_output.h"
#include "string_ids.h"

namespace carafe {

namespace {

// The launcher log while a search runs; entries go nowhere while it is null
// or not open (none was asked for, or it could not be created).
const File* searchLog = nullptr;

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

}  // namespace

void SetSearchLog(const File* log) { searchLog = log; }
const File* SearchLog() { return searchLog; }

bool CriteriaEntry::VerifyJvm(JvmRecord& record, const std::string& classFile) {
  std::string output;
  if (!CaptureClassOutput(record.bin(), record.libs(), classFile, output)) return false;
  bool passed = false;
  if (!output.empty()) {
    std::string version, vendor;
    ParseVerifyOutput(output, &version, &vendor);
    // Kept even when the candidate fails: the record says what it is.
    record.set_vendor(vendor);
    record.set_version(version);
    passed = Accept(record);
  }
  // The run is logged once it is over, so its two parts form one line.
  if (LogAll()) {
    LogSearchStep(VerifyStart, record.bin());
    LogSearchStep(passed ? Passed : Failed, "");
  }
  return passed;
}

void CriteriaEntry::LogSearchStep(SearchStep kind, const std::string& text) const {
  if (!LogAll() || searchLog == nullptr || !searchLog->IsOpen()) return;
  SearchLogTexts texts;
  std::string line;
  switch (kind) {
    case SearchStart:
      line = FormatEntry("\r\n\t%s (%s=%s, %s=%s, %s=%s) %s...", texts.search.c_str(),
                         texts.vendor.c_str(), vendor.c_str(), texts.version.c_str(),
                         version.c_str(), texts.type.c_str(), type.c_str(), text.c_str());
      break;
    case VerifyStart:
      line = FormatEntry("\r\n\t%s %s...", texts.verifying.c_str(), text.c_str());
      break;
    case NotFound:
      line = FormatEntry("%s.", texts.notFound.c_str());
      break;
    case Failed:
      line = FormatEntry("%s.", texts.failed.c_str());
      break;
    case Passed:
      line = FormatEntry("%s.", texts.passed.c_str());
      break;
    default:
      return;
  }
  WriteLog(searchLog, line);
}

bool CriteriaEntry::LogSearchSummary() const {
  if (searchLog == nullptr || !searchLog->IsOpen()) return false;
  SearchLogTexts texts;
  WriteLog(searchLog,
           FormatEntry("\r\n\t%s (%s=%s, %s=%s, %s=%s)...%s %s", texts.search.c_str(),
                       texts.vendor.c_str(), vendor.c_str(), texts.version.c_str(), version.c_str(),
                       texts.type.c_str(), type.c_str(), matchedBin.c_str(),
                       matched ? texts.passed.c_str() : texts.notFound.c_str()));
  return matched;
}

}  // namespace carafe
