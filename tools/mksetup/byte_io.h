// Files and byte orders for the setup builder: plain std::fstream, no
// launcher platform layer.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace mksetup {

// Appends value to bytes, most significant byte first.
void AppendBig(std::string& bytes, std::uint64_t value, int width);
// width bytes at at, least significant first (the PE headers' order).
std::uint32_t LittleAt(const std::string& bytes, std::size_t at, int width);
std::uint64_t BigAt(const std::string& bytes, std::size_t at, int width);

// Reads exactly count bytes from the stream's current position.
bool ReadExactly(std::istream& in, std::size_t count, std::string* bytes);

// The whole file. False, with a message naming what, when it cannot be read.
bool ReadWholeFile(const std::string& path, const std::string& what, std::string* content,
                   std::string* error);

// Writes the pieces, one after the other, to a temporary file beside path
// and renames it over path, so that path is either untouched or complete.
bool ReplaceFile(const std::string& path, const std::vector<std::string_view>& pieces,
                 std::string* error);

}  // namespace mksetup
