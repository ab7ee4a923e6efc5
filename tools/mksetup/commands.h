// The subcommands of mksetup. Each takes the arguments after its own name,
// writes its output to out and one-line errors to err, and returns the
// process exit code.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace mksetup {

using Arguments = std::vector<std::string>;

// build --stub launcher.exe --archive rerodova.class --verify Verify.class
//       (--criteria TEXT | --criteria-file FILE) -o setup.exe [--replace] [--force]
int BuildCommand(const Arguments& args, std::ostream& out, std::ostream& err);

// archive --class FILE (--section NAME [--compress] (--resource NAME=FILE[:flag])...)... -o OUT
int ArchiveCommand(const Arguments& args, std::ostream& out, std::ostream& err);

// list setup.exe | list rerodova.class (in listing.h)
int ListCommand(const Arguments& args, std::ostream& out, std::ostream& err);

// Writes "mksetup: error: <message>" and returns the failure exit code.
int Fail(std::ostream& err, const std::string& message);
// Writes "mksetup: warning: <message>": the command goes on.
void Warn(std::ostream& err, const std::string& message);

}  // namespace mksetup
