// A whole launcher executable: the PE headers that say where the image
// ends, the container table behind it and the three sections it names,
// loaded and written out as the run's first steps do.
#include <cstddef>
#include <cstdint>

#include "container/extraction.h"
#include "core/launcher.h"
#include "discovery/search_criteria.h"
#include "fake_user_interface.h"
#include "fuzz_system.h"

using namespace carafe;
using namespace carafe::fuzzing;

namespace {

constexpr const char* kSetup = "C:\\SETUP\\setup.exe";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzSystem system;
  system.os.AddFile(kSetup, Text(data, size));
  SetModulePath(ToPath(L"C:\\SETUP\\setup.exe"));
  FakeUserInterface ui;
  {
    Launcher launcher;
    launcher.AttachUserInterface(&ui);
    launcher.logFile.Reset(system.OpenLog());

    bool loaded = launcher.ReadSetupContainer();
    FUZZ_CHECK(loaded == launcher.containerLoaded);
    FUZZ_CHECK(ui.messages.size() == (loaded ? 0u : 1u));
    if (loaded) {
      // No section can hold more than the file it came from.
      for (const std::vector<std::uint8_t>& buffer : launcher.sectionBuffers)
        FUZZ_CHECK(buffer.size() <= size);
      if (launcher.ExtractVerifyClass()) IsClassFile(launcher.verifyClassPath);
      if (launcher.ExtractJavaArchive()) IsClassFile(launcher.archivePath);
      if (launcher.ExtractSearchCriteria()) {
        ResetJviewCounterForTesting();
        GroupCriteria(ParseCriteria(launcher.searchCriteria));
      }
    }
    // Readers hold paths, never handles: only the log stays open.
    FUZZ_CHECK(system.os.OpenHandleCount() == 1);
  }
  FUZZ_CHECK(system.os.OpenHandleCount() == 0);
  SetModulePath(PathString());
  return 0;
}
