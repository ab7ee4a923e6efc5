// What every fuzz target shares: a fresh in-memory system for each input, so
// that none sees the files, handles or processes an earlier one left behind,
// and a check that fails like a crash, so that the fuzzer keeps the input.
#pragma once

#include <cstdlib>

#include "memory_platform.h"

namespace carafe {

// libFuzzer reports the abort with the stack of the failed check.
inline void Check(bool holds) { return holds ? void() : std::abort(); }

struct FuzzSystem : MemoryPlatform {
  ScopedPlatform installed{*this};
  File log = OpenFile("C:\\TEMP\\vnlog.txt", FileAccess::Write, FileShare::None,
                      FileDisposition::CreateAlways);
};

// Stores the input as the file at path and lets read(bytes, log) read it.
// Readers hold paths, never files: only the log is open when it returns.
template <class Read>
void ReadAsFile(const std::uint8_t* data, std::size_t size, const char* path, Read read) {
  FuzzSystem system;
  system.AddFile(path, std::string(reinterpret_cast<const char*>(data), size));
  read(system.Content(path), system.log);
  Check(system.OpenHandleCount() == 1);
}

}  // namespace carafe
