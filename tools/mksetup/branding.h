// The author's product on the setup: its name in the dialogs' captions, the
// message title and the progress text of every language, its icon and its
// version information, written into the stub's resources. `list` shows them.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mksetup {

struct Branding {
  std::string name;      // --name, UTF-8
  std::string nameFile;  // --name-file: lines "LANGUAGE=NAME"
  std::string icon;      // --icon FILE.ico
  std::vector<std::pair<std::string, std::string>> versionInfo;  // --version-info KEY=VALUE...
  bool Empty() const {
    return name.empty() && nameFile.empty() && icon.empty() && versionInfo.empty();
  }
};

enum class OptionMatch { NotBranding, Taken, Failed };

// Takes args[*i] and its values when it is a branding option; *i is left on
// the last word taken.
OptionMatch TakeBrandingOption(const std::vector<std::string>& args, std::size_t* i,
                               Branding* branding, std::string* error);

// Rewrites the resources of image, the stub's bytes up to its image end.
// False with a one-line message, image then undefined.
bool ApplyBranding(const Branding& branding, const std::string& stubPath, std::string* image,
                   std::string* error);

// The name, icon sizes and version strings a setup carries; nothing for a
// file without resources.
void PrintBranding(std::string_view setup, std::ostream& out);

}  // namespace mksetup
