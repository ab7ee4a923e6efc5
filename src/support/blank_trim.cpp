#include "support/blank_trim.h"

namespace carafe {

void TrimRight(std::string& text) {
  std::size_t end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
}

void TrimLeft(std::string& text) { text.erase(0, text.find_first_not_of(' ')); }

}  // namespace carafe
