// The entry point's work once the platform is installed: options, the user
// interface or the silent run, the abort entry. Always returns 0.
#pragma once

#include <string>

#include "core/launcher.h"
#include "ui/user_interface.h"

namespace carafe {

// Sets the module path, initialises the launcher, then runs it: on this
// thread when silent, else on a worker thread behind the progress dialog.
// Writes the abort entry when the user aborted. Returns 0 in every outcome.
int RunEntryPoint(Launcher& launcher, UserInterface& ui, const std::string& commandLine);

// The worker thread (argument: the Launcher): Run, then the quit message to
// the main thread through the launcher's user interface.
void WorkerThreadMain(void* launcher);

}  // namespace carafe
