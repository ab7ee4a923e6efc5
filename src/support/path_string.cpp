#include "support/path_string.h"

#include "platform/platform.h"

namespace carafe {

PathString WidePath(const std::string& ansi) { return ToPath(Os().AnsiToWide(ansi)); }

std::string AnsiPath(const PathString& path) { return Os().WideToAnsi(FromPath(path)); }

PathString JoinPath(const PathString& left, const PathString& right) {
  if (left.empty()) return right;
  bool leftEnds = left.back() == L'\\';
  bool rightStarts = !right.empty() && right.front() == L'\\';
  if (leftEnds && rightStarts) return left + right.substr(1);
  if (leftEnds || rightStarts) return left + right;
  return left + L'\\' + right;
}

}  // namespace carafe
