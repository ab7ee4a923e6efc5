// Environment variables and HKEY_LOCAL_MACHINE values, read only.
#include <utility>

#include "platform/win32/system_libraries.h"
#include "platform/win32/windows_platform.h"

namespace carafe {

namespace {

// The flag that opens a key in the view the process does not see by itself;
// 0 when there is none (a 32-bit process on 32-bit Windows).
REGSAM OtherViewFlag() {
#ifdef _WIN64
  return KEY_WOW64_32KEY;
#else
  // Older kernels lack IsWow64Process; it is looked up by name, and without
  // it the system is a 32-bit one.
  using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  auto isWow64Process =
      kernel == nullptr ? nullptr
                        : reinterpret_cast<IsWow64ProcessFunction>(reinterpret_cast<AnyFunction>(
                              ::GetProcAddress(kernel, "IsWow64Process")));
  BOOL wow64 = FALSE;
  if (isWow64Process == nullptr || !isWow64Process(::GetCurrentProcess(), &wow64) || !wow64)
    return 0;
  return KEY_WOW64_64KEY;
#endif
}

}  // namespace

bool WindowsPlatform::EnvironmentValue(const std::string& name, std::size_t bufferBytes,
                                       std::string* value) {
  if (bufferBytes == 0) return false;
  std::string buffer(bufferBytes, '\0');
  // A variable that is set but empty also gives 0; only the last error tells
  // it from an absent one.
  ::SetLastError(NO_ERROR);
  DWORD length =
      ::GetEnvironmentVariableA(name.c_str(), &buffer[0], static_cast<DWORD>(bufferBytes));
  if (length == 0 && ::GetLastError() != NO_ERROR) return false;
  // Too small a buffer: the result is the size needed, terminator included.
  if (length >= bufferBytes) return false;
  buffer.resize(length);
  if (value) *value = buffer;
  return true;
}

bool WindowsPlatform::ReadRegistryValue(const std::string& subkey, const std::string& valueName,
                                        std::size_t bufferBytes, RegistryView view,
                                        std::vector<std::uint8_t>* data) {
  HKEY key = nullptr;
  if (view == RegistryView::Own) {
    if (::RegOpenKeyA(HKEY_LOCAL_MACHINE, subkey.c_str(), &key) != ERROR_SUCCESS) return false;
  } else {
    const REGSAM otherView = OtherViewFlag();
    if (otherView == 0 || ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0,
                                          KEY_QUERY_VALUE | otherView, &key) != ERROR_SUCCESS)
      return false;
  }
  std::vector<std::uint8_t> buffer(bufferBytes);
  DWORD size = static_cast<DWORD>(bufferBytes);
  DWORD type = 0;
  // The value's type is not looked at: callers take whatever bytes it has.
  LONG result = ::RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                                   buffer.empty() ? nullptr : buffer.data(), &size);
  ::RegCloseKey(key);
  if (result != ERROR_SUCCESS || size > bufferBytes) return false;
  buffer.resize(size);
  if (data) *data = std::move(buffer);
  return true;
}

}  // namespace carafe
