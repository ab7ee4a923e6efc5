// Bundled JVM installers: which resource of the archive's installer section
// is the installer, and loading its bytes into memory.
#pragma once

#include <cstdint>

#include "container/java_archive.h"

namespace carafe {

using format::kInstallerFlag;

// The first resource, in file order, whose flag is kInstallerFlag; the ones
// behind it are never looked at. nullptr when none has it.
const ArchiveResource* FindBundledInstaller(const ArchiveSection& section);

enum class InstallerLoad { Loaded, NoMemory, ReadFailed };

// Asks for a block of resource.Size() bytes in *buffer and reads the data
// into it. A size whose data would run past the end of the archive is not
// asked for (a forged size could ask for 4 GiB); it counts as a failed read,
// as does a size of 0. NoMemory when the block is not granted.
InstallerLoad LoadInstallerData(const ArchiveResource& resource, MemoryBlock* buffer);

}  // namespace carafe
