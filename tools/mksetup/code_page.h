// Whether a Windows ANSI code page can carry a text: the launcher loads its
// strings through the system's code page, which turns what it lacks into
// question marks. Answered by the system's own tables (posix/ or win32/).
#pragma once

#include <string>

namespace mksetup {

bool CodePageCarries(unsigned codePage, const std::u16string& text);

}  // namespace mksetup
