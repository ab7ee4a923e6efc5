#include "mksetup/byte_io.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace mksetup {

namespace fs = std::filesystem;

bool ReadWholeFile(const std::string& path, const std::string& what, std::string* content,
                   std::string* error) {
  std::error_code code;
  if (!fs::is_regular_file(fs::u8path(path), code)) {
    *error = "cannot read " + what + " '" + path + "': no such file";
    return false;
  }
  std::ifstream in(fs::u8path(path), std::ios::binary);
  std::ostringstream bytes;
  if (in) bytes << in.rdbuf();
  if (!in || in.bad()) {
    *error = "cannot read " + what + " '" + path + "'";
    return false;
  }
  *content = bytes.str();
  return true;
}

bool ReplaceFile(const std::string& path, const std::vector<std::string_view>& pieces,
                 std::string* error) {
  std::random_device random;
  std::ostringstream name;
  name << path << '.' << std::hex << random() << ".tmp";
  const std::string temporary = name.str();
  {
    std::ofstream out(fs::u8path(temporary), std::ios::binary | std::ios::trunc);
    for (std::string_view piece : pieces)
      out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    if (out) out.close();
    if (!out) {
      std::error_code ignored;
      fs::remove(fs::u8path(temporary), ignored);
      *error = "cannot write '" + path + "'";
      return false;
    }
  }
  std::error_code code;
  fs::rename(fs::u8path(temporary), fs::u8path(path), code);
  if (code) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    *error = "cannot replace '" + path + "': " + code.message();
    return false;
  }
  return true;
}

}  // namespace mksetup
