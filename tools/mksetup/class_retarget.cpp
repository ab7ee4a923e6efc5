#include "mksetup/class_retarget.h"

#include <ostream>
#include <sstream>
#include <string_view>

#include "mksetup/byte_io.h"

namespace mksetup {

namespace format = carafe::format;

namespace {

std::string Trimmed(const std::string& text) {
  const char* blanks = " \t\r";
  std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The constant kinds of class-file version 45; the rest came with later JVMs.
bool IsOldConstant(std::uint8_t tag) {
  return tag == 0 || (tag >= format::kUtf8 && tag <= format::kNameAndType && tag != 2);
}

// "[[Ljava/lang/String;" names java/lang/String; "[B" names no class.
std::string ElementClass(const std::string& name) {
  if (name.empty() || name[0] != '[') return name;
  std::size_t at = name.find_first_not_of('[');
  if (at == std::string::npos || name[at] != 'L' || name.back() != ';') return std::string();
  return name.substr(at + 1, name.size() - at - 2);
}

}  // namespace

std::set<std::string> ParseApiList(const std::string& text) {
  std::set<std::string> entries;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::string entry = Trimmed(line.substr(0, line.find('#')));
    if (!entry.empty()) entries.insert(entry);
  }
  return entries;
}

bool NeedsNothingNewer(const format::ClassFile& classFile, const std::set<std::string>& api,
                       std::string* error) {
  for (std::size_t index = 0; index < classFile.constants.size(); ++index) {
    if (!IsOldConstant(classFile.constants[index].tag)) {
      *error = "constant " + std::to_string(index) + " is of kind " +
               std::to_string(classFile.constants[index].tag) + ", which old JVMs do not know";
      return false;
    }
  }
  for (const std::string& name : format::ReferencedClasses(classFile)) {
    std::string element = ElementClass(name);
    if (!element.empty() && element != classFile.thisClass && api.count(element) == 0) {
      *error = "uses class " + element + ", which the API list does not name";
      return false;
    }
  }
  for (const format::MemberReference& member : format::ReferencedMembers(classFile)) {
    std::string entry = member.owner + "." + member.name + " " + member.descriptor;
    if (api.count(entry) == 0) {
      *error = "uses " + entry + ", which the API list does not name";
      return false;
    }
  }
  return true;
}

int RetargetCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  std::string input, apiFile, output;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--api" || arg == "-o" || arg == "--output") {
      if (i + 1 == args.size()) return Fail(err, "retarget: " + arg + " needs a value");
      (arg == "--api" ? apiFile : output) = args[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      return Fail(err, "retarget: unknown argument '" + arg + "'");
    } else if (input.empty()) {
      input = arg;
    } else {
      return Fail(err, "retarget: one class at a time, got '" + arg + "' as well");
    }
  }
  if (input.empty()) return Fail(err, "retarget needs a CLASS file");
  if (apiFile.empty()) return Fail(err, "retarget needs --api FILE");
  if (output.empty()) return Fail(err, "retarget needs -o OUTPUT");

  std::string bytes, apiText, error;
  if (!ReadWholeFile(input, "the class", &bytes, &error) ||
      !ReadWholeFile(apiFile, "the API list", &apiText, &error)) {
    return Fail(err, "retarget: " + error);
  }
  format::ClassFile classFile;
  if (!format::ParseClassFile(bytes, &classFile, &error) ||
      !NeedsNothingNewer(classFile, ParseApiList(apiText), &error)) {
    return Fail(err, "retarget: " + input + ": " + error);
  }
  const char version[4] = {0, static_cast<char>(format::kOldestMinorVersion), 0,
                           static_cast<char>(format::kOldestMajorVersion)};
  bytes.replace(format::kVersionOffset, sizeof version, version, sizeof version);
  if (!ReplaceFile(output, {std::string_view(bytes)}, &error)) return Fail(err, "retarget: " + error);
  out << "wrote " << output << " (class-file version 45.3)\n";
  return 0;
}

}  // namespace mksetup
