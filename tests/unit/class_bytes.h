// Minimal class files for the builder's tests: the class's own name and
// Class constant (#1, #2), then the given constants, no members, no
// attributes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_classes {

inline std::string U16(unsigned value) {
  return {static_cast<char>((value >> 8) & 0xFF), static_cast<char>(value & 0xFF)};
}

inline std::string Utf8(const std::string& text) { return '\x01' + U16(text.size()) + text; }

// A constant of two index fields (Class and String take one: pass b < 0).
inline std::string Ref(std::uint8_t tag, unsigned a, int b = -1) {
  return static_cast<char>(tag) + U16(a) + (b < 0 ? std::string() : U16(b));
}

inline std::string ClassBytes(const std::string& name, const std::vector<std::string>& constants,
                              unsigned major = 52) {
  std::string bytes("\xCA\xFE\xBA\xBE", 4);
  unsigned slots = 3;  // slot 0 and the class's own two
  for (const std::string& constant : constants) slots += constant[0] == 5 || constant[0] == 6 ? 2 : 1;
  bytes += U16(0) + U16(major) + U16(slots);
  bytes += Utf8(name) + Ref(7, 1);
  for (const std::string& constant : constants) bytes += constant;
  // Public, this class #2, no super class, interfaces, fields, methods or attributes.
  return bytes + U16(0x21) + U16(2) + U16(0) + U16(0) + U16(0) + U16(0) + U16(0);
}

}  // namespace testing_classes
