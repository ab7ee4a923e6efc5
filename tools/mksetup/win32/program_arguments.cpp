#include "mksetup/program_arguments.h"

#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

namespace mksetup {

// argv holds the ANSI code page's rendering, which loses what it lacks: the
// wide command line holds everything.
Arguments ProgramArguments(int, char**) {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  Arguments args;
  for (int i = 1; words != nullptr && i < count; ++i) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, words[i], -1, nullptr, 0, nullptr, nullptr);
    std::string word(bytes > 0 ? bytes - 1 : 0, '\0');
    if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, words[i], -1, &word[0], bytes, nullptr, nullptr);
    args.push_back(word);
  }
  LocalFree(words);
  return args;
}

}  // namespace mksetup
