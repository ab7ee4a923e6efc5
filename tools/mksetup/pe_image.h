// Where a PE image ends, computed as the launcher computes it: it looks for
// its container exactly there.
#pragma once

#include <cstdint>
#include <iosfwd>

namespace mksetup {

// The first section's PointerToRawData plus every section's SizeOfRawData,
// or 0 when the stream holds no readable PE image.
std::uint32_t FindImageEnd(std::istream& in);

}  // namespace mksetup
