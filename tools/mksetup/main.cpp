// mksetup: builds the launcher's setup executables and Java archives, lists
// what one holds, and retargets classes for old JVMs.
#include <iostream>

#include "mksetup/cli.h"

int main(int argc, char** argv) {
  return mksetup::RunMksetup(mksetup::Arguments(argv + 1, argv + argc), CARAFE_VERSION, std::cout,
                             std::cerr);
}
