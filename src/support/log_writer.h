// Writing entries to the launcher log, shared by every subsystem.
//
// An entry is formatted into one buffer and written with one WriteFile, so
// entries from the two threads never interleave within themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace carafe {

// String-table texts used in log and message entries are loaded into
// 100-character buffers, so at most 99 characters of a label appear.
constexpr std::size_t kLabelChars = 100;
// Status-line texts get 255 characters.
constexpr std::size_t kStatusChars = 255;
// wsprintfA never writes more than 1024 characters, terminator included.
constexpr std::size_t kFormatLimit = 1024;

// Writes text (without a terminator) to the log, if there is one (log not
// null) and it could be created (log open). A failed write is not reported:
// the entry is simply lost.
void WriteLog(const File* log, const std::string& text);

// printf-style formatting cut at the wsprintfA limit (at most 1023
// characters). Knows only what the launcher's shapes use: %s, %d (with an
// optional zero flag and width, as in %02d) and %%; any other conversion is
// copied as it stands.
std::string FormatEntry(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// A string-table text in a kLabelChars buffer.
std::string LoadLabel(std::uint32_t id);
// A string-table text in a kStatusChars buffer.
std::string LoadStatusText(std::uint32_t id);

}  // namespace carafe
