// Files for the setup builder: plain std::fstream, no launcher platform
// layer. The bytes inside them are the format module's business. Paths are
// UTF-8, as every argument is (program_arguments.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mksetup {

// The whole file. False, with a message naming what, when it cannot be read.
bool ReadWholeFile(const std::string& path, const std::string& what, std::string* content,
                   std::string* error);

// Writes the pieces, one after the other, to a temporary file beside path
// and renames it over path, so that path is either untouched or complete.
bool ReplaceFile(const std::string& path, const std::vector<std::string_view>& pieces,
                 std::string* error);

}  // namespace mksetup
