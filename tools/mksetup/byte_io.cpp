#include "mksetup/byte_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>
#include <system_error>

#include "mksetup/open_path.h"

namespace mksetup {

namespace fs = std::filesystem;

bool ReadWholeFile(const std::string& path, const std::string& what, std::string* content,
                   std::string* error) {
  std::error_code code;
  if (fs::is_directory(fs::u8path(path), code)) {
    *error = "cannot read " + what + " '" + path + "': it is a folder; name a file";
    return false;
  }
  std::FILE* file = OpenPath(path, "rb");
  if (file == nullptr) {
    *error = "cannot read " + what + " '" + path + "': " + std::strerror(errno);
    return false;
  }
  content->clear();
  char buffer[1 << 16];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content->append(buffer, got);
  const int failure = std::ferror(file) ? errno : 0;
  std::fclose(file);
  if (failure != 0) {
    *error = "cannot read " + what + " '" + path + "': " + std::strerror(failure);
    return false;
  }
  return true;
}

bool ReplaceFile(const std::string& path, const std::vector<std::string_view>& pieces,
                 std::string* error) {
  std::error_code code;
  const fs::path parent = fs::u8path(path).parent_path();
  if (!parent.empty() && !fs::create_directories(parent, code) && code) {
    *error = "cannot write '" + path + "': cannot create its folder: " + code.message();
    return false;
  }
  std::random_device random;
  std::ostringstream name;
  name << path << '.' << std::hex << random() << ".tmp";
  const std::string temporary = name.str();
  std::FILE* file = OpenPath(temporary, "wb");
  int failure = file == nullptr ? errno : 0;
  for (std::size_t i = 0; file != nullptr && failure == 0 && i < pieces.size(); ++i)
    if (std::fwrite(pieces[i].data(), 1, pieces[i].size(), file) != pieces[i].size())
      failure = errno;
  if (file != nullptr && std::fclose(file) != 0 && failure == 0) failure = errno;
  if (failure == 0) fs::rename(fs::u8path(temporary), fs::u8path(path), code);
  if (failure != 0 || code) {
    std::error_code ignored;
    fs::remove(fs::u8path(temporary), ignored);
    *error = "cannot write '" + path +
             "': " + (failure != 0 ? std::string(std::strerror(failure)) : code.message());
    return false;
  }
  return true;
}

}  // namespace mksetup
