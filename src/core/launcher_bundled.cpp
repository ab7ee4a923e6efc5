// Installing a JVM that the Java archive carries: writing the installer out
// of the archive into the temporary folder and running it.
#include "container/extraction.h"
#include "container/java_archive.h"
#include "container/log_writer.h"
#include "core/launcher.h"
#include "launch/bundled_installer.h"
#include "launch/process_runner.h"
#include "string_ids.h"

namespace carafe {

bool Launcher::ExtractBundledJvmInstaller() {
  SetStatus(IDS_INSTALLING_JVM);
  const File* log = &logFile;

  JavaArchive archive(log);
  if (!archive.Open(archivePath)) {
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
    WriteLog(log, FormatEntry("\r\n%s %s %s (%d)\r\n", LoadLabel(IDS_NOT_ENOUGH_SPACE).c_str(),
                              installer->Name().c_str(), LoadLabel(IDS_OF_SIZE).c_str(),
                              static_cast<int>(size)));
    ShowStopMessage(IDS_INSUFFICIENT_DISK_SPACE, true);
    return false;
  }
  const std::string path = folder + installer->Name();
  if (LogAll()) {
    WriteLog(log,
             FormatEntry("\r\n%s %s...\r\n", LoadLabel(IDS_EXTRACTING_FILE).c_str(), path.c_str()));
  }

  const std::string corrupted = FormatEntry("%s %s %s\r\n", LoadLabel(IDS_CORRUPTED).c_str(),
                                            LoadLabel(IDS_JVM_INSTALLER).c_str(), path.c_str());
  const std::string writeFailed =
      FormatEntry("\r\n%s %s %s ...\r\n", LoadLabel(IDS_ERROR_OCCURED_WHILE).c_str(),
                  LoadLabel(IDS_EXTRACTING_FILE).c_str(), path.c_str());

  File file = Os().OpenFile(path, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
  if (!file.IsOpen()) {
    WriteLog(log, corrupted);
    ShowStopMessage(IDS_INVALID_EXECUTABLE, true);
    return false;
  }
  switch (LoadInstallerData(*installer, &bundledInstallerBuffer)) {
    case InstallerLoad::Loaded:
      break;
    case InstallerLoad::NoMemory:
      WriteLog(log, writeFailed);
      return false;
    case InstallerLoad::ReadFailed:
      WriteLog(log, corrupted);
      ShowStopMessage(IDS_INVALID_EXECUTABLE, true);
      return false;
  }
  std::uint32_t written = 0;
  if (!file.Write(bundledInstallerBuffer.data(), size, &written) ||
      written != size) {
    // The half-written file stays: the written flag is what the clean-up
    // goes by.
    WriteLog(log, writeFailed);
    return false;
  }
  file.Close();
  bundledInstallerPath = path;
  bundledInstallerWritten = true;
  return true;
}

bool Launcher::RunBundledJvmInstaller() {
  // The installer is an ordinary windowed program; the progress dialog steps
  // aside while it runs.
  if (!silent) HideProgress();
  if (LogAll()) {
    WriteLog(&logFile,
             FormatEntry("\r\n%s %s %s...\r\n", LoadLabel(IDS_LAUNCHING).c_str(),
                         LoadLabel(IDS_JVM_INSTALLER).c_str(), bundledInstallerPath.c_str()));
  }
  // No arguments, shown normally, no window search: the user works with it.
  const bool ran = RunProgram(bundledInstallerPath, std::string(), false, true);
  if (!silent) ShowProgress();
  return ran;
}

}  // namespace carafe
