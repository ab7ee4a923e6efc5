#include "container/binary_readers.h"

#include <cstring>
#include <vector>

namespace carafe {

namespace {

std::uint64_t BigEndian(const std::uint8_t* bytes, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value = (value << 8) | bytes[i];
  return value;
}

// Text of a length-prefixed string: its bytes up to the first zero.
std::string TextUpToZero(const std::uint8_t* bytes, std::size_t length) {
  if (length == 0) return std::string();
  const void* zero = std::memchr(bytes, 0, length);
  if (zero) length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - bytes);
  return std::string(reinterpret_cast<const char*>(bytes), length);
}

}  // namespace

bool ReadBytes(const File& file, void* buffer, std::uint32_t size) {
  std::uint32_t transferred = 0;
  return file.Read(buffer, size, &transferred) && transferred == size;
}

bool SeekTo(const File& file, std::uint64_t position) {
  if (position > static_cast<std::uint64_t>(INT64_MAX)) return false;
  std::uint64_t reached = 0;
  return file.Seek(static_cast<std::int64_t>(position), SeekOrigin::Begin, &reached) &&
         reached == position;
}

bool ReadU8(const File& file, std::uint8_t* value) { return ReadBytes(file, value, 1); }

bool ReadU16BE(const File& file, std::uint16_t* value) {
  std::uint8_t bytes[2];
  if (!ReadBytes(file, bytes, sizeof bytes)) return false;
  *value = static_cast<std::uint16_t>(BigEndian(bytes, sizeof bytes));
  return true;
}

bool ReadU32BE(const File& file, std::uint32_t* value) {
  std::uint8_t bytes[4];
  if (!ReadBytes(file, bytes, sizeof bytes)) return false;
  *value = static_cast<std::uint32_t>(BigEndian(bytes, sizeof bytes));
  return true;
}

bool ReadU64BE(const File& file, std::uint64_t* value) {
  std::uint8_t bytes[8];
  if (!ReadBytes(file, bytes, sizeof bytes)) return false;
  *value = BigEndian(bytes, sizeof bytes);
  return true;
}

bool ReadString16(const File& file, std::string* text, std::uint16_t* storedLength) {
  std::uint16_t length = 0;
  if (!ReadU16BE(file, &length)) return false;
  if (storedLength) *storedLength = length;
  // At most 64 KiB, whatever the file claims.
  std::vector<std::uint8_t> bytes(length);
  if (length > 0 && !ReadBytes(file, bytes.data(), length)) return false;
  *text = TextUpToZero(bytes.data(), bytes.size());
  return true;
}

bool ParseU16BE(const std::uint8_t* buffer, std::size_t size, std::uint16_t* value) {
  if (buffer == nullptr || size < 2) return false;
  *value = static_cast<std::uint16_t>(BigEndian(buffer, 2));
  return true;
}

bool ParseString16(const std::uint8_t* buffer, std::size_t size, std::string* text) {
  std::uint16_t length = 0;
  if (!ParseU16BE(buffer, size, &length) || length > size - 2) return false;
  *text = TextUpToZero(buffer + 2, length);
  return true;
}

}  // namespace carafe
