// The launcher log: a plain text file, replaced at each run, written entry by
// entry without buffering so that it is complete up to the moment the
// process ends, an abort included.
#include "container/log_writer.h"
#include "core/launcher.h"
#include "string_ids.h"

namespace carafe {

namespace {

// Month first, the year in full; no line break of its own: the CR LF that
// opens the first entry ends the header's line.
constexpr const char* kHeaderFormat = "%s :: %02d:%02d:%02d %s :: %02d:%02d:%02d";

}  // namespace

bool Launcher::OpenLog() {
  if (logState_ != LogState::None) return true;
  // Share mode 0: no other process may open the log while the launcher runs.
  logFile = Os().OpenFile(logPath, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
  // A log that cannot be created stays failed; the run goes on without it.
  logState_ = logFile.IsOpen() ? LogState::Open : LogState::Failed;
  if (logState_ == LogState::Failed) return true;
  LocalTime now = Os().Now();
  WriteLog(&logFile,
           FormatEntry(kHeaderFormat, LoadLabel(IDS_DATE).c_str(), now.month, now.day, now.year,
                       LoadLabel(IDS_TIME).c_str(), now.hour, now.minute, now.second));
  return true;
}

LogState Launcher::GetLogState() const { return logState_; }

}  // namespace carafe
