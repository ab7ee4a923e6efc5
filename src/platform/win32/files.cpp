// Files: open, read, write, position, size, attributes, delete.
#include "platform/win32/windows_platform.h"

namespace carafe {

File WindowsPlatform::OpenFile(const std::string& path, FileAccess access, FileShare share,
                                 FileDisposition disposition) {
  DWORD desiredAccess = access == FileAccess::Read ? GENERIC_READ : GENERIC_WRITE;
  DWORD shareMode = share == FileShare::ReadWrite ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0;
  DWORD creation = disposition == FileDisposition::CreateAlways ? CREATE_ALWAYS : OPEN_EXISTING;
  HANDLE file = ::CreateFileA(path.c_str(), desiredAccess, shareMode, nullptr, creation,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  return File(FromWin32(file));
}

bool WindowsPlatform::ReadHandle(Handle file, void* buffer, std::uint32_t size,
                               std::uint32_t* transferred) {
  DWORD count = 0;
  BOOL ok = ::ReadFile(ToWin32(file), buffer, size, &count, nullptr);
  if (transferred) *transferred = count;
  return ok != FALSE;
}

bool WindowsPlatform::WriteHandle(Handle file, const void* data, std::uint32_t size,
                                std::uint32_t* transferred) {
  DWORD count = 0;
  BOOL ok = ::WriteFile(ToWin32(file), data, size, &count, nullptr);
  if (transferred) *transferred = count;
  return ok != FALSE;
}

bool WindowsPlatform::SeekHandle(Handle file, std::int64_t distance, SeekOrigin origin,
                           std::uint64_t* position) {
  DWORD method = origin == SeekOrigin::Begin     ? FILE_BEGIN
                 : origin == SeekOrigin::Current ? FILE_CURRENT
                                                 : FILE_END;
  LONG high = static_cast<LONG>(distance >> 32);
  // INVALID_SET_FILE_POINTER is also a valid low half when the high half is
  // in use, so only the last error tells a failure apart.
  ::SetLastError(NO_ERROR);
  DWORD low =
      ::SetFilePointer(ToWin32(file), static_cast<LONG>(distance & 0xFFFFFFFF), &high, method);
  if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) return false;
  if (position) {
    *position = (static_cast<std::uint64_t>(static_cast<DWORD>(high)) << 32) | low;
  }
  return true;
}

bool WindowsPlatform::HandleSize(Handle file, std::uint64_t* size) {
  DWORD high = 0;
  ::SetLastError(NO_ERROR);
  DWORD low = ::GetFileSize(ToWin32(file), &high);
  if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return false;
  if (size) *size = (static_cast<std::uint64_t>(high) << 32) | low;
  return true;
}

bool WindowsPlatform::ReleaseHandle(Handle handle) { return ::CloseHandle(ToWin32(handle)) != FALSE; }

bool WindowsPlatform::FileAttributes(const std::string& path, std::uint32_t* attributes) {
  DWORD value = ::GetFileAttributesA(path.c_str());
  if (value == INVALID_FILE_ATTRIBUTES) return false;
  if (attributes) *attributes = value;
  return true;
}

bool WindowsPlatform::RemoveFile(const std::string& path) {
  return ::DeleteFileA(path.c_str()) != FALSE;
}

}  // namespace carafe
