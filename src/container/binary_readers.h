// Reading the setup formats' pieces from a file: exact reads and seeks
// through the platform seam. What the bytes mean is the format module's
// (src/format); these only fetch them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "format/byte_order.h"
#include "platform/platform.h"

namespace carafe {

// Reads exactly size bytes into buffer.
bool ReadBytes(const File& file, void* buffer, std::uint32_t size);
// Positions the file at an absolute offset; true when the resulting position
// is that offset.
bool SeekTo(const File& file, std::uint64_t position);
// The next size bytes (at most 64 KiB: one piece of a format).
bool ReadPiece(const File& file, std::size_t size, std::string* bytes);

// A big-endian field of sizeof(T) bytes at the current position.
template <typename T>
bool ReadBigEndian(const File& file, T* value) {
  std::string bytes;
  if (!ReadPiece(file, sizeof(T), &bytes)) return false;
  *value = static_cast<T>(format::BigEndian(bytes));
  return true;
}

// A length-prefixed string: the file moves past all 2 + L stored bytes,
// which storedLength receives; the text stops at a zero byte among them.
bool ReadString16(const File& file, std::string* text, std::uint16_t* storedLength = nullptr);

// A length-prefixed string from memory; size is what the buffer holds.
bool ParseString16(const std::uint8_t* buffer, std::size_t size, std::string* text);

}  // namespace carafe
