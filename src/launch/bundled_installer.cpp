#include "launch/bundled_installer.h"

namespace carafe {

namespace {

// True when the resource's data lies wholly inside its archive file.
bool DataWithinFile(const ArchiveResource& resource) {
  File file = Os().OpenFile(resource.FilePath(), FileAccess::Read, FileShare::ReadWrite,
                                  FileDisposition::OpenExisting);
  std::uint64_t fileSize = 0;
  if (!file.IsOpen() || !file.Size(&fileSize)) return false;
  return resource.DataOffset() <= fileSize && resource.Size() <= fileSize - resource.DataOffset();
}

}  // namespace

const ArchiveResource* FindBundledInstaller(const ArchiveSection& section) {
  for (const ArchiveResource& resource : section.Resources()) {
    if (resource.Flag() == kInstallerFlag) return &resource;
  }
  return nullptr;
}

InstallerLoad LoadInstallerData(const ArchiveResource& resource, MemoryBlock* buffer) {
  *buffer = MemoryBlock();
  if (resource.Size() == 0 || !DataWithinFile(resource)) return InstallerLoad::ReadFailed;
  if (!Os().AllocateBlock(resource.Size(), buffer)) return InstallerLoad::NoMemory;
  return resource.ReadData(buffer->data()) ? InstallerLoad::Loaded : InstallerLoad::ReadFailed;
}

}  // namespace carafe
