#include "launch/bundled_installer.h"

#include <new>

namespace carafe {

namespace {

// True when the resource's data lies wholly inside its archive file.
bool DataWithinFile(const ArchiveResource& resource) {
  UniqueHandle file(Os().OpenFile(resource.FilePath(), FileAccess::Read, FileShare::ReadWrite,
                                  FileDisposition::OpenExisting));
  std::uint64_t fileSize = 0;
  if (!file.Valid() || !Os().GetFileSize(file.Get(), &fileSize)) return false;
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
  try {
    buffer->assign(resource.Size(), 0);
  } catch (const std::bad_alloc&) {
    // Kept inside: errors leave this module as values.
    buffer->clear();
    return InstallerLoad::NoMemory;
  }
  return resource.ReadData(buffer->data()) ? InstallerLoad::Loaded : InstallerLoad::ReadFailed;
}

}  // namespace carafe
