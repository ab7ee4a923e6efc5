// Class-path libraries of a JVM home and the arguments every JVM run gets:
// the class-path switch of its kind of executable, the class path, the class
// name and any extra text.
#pragma once

#include <string>

namespace carafe {

// One kind of JVM executable and the switch that gives it a class path. The
// switch carries its own blanks on both sides.
struct JvmExecutable {
  const char* name;
  const char* classPathSwitch;
};

// java.exe, jre.exe, jview.exe, tried in this order; a row applies when its
// name occurs in the executable path (letter case counts). An empty row ends
// the table.
extern const JvmExecutable kJvmExecutables[];

// The libraries of a JDK home: classes.zip alone, else dt.jar (and
// tools.jar when present), else "".
std::string CollectJdkLibs(const std::string& home);
// The libraries of a JRE home: classes.zip alone, else rt.jar followed by
// whichever of jaws.jar, i18n.jar and ext\iiimp.jar exist, else "".
std::string CollectJreLibs(const std::string& home);
// Every library file of both kinds that exists under home, in one pass with
// no early stop (classes.zip is looked for twice).
std::string CollectAllLibs(const std::string& home);

// Builds " <switch>\"<class path>\" <class>[ <extra>]" for exePath. libs may
// be empty (then the class path falls back to the JVM's ..\lib\classes.zip),
// classFile is the class's path with or without ".class". False, with out
// untouched, when exePath names none of the executables of the table.
bool BuildClassArguments(std::string& out, const std::string& exePath, const std::string& libs,
                         const std::string& classFile, const std::string& extra);

}  // namespace carafe
