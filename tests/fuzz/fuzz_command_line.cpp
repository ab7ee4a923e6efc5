// The command line: the parser, the path rules applied to what it yields,
// and the launcher applying it all (opening the log it names).
#include <cstddef>
#include <cstdint>

#include "core/launcher.h"
#include "core/options.h"
#include "core/path_rules.h"
#include "fuzz_system.h"

using namespace carafe;
using namespace carafe::fuzzing;

namespace {

bool StartsWith(const PathString& text, const PathString& prefix) {
  return prefix.size() <= text.size() && text.compare(0, prefix.size(), prefix) == 0;
}

void CheckPathRules(PathString path) {
  PathString root = PathRoot(path);
  FUZZ_CHECK(StartsWith(path, root));
  FUZZ_CHECK(StartsWith(path, DirectoryOf(path)));

  PathString normalized = path;
  NormalizePath(normalized);
  FUZZ_CHECK(normalized.size() <= path.size());

  const PathString folder = ToPath(L"C:\\SETUP\\");
  PathString resolved = path;
  ResolvePath(resolved, folder);
  if (!root.empty()) {
    FUZZ_CHECK(resolved == path);
  } else {
    FUZZ_CHECK(resolved.size() <= folder.size() + path.size());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzSystem system(false);
  std::string text = Text(data, size);
  std::wstring wide = system.os.AnsiToWide(text);

  LauncherOptions options = ParseCommandLine(wide);
  for (const PathString* value : {&options.jvm, &options.archive, &options.verify, &options.log})
    CheckPathRules(*value);
  FUZZ_CHECK(options.searchCriteria.size() <= wide.size());
  // The -D text: kept tokens of the text, each followed by one blank.
  FUZZ_CHECK(options.javaOptions.size() <= wide.size() + kMaxJavaOptions);
  FUZZ_CHECK(options.javaOptions.empty() || options.javaOptions.back() == L' ');

  // The same text as the entry point hands it over: narrow, then applied.
  {
    Launcher launcher;
    launcher.Initialize(ToPath(L"C:\\SETUP\\"), text);
    FUZZ_CHECK(launcher.State().javaOptions.size() <= text.size() + kMaxJavaOptions);
  }
  return 0;
}
