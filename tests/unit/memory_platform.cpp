#include "memory_platform.h"

#include <cctype>
#include <sstream>

namespace carafe {

// One spelling per path, as Windows resolves it: lower case, no empty, "." or ".." parts, "x:\"
// for a root.
std::string MemoryPlatform::Key(std::string path) {
  for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string key, part;
  for (std::stringstream parts(path); std::getline(parts, part, '\\');)
    if (part == "..")
      key.erase(std::min(key.size(), key.rfind('\\')));
    else if (!part.empty() && part != ".")
      key += (key.empty() ? "" : "\\") + part;
  return key.size() == 2 && key[1] == ':' ? key + '\\' : key;
}

}  // namespace carafe
