#include "mksetup/code_page.h"

#include <windows.h>

namespace mksetup {

bool CodePageCarries(unsigned codePage, const std::u16string& text) {
  if (text.empty()) return true;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  BOOL usedDefault = FALSE;
  // No best fit: "é" must not pass as "e".
  const int bytes = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0,
                                        nullptr, &usedDefault);
  return bytes > 0 && !usedDefault;
}

}  // namespace mksetup
