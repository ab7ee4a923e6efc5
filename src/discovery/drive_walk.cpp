#include "discovery/drive_walk.h"

#include <utility>

#include "discovery/search_locations.h"
#include "platform/platform.h"
#include "support/file_utilities.h"

namespace carafe {

namespace {

const ExeNames kWalkNames = {kJavaExe, kJreExe};

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

// One folder being listed: where its path ends in the shared path buffer,
// its entries as the file system returned them and the next one to look at.
struct Frame {
  std::size_t pathLength;
  std::vector<FolderEntry> entries;
  std::size_t next = 0;
};

Frame ListFolder(const PathString& folder) {
  Frame frame{folder.size(), {}};
  // A folder that cannot be listed contributes nothing.
  if (!Os().FindFiles(AnsiPath(JoinPath(folder, L"*.*")), &frame.entries)) frame.entries.clear();
  return frame;
}

}  // namespace

std::size_t HitIndex(const std::string& exeName) { return exeName == kJavaExe ? 0 : 1; }

bool SearchFileSystem(SearchState& search, CriteriaEntry& entry, const std::string& exeName,
                      std::vector<JvmRecord>& results, bool walked) {
  LogSearchStep(search.log, entry, SearchStep::Start, "in FileSystem");
  HitLists& hitLists = search.diskHits;
  const std::size_t index = HitIndex(exeName);
  bool found = false;
  if (walked) {
    found = CheckCandidates(search, entry, exeName, hitLists[index], results);
  } else {
    // The system drive first: a JVM there ends the search before the other
    // drives are even listed.
    PathString systemRoot = WidePath(SystemDriveRoot());
    // No system folder (its path did not fit the query's buffer): an empty
    // root would list the current folder, so only the fixed drives remain.
    if (!systemRoot.empty()) {
      WalkForExecutables(kWalkNames, systemRoot, hitLists);
      if (CheckCandidates(search, entry, exeName, hitLists[index], results)) return true;
    }
    for (const PathString& root : ListFixedDrives(systemRoot)) {
      HitLists driveHits;
      WalkForExecutables(kWalkNames, root, driveHits);
      found = CheckCandidates(search, entry, exeName, driveHits[index], results);
      for (std::size_t i = 0; i < hitLists.size(); ++i)
        hitLists[i].insert(hitLists[i].end(), driveHits[i].begin(), driveHits[i].end());
      if (found) break;
    }
  }
  if (!found) LogSearchStep(search.log, entry, SearchStep::NotFound, "");
  return found;
}

PathList ListFixedDrives(const PathString& excludedRoot) {
  PathList roots;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string root = {letter, ':', '\\'};
    if (WidePath(root) == excludedRoot) continue;
    if (Os().DriveKind(root) == kDriveFixed) roots.push_back(WidePath(root));
  }
  return roots;
}

void WalkForExecutables(const ExeNames& names, const PathString& folder, HitLists& hitLists) {
  // The recursive walk, with its frames on the heap: a tree as deep as the
  // file system allows cannot exhaust the thread's stack. The folder paths
  // of all open frames share one buffer, each frame knowing its length.
  PathString path = folder;
  std::vector<Frame> stack;
  stack.push_back(ListFolder(path));
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next == top.entries.size()) {
      stack.pop_back();
      continue;
    }
    const FolderEntry& found = top.entries[top.next++];
    path.resize(top.pathLength);
    if (found.name == names[0]) {
      hitLists[0].push_back(JoinPath(path, WidePath(found.name)));
    } else if (found.name == names[1]) {
      hitLists[1].push_back(JoinPath(path, WidePath(found.name)));
    } else if (found.IsFolder() && !IsDotEntry(found.name) &&
               (found.attributes & kAttributeReparsePoint) == 0) {
      // Junctions and symbolic links are not followed: one may lead back to
      // its own ancestor, and the walk keeps no record of visited folders.
      path = JoinPath(path, WidePath(found.name));
      stack.push_back(ListFolder(path));
    }
  }
}

}  // namespace carafe
