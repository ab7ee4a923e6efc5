// The mksetup command line: picks the subcommand, answers help and
// --version, and returns the process exit code.
#pragma once

#include <iosfwd>

#include "mksetup/commands.h"

namespace mksetup {

// args are the words after the program name.
int RunMksetup(const Arguments& args, const char* version, std::ostream& out, std::ostream& err);

}  // namespace mksetup
