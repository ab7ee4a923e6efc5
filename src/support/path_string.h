// Wide-character path strings whose comparisons and searches ignore the
// letter case of A-Z, as Windows file names do.
#pragma once

#include <cwchar>
#include <string>

namespace carafe {

struct PathCharTraits : std::char_traits<wchar_t> {
  static wchar_t Fold(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
  }
  static bool eq(wchar_t a, wchar_t b) { return Fold(a) == Fold(b); }
  static bool lt(wchar_t a, wchar_t b) { return Fold(a) < Fold(b); }
  static int compare(const wchar_t* a, const wchar_t* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      if (lt(a[i], b[i])) return -1;
      if (lt(b[i], a[i])) return 1;
    }
    return 0;
  }
  static const wchar_t* find(const wchar_t* s, std::size_t n, wchar_t c) {
    for (std::size_t i = 0; i < n; ++i)
      if (eq(s[i], c)) return s + i;
    return nullptr;
  }
};

using PathString = std::basic_string<wchar_t, PathCharTraits>;

inline PathString ToPath(const std::wstring& text) { return PathString(text.data(), text.size()); }
inline std::wstring FromPath(const PathString& path) {
  return std::wstring(path.data(), path.size());
}

// left + right with exactly one backslash between them; none is added when
// left is empty.
PathString JoinPath(const PathString& left, const PathString& right);

// Conversions between the launcher's ANSI strings and paths, through the
// platform's code page.
PathString WidePath(const std::string& ansi);
std::string AnsiPath(const PathString& path);

}  // namespace carafe
