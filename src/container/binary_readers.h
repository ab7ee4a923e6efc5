// Big-endian primitive readers shared by the setup container and the Java
// archive. File readers read at the current position; each fails when the
// read delivers fewer bytes than asked (end of file included).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace carafe {

// Reads exactly size bytes into buffer.
bool ReadBytes(const File& file, void* buffer, std::uint32_t size);
// Positions the file at an absolute offset; true when the resulting position
// is that offset.
bool SeekTo(const File& file, std::uint64_t position);

bool ReadU8(const File& file, std::uint8_t* value);
bool ReadU16BE(const File& file, std::uint16_t* value);
bool ReadU32BE(const File& file, std::uint32_t* value);
// The first four bytes are the high half.
bool ReadU64BE(const File& file, std::uint64_t* value);
// A u16 byte count L, then L bytes. The file moves past all 2 + L bytes; the
// text stops at the first zero byte among them, if any. Where the bytes that
// follow lie is told by L (storedLength), never by the text's length.
bool ReadString16(const File& file, std::string* text, std::uint16_t* storedLength = nullptr);

// The same two shapes read from memory. size is what the buffer holds; a
// value that would run past it fails.
bool ParseU16BE(const std::uint8_t* buffer, std::size_t size, std::uint16_t* value);
bool ParseString16(const std::uint8_t* buffer, std::size_t size, std::string* text);

}  // namespace carafe
