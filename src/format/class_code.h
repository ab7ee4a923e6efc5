// The bytecode of a method's Code attribute, walked instruction by
// instruction: which constants it names, for the builder's check of what a
// class needs. Platform-free: it works on bytes in memory.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace carafe::format {

// One instruction: its opcode and, for those that name a constant (ldc,
// field and method instructions, new, anewarray, checkcast, instanceof,
// multianewarray, invokedynamic), its pool index, else 0.
struct Instruction {
  std::uint8_t opcode = 0;
  std::uint16_t constant = 0;
};
constexpr std::uint8_t kLdc = 0x12, kLdcWide = 0x13;

// The code's instructions in order. False when the code is cut off or holds
// an unknown opcode.
bool ReadInstructions(std::string_view code, std::vector<Instruction>* instructions);

}  // namespace carafe::format
