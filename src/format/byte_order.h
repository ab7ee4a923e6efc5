// Byte orders and the length-prefixed string that the setup formats share.
// Every integer of the container and the Java archive is big-endian; only
// the PE headers that say where the image ends are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace carafe::format {

// The value of all of bytes (at most 8), most significant first.
std::uint64_t BigEndian(std::string_view bytes);
// The value of all of bytes (at most 8), least significant first.
std::uint64_t LittleEndian(std::string_view bytes);
void AppendBigEndian(std::string* out, std::uint64_t value, std::size_t width);

// A length-prefixed string: a u16 byte count L, then L bytes, no terminator.
constexpr std::size_t kString16LengthBytes = 2;
constexpr std::size_t kString16MaxBytes = 0xFFFF;

// The string value of L stored bytes: they end at the first zero byte. What
// follows the string lies behind all L bytes, never behind the text.
std::string String16Text(std::string_view stored);
// False, appending nothing, when text is longer than kString16MaxBytes.
bool AppendString16(std::string* out, std::string_view text);

// Reads from a span that fail, moving nothing, instead of passing its end.
class ByteCursor {
 public:
  explicit ByteCursor(std::string_view bytes) : bytes_(bytes) {}

  std::uint64_t Position() const { return position_; }
  std::uint64_t Size() const { return bytes_.size(); }
  bool Seek(std::uint64_t position);
  bool Skip(std::uint64_t count);
  bool Bytes(std::uint64_t count, std::string_view* out);
  template <typename T>
  bool BigEndian(T* value) {
    std::string_view bytes;
    if (!Bytes(sizeof(T), &bytes)) return false;
    *value = static_cast<T>(format::BigEndian(bytes));
    return true;
  }
  // The string value, and the length as stored (what the cursor moved by, less 2).
  bool String16(std::string* text, std::uint16_t* storedLength = nullptr);

 private:
  std::string_view bytes_;
  std::uint64_t position_ = 0;
};

}  // namespace carafe::format
