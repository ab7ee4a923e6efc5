// What every fuzz target shares: a fresh in-memory system for each input,
// so that none sees the files, handles or processes an earlier one left
// behind; the input also as the file kInputPath, for the readers, which hold
// paths; a check that fails like a crash, so that the fuzzer keeps the input.
#pragma once

#include <cstdlib>

#include "memory_platform.h"

using namespace carafe;

constexpr char kInputPath[] = "C:\\TEMP\\input.bin";

// libFuzzer reports the abort with the stack of the failed check.
inline void Check(bool holds) { return holds ? void() : std::abort(); }

struct FuzzSystem : MemoryPlatform {
  ScopedPlatform installed{*this};
  File log = OpenFile("C:\\TEMP\\vnlog.txt", FileAccess::Write, FileShare::None,
                      FileDisposition::CreateAlways);
  std::string error;  // why a lister refused the input
};

// Each target's body. Only the log may be open when it returns.
void FuzzOne(FuzzSystem& system, const std::string& input);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzSystem system;
  const std::string input(reinterpret_cast<const char*>(data), size);
  system.AddFile(kInputPath, input);
  FuzzOne(system, input);
  Check(system.OpenHandleCount() == 1);
  return 0;
}
