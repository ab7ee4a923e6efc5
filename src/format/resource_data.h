// The data of the resources the builder rewrites: string-table blocks, the
// captions of dialog templates, icon files and icon groups, and version
// information. Texts in resources are UTF-16.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace carafe::format {

// False on bytes that are not UTF-8.
bool Utf8ToUtf16(std::string_view text, std::u16string* out);
std::string Utf16ToUtf8(std::u16string_view text);

// A string table's block n holds strings 16(n-1) to 16n-1, each a count of
// UTF-16 units and the units. False when the block is cut short.
constexpr std::size_t kStringsPerBlock = 16;
bool DecodeStringBlock(std::string_view block, std::vector<std::u16string>* strings);
std::string EncodeStringBlock(const std::vector<std::u16string>& strings);

// The caption of a dialog template, plain or extended. False when the
// template is cut short before the first control.
bool DialogCaption(std::string_view dialog, std::u16string* caption);
bool SetDialogCaption(std::string* dialog, const std::u16string& caption);

// One image of an .ico file, or one entry of an icon group (id set).
struct IconImage {
  std::uint8_t width = 0, height = 0, colors = 0;  // 0 is 256 pixels
  std::uint16_t planes = 0, bits = 0;
  std::uint32_t bytes = 0;
  std::uint16_t id = 0;
  std::string data;  // the .ico's image; empty in a group
};

// False unless the file is an .ico holding at least one image whose data lies inside it.
bool DecodeIconFile(std::string_view file, std::vector<IconImage>* images);
// The group directory of images, which are stored under their ids.
std::string EncodeIconGroup(const std::vector<IconImage>& images);
bool DecodeIconGroup(std::string_view group, std::vector<IconImage>* images);

// One block of version information: a key, a value (text when isText, as
// UTF-16 units with their terminator, else bytes) and the blocks inside it.
struct VersionBlock {
  std::u16string key;
  bool isText = false;
  std::string value;
  std::vector<VersionBlock> children;
};

constexpr std::size_t kFixedInfoBytes = 52;
constexpr std::size_t kFileVersionField = 8;  // in the fixed info: two 32-bit halves

bool DecodeVersionInfo(std::string_view data, VersionBlock* root);
std::string EncodeVersionInfo(const VersionBlock& root);
// The text of a string value, without its terminator.
std::u16string VersionText(const VersionBlock& block);
// Sets key to text in every string table of the root, adding it where missing.
void SetVersionString(VersionBlock* root, const std::u16string& key, const std::u16string& text);

}  // namespace carafe::format
