#include "mksetup/byte_io.h"

#include <filesystem>
#include <fstream>
#include <istream>
#include <random>
#include <sstream>
#include <system_error>

namespace mksetup {

namespace fs = std::filesystem;

void AppendBig(std::string& bytes, std::uint64_t value, int width) {
  for (int i = width - 1; i >= 0; --i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t LittleAt(const std::string& bytes, std::size_t at, int width) {
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

std::uint64_t BigAt(const std::string& bytes, std::size_t at, int width) {
  std::uint64_t value = 0;
  for (int i = 0; i < width; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

bool ReadExactly(std::istream& in, std::size_t count, std::string* bytes) {
  bytes->assign(count, '\0');
  if (count == 0) return static_cast<bool>(in);
  in.read(&(*bytes)[0], static_cast<std::streamsize>(count));
  return static_cast<std::size_t>(in.gcount()) == count;
}

bool ReadWholeFile(const std::string& path, const std::string& what, std::string* content,
                   std::string* error) {
  std::error_code code;
  if (!fs::is_regular_file(path, code)) {
    *error = "cannot read " + what + " '" + path + "': no such file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
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
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    for (std::string_view piece : pieces)
      out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    if (out) out.close();
    if (!out) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      *error = "cannot write '" + path + "'";
      return false;
    }
  }
  std::error_code code;
  fs::rename(temporary, path, code);
  if (code) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    *error = "cannot replace '" + path + "': " + code.message();
    return false;
  }
  return true;
}

}  // namespace mksetup
