// The words after the program name, as UTF-8 whatever the system's code
// page: names and version texts go into UTF-16 resources, and paths are
// opened as UTF-8 (posix/ or win32/).
#pragma once

#include "mksetup/commands.h"

namespace mksetup {

Arguments ProgramArguments(int argc, char** argv);

}  // namespace mksetup
