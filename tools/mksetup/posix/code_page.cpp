#include "mksetup/code_page.h"

#include <iconv.h>

#include <string>
#include <vector>

namespace mksetup {

bool CodePageCarries(unsigned codePage, const std::u16string& text) {
  iconv_t converter = iconv_open(("CP" + std::to_string(codePage)).c_str(), "UTF-16LE");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  std::string input;
  for (char16_t c : text) {
    input += static_cast<char>(c & 0xFF);
    input += static_cast<char>(c >> 8);
  }
  std::vector<char> output(input.size() * 2 + 16);
  char* in = input.data();
  char* out = output.data();
  std::size_t inLeft = input.size(), outLeft = output.size();
  // Without //TRANSLIT a character the code page lacks stops the conversion.
  const bool carried =
      iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(converter);
  return carried && inLeft == 0;
}

}  // namespace mksetup
