#include "mksetup/branding.h"

#include <map>
#include <ostream>
#include <sstream>

#include "format/pe_resources.h"
#include "format/resource_data.h"
#include "mksetup/byte_io.h"
#include "mksetup/code_page.h"

namespace mksetup {

namespace format = carafe::format;

namespace {

// The launcher's languages, the ANSI code page its strings pass through, and
// its progress text naming the product ({} stands for the name).
struct Language {
  std::uint16_t id;
  const char* name;
  unsigned codePage;
  const char* progress;
};

const Language kLanguages[] = {
    {1033, "English", 1252,
     "Preparing {}, which will guide you through the rest of the setup process. Please wait..."},
    {1028, "Traditional Chinese", 950, "正在準備 {}，它將引導您完成其餘的安裝程序。請稍候..."},
    {1031, "German", 1252,
     "{} wird vorbereitet und führt Sie durch den weiteren Installationsvorgang. Bitte warten..."},
    {1036, "French", 1252,
     "Préparation de {}, qui vous guidera tout au long de l'installation. Veuillez patienter..."},
    {1040, "Italian", 1252,
     "Preparazione di {}, che vi guiderà nel resto della procedura di installazione. Attendere..."},
    {1041, "Japanese", 932,
     "セットアップの残りの手順を案内する {} を準備しています。しばらくお待ちください..."},
    {1042, "Korean", 949,
     "나머지 설치 과정을 안내할 {}을(를) 준비하고 있습니다. 잠시 기다려 주십시오..."},
    {1053, "Swedish", 1252,
     "Förbereder {}, som guidar dig genom resten av installationen. Vänta..."},
    {2052, "Simplified Chinese", 936, "正在准备 {}，它将引导您完成其余的安装过程。请稍候..."},
    {3082, "Spanish", 1252,
     "Preparando {}, que le guiará durante el resto del proceso de instalación. Espere..."},
};

// The dialogs whose captions name the product, and the strings: the message
// title (8) and the progress text (72), in blocks 1 and 5.
const std::uint16_t kDialogs[] = {101, 103, 105, 106};
constexpr std::uint16_t kTitleBlock = 1, kTitleIndex = 8;
constexpr std::uint16_t kProgressBlock = 5, kProgressIndex = 8;
constexpr std::uint16_t kIconGroup = 128;
// The narrowest dialog is 218 dialog units wide: about 40 average characters
// of the caption font fit beside the caption's icon and close box.
constexpr std::size_t kCaptionColumns = 40;

const char* const kVersionKeys[] = {"ProductName",    "CompanyName", "FileDescription",
                                    "ProductVersion", "FileVersion", "LegalCopyright"};

bool Refuse(std::string* error, const std::string& text) {
  *error = text;
  return false;
}

const Language* FindLanguage(std::uint16_t id) {
  for (const Language& language : kLanguages)
    if (language.id == id) return &language;
  return nullptr;
}

// East Asian characters take two columns of a caption.
std::size_t Columns(const std::u16string& text) {
  std::size_t columns = 0;
  for (char16_t c : text) {
    const bool wide = (c >= 0x1100 && c < 0x1160) || (c >= 0x2E80 && c < 0xA4D0) ||
                      (c >= 0xAC00 && c < 0xD7A4) || (c >= 0xF900 && c < 0xFB00) ||
                      (c >= 0xFF00 && c < 0xFF61) || (c >= 0xD800 && c < 0xDC00);
    columns += wide ? 2 : (c >= 0xDC00 && c < 0xE000) ? 0 : 1;
  }
  return columns;
}

std::u16string ProgressText(const Language& language, const std::u16string& name) {
  std::u16string text;
  format::Utf8ToUtf16(language.progress, &text);
  return text.replace(text.find(u"{}"), 2, name);
}

// The name of each language: the name file's line for it, else --name.
bool LoadNames(const Branding& branding, std::map<std::uint16_t, std::u16string>* names,
               std::string* error) {
  std::u16string fallback;
  if (!format::Utf8ToUtf16(branding.name, &fallback))
    return Refuse(error, "--name is not UTF-8 text");
  for (const Language& language : kLanguages)
    if (!fallback.empty()) (*names)[language.id] = fallback;
  if (branding.nameFile.empty()) return true;
  std::string content;
  if (!ReadWholeFile(branding.nameFile, "name file", &content, error)) return false;
  std::istringstream lines(content);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::size_t equals = line.find('=');
    const std::string where = "name file line " + std::to_string(number);
    const Language* language =
        equals == std::string::npos || equals > 5 || line.find_first_not_of("0123456789") != equals
            ? nullptr
            : FindLanguage(static_cast<std::uint16_t>(std::stoul("0" + line.substr(0, equals))));
    if (language == nullptr)
      return Refuse(error, where + ": not LANGUAGE=NAME with a language code of the launcher's");
    if (!format::Utf8ToUtf16(line.substr(equals + 1), &(*names)[language->id]))
      return Refuse(error, where + ": the name is not UTF-8 text");
  }
  for (const Language& language : kLanguages) {
    if (names->count(language.id) == 0 || names->at(language.id).empty())
      return Refuse(error, "no name for language " + std::to_string(language.id) + " (" +
                               language.name + "): give it in the name file or with --name");
  }
  return true;
}

bool CheckNames(const std::map<std::uint16_t, std::u16string>& names, std::string* error) {
  for (const auto& [id, name] : names) {
    const Language& language = *FindLanguage(id);
    const std::string shown = "'" + format::Utf16ToUtf8(name) + "'";
    if (Columns(name) > kCaptionColumns)
      return Refuse(error, "the name " + shown + " is longer than the " +
                               std::to_string(kCaptionColumns) +
                               " columns a dialog's caption shows in one line");
    if (!CodePageCarries(language.codePage, ProgressText(language, name)))
      return Refuse(error, "the name " + shown + " cannot be written in code page " +
                               std::to_string(language.codePage) + " of language " +
                               std::to_string(id) + " (" + language.name + ")");
  }
  return true;
}

bool SetStrings(format::Resource* block, std::uint16_t index, const std::u16string& text) {
  std::vector<std::u16string> strings;
  if (!format::DecodeStringBlock(block->data, &strings)) return false;
  strings[index] = text;
  block->data = format::EncodeStringBlock(strings);
  return true;
}

bool NameResources(const std::map<std::uint16_t, std::u16string>& names,
                   std::vector<format::Resource>* resources, std::string* error) {
  for (format::Resource& resource : *resources) {
    const auto name = names.find(resource.language);
    if (name == names.end() || !resource.name.text.empty()) continue;
    const std::uint16_t id = resource.name.id;
    bool readable = true;
    if (resource.type.id == format::kDialogType) {
      for (std::uint16_t dialog : kDialogs)
        if (id == dialog) readable = format::SetDialogCaption(&resource.data, name->second);
    } else if (resource.type.id == format::kStringType && id == kTitleBlock) {
      readable = SetStrings(&resource, kTitleIndex, name->second);
    } else if (resource.type.id == format::kStringType && id == kProgressBlock) {
      readable = SetStrings(&resource, kProgressIndex,
                            ProgressText(*FindLanguage(name->first), name->second));
    }
    if (!readable)
      return Refuse(error, "the stub's resource " + std::to_string(resource.type.id) + "/" +
                               std::to_string(id) + " is unreadable");
  }
  return true;
}

// The .ico's images replace the stub's, stored once (language neutral) and
// named by group 128 in every language that had one.
bool LoadIcon(const std::string& path, std::vector<format::IconImage>* images, std::string* error) {
  std::string file;
  if (path.empty()) return true;
  if (!ReadWholeFile(path, "icon", &file, error)) return false;
  if (!format::DecodeIconFile(file, images))
    return Refuse(error, "icon '" + path + "' is not an .ico file holding at least one image");
  return true;
}

void SetIcon(std::vector<format::IconImage> images, std::vector<format::Resource>* resources) {
  std::vector<std::uint16_t> languages;
  std::vector<format::Resource> kept;
  for (format::Resource& resource : *resources) {
    const bool group = resource.type.id == format::kIconGroupType && resource.name.id == kIconGroup;
    if (group) languages.push_back(resource.language);
    if (!group && resource.type.id != format::kIconType) kept.push_back(std::move(resource));
  }
  for (std::size_t i = 0; i < images.size(); ++i) {
    images[i].id = static_cast<std::uint16_t>(i + 1);
    kept.push_back({{format::kIconType, {}}, {images[i].id, {}}, 0, 0, images[i].data});
  }
  const std::string group = format::EncodeIconGroup(images);
  for (std::uint16_t language : languages)
    kept.push_back({{format::kIconGroupType, {}}, {kIconGroup, {}}, language, 0, group});
  resources->swap(kept);
}

// "2.1.0.7": up to four numbers below 65536, for the fixed block's halves.
bool ParseVersion(const std::string& text, std::uint16_t parts[4]) {
  std::istringstream in(text);
  std::string part;
  int count = 0;
  while (std::getline(in, part, '.')) {
    if (count == 4 || part.empty() || part.size() > 5 ||
        part.find_first_not_of("0123456789") != std::string::npos || std::stoul(part) > 0xFFFF)
      return false;
    parts[count++] = static_cast<std::uint16_t>(std::stoul(part));
  }
  return count > 0;
}

bool SetVersionInfo(const Branding& branding, std::vector<format::Resource>* resources,
                    std::string* error) {
  for (format::Resource& resource : *resources) {
    if (resource.type.id != format::kVersionType) continue;
    format::VersionBlock root;
    if (!format::DecodeVersionInfo(resource.data, &root) ||
        root.value.size() < format::kFixedInfoBytes)
      return Refuse(error, "the stub's version information is unreadable");
    for (const auto& [key, value] : branding.versionInfo) {
      std::u16string key16, value16;
      format::Utf8ToUtf16(key, &key16);
      if (!format::Utf8ToUtf16(value, &value16))
        return Refuse(error, "--version-info " + key + ": the value is not UTF-8 text");
      format::SetVersionString(&root, key16, value16);
      std::uint16_t parts[4] = {0, 0, 0, 0};
      if (key != "FileVersion") continue;
      if (!ParseVersion(value, parts))
        return Refuse(error, "--version-info FileVersion=" + value +
                                 ": not up to four numbers below 65536 such as 2.1.0.7");
      for (int i = 0; i < 4; ++i) {
        // Each 32-bit half holds two numbers, the first in its high word.
        const std::size_t at = format::kFileVersionField + 4 * (i / 2) + (i % 2 == 0 ? 2 : 0);
        root.value[at] = static_cast<char>(parts[i]);
        root.value[at + 1] = static_cast<char>(parts[i] >> 8);
      }
    }
    resource.data = format::EncodeVersionInfo(root);
  }
  return true;
}

const char* FaultText(format::ResourceFault fault) {
  switch (fault) {
    case format::ResourceFault::NoImage:
      return "is not a PE image";
    case format::ResourceFault::NoResources:
      return "has no resources";
    case format::ResourceFault::Unreadable:
      return "has an unreadable resource section";
    case format::ResourceFault::NotLast:
      return "has sections behind its resource section, which therefore cannot grow";
    case format::ResourceFault::None:
      break;
  }
  return "";
}

}  // namespace

