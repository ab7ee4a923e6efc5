#include "format/class_code.h"

#include "format/byte_order.h"

namespace carafe::format {

namespace {

// Bytes an instruction takes by opcode, 0 for the switches (sized by their
// tables) and for opcodes no class file holds.
std::uint8_t InstructionBytes(std::uint8_t op) {
  if (op <= 0x0F || (op >= 0x1A && op <= 0x35) || (op >= 0x3B && op <= 0x83) ||
      (op >= 0x85 && op <= 0x98) || (op >= 0xAC && op <= 0xB1) || op == 0xBE || op == 0xBF ||
      op == 0xC2 || op == 0xC3)
    return 1;
  if (op == 0x10 || op == 0x12 || (op >= 0x15 && op <= 0x19) || (op >= 0x36 && op <= 0x3A) ||
      op == 0xA9 || op == 0xBC)
    return 2;
  if (op == 0x11 || op == 0x13 || op == 0x14 || op == 0x84 || (op >= 0x99 && op <= 0xA8) ||
      (op >= 0xB2 && op <= 0xB8) || op == 0xBB || op == 0xBD || op == 0xC0 || op == 0xC1 ||
      op == 0xC6 || op == 0xC7)
    return 3;
  if (op == 0xC5) return 4;
  if (op == 0xB9 || op == 0xBA || op == 0xC8 || op == 0xC9) return 5;
  return 0;
}

}  // namespace

bool ReadInstructions(std::string_view code, std::vector<Instruction>* instructions) {
  constexpr std::uint8_t kTableSwitch = 0xAA, kLookupSwitch = 0xAB, kWide = 0xC4, kIinc = 0x84;
  for (std::size_t pc = 0; pc < code.size();) {
    const auto op = static_cast<std::uint8_t>(code[pc]);
    std::size_t bytes = InstructionBytes(op);
    ByteCursor cursor(code.substr(pc + 1));
    std::uint32_t low = 0, high = 0, pairs = 0;
    if (op == kTableSwitch || op == kLookupSwitch) {
      const std::size_t pad = 3 - pc % 4;
      if (!cursor.Skip(pad + 4)) return false;
      if (op == kTableSwitch && (!cursor.BigEndian(&low) || !cursor.BigEndian(&high) || high < low))
        return false;
      if (op == kLookupSwitch && !cursor.BigEndian(&pairs)) return false;
      bytes = 1 + pad + 4 +
              (op == kTableSwitch ? 8 + 4 * (std::uint64_t(high - low) + 1)
                                  : 4 + 8 * std::uint64_t(pairs));
    } else if (op == kWide) {
      bytes = pc + 1 < code.size() && static_cast<std::uint8_t>(code[pc + 1]) == kIinc ? 6 : 4;
    }
    if (bytes == 0 || bytes > code.size() - pc) return false;
    std::uint16_t constant = 0;
    std::uint8_t narrow = 0;
    const bool named = op == kLdc || (op >= 0x13 && op <= 0x14) || (op >= 0xB2 && op <= 0xBB) ||
                       op == 0xBD || op == 0xC0 || op == 0xC1 || op == 0xC5;
    if (named && !(op == kLdc ? cursor.BigEndian(&narrow) : cursor.BigEndian(&constant)))
      return false;
    instructions->push_back({op, op == kLdc ? std::uint16_t{narrow} : constant});
    pc += bytes;
  }
  return true;
}

}  // namespace carafe::format
