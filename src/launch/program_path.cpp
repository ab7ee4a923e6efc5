#include "launch/program_path.h"

namespace carafe {

namespace {

bool IsFullPath(const std::string& path) {
  const bool drive = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
  return drive || path.compare(0, 2, "\\\\") == 0;
}

}  // namespace

std::string QuoteIfBlank(const std::string& path) {
  if (path.find_first_of(" \t") == std::string::npos) return path;
  return '"' + path + '"';
}

ProcessStart StartOf(const std::string& program, const std::string& arguments) {
  ProcessStart start;
  start.commandLine = QuoteIfBlank(program);
  if (!arguments.empty()) start.commandLine += " " + arguments;
  if (IsFullPath(program)) start.applicationName = program;
  return start;
}

}  // namespace carafe
