#include "platform/win32/system_libraries.h"

#include <windows.h>

#include <cstring>

namespace carafe {

namespace {

// The DLL by its full path in the system folder. LOAD_WITH_ALTERED_SEARCH_PATH
// puts that folder, not the launcher's, first in the search for the DLL's own
// imports; unlike the LOAD_LIBRARY_SEARCH flags, every Windows version has it.
HMODULE LoadFromSystemFolder(const char* name) {
  char path[MAX_PATH];
  UINT length = GetSystemDirectoryA(path, MAX_PATH);
  std::size_t nameLength = std::strlen(name);
  if (length == 0 || length + 1 + nameLength >= MAX_PATH) return nullptr;
  if (path[length - 1] != '\\') path[length++] = '\\';
  std::memcpy(path + length, name, nameLength + 1);
  return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

void RestrictDllSearchToSystemFolder() {
  // kernel32 is always loaded; asking for its handle loads nothing.
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return;
  auto setDefaultDllDirectories = reinterpret_cast<BOOL(WINAPI*)(DWORD)>(
      reinterpret_cast<AnyFunction>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefaultDllDirectories != nullptr) setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

AnyFunction SystemFunctionAddress(const char* dll, const char* name) {
  HMODULE module = LoadFromSystemFolder(dll);
  if (module == nullptr) return nullptr;
  return reinterpret_cast<AnyFunction>(GetProcAddress(module, name));
}

}  // namespace carafe
