#include "launch/class_path.h"

#include "support/file_utilities.h"

namespace carafe {

const JvmExecutable kJvmExecutables[] = {
    {"java.exe", " -classpath "},
    {"jre.exe", " -cp "},
    {"jview.exe", " /cp:p "},
    {nullptr, nullptr},
};

namespace {

constexpr const char* kClassesZip = "\\lib\\classes.zip";
constexpr const char* kDtJar = "\\lib\\dt.jar";
constexpr const char* kToolsJar = "\\lib\\tools.jar";
constexpr const char* kRtJar = "\\lib\\rt.jar";
constexpr const char* kJawsJar = "\\lib\\jaws.jar";
constexpr const char* kI18nJar = "\\lib\\i18n.jar";
constexpr const char* kIiimpJar = "\\lib\\ext\\iiimp.jar";

constexpr const char* kClassSuffix = ".class";
// The library of a JVM laid out as home\bin and home\lib, reached from bin.
constexpr const char* kFallbackLibrary = "..\\lib\\classes.zip;";

// Appends home + name to libs when it exists, ";"-separated.
void AppendIfExists(std::string& libs, const std::string& home, const char* name) {
  std::string path = home + name;
  if (!FileExists(path)) return;
  if (!libs.empty()) libs += ';';
  libs += path;
}

}  // namespace

std::string CollectJdkLibs(const std::string& home) {
  if (FileExists(home + kClassesZip)) return home + kClassesZip;
  std::string libs;
  if (FileExists(home + kDtJar)) {
    libs = home + kDtJar;
    AppendIfExists(libs, home, kToolsJar);
  }
  return libs;
}

std::string CollectJreLibs(const std::string& home) {
  if (FileExists(home + kClassesZip)) return home + kClassesZip;
  std::string libs;
  if (FileExists(home + kRtJar)) {
    libs = home + kRtJar;
    for (const char* name : {kJawsJar, kI18nJar, kIiimpJar}) AppendIfExists(libs, home, name);
  }
  return libs;
}

std::string CollectAllLibs(const std::string& home) {
  std::string libs;
  for (const char* name :
       {kClassesZip, kDtJar, kToolsJar, kClassesZip, kRtJar, kJawsJar, kI18nJar, kIiimpJar})
    AppendIfExists(libs, home, name);
  return libs;
}

bool BuildClassArguments(std::string& out, const std::string& exePath, const std::string& libs,
                         const std::string& classFile, const std::string& extra) {
  std::string classFolder;
  std::string className = classFile;
  std::size_t slash = classFile.rfind('\\');
  if (slash != std::string::npos) {
    classFolder = classFile.substr(0, slash);
    className = classFile.substr(slash + 1);
    // The last six characters go, wherever ".class" was found in the name.
    if (className.find(kClassSuffix) != std::string::npos) className.erase(className.size() - 6);
  }

  std::string classPath;
  std::size_t exeSlash = exePath.rfind('\\');
  if (exeSlash != std::string::npos) {
    classPath = libs.empty() ? exePath.substr(0, exeSlash + 1) + kFallbackLibrary + classFolder
                             : libs + ";" + classFolder;
  }

  for (const JvmExecutable* row = kJvmExecutables; row->name; ++row) {
    if (exePath.find(row->name) == std::string::npos) continue;
    if (!classPath.empty()) out = std::string(row->classPathSwitch) + '"' + classPath + '"';
    out += ' ' + className;
    if (!extra.empty()) out += ' ' + extra;
    return true;
  }
  return false;
}

}  // namespace carafe
