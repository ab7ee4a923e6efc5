#include "platform/platform.h"

namespace carafe {

namespace {
Platform* current = nullptr;
}

Platform& Os() { return *current; }

void SetPlatform(Platform* platform) { current = platform; }

}  // namespace carafe
