#include "container/path_string.h"

namespace carafe {

PathString JoinPath(const PathString& left, const PathString& right) {
  if (left.empty()) return right;
  bool leftEnds = left.back() == L'\\';
  bool rightStarts = !right.empty() && right.front() == L'\\';
  if (leftEnds && rightStarts) return left + right.substr(1);
  if (leftEnds || rightStarts) return left + right;
  return left + L'\\' + right;
}

}  // namespace carafe
