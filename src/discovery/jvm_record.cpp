#include "discovery/jvm_record.h"

namespace carafe {

bool SameJvm(const JvmRecord& a, const JvmRecord& b) {
  return a.home() == b.home() && a.bin() == b.bin() && a.libs() == b.libs();
}

}  // namespace carafe