OptionMatch TakeBrandingOption(const std::vector<std::string>& args, std::size_t* i,
                               Branding* branding, std::string* error) {
  const std::string& option = args[*i];
  std::string* value = option == "--name"        ? &branding->name
                       : option == "--name-file" ? &branding->nameFile
                       : option == "--icon"      ? &branding->icon
                                                 : nullptr;
  if (value != nullptr) {
    if (*i + 1 == args.size() || args[*i + 1].empty()) {
      *error = "build: " + option + " needs a value";
      return OptionMatch::Failed;
    }
    *value = args[++*i];
    return OptionMatch::Taken;
  }
  if (option != "--version-info") return OptionMatch::NotBranding;
  const std::size_t first = *i + 1;
  for (; *i + 1 < args.size() && args[*i + 1].find('=') != std::string::npos; ++*i) {
    const std::string& pair = args[*i + 1];
    const std::string key = pair.substr(0, pair.find('='));
    bool known = false;
    for (const char* name : kVersionKeys) known = known || key == name;
    if (!known) {
      *error = "build: --version-info: unknown key '" + key +
               "' (ProductName, CompanyName, FileDescription, ProductVersion, FileVersion, "
               "LegalCopyright)";
      return OptionMatch::Failed;
    }
    branding->versionInfo.emplace_back(key, pair.substr(key.size() + 1));
  }
  if (*i + 1 == first) {
    *error = "build: --version-info needs KEY=VALUE pairs";
    return OptionMatch::Failed;
  }
  return OptionMatch::Taken;
}

