// mksetup: builds the launcher's setup executables and lists what one holds.
#include <cstring>
#include <iostream>

#include "mksetup/archive_builder.h"
#include "mksetup/commands.h"

namespace {

struct Command {
  const char* name;
  int (*run)(const mksetup::Arguments& args, std::ostream& out, std::ostream& err);
  const char* usage;
};

// One line per subcommand.
const Command kCommands[] = {
    {"build", mksetup::BuildCommand,
     "build --stub launcher.exe --archive rerodova.class --verify Verify.class\n"
     "        (--criteria TEXT | --criteria-file FILE) -o setup.exe [--replace] [--force]"},
    {"list", mksetup::ListCommand, "list setup.exe | list rerodova.class"},
    {"archive", mksetup::ArchiveCommand,
     "archive --class Installer.class (--section NAME [--compress]\n"
     "        (--resource NAME=FILE[:flag])...)... -o rerodova.class"},
};

int Usage(std::ostream& out, int code) {
  out << "usage:\n";
  for (const Command& command : kCommands) out << "  mksetup " << command.usage << "\n";
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage(std::cerr, 2);
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)
    return Usage(std::cout, 0);
  for (const Command& command : kCommands) {
    if (std::strcmp(argv[1], command.name) == 0)
      return command.run(mksetup::Arguments(argv + 2, argv + argc), std::cout, std::cerr);
  }
  std::cerr << "mksetup: error: unknown command '" << argv[1] << "'\n";
  return Usage(std::cerr, 2);
}
