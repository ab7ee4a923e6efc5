// The entry point's work once the platform is installed: options, the user
// interface or the silent run, the abort entry. Always returns 0.
#pragma once

#include <string>

#include "core/launcher.h"
#include "ui/user_interface.h"

namespace carafe {

int RunEntryPoint(Launcher& launcher, UserInterface& ui, const std::string& commandLine);

// The worker thread: Run, then the quit message to the main thread.
void WorkerThreadMain(void* launcher);

}  // namespace carafe
