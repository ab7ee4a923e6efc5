#include "support/log_writer.h"

#include <cstdarg>

namespace carafe {

void WriteLog(const File* log, const std::string& text) {
  // A log whose creation failed is not open: its entries are dropped here.
  if (log == nullptr || !log->IsOpen()) return;
  std::uint32_t written = 0;
  log->Write(text.data(), static_cast<std::uint32_t>(text.size()), &written);
}

// Our own formatter rather than vsnprintf: the C library's printf brings
// floating-point conversion code that weighs more than the rest of the log.
// It knows %s, %d with an optional zero flag and width, and %%.
std::string FormatEntry(const char* format, ...) {
  constexpr std::size_t kMaxOut = kFormatLimit - 1;
  std::string out;
  auto put = [&out](const char* text, std::size_t length) {
    std::size_t room = kMaxOut - out.size();
    out.append(text, length < room ? length : room);
  };
  va_list arguments;
  va_start(arguments, format);
  const char* p = format;
  while (*p != '\0' && out.size() < kMaxOut) {
    if (*p != '%') {
      const char* start = p;
      while (*p != '\0' && *p != '%') ++p;
      put(start, static_cast<std::size_t>(p - start));
      continue;
    }
    const char* conversion = p++;
    bool zero = *p == '0';
    if (zero) ++p;
    std::size_t width = 0;
    while (*p >= '0' && *p <= '9') width = width * 10 + static_cast<std::size_t>(*p++ - '0');
    char digits[12];
    const char* text;
    std::size_t length;
    char pad = ' ';
    if (*p == 's') {
      text = va_arg(arguments, const char*);
      if (text == nullptr) text = "(null)";
      length = std::char_traits<char>::length(text);
    } else if (*p == 'd') {
      int value = va_arg(arguments, int);
      // Unsigned arithmetic so that INT_MIN negates cleanly.
      unsigned magnitude =
          value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
      char* end = digits + sizeof digits;
      char* first = end;
      do {
        *--first = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
      } while (magnitude != 0);
      if (zero) {
        pad = '0';
        std::size_t wanted = width > (value < 0 ? 1u : 0u) ? width - (value < 0 ? 1u : 0u) : 0;
        while (static_cast<std::size_t>(end - first) < wanted && first > digits + 1) *--first = '0';
        width = 0;
      }
      if (value < 0) *--first = '-';
      text = first;
      length = static_cast<std::size_t>(end - first);
    } else if (*p == '%') {
      text = "%";
      length = 1;
      width = 0;
    } else {
      // Not a conversion we know: copied as it stands.
      if (*p == '\0') --p;
      text = conversion;
      length = static_cast<std::size_t>(p + 1 - conversion);
      width = 0;
    }
    ++p;
    for (; width > length && out.size() < kMaxOut; --width) out.push_back(pad);
    put(text, length);
  }
  va_end(arguments);
  return out;
}

std::string LoadLabel(std::uint32_t id) { return Os().LoadText(id, kLabelChars); }

std::string LoadStatusText(std::uint32_t id) { return Os().LoadText(id, kStatusChars); }

}  // namespace carafe
