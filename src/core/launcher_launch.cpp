// Placeholder until this subsystem lands: every step fails cleanly.
#include "core/launcher.h"

namespace carafe {

bool Launcher::ValidateJvm() { return false; }

bool Launcher::RunInstallation() { return false; }

}  // namespace carafe
