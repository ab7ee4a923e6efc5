// mksetup: builds the launcher's setup executables and Java archives, lists
// what one holds, and retargets classes for old JVMs.
#include <iostream>

#include "mksetup/cli.h"
#include "mksetup/program_arguments.h"

int main(int argc, char** argv) {
  return mksetup::RunMksetup(mksetup::ProgramArguments(argc, argv), CARAFE_VERSION, std::cout,
                             std::cerr);
}
