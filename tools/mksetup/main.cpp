// mksetup: builds the launcher's setup executables and Java archives, lists
// what one holds, and retargets classes for old JVMs.
#include <cstring>
#include <iostream>
#include <string>

#include "mksetup/archive_builder.h"
#include "mksetup/class_retarget.h"
#include "mksetup/commands.h"

namespace {

struct Command {
  const char* name;
  int (*run)(const mksetup::Arguments& args, std::ostream& out, std::ostream& err);
  const char* synopsis;
  const char* details;
};

const Command kCommands[] = {
    {"build", mksetup::BuildCommand,
     "build --stub launcher.exe --archive rerodova.class --verify Verify.class\n"
     "        (--criteria TEXT | --criteria-file FILE) -o setup.exe [--replace] [--force]",
     "Joins the launcher stub and a setup container holding the Java archive, the\n"
     "verify class and the search criteria into one setup executable.\n"
     "  --replace   the stub may already carry a container: replace it\n"
     "  --force     accept criteria in which no entry parses\n"},
    {"archive", mksetup::ArchiveCommand,
     "archive --class Installer.class (--section NAME [--compress]\n"
     "        (--resource NAME=FILE[:flag])...)... -o rerodova.class",
     "Builds a Java archive: the installation class with named sections of\n"
     "resources, carried in one attribute of the class so that every JVM loads it.\n"
     "  --compress  store the section's resources as one raw DEFLATE stream\n"
     "  :flag       a resource's flag byte (1 marks a bundled JVM installer)\n"},
    {"list", mksetup::ListCommand, "list setup.exe | list rerodova.class",
     "Shows a setup's container sections and the Java archive inside it, or the\n"
     "sections and resources of an archive file.\n"},
    {"retarget", mksetup::RetargetCommand, "retarget Class.class --api FILE -o Out.class",
     "Checks that a compiled class needs nothing newer than the first Java\n"
     "releases (constant kinds of class-file version 45, and only the classes and\n"
     "members the API list names) and writes it as class-file version 45.3.\n"},
};

const char kVersion[] = CARAFE_VERSION;

bool IsHelp(const char* word) {
  return std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0;
}

const Command* Find(const std::string& name) {
  for (const Command& command : kCommands)
    if (name == command.name) return &command;
  return nullptr;
}

int Usage(std::ostream& out, int code) {
  out << "usage:\n";
  for (const Command& command : kCommands) out << "  mksetup " << command.synopsis << "\n";
  out << "  mksetup help COMMAND | mksetup COMMAND --help | mksetup --version\n";
  return code;
}

int CommandHelp(const Command& command, std::ostream& out) {
  out << "usage: mksetup " << command.synopsis << "\n\n" << command.details;
  return 0;
}

int UnknownCommand(const std::string& name) {
  std::cerr << "mksetup: error: unknown command '" << name << "'\n";
  return Usage(std::cerr, 2);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage(std::cerr, 2);
  const std::string first = argv[1];
  if (IsHelp(argv[1])) return Usage(std::cout, 0);
  if (first == "--version") {
    std::cout << "mksetup " << kVersion << "\n";
    return 0;
  }
  if (first == "help") {
    if (argc == 2) return Usage(std::cout, 0);
    const Command* command = Find(argv[2]);
    return command ? CommandHelp(*command, std::cout) : UnknownCommand(argv[2]);
  }
  const Command* command = Find(first);
  if (command == nullptr) return UnknownCommand(first);
  for (int i = 2; i < argc; ++i)
    if (IsHelp(argv[i])) return CommandHelp(*command, std::cout);
  return command->run(mksetup::Arguments(argv + 2, argv + argc), std::cout, std::cerr);
}
