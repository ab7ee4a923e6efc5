#include "launch/bundled_installer.h"

#include <cstdlib>

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

InstallerLoad LoadInstallerData(const ArchiveResource& resource,
                                std::vector<std::uint8_t>* buffer) {
  if (resource.Size() == 0 || !DataWithinFile(resource)) return InstallerLoad::ReadFailed;
  // The heap is asked first: the launcher is built without exceptions, so
  // the vector's own allocation would end the process when the block cannot
  // be had. The block is freed and asked for again at once; only the UI
  // thread runs meanwhile, and it takes nothing of this size.
  void* probe = std::malloc(resource.Size());
  if (probe == nullptr) {
    buffer->clear();
    return InstallerLoad::NoMemory;
  }
  std::free(probe);
  buffer->assign(resource.Size(), 0);
  return resource.ReadData(buffer->data()) ? InstallerLoad::Loaded : InstallerLoad::ReadFailed;
}

}  // namespace carafe
