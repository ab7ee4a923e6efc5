// The Java archive as written to the temporary folder: the OffsetTable, its
// sections and resource records, and the bundled installer taken from it.
#include <cstddef>
#include <cstdint>

#include "container/java_archive.h"
#include "core/launcher.h"
#include "fake_user_interface.h"
#include "fuzz_system.h"
#include "launch/bundled_installer.h"

using namespace carafe;
using namespace carafe::fuzzing;

namespace {

constexpr const char* kArchive = "C:\\TEMP\\rerodova.class";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzSystem system;
  system.os.AddFile(kArchive, Text(data, size));
  Handle log = system.OpenLog();

  {
    JavaArchive archive(log);
    if (archive.Open(kArchive)) {
      FUZZ_CHECK(archive.Sections().size() <= archive.SectionCount());
      for (const auto& named : archive.Sections()) {
        const ArchiveSection& section = named.second;
        if (section.Compressed() != 0) FUZZ_CHECK(section.ResourceListLength() == 0);
        for (const ArchiveResource& resource : section.Resources()) {
          FUZZ_CHECK(resource.DataOffset() != 0);
          std::vector<std::uint8_t> bytes;
          if (LoadInstallerData(resource, &bytes) == InstallerLoad::Loaded)
            FUZZ_CHECK(bytes.size() == resource.Size() && bytes.size() <= size);
        }
      }
    }
    FUZZ_CHECK(system.os.OpenHandleCount() == 1);
  }

  // The launcher's own use: the first flagged resource of the installer
  // section, written out beside the archive.
  FakeUserInterface ui;
  {
    Launcher launcher;
    launcher.AttachUserInterface(&ui);
    launcher.archivePath = kArchive;
    launcher.logFile.Reset(log);
    if (launcher.ExtractBundledJvmInstaller() && launcher.bundledInstallerWritten)
      FUZZ_CHECK(launcher.bundledInstallerBuffer.size() <= size);
    FUZZ_CHECK(system.os.OpenHandleCount() == 1);
  }
  return 0;
}
