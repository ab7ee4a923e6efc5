// Placeholder until this subsystem lands: every step fails cleanly.
#include "core/launcher.h"

namespace carafe {

bool Launcher::SearchForJvm() { return false; }

bool Launcher::ReadRegisteredJvm() { return false; }

}  // namespace carafe
