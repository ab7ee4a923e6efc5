// How option values become full paths: the root of a path, its folder, the
// removal of "." and ".." pieces, and resolution against the launcher folder.
// All of it works on wide path strings, so letter case never matters.
#pragma once

#include "support/path_string.h"

namespace carafe {

// The root of a path: "\\server\share" for a UNC path, "D:" for a path with
// a drive letter, empty for a relative path (one starting with a single
// backslash included).
PathString PathRoot(const PathString& path);

// The folder part of a path with its trailing backslash; the root when no
// backslash lies at or after the root's end.
PathString DirectoryOf(const PathString& path);

// Removes "\." pieces, then folds each "\.." into the folder before it.
void NormalizePath(PathString& path);

// Relative paths become folder + path, normalised; paths with a root are
// left exactly as they are.
void ResolvePath(PathString& path, const PathString& folder);

}  // namespace carafe
