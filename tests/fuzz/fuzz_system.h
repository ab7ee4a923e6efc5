// What every fuzz target shares: a fresh in-memory system for each input,
// copied from one built at start-up (reading the string table once), so that
// no input sees the files, handles or processes an earlier one left behind.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "memory_platform.h"

namespace carafe {
namespace fuzzing {

class FuzzSystem {
 public:
  static constexpr const char* kLogPath = "C:\\TEMP\\vnlog.txt";

  FuzzSystem() : os(Prototype()) { SetPlatform(&os); }
  ~FuzzSystem() { SetPlatform(nullptr); }
  FuzzSystem(const FuzzSystem&) = delete;
  FuzzSystem& operator=(const FuzzSystem&) = delete;

  File OpenLog() {
    return os.OpenFile(kLogPath, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
  }

  MemoryPlatform os;

 private:
  static const MemoryPlatform& Prototype() {
    static const MemoryPlatform prototype;
    return prototype;
  }
};

inline std::string Text(const unsigned char* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// A broken promise of the code under test: reported like a crash, so that
// the fuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

}  // namespace fuzzing
}  // namespace carafe
