// The factory, the string table, the clock, the launcher's own path and the
// ANSI code-page conversions.
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_platform.h"

namespace carafe {

Platform& Win32Platform(void* instance) {
  // Never destroyed: the launcher's clean-up runs during process exit and
  // still reaches the system through it.
  static WindowsPlatform* platform = new WindowsPlatform(static_cast<HINSTANCE>(instance));
  return *platform;
}

std::string WindowsPlatform::LoadText(std::uint32_t id, std::size_t bufferChars) {
  if (bufferChars == 0) return std::string();
  std::string buffer(bufferChars, '\0');
  // Cuts a longer text to bufferChars - 1 characters, as the fixed buffers
  // of the log and the dialogs do.
  int length = ::LoadStringA(instance_, id, &buffer[0], static_cast<int>(bufferChars));
  if (length <= 0) return std::string();
  buffer.resize(static_cast<std::size_t>(length));
  return buffer;
}

LocalTime WindowsPlatform::Now() {
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  LocalTime time;
  time.year = now.wYear;
  time.month = now.wMonth;
  time.day = now.wDay;
  time.hour = now.wHour;
  time.minute = now.wMinute;
  time.second = now.wSecond;
  return time;
}

std::string WindowsPlatform::ExecutablePath() {
  char buffer[kMaxPath] = {};
  DWORD length = ::GetModuleFileNameA(nullptr, buffer, kMaxPath);
  if (length == 0) return std::string();
  // A longer path comes back cut to the buffer: all 260 characters on the
  // older systems, 259 and a terminator on later ones, which must not end up
  // inside the string.
  std::size_t kept = length < kMaxPath ? length : kMaxPath;
  while (kept > 0 && buffer[kept - 1] == '\0') --kept;
  return std::string(buffer, kept);
}

std::wstring WindowsPlatform::AnsiToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  int size = static_cast<int>(text.size());
  int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, &wide[0], length);
  return wide;
}

std::string WindowsPlatform::WideToAnsi(const std::wstring& text) {
  if (text.empty()) return std::string();
  int size = static_cast<int>(text.size());
  int length = ::WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string narrow(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), size, &narrow[0], length, nullptr, nullptr);
  return narrow;
}

}  // namespace carafe
