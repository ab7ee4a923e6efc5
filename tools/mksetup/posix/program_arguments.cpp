#include "mksetup/program_arguments.h"

namespace mksetup {

// The terminal hands over UTF-8 already.
Arguments ProgramArguments(int argc, char** argv) { return Arguments(argv + 1, argv + argc); }

}  // namespace mksetup
