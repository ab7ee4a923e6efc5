#include "platform/platform.h"

namespace carafe {

namespace {
Platform* current = nullptr;
}

Platform& Os() { return *current; }

Platform* SetPlatform(Platform* platform) {
  Platform* previous = current;
  current = platform;
  return previous;
}

void UniqueHandle::Reset(Handle handle) {
  if (Valid()) Os().ReleaseHandle(handle_);
  handle_ = handle;
}

bool UniqueHandle::Close() {
  bool closed = Valid() && Os().ReleaseHandle(handle_);
  handle_ = kInvalidHandle;
  return closed;
}

bool File::Read(void* buffer, std::uint32_t size, std::uint32_t* transferred) const {
  return IsOpen() && Os().ReadHandle(handle_.Get(), buffer, size, transferred);
}

bool File::Write(const void* data, std::uint32_t size, std::uint32_t* transferred) const {
  return IsOpen() && Os().WriteHandle(handle_.Get(), data, size, transferred);
}

bool File::Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* position) const {
  return IsOpen() && Os().SeekHandle(handle_.Get(), distance, origin, position);
}

bool File::Size(std::uint64_t* size) const {
  return IsOpen() && Os().HandleSize(handle_.Get(), size);
}

}  // namespace carafe
