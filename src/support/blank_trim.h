// Blank trimming, apart from the file helpers so that the criteria parser,
// which mksetup shares, needs no platform.
#pragma once

#include <string>

namespace carafe {

// Remove blanks (0x20 only; tabs stay) at the end, respectively the start.
void TrimRight(std::string& text);
void TrimLeft(std::string& text);

}  // namespace carafe
