// The platform contract on the in-memory platform: a case failing here means
// the fake the unit tests stand on has drifted from Windows.
#include "../contract/platform_contract.h"

#include <gtest/gtest.h>

#include "memory_platform.h"

namespace carafe {
namespace contract {
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
}  // namespace contract

namespace {

class MemoryWorld : public contract::World {
 public:
  explicit MemoryWorld(MemoryPlatform& os) : os_(os) {}
  void AddFolder(const std::string& path) override { os_.AddFolder(path); }
  void AddFile(const std::string& path) override { os_.AddFile(path); }
  // The fake keeps a value's bytes whatever its type.
  void SetRegistryValue(const std::string& subkey, const std::string& name, bool,
                        const std::string& bytes) override {
    os_.SetRegistryValue(subkey, name, bytes);
  }
  void SetEnv(const std::string& name, const std::string& value) override {
    os_.SetEnv(name, value);
  }
  void AddEcho(const std::string& path) override {
    os_.AddProgram(path, [](const std::string& commandLine) {
      ChildRun run;
      std::size_t echo = commandLine.find("/c echo ");
      if (echo != std::string::npos) run.standardOutput = commandLine.substr(echo + 8) + "\r\n";
      return run;
    });
  }
  void Expect(bool condition, const std::string& what) override { EXPECT_TRUE(condition) << what; }

 private:
  MemoryPlatform& os_;
};

class PlatformContract : public ::testing::TestWithParam<contract::Case> {
 protected:
  void SetUp() override { os.LimitPathsToMaxPath(); }
  MemoryPlatform os;
  ScopedPlatform installed{os};
};

TEST_P(PlatformContract, HoldsForTheMemoryPlatform) {
  MemoryWorld world(os);
  GetParam().run(world);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlatformContract, ::testing::ValuesIn(contract::Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace carafe
