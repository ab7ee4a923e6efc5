// The command line: the options a caller can give instead of what the setup
// container or the search would supply.
#pragma once

#include <cstddef>
#include <string>

#include "support/path_string.h"

namespace carafe {

// The parser keeps at most this many -D options; later ones are dropped.
constexpr std::size_t kMaxJavaOptions = 64;

// The parsed command line. Values are cleaned of surrounding blanks, tabs,
// newlines and one double quote at each end; an empty value means absent.
struct LauncherOptions {
  PathString jvm;
  PathString archive;
  PathString verify;
  PathString log;
  std::wstring searchCriteria;
  // The collected -D options in command-line order, each followed by a blank.
  std::wstring javaOptions;
  bool searchCriteriaGiven = false;
  bool noSearch = false;
  bool logGiven = false;
  bool silent = false;
  bool logAll = false;
};

// Parses the text after the program name. Never fails: unknown options,
// stray values and value options without a value are dropped.
LauncherOptions ParseCommandLine(const std::wstring& commandLine);

}  // namespace carafe
