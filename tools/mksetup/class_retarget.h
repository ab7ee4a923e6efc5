// `mksetup retarget`: makes a compiled class loadable by every JVM back to
// the first releases. It checks that the class needs nothing those releases
// lacked (no constant kinds newer than class-file version 45, no class
// literals, and no class, field or method of another class that a list of
// known-old API leaves out), then writes it with class-file version 45.3.
#pragma once

#include <iosfwd>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "format/class_code.h"
#include "format/class_file.h"
#include "mksetup/commands.h"

namespace mksetup {

// The API list: one entry a line, "#" starts a comment. A line is a class
// ("java/lang/StringBuffer"), a class with the class it extends
// ("java/io/IOException extends java/lang/Exception"), or a member with its
// descriptor ("java/lang/System.out Ljava/io/PrintStream;"). A class listed
// without "extends" extends java/lang/Object.
struct ApiList {
  std::set<std::string> entries;              // classes and members
  std::map<std::string, std::string> supers;  // class -> the class it extends
};

ApiList ParseApiList(const std::string& text);

// Every thing the class needs that the list and class-file version 45 do
// not have, one line each, naming the methods that use it.
std::vector<std::string> NewerNeeds(const carafe::format::ClassFile& classFile, const ApiList& api);

// retarget CLASS --api FILE -o OUTPUT
int RetargetCommand(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace mksetup
