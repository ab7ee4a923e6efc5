// The Win32 user interface: progress dialog, prompts, message boxes.
#pragma once

#include "ui/user_interface.h"

namespace carafe {

// The user interface for this process; instance is the launcher's HINSTANCE
// (dialog templates, icon, strings). Never destroyed, like the platform.
UserInterface& Win32UserInterface(void* instance);

}  // namespace carafe
