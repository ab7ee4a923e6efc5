// Starting a program and waiting until its process has ended.
#pragma once

#include <string>

namespace carafe {

// Starts program (quoted when it holds a blank, see StartOf) with arguments
// after one blank, and waits for its end while the calling thread's windows
// stay served. hidden starts it with its window hidden; showChild keeps an
// ordinary windowed program visible and skips the window search of the
// Windows 95/98 family. True when it started and ended, whatever its exit
// code; false when it cannot be started or the wait fails.
bool RunProgram(const std::string& program, const std::string& arguments, bool hidden,
                bool showChild);

}  // namespace carafe
