// Placeholder until this subsystem lands: every step fails cleanly.
#include "core/launcher.h"

namespace carafe {

bool Launcher::OfferBundledJvm() { return false; }

bool Launcher::BrowseForJvm() { return false; }

}  // namespace carafe
