#include "mksetup/open_path.h"

#include <cstring>
#include <filesystem>

namespace mksetup {

// The narrow fopen would read the name in the ANSI code page.
std::FILE* OpenPath(const std::string& path, const char* mode) {
  const std::wstring wideMode(mode, mode + std::strlen(mode));
  return _wfopen(std::filesystem::u8path(path).c_str(), wideMode.c_str());
}

}  // namespace mksetup
