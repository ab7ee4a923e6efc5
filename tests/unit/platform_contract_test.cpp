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

// Counts what the owning objects ask of the system.
struct CountingPlatform : MemoryPlatform {
  int reads = 0, releases = 0;
  bool ReadHandle(Handle file, void* buffer, std::uint32_t size, std::uint32_t* read) override {
    return ++reads, MemoryPlatform::ReadHandle(file, buffer, size, read);
  }
  bool ReleaseHandle(Handle handle) override {
    return ++releases, MemoryPlatform::ReleaseHandle(handle);
  }
};

TEST(OwnedHandles, AskTheSystemOnlyAboutAHandleTheyHoldAndCloseItOnce) {
  CountingPlatform os;
  ScopedPlatform installed(os);
  {
    MemoryPlatform other;
    ScopedPlatform inner(other);
  }
  EXPECT_EQ(&Os(), &os) << "the inner scope put back what it found";
  char buffer[4];
  std::uint32_t read = 0;
  std::uint64_t size = 0;
  {
    File none(kNoHandle);
    EXPECT_FALSE(none.IsOpen() || none.Read(buffer, 4, &read) || none.Size(&size) || none.Close());
  }
  EXPECT_EQ(os.reads + os.releases, 0);
  os.AddFile("C:\\f", "abc");
  {
    File opened =
        os.OpenFile("C:\\f", FileAccess::Read, FileShare::ReadWrite, FileDisposition::OpenExisting);
    File moved = std::move(opened);
    EXPECT_TRUE(moved.Read(buffer, 4, &read) && read == 3 && !opened.IsOpen());
  }
  EXPECT_EQ(os.releases, 1);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace carafe
