#include "mksetup/class_retarget.h"

#include <ostream>
#include <sstream>
#include <string_view>

#include "mksetup/byte_io.h"

namespace mksetup {

namespace format = carafe::format;

namespace {

constexpr const char kObject[] = "java/lang/Object";

std::string Trimmed(const std::string& text) {
  const char* blanks = " \t\r";
  std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The constant kinds of class-file version 45 by tag; the rest came later.
const char* NewerConstantKind(std::uint8_t tag) {
  switch (tag) {
    case format::kMethodHandle:
      return "MethodHandle";
    case format::kMethodType:
      return "MethodType";
    case format::kDynamic:
      return "Dynamic";
    case format::kInvokeDynamic:
      return "InvokeDynamic";
    case format::kModule:
      return "Module";
    case format::kPackage:
      return "Package";
    default:
      return nullptr;
  }
}

// "[[Ljava/lang/String;" names java/lang/String; "[B" names no class.
std::string ElementClass(const std::string& name) {
  if (name.empty() || name[0] != '[') return name;
  std::size_t at = name.find_first_not_of('[');
  if (at == std::string::npos || name[at] != 'L' || name.back() != ';') return std::string();
  return name.substr(at + 1, name.size() - at - 2);
}

std::string Dotted(std::string name) {
  for (char& c : name)
    if (c == '/') c = '.';
  return name;
}

// The member as listed on its owner or on a class the owner extends.
bool Listed(const ApiList& api, std::string owner, const std::string& member) {
  for (int depth = 0; depth < 64 && !owner.empty(); ++depth) {
    if (api.entries.count(owner + member)) return true;
    if (owner == kObject) return false;
    auto super = api.supers.find(owner);
    owner = super == api.supers.end() ? kObject : super->second;
  }
  return false;
}

// Which methods use each pool index, and which ldc a class constant.
struct Uses {
  std::map<std::uint16_t, std::set<std::string>> methods;
  std::map<std::uint16_t, std::set<std::string>> literals;
};

Uses FindUses(const format::ClassFile& classFile, std::vector<std::string>* needs) {
  Uses uses;
  for (const format::Method& method : classFile.methods) {
    std::vector<format::Instruction> instructions;
    if (!format::ReadInstructions(method.code, &instructions))
      needs->push_back("method " + method.name + " holds code this reader cannot walk");
    for (const format::Instruction& instruction : instructions) {
      if (instruction.constant == 0 || instruction.constant >= classFile.constants.size()) continue;
      uses.methods[instruction.constant].insert(method.name);
      const bool ldc = instruction.opcode == format::kLdc || instruction.opcode == format::kLdcWide;
      if (ldc && classFile.constants[instruction.constant].tag == format::kClass)
        uses.literals[instruction.constant].insert(method.name);
    }
  }
  // A class is used where its members are.
  for (std::size_t index = 1; index < classFile.constants.size(); ++index) {
    const format::Constant& constant = classFile.constants[index];
    const bool member = constant.tag == format::kFieldref || constant.tag == format::kMethodref ||
                        constant.tag == format::kInterfaceMethodref;
    if (member && uses.methods.count(index))
      uses.methods[constant.first].insert(uses.methods[index].begin(), uses.methods[index].end());
  }
  return uses;
}

std::string Where(const Uses& uses, std::uint16_t index) {
  auto found = uses.methods.find(index);
  if (found == uses.methods.end()) return " (in the class's declarations)";
  std::string text;
  for (const std::string& method : found->second) text += (text.empty() ? "" : ", ") + method;
  return " (in " + text + ")";
}

}  // namespace

ApiList ParseApiList(const std::string& text) {
  ApiList api;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::string entry = Trimmed(line.substr(0, line.find('#')));
    const std::size_t extends = entry.find(" extends ");
    if (extends != std::string::npos) {
      api.supers[entry.substr(0, extends)] = Trimmed(entry.substr(extends + 9));
      entry.erase(extends);
    }
    if (!entry.empty()) api.entries.insert(entry);
  }
  return api;
}

std::vector<std::string> NewerNeeds(const format::ClassFile& classFile, const ApiList& api) {
  std::vector<std::string> needs;
  const Uses uses = FindUses(classFile, &needs);
  std::set<std::string> unlisted;
  for (std::size_t index = 1; index < classFile.constants.size(); ++index) {
    const format::Constant& constant = classFile.constants[index];
    const auto at = static_cast<std::uint16_t>(index);
    if (const char* kind = NewerConstantKind(constant.tag)) {
      needs.push_back("constant " + std::to_string(index) + " of kind " + kind +
                      ", which class-file version 45.3 cannot carry" + Where(uses, at));
    } else if (constant.tag == format::kClass) {
      const std::string name = format::Utf8At(classFile, constant.first);
      const std::string element = ElementClass(name);
      if (uses.literals.count(at))
        needs.push_back("class literal " + Dotted(element) + ".class" + Where(uses, at) +
                        ", which Java 1.1 lacks; use Class.forName(\"" + Dotted(element) + "\")");
      if (!element.empty() && element != classFile.thisClass && !api.entries.count(element) &&
          unlisted.insert(element).second)
        needs.push_back("uses class " + element + Where(uses, at) +
                        ", which the API list does not name");
    }
  }
  for (std::size_t index = 1; index < classFile.constants.size(); ++index) {
    const format::Constant& constant = classFile.constants[index];
    if (constant.tag != format::kFieldref && constant.tag != format::kMethodref &&
        constant.tag != format::kInterfaceMethodref)
      continue;
    const std::string owner =
        format::Utf8At(classFile, constant.first < classFile.constants.size()
                                      ? classFile.constants[constant.first].first
                                      : 0);
    if (owner == classFile.thisClass || unlisted.count(ElementClass(owner))) continue;
    std::string member = ".";
    if (constant.second < classFile.constants.size()) {
      const format::Constant& nameAndType = classFile.constants[constant.second];
      member += format::Utf8At(classFile, nameAndType.first) + " " +
                format::Utf8At(classFile, nameAndType.second);
    }
    if (!Listed(api, owner, member))
      needs.push_back("uses " + owner + member + Where(uses, static_cast<std::uint16_t>(index)) +
                      ", which the API list does not name for it or a class it extends");
  }
  return needs;
}

int RetargetCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  std::string input, apiFile, output;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--api" || arg == "-o" || arg == "--output") {
      std::string& value = arg == "--api" ? apiFile : output;
      if (i + 1 == args.size()) return Fail(err, "retarget: " + arg + " needs a value");
      if (!value.empty()) return Fail(err, "retarget: " + arg + " is given twice; give it once");
      value = args[++i];
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
  if (!format::ParseClassFile(bytes, &classFile, &error))
    return Fail(err, "retarget: " + input + ": " + error);
  const std::vector<std::string> needs = NewerNeeds(classFile, ParseApiList(apiText));
  for (const std::string& need : needs)
    err << "mksetup: error: retarget: " << input << ": " << need << "\n";
  if (!needs.empty())
    return Fail(err, "retarget: " + input + ": old JVMs lack what the " +
                         std::to_string(needs.size()) + " lines above name; nothing written");
  const char version[4] = {0, static_cast<char>(format::kOldestMinorVersion), 0,
                           static_cast<char>(format::kOldestMajorVersion)};
  bytes.replace(format::kVersionOffset, sizeof version, version, sizeof version);
  if (!ReplaceFile(output, {std::string_view(bytes)}, &error))
    return Fail(err, "retarget: " + error);
  out << "wrote " << output << " (class-file version 45.3)\n";
  return 0;
}

}  // namespace mksetup
