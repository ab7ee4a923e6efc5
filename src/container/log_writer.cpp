#include "container/log_writer.h"

#include <cstdarg>
#include <cstdio>

namespace carafe {

namespace {
bool logAll = false;
}

void WriteLog(Handle log, const std::string& text) {
  // A log whose creation failed holds the invalid handle: its entries are
  // dropped here rather than handed to WriteFile.
  if (log == kNoHandle || log == kInvalidHandle) return;
  std::uint32_t written = 0;
  Os().WriteFile(log, text.data(), static_cast<std::uint32_t>(text.size()), &written);
}

std::string FormatEntry(const char* format, ...) {
  char buffer[kFormatLimit];
  va_list arguments;
  va_start(arguments, format);
  int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  if (length < 0) return std::string();
  std::size_t kept = static_cast<std::size_t>(length) < sizeof buffer
                         ? static_cast<std::size_t>(length)
                         : sizeof buffer - 1;
  return std::string(buffer, kept);
}

std::string LoadLabel(std::uint32_t id) { return Os().LoadString(id, kLabelChars); }

std::string LoadStatusText(std::uint32_t id) { return Os().LoadString(id, kStatusChars); }

bool LogAll() { return logAll; }

void SetLogAll(bool enabled) { logAll = enabled; }

}  // namespace carafe
