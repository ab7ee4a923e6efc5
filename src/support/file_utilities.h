// Small file, registry and text helpers shared by the search, verification
// and launch code.
#pragma once

#include <cstddef>
#include <string>

#include "platform/platform.h"
#include "support/blank_trim.h"

namespace carafe {

// RegQueryValueExA is given a buffer of this many bytes; longer values fail.
constexpr std::size_t kRegistryValueBytes = 260;

// True when the path's attributes can be read (a folder counts as well).
bool FileExists(const std::string& path);

// The registry views a key is looked up in, the process's own first: a
// 64-bit JVM's installer writes the 64-bit view, a 32-bit one the 32-bit
// view, and the launcher of either width must find both.
constexpr RegistryView kRegistryViews[] = {RegistryView::Own, RegistryView::Other};

// Reads valueName under subkey of HKEY_LOCAL_MACHINE (the only root the
// launcher reads) in that view, whatever the value's type; text is the value
// up to its first zero byte. False when the key or value is missing or too
// long.
bool QueryRegistryString(const std::string& subkey, const std::string& valueName, RegistryView view,
                         std::string* text);

// The root of the drive that holds the system folder, such as "C:\"; empty
// when the system folder is unknown.
std::string SystemDriveRoot();

// Number of occurrences of c in text.
std::size_t CountChar(const std::string& text, char c);

}  // namespace carafe
