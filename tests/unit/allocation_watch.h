// Watches the test binary's allocations: a reader that trusts a forged size
// shows itself by one huge request.
#pragma once

#include <cstddef>

namespace carafe {

// The largest single allocation made while it lives. While one lives, a
// request above 256 MiB is refused with bad_alloc, so that a guard broken on
// purpose fails its test at once instead of zero-filling gigabytes.
class AllocationWatch {
 public:
  AllocationWatch();
  ~AllocationWatch();
  std::size_t Largest() const;
};

}  // namespace carafe
