// Placeholder until this subsystem lands: every step fails cleanly.
#include "core/launcher.h"

namespace carafe {

bool Launcher::ExtractBundledJvmInstaller() { return false; }

bool Launcher::RunBundledJvmInstaller() { return false; }

}  // namespace carafe