bool ApplyBranding(const Branding& branding, const std::string& stubPath, std::string* image,
                   std::string* error) {
  std::map<std::uint16_t, std::u16string> names;
  std::vector<format::Resource> resources;
  std::vector<format::IconImage> icon;
  if (!LoadNames(branding, &names, error) || !CheckNames(names, error) ||
      !LoadIcon(branding.icon, &icon, error))
    return false;
  format::ResourceFault fault = format::DecodeResources(*image, &resources);
  if (fault == format::ResourceFault::None) {
    if (!NameResources(names, &resources, error) || !SetVersionInfo(branding, &resources, error))
      return false;
    if (!icon.empty()) SetIcon(std::move(icon), &resources);
    fault = format::ReplaceResources(resources, image);
  }
  if (fault != format::ResourceFault::None)
    return Refuse(error, "stub '" + stubPath + "' " + FaultText(fault));
  return true;
}

void PrintBranding(std::string_view setup, std::ostream& out) {
  std::vector<format::Resource> resources;
  if (format::DecodeResources(setup, &resources) != format::ResourceFault::None) return;
  std::u16string english;
  std::map<std::u16string, std::string> otherNames;  // name: its languages
  for (const format::Resource& resource : resources) {
    std::u16string caption;
    if (resource.type.id != format::kDialogType || resource.name.id != 103 ||
        !format::DialogCaption(resource.data, &caption))
      continue;
    if (resource.language == 1033) english = caption;
    otherNames[caption] += " " + std::to_string(resource.language);
  }
  if (!english.empty()) out << "name           " << format::Utf16ToUtf8(english) << "\n";
  for (const auto& [name, languages] : otherNames) {
    if (name != english) out << "name in" << languages << "  " << format::Utf16ToUtf8(name) << "\n";
  }
  for (const format::Resource& resource : resources) {
    std::vector<format::IconImage> images;
    if (resource.type.id != format::kIconGroupType || resource.name.id != kIconGroup ||
        !format::DecodeIconGroup(resource.data, &images))
      continue;
    out << "icon          ";
    for (const format::IconImage& image : images)
      out << " " << (image.width ? image.width : 256) << "x" << (image.height ? image.height : 256);
    out << "\n";
    break;
  }
  for (const format::Resource& resource : resources) {
    format::VersionBlock root;
    if (resource.type.id != format::kVersionType ||
        !format::DecodeVersionInfo(resource.data, &root))
      continue;
    for (const format::VersionBlock& info : root.children) {
      if (info.key != u"StringFileInfo" || info.children.empty()) continue;
      for (const format::VersionBlock& string : info.children.front().children) {
        out << "version info   " << format::Utf16ToUtf8(string.key) << " = "
            << format::Utf16ToUtf8(format::VersionText(string)) << "\n";
      }
    }
    break;
  }
}

}  // namespace mksetup
