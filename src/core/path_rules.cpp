#include "core/path_rules.h"

namespace carafe {

PathString PathRoot(const PathString& path) {
  if (path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\') {
    // Up to, not including, the backslash that ends the share name.
    std::size_t server = path.find(L'\\', 2);
    if (server == PathString::npos) return path;
    std::size_t share = path.find(L'\\', server + 1);
    return share == PathString::npos ? path : path.substr(0, share);
  }
  if (path.size() >= 2 && path[1] == L':') return path.substr(0, 2);
  return PathString();
}

PathString DirectoryOf(const PathString& path) {
  PathString root = PathRoot(path);
  std::size_t last = path.rfind(L'\\');
  if (last != PathString::npos && last >= root.size()) return path.substr(0, last + 1);
  return root;
}

void NormalizePath(PathString& path) {
  // "\." pieces go first; a "\.." piece is stepped over for the second pass.
  std::size_t position = 0;
  for (;;) {
    std::size_t found = path.find(L"\\.", position);
    if (found == PathString::npos) break;
    if (found + 2 < path.size() && path[found + 2] == L'.') {
      position = found + 1;
    } else {
      path.erase(found, 2);
      position = found;
    }
  }
  // Each "\.." takes the folder name before it and the character after it
  // (normally the next backslash) along.
  position = 0;
  for (;;) {
    std::size_t found = path.find(L"\\..", position);
    if (found == PathString::npos) break;
    std::size_t before = found == 0 ? PathString::npos : path.rfind(L'\\', found - 1);
    if (before == PathString::npos) before = found;
    std::size_t end = found + 4;  // the "\..", then one more character
    if (end > path.size()) end = path.size();
    path.erase(before + 1, end - (before + 1));
    position = before;
  }
}

void ResolvePath(PathString& path, const PathString& folder) {
  if (!PathRoot(path).empty()) return;
  path = JoinPath(folder, path);
  NormalizePath(path);
}

}  // namespace carafe
