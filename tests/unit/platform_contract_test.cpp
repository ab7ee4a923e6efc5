// The platform contract on the in-memory platform: a case failing here means
// the fake the unit tests stand on has drifted from Windows.
#include "../contract/platform_contract.h"

#include <gtest/gtest.h>

#include "memory_platform.h"

namespace carafe {
namespace {

struct MemoryWorld : MemoryPlatform {
  void AddEcho(const std::string& path) {
    AddProgram(path, [](const std::string& commandLine) {
      ChildRun run;
      std::size_t echo = commandLine.find("/c echo ");
      if (echo != std::string::npos) run.standardOutput = commandLine.substr(echo + 8) + "\r\n";
      return run;
    });
  }
  void Expect(bool condition, const std::string& what) { EXPECT_TRUE(condition) << what; }
  ScopedPlatform installed{*this};
};

TEST(PlatformContract, HoldsForTheMemoryPlatform) {
  MemoryWorld world;
  contract::RunAll(world);
}

}  // namespace
}  // namespace carafe
