#include "mksetup/cli.h"

#include <ostream>
#include <string>

#include "mksetup/archive_builder.h"
#include "mksetup/class_retarget.h"
#include "mksetup/commands.h"
#include "mksetup/try_setup.h"

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
     "        (--criteria TEXT | --criteria-file FILE) -o setup.exe [--replace] [--force]\n"
     "        [--name TEXT] [--name-file FILE] [--icon FILE.ico] [--version-info KEY=VALUE...]",
     "Joins the launcher stub and a setup container holding the Java archive, the\n"
     "verify class and the search criteria into one setup executable. The criteria\n"
     "are checked as the launcher reads them; a criteria file holds one alternative\n"
     "a line.\n"
     "  --replace   the stub may already carry a container or a signature: build\n"
     "              from its image end, with the security directory cleared\n"
     "  --force     take an archive or verify class that is no class, or named otherwise\n"
     "  --name      the product's name: the dialogs' caption, the message title and\n"
     "              the progress text, in every language\n"
     "  --name-file lines LANGUAGE=NAME (1033=Acme Setup) for translated names\n"
     "  --icon      the icon of the file and its dialogs: every image of the .ico\n"
     "  --version-info  ProductName, CompanyName, FileDescription, ProductVersion,\n"
     "              FileVersion (numbers such as 2.1.0.7) or LegalCopyright=VALUE\n"
     "Without these four the stub's bytes are copied as they are.\n"},
    {"archive", mksetup::ArchiveCommand,
     "archive --class Installer.class (--section NAME [--compress]\n"
     "        (--resource NAME=FILE[:flag])...)... -o rerodova.class",
     "Builds a Java archive: the installation class with named sections of\n"
     "resources, carried in one attribute of the class so that every JVM loads it.\n"
     "  --compress  store the section's resources as one raw DEFLATE stream\n"
     "  :flag       a resource's flag byte (1 marks a bundled JVM installer)\n"},
    {"list", mksetup::ListCommand, "list setup.exe | list rerodova.class",
     "Shows a setup's container sections, its signature and the Java archive\n"
     "inside it, or the sections and resources of an archive file.\n"},
    {"retarget", mksetup::RetargetCommand, "retarget Class.class --api FILE -o Out.class",
     "Checks that a compiled class needs nothing newer than the first Java\n"
     "releases (constant kinds of class-file version 45, and only the classes and\n"
     "members the API list names, on their class or one it extends) and writes it\n"
     "as class-file version 45.3. Names every problem in one run.\n"},
    {"try", mksetup::TryCommand, "try SETUP.EXE [--jvm JAVA] [-- LAUNCHER-OPTIONS...]",
     "Runs the setup under Wine (Linux) in a throwaway prefix without a Z: drive,\n"
     "with the host's JVM (--jvm, else java on PATH) installed there as a JDK, and\n"
     "prints the launcher's log, then the installation's output, error output and\n"
     "exit code. Exits with that code, or 125 when the installation never ran.\n"},
};

bool IsHelp(const std::string& word) { return word == "--help" || word == "-h"; }

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

int UnknownCommand(const std::string& name, std::ostream& err) {
  err << "mksetup: error: unknown command '" << name << "'\n";
  return Usage(err, 2);
}

}  // namespace

namespace mksetup {

int RunMksetup(const Arguments& args, const char* version, std::ostream& out,
               std::ostream& err) {
  if (args.empty()) return Usage(err, 2);
  const std::string& first = args[0];
  if (IsHelp(first)) return Usage(out, 0);
  if (first == "--version") {
    out << "mksetup " << version << "\n";
    return 0;
  }
  if (first == "help") {
    if (args.size() == 1) return Usage(out, 0);
    const Command* command = Find(args[1]);
    return command ? CommandHelp(*command, out) : UnknownCommand(args[1], err);
  }
  const Command* command = Find(first);
  if (command == nullptr) return UnknownCommand(first, err);
  for (const std::string& arg : args)
    if (IsHelp(arg)) return CommandHelp(*command, out);
  return command->run(Arguments(args.begin() + 1, args.end()), out, err);
}

}  // namespace mksetup
