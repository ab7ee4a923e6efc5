// The last check of the chosen JVM and the launch of the installation on it.
#include "core/launcher.h"
#include "launch/class_path.h"
#include "launch/process_runner.h"
#include "string_ids.h"
#include "support/log_writer.h"

namespace carafe {

bool Launcher::ValidateJvm() {
  std::string arguments;
  // Only that the JVM starts with this command line and comes to an end is
  // checked; the verify class's output and exit code are not looked at.
  if (BuildClassArguments(arguments, run_.jvmPath, run_.classPath, run_.verifyClassPath,
                          std::string()) &&
      RunProgram(run_.jvmPath, arguments, /*hidden=*/true, /*showChild=*/false))
    return true;
  Log(FormatEntry("\r\n%s %s %s\r\n", LoadLabel(IDS_VALIDATION_OF).c_str(), run_.jvmPath.c_str(),
                  LoadLabel(IDS_FAILED).c_str()));
  return false;
}

bool Launcher::RunInstallation() {
  std::string arguments;
  if (!BuildClassArguments(arguments, run_.jvmPath, run_.classPath, run_.archivePath,
                           run_.javaOptions))
    return false;
  if (run_.logAll) {
    Log(FormatEntry("\r\n%s %s %s %s\r\n", LoadLabel(IDS_LAUNCHING).c_str(),
                    run_.archivePath.c_str(), LoadLabel(IDS_USING_JVM).c_str(),
                    run_.jvmPath.c_str()));
  }
  // The installation's own windows take over; the progress dialog stays
  // invisible from here on.
  HideProgress();
  if (RunProgram(run_.jvmPath, arguments, /*hidden=*/false, /*showChild=*/false)) return true;
  Log(FormatEntry("\r\n%s %s %s %s\r\n", LoadLabel(IDS_LAUNCHING).c_str(), run_.jvmPath.c_str(),
                  LoadLabel(IDS_USING_JVM).c_str(), LoadLabel(IDS_FAILED).c_str()));
  return false;
}

}  // namespace carafe
