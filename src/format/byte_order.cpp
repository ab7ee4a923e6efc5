#include "format/byte_order.h"

namespace carafe::format {

std::uint64_t BigEndian(std::string_view bytes) {
  std::uint64_t value = 0;
  for (char byte : bytes) value = (value << 8) | static_cast<unsigned char>(byte);
  return value;
}

std::uint64_t LittleEndian(std::string_view bytes) {
  std::uint64_t value = 0;
  for (std::size_t i = bytes.size(); i > 0; --i)
    value = (value << 8) | static_cast<unsigned char>(bytes[i - 1]);
  return value;
}

void AppendBigEndian(std::string* out, std::uint64_t value, std::size_t width) {
  for (std::size_t i = width; i > 0; --i)
    out->push_back(static_cast<char>((value >> (8 * (i - 1))) & 0xFF));
}

std::string String16Text(std::string_view stored) {
  return std::string(stored.substr(0, stored.find('\0')));
}

bool AppendString16(std::string* out, std::string_view text) {
  if (text.size() > kString16MaxBytes) return false;
  AppendBigEndian(out, text.size(), kString16LengthBytes);
  out->append(text);
  return true;
}

bool ByteCursor::Seek(std::uint64_t position) {
  if (position > bytes_.size()) return false;
  position_ = position;
  return true;
}

bool ByteCursor::Skip(std::uint64_t count) {
  return count <= bytes_.size() - position_ && Seek(position_ + count);
}

bool ByteCursor::Bytes(std::uint64_t count, std::string_view* out) {
  if (count > bytes_.size() - position_) return false;
  *out = bytes_.substr(static_cast<std::size_t>(position_), static_cast<std::size_t>(count));
  position_ += count;
  return true;
}

bool ByteCursor::String16(std::string* text, std::uint16_t* storedLength) {
  const std::uint64_t start = position_;
  std::uint16_t length = 0;
  std::string_view stored;
  if (!BigEndian(&length) || !Bytes(length, &stored)) {
    position_ = start;
    return false;
  }
  *text = String16Text(stored);
  if (storedLength) *storedLength = length;
  return true;
}

}  // namespace carafe::format
