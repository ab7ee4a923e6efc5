// Installing a JVM that the Java archive carries: writing the installer out
// of the archive into the temporary folder and running it.
#include "container/extraction.h"
#include "container/java_archive.h"
#include "core/launcher.h"
#include "core/reader_log.h"
#include "launch/bundled_installer.h"
#include "launch/process_runner.h"
#include "string_ids.h"
#include "support/log_writer.h"

namespace carafe {

bool Launcher::ExtractBundledJvmInstaller() {
  SetStatus(IDS_INSTALLING_JVM);
  JavaArchive archive;
  ArchiveReport report;
  const bool opened = archive.Open(run_.archivePath, &report);
  LogArchiveRead(&run_.logFile, run_.logAll, report);
  if (!opened) {
    ShowStopMessage(IDS_INVALID_EXECUTABLE, true);
    return false;
  }
  const ArchiveSection section = archive.Section(kBundledInstallersSection);
  const ArchiveResource* installer = FindBundledInstaller(section);
  // Nothing to install: the run of the (unset) installer path then fails and
  // the run sequence moves on.
  if (installer == nullptr) return true;

  const std::uint32_t size = installer->Size();
  std::string folder;
  if (!FindTempDirWithSpace(&folder, size)) {
    LogNoRoom(installer->Name(), size);
    ShowStopMessage(IDS_INSUFFICIENT_DISK_SPACE, true);
    return false;
  }
  const std::string path = folder + installer->Name();
  // A name with a path in it would write outside the temporary folder: it
  // fails as a file that cannot be created.
  File file =
      IsPlainFileName(installer->Name()) ? CreateTempFile(path, "\r\n%s %s...\r\n") : File();
  const std::string corrupted = FormatEntry("%s %s %s\r\n", LoadLabel(IDS_CORRUPTED).c_str(),
                                            LoadLabel(IDS_JVM_INSTALLER).c_str(), path.c_str());
  if (!file.IsOpen()) {
    Log(corrupted);
    ShowStopMessage(IDS_INVALID_EXECUTABLE, true);
    return false;
  }
  // The data is read only once the file exists: a failed read leaves the
  // empty file behind, unwritten, which the clean-up does not touch.
  switch (LoadInstallerData(*installer, &run_.bundledInstallerBuffer)) {
    case InstallerLoad::Loaded:
      break;
    case InstallerLoad::NoMemory:
      Log(FormatEntry("\r\n%s %s %s ...\r\n", LoadLabel(IDS_ERROR_OCCURED_WHILE).c_str(),
                      LoadLabel(IDS_EXTRACTING_FILE).c_str(), path.c_str()));
      return false;
    case InstallerLoad::ReadFailed:
      Log(corrupted);
      ShowStopMessage(IDS_INVALID_EXECUTABLE, true);
      return false;
  }
  // The half-written file of a short write stays: the written flag is what
  // the clean-up goes by.
  if (!WriteAll(file, run_.bundledInstallerBuffer.data(), size, 0, path)) return false;
  file.Close();
  run_.bundledInstallerPath = path;
  run_.bundledInstallerWritten = true;
  return true;
}

bool Launcher::RunBundledJvmInstaller() {
  // The installer is an ordinary windowed program; the progress dialog steps
  // aside while it runs.
  HideProgress();
  if (run_.logAll) {
    Log(FormatEntry("\r\n%s %s %s...\r\n", LoadLabel(IDS_LAUNCHING).c_str(),
                    LoadLabel(IDS_JVM_INSTALLER).c_str(), run_.bundledInstallerPath.c_str()));
  }
  // No arguments, shown normally, no window search: the user works with it.
  const bool ran = RunProgram(run_.bundledInstallerPath, std::string(), false, true);
  ShowProgress();
  return ran;
}

}  // namespace carafe
