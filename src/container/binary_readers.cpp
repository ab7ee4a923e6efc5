#include "container/binary_readers.h"

#include <string_view>

namespace carafe {

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

bool ReadPiece(const File& file, std::size_t size, std::string* bytes) {
  bytes->assign(size, '\0');
  return size == 0 || ReadBytes(file, &(*bytes)[0], static_cast<std::uint32_t>(size));
}

bool ReadString16(const File& file, std::string* text, std::uint16_t* storedLength) {
  std::uint16_t length = 0;
  std::string stored;
  if (!ReadBigEndian(file, &length) || !ReadPiece(file, length, &stored)) return false;
  if (storedLength) *storedLength = length;
  *text = format::String16Text(stored);
  return true;
}

bool ParseString16(const std::uint8_t* buffer, std::size_t size, std::string* text) {
  if (buffer == nullptr) return false;
  return format::ByteCursor(std::string_view(reinterpret_cast<const char*>(buffer), size))
      .String16(text);
}

}  // namespace carafe
