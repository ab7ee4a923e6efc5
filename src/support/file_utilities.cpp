#include "support/file_utilities.h"

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace carafe {

namespace {

// "X:\" is three characters: the drive letter, the colon, the backslash.
constexpr std::size_t kDriveRootChars = 3;

}  // namespace

std::string SystemDriveRoot() { return Os().SystemFolder().substr(0, kDriveRootChars); }

bool FileExists(const std::string& path) {
  std::uint32_t attributes = 0;
  return Os().FileAttributes(path, &attributes);
}

bool QueryRegistryString(const std::string& subkey, const std::string& valueName, RegistryView view,
                         std::string* text) {
  std::vector<std::uint8_t> data;
  if (!Os().ReadRegistryValue(subkey, valueName, kRegistryValueBytes, view, &data)) return false;
  std::size_t length = 0;
  while (length < data.size() && data[length] != 0) ++length;
  text->assign(reinterpret_cast<const char*>(data.data()), length);
  return true;
}

std::size_t CountChar(const std::string& text, char c) {
  std::size_t count = 0;
  for (std::size_t at = text.find(c); at != std::string::npos; at = text.find(c, at + 1)) ++count;
  return count;
}

}  // namespace carafe
