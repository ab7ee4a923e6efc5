#include "mksetup/open_path.h"

namespace mksetup {

// The file system takes UTF-8 names as they are.
std::FILE* OpenPath(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

}  // namespace mksetup
