// The log entries of reading the setup container and the Java archive: the
// readers report how far they got, and these write it in the log's words.
#pragma once

#include "container/java_archive.h"
#include "container/setup_container.h"
#include "platform/platform.h"

namespace carafe {

// Writes the entries of one read to log (null or not open: nothing); the
// detailed ones only with logAll.
void LogContainerRead(const File* log, bool logAll, const ContainerReport& report);
void LogArchiveRead(const File* log, bool logAll, const ArchiveReport& report);

}  // namespace carafe
