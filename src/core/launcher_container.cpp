// Placeholder until this subsystem lands: every step fails cleanly.
#include "core/launcher.h"

namespace carafe {

bool Launcher::ReadSetupContainer() { return false; }

bool Launcher::ExtractVerifyClass() { return false; }

bool Launcher::ExtractJavaArchive() { return false; }

bool Launcher::ExtractSearchCriteria() { return false; }

}  // namespace carafe
