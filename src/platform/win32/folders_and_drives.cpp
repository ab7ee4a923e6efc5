// The temporary folder, disks, drive types, the Windows folders and listings.
#include "platform/win32/windows_platform.h"

namespace carafe {

namespace {

// The folder queries return the length without the terminator, or the size
// they would need (terminator included) when the buffer is too small.
std::string FolderFromBuffer(const char* buffer, UINT length) {
  if (length == 0 || length >= kMaxPath) return std::string();
  return std::string(buffer, length);
}

}  // namespace

bool WindowsPlatform::TempFolder(std::string* path) {
  char buffer[kMaxPath] = {};
  DWORD length = ::GetTempPathA(kMaxPath, buffer);
  if (length == 0 || length >= kMaxPath) return false;
  if (path) path->assign(buffer, length);
  return true;
}

bool WindowsPlatform::FreeSpace(const std::string& root, DiskFreeSpace* space) {
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  if (!::GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters)) {
    return false;
  }
  if (space) {
    space->sectorsPerCluster = sectorsPerCluster;
    space->bytesPerSector = bytesPerSector;
    space->freeClusters = freeClusters;
    space->totalClusters = totalClusters;
  }
  return true;
}

std::string WindowsPlatform::WindowsFolder() {
  char buffer[kMaxPath] = {};
  return FolderFromBuffer(buffer, ::GetWindowsDirectoryA(buffer, kMaxPath));
}

std::string WindowsPlatform::SystemFolder() {
  char buffer[kMaxPath] = {};
  return FolderFromBuffer(buffer, ::GetSystemDirectoryA(buffer, kMaxPath));
}

std::uint32_t WindowsPlatform::DriveKind(const std::string& root) {
  return ::GetDriveTypeA(root.c_str());
}

bool WindowsPlatform::FindFiles(const std::string& pattern, std::vector<FolderEntry>* entries) {
  WIN32_FIND_DATAA data = {};
  HANDLE find = ::FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    if (entries) entries->push_back(FolderEntry{data.cFileName, data.dwFileAttributes});
  } while (::FindNextFileA(find, &data));
  ::FindClose(find);
  return true;
}

}  // namespace carafe
