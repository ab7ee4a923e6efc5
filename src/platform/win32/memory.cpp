// Heap blocks whose size a file decides.
#include <cstdlib>

#include "platform/win32/windows_platform.h"

namespace carafe {

bool WindowsPlatform::AllocateBlock(std::size_t bytes, MemoryBlock* block) {
  void* data = std::malloc(bytes != 0 ? bytes : 1);
  if (data == nullptr) return false;
  *block = MemoryBlock(data, bytes);
  return true;
}

}  // namespace carafe
