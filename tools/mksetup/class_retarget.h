// `mksetup retarget`: makes a compiled class loadable by every JVM back to
// the first releases. It checks that the class needs nothing those releases
// lacked (no constant kinds newer than class-file version 45, and no class,
// field or method of another class that a list of known-old API leaves out),
// then writes it with class-file version 45.3.
#pragma once

#include <iosfwd>
#include <set>
#include <string>

#include "format/class_file.h"
#include "mksetup/commands.h"

namespace mksetup {

// The API list: one entry a line, "#" starts a comment. A line is a class
// ("java/lang/StringBuffer") or a member with its descriptor
// ("java/lang/System.out Ljava/io/PrintStream;").
std::set<std::string> ParseApiList(const std::string& text);

// False, naming the first offender, when the class needs what the list and
// class-file version 45 do not have.
bool NeedsNothingNewer(const carafe::format::ClassFile& classFile,
                       const std::set<std::string>& api, std::string* error);

// retarget CLASS --api FILE -o OUTPUT
int RetargetCommand(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace mksetup
