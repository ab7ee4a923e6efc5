#include "mksetup/host_jvm_answer.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "mksetup/byte_io.h"

namespace mksetup {

namespace fs = std::filesystem;

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

fs::path PrefixPath(const fs::path& prefix, const std::string& windows) {
  std::error_code code;
  const std::string drive(1,
                          static_cast<char>(std::tolower(static_cast<unsigned char>(windows[0]))));
  std::string rest = windows.substr(3);
  for (char& c : rest)
    if (c == '\\') c = '/';
  return fs::canonical(prefix / "dosdevices" / (drive + ":"), code) / rest;
}

namespace {

// "C:\..." and the like.
bool IsWindowsPath(const std::string& text) {
  return text.size() >= 3 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' &&
         text[2] == '\\';
}

}  // namespace

// Class path entries and -D values that are Windows paths become Unix paths.
std::string HostJvmAnswer::HostArgument(const std::string& before,
                                        const std::string& argument) const {
  if (before == "-classpath" || before == "-cp") {
    std::string joined, entry;
    std::istringstream entries(argument);
    while (std::getline(entries, entry, ';'))
      joined += (joined.empty() ? "" : ":") +
                (IsWindowsPath(entry) ? PrefixPath(prefix_, entry).string() : entry);
    return joined;
  }
  const std::size_t equals = argument.find('=');
  if (argument.compare(0, 2, "-D") == 0 && equals != std::string::npos &&
      IsWindowsPath(argument.substr(equals + 1)))
    return argument.substr(0, equals + 1) +
           PrefixPath(prefix_, argument.substr(equals + 1)).string();
  return argument;
}

void HostJvmAnswer::AnswerWaiting(const fs::path& folder) {
  std::error_code code;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, code))
    if (entry.path().extension() == ".request") Answer(entry.path());
}

// A request: the current folder, then the arguments, one CR LF line each.
// The answer: the exit code as a line, then the output bytes.
void HostJvmAnswer::Answer(const fs::path& request) {
  std::istringstream lines(Slurp(request));
  std::vector<std::string> words;
  for (std::string line; std::getline(lines, line);)
    words.push_back(line.substr(0, line.find('\r')));
  if (words.empty()) return;
  JvmRun run;
  std::string command =
      "cd " + Quoted(PrefixPath(prefix_, words[0]).string()) + " && timeout 600 " + Quoted(java_);
  for (std::size_t i = 1; i < words.size(); ++i) {
    const std::string before = i > 1 ? words[i - 1] : std::string();
    if (run.className.empty() && words[i].compare(0, 1, "-") != 0 && before != "-cp" &&
        before != "-classpath")
      run.className = words[i];
    command += " " + Quoted(HostArgument(before, words[i]));
  }
  const std::string base = (scratch_ / request.stem()).string();
  Shell(command + " </dev/null >" + Quoted(base + ".out") + " 2>" + Quoted(base + ".err") +
        "; echo $? >" + Quoted(base + ".code"));
  run.output = Slurp(base + ".out");
  run.errors = Slurp(base + ".err");
  run.exitCode = std::atoi(Slurp(base + ".code").c_str());
  std::string error;
  std::error_code code;
  fs::remove(request, code);
  ReplaceFile((request.parent_path() / request.stem()).string() + ".answer",
              {std::to_string(run.exitCode) + "\n", run.output}, &error);
  runs_.push_back(run);
}

}  // namespace mksetup
