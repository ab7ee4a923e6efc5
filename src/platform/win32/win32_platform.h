// The Win32 implementation of the platform seam. No Windows types here, so
// the entry point can name it without <windows.h>.
#pragma once

#include "platform/platform.h"

namespace carafe {

// The platform for this process. instance is the launcher's HINSTANCE (its
// string table). The object is never destroyed: the launcher's clean-up runs
// at process exit and still needs it.
Platform& Win32Platform(void* instance);

}  // namespace carafe
