// Small file, registry and text helpers shared by the search, verification
// and launch code.
#pragma once

#include <cstddef>
#include <string>

namespace carafe {

// RegQueryValueExA is given a buffer of this many bytes; longer values fail.
constexpr std::size_t kRegistryValueBytes = 260;

// True when the path's attributes can be read (a folder counts as well).
bool FileExists(const std::string& path);

// Reads valueName under subkey of HKEY_LOCAL_MACHINE (the only root the
// launcher reads) whatever the value's type, in the process's own registry
// view and then in the other; text is the value up to its first zero byte.
// False when the key or value is missing in both or too long.
bool QueryRegistryString(const std::string& subkey, const std::string& valueName,
                         std::string* text);

// The root of the drive that holds the system folder, such as "C:\"; empty
// when the system folder is unknown.
std::string SystemDriveRoot();

// Number of occurrences of c in text.
std::size_t CountChar(const std::string& text, char c);

// Remove blanks (0x20 only; tabs stay) at the end, respectively the start.
void TrimRight(std::string& text);
void TrimLeft(std::string& text);

}  // namespace carafe
