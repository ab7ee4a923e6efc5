// The checks around writing the container's sections into the temporary
// directory: room on its drive, and that a written file is a class file.
#pragma once

#include <cstdint>
#include <string>

namespace carafe {

// The system's temporary directory (ending in a backslash) when the drive it
// lies on has more than size free bytes. False when there is no such
// directory, its drive cannot be asked (a network path's first three
// characters are no drive root) or the room is not strictly larger.
bool FindTempDirWithSpace(std::string* path, std::uint32_t size);

// True when name, a section's or a resource's stored name, names a file
// right inside the temporary directory: not empty, no path separator, no
// drive colon, not "." or "..". Anything else would let a setup write
// elsewhere.
bool IsPlainFileName(const std::string& name);

// True when the file can be opened and read and begins like a class file
// (format::kClassFileMagic).
bool IsClassFile(const std::string& path);

}  // namespace carafe
