// Opening a file named by a UTF-8 path, as mksetup receives every path
// (posix/ or win32/).
#pragma once

#include <cstdio>
#include <string>

namespace mksetup {

// std::fopen's modes and result; errno says why on failure.
std::FILE* OpenPath(const std::string& path, const char* mode);

}  // namespace mksetup
