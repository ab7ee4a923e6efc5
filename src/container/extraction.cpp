#include "container/extraction.h"

#include "container/binary_readers.h"
#include "format/class_file.h"
#include "platform/platform.h"

namespace carafe {

namespace {

// The root handed to GetDiskFreeSpaceA: the first three characters, "C:\".
constexpr std::size_t kRootChars = 3;

// sectors per cluster x bytes per sector x free clusters can exceed 64 bits
// in theory; more room than that is as good as infinite.
std::uint64_t FreeBytes(const DiskFreeSpace& space) {
  std::uint64_t clusterBytes = std::uint64_t(space.sectorsPerCluster) * space.bytesPerSector;
  if (clusterBytes != 0 && space.freeClusters > UINT64_MAX / clusterBytes) return UINT64_MAX;
  return clusterBytes * space.freeClusters;
}

}  // namespace

bool FindTempDirWithSpace(std::string* path, std::uint32_t size) {
  std::string folder;
  std::uint32_t attributes = 0;
  DiskFreeSpace space;
  if (!Os().TempFolder(&folder) || !Os().FileAttributes(folder, &attributes) ||
      !Os().FreeSpace(folder.substr(0, kRootChars), &space) || FreeBytes(space) <= size)
    return false;
  *path = folder;
  return true;
}

bool IsPlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("\\/:") == std::string::npos;
}

bool IsClassFile(const std::string& path) {
  File file =
      Os().OpenFile(path, FileAccess::Read, FileShare::ReadWrite, FileDisposition::OpenExisting);
  std::string magic;
  return file.IsOpen() && ReadPiece(file, sizeof format::kClassFileMagic, &magic) &&
         format::BeginsLikeClassFile(magic);
}

}  // namespace carafe
