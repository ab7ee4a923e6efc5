// The launcher log: a plain text file, replaced at each run, written entry by
// entry without buffering so that it is complete up to the moment the
// process ends, an abort included.
#include "core/launcher.h"
#include "string_ids.h"
#include "support/log_writer.h"

namespace carafe {

namespace {

// Month first, the year in full; no line break of its own: the CR LF that
// opens the first entry ends the header's line.
constexpr const char* kHeaderFormat = "%s :: %02d:%02d:%02d %s :: %02d:%02d:%02d";

}  // namespace

void Launcher::OpenLog() {
  if (run_.logState != LogState::None) return;
  // Share mode 0: no other process may open the log while the launcher runs.
  run_.logFile = Os().OpenFile(run_.logPath, FileAccess::Write, FileShare::None,
                               FileDisposition::CreateAlways);
  // A log that cannot be created stays failed; the run goes on without it.
  run_.logState = run_.logFile.IsOpen() ? LogState::Open : LogState::Failed;
  if (run_.logState == LogState::Failed) return;
  LocalTime now = Os().Now();
  Log(FormatEntry(kHeaderFormat, LoadLabel(IDS_DATE).c_str(), now.month, now.day, now.year,
                  LoadLabel(IDS_TIME).c_str(), now.hour, now.minute, now.second));
}

}  // namespace carafe
