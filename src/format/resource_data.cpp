#include "format/resource_data.h"

#include "format/byte_order.h"

namespace carafe::format {

namespace {

std::uint32_t Get(std::string_view bytes, std::size_t at, std::size_t width) {
  return static_cast<std::uint32_t>(LittleEndian(bytes.substr(at, width)));
}

void Append(std::string* bytes, std::uint32_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) bytes->push_back(static_cast<char>(value >> (8 * i)));
}

void AppendText(std::string* bytes, const std::u16string& text) {
  for (char16_t c : text) Append(bytes, c, 2);
}

void PadTo4(std::string* bytes) { bytes->resize((bytes->size() + 3) / 4 * 4, '\0'); }

// A terminated UTF-16 string at *at; *at moves behind its terminator.
bool ReadTerminated(std::string_view bytes, std::size_t* at, std::u16string* text) {
  for (;; *at += 2) {
    if (*at + 2 > bytes.size()) return false;
    const char16_t c = static_cast<char16_t>(Get(bytes, *at, 2));
    if (c == 0) break;
    text->push_back(c);
  }
  *at += 2;
  return true;
}

// A dialog's menu or class: nothing, an ordinal or a string.
bool SkipNameOrOrdinal(std::string_view bytes, std::size_t* at) {
  if (*at + 2 > bytes.size()) return false;
  const std::uint32_t first = Get(bytes, *at, 2);
  if (first == 0xFFFF) return (*at += 4) <= bytes.size();
  std::u16string ignored;
  return ReadTerminated(bytes, at, &ignored);
}

// Where the caption starts and ends, and where the controls start.
struct DialogParts {
  std::size_t caption = 0, captionEnd = 0, fontEnd = 0, controls = 0;
};

bool FindDialogParts(std::string_view dialog, DialogParts* parts, std::u16string* caption) {
  const bool extended = dialog.size() >= 4 && Get(dialog, 0, 4) == 0xFFFF0001;
  const std::size_t styleField = extended ? 12 : 0;
  std::size_t at = extended ? 26 : 18;
  if (dialog.size() < at || !SkipNameOrOrdinal(dialog, &at) || !SkipNameOrOrdinal(dialog, &at))
    return false;
  parts->caption = at;
  if (!ReadTerminated(dialog, &at, caption)) return false;
  parts->captionEnd = at;
  constexpr std::uint32_t kSetFont = 0x40;
  if (Get(dialog, styleField, 4) & kSetFont) {
    at += extended ? 6 : 2;  // point size, and weight, italic and character set
    std::u16string typeface;
    if (!ReadTerminated(dialog, &at, &typeface)) return false;
  }
  parts->fontEnd = at;
  parts->controls = (at + 3) / 4 * 4;
  return parts->controls <= dialog.size() || at == dialog.size();
}

std::size_t Align4(std::size_t at) { return (at + 3) / 4 * 4; }

// One block at *at, which moves behind it; blocks never end past limit.
bool ReadBlock(std::string_view data, std::size_t at, std::size_t limit, VersionBlock* block,
               int depth) {
  if (depth > 4 || at + 6 > limit) return false;
  const std::size_t end = at + Get(data, at, 2);
  const std::uint32_t valueLength = Get(data, at + 2, 2);
  block->isText = Get(data, at + 4, 2) == 1;
  std::size_t cursor = at + 6;
  if (end > limit || end < cursor || !ReadTerminated(data.substr(0, end), &cursor, &block->key))
    return false;
  cursor = Align4(cursor);
  const std::size_t valueBytes = block->isText ? 2 * valueLength : valueLength;
  if (cursor + valueBytes > end) {
    if (valueLength != 0) return false;
    cursor = end;
  }
  block->value = std::string(data.substr(cursor, valueBytes));
  for (cursor = Align4(cursor + valueBytes); cursor + 6 <= end;) {
    const std::size_t length = Get(data, cursor, 2);
    block->children.emplace_back();
    if (!ReadBlock(data, cursor, end, &block->children.back(), depth + 1)) return false;
    cursor = Align4(cursor + length);
  }
  return true;
}

}  // namespace

bool Utf8ToUtf16(std::string_view text, std::u16string* out) {
  out->clear();
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const std::size_t length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
    if (byte >= 0x80 && byte < 0xC2) return false;
    if (byte > 0xF4 || i + length > text.size()) return false;
    char32_t code = length == 1 ? byte : byte & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    static const char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
      return false;
    if (code >= 0x10000) {
      out->push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(code));
    }
    i += length;
  }
  return true;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

bool DecodeStringBlock(std::string_view block, std::vector<std::u16string>* strings) {
  strings->assign(kStringsPerBlock, std::u16string());
  std::size_t at = 0;
  for (std::u16string& text : *strings) {
    if (at + 2 > block.size()) return false;
    const std::size_t length = Get(block, at, 2);
    at += 2;
    if (at + 2 * length > block.size()) return false;
    for (std::size_t i = 0; i < length; ++i, at += 2)
      text.push_back(static_cast<char16_t>(Get(block, at, 2)));
  }
  return true;
}

std::string EncodeStringBlock(const std::vector<std::u16string>& strings) {
  std::string block;
  for (const std::u16string& text : strings) {
    Append(&block, static_cast<std::uint32_t>(text.size()), 2);
    AppendText(&block, text);
  }
  return block;
}

bool DialogCaption(std::string_view dialog, std::u16string* caption) {
  DialogParts parts;
  caption->clear();
  return FindDialogParts(dialog, &parts, caption);
}

// The controls start on a 4-byte boundary behind the header, whose length
// changes with the caption's.
bool SetDialogCaption(std::string* dialog, const std::u16string& caption) {
  DialogParts parts;
  std::u16string old;
  if (!FindDialogParts(*dialog, &parts, &old)) return false;
  std::string header = dialog->substr(0, parts.caption);
  AppendText(&header, caption);
  Append(&header, 0, 2);
  header += dialog->substr(parts.captionEnd, parts.fontEnd - parts.captionEnd);
  const std::string controls =
      parts.controls < dialog->size() ? dialog->substr(parts.controls) : "";
  if (!controls.empty()) PadTo4(&header);
  *dialog = header + controls;
  return true;
}

// The fields an .ico entry and a group entry share: their first 12 bytes.
IconImage ReadIconEntry(std::string_view entry) {
  IconImage image;
  image.width = static_cast<std::uint8_t>(entry[0]);
  image.height = static_cast<std::uint8_t>(entry[1]);
  image.colors = static_cast<std::uint8_t>(entry[2]);
  image.planes = static_cast<std::uint16_t>(Get(entry, 4, 2));
  image.bits = static_cast<std::uint16_t>(Get(entry, 6, 2));
  image.bytes = Get(entry, 8, 4);
  return image;
}

bool DecodeIconFile(std::string_view file, std::vector<IconImage>* images) {
  images->clear();
  if (file.size() < 6 || Get(file, 0, 2) != 0 || Get(file, 2, 2) != 1) return false;
  const std::size_t count = Get(file, 4, 2);
  if (count == 0 || file.size() < 6 + 16 * count) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = 6 + 16 * i;
    IconImage image = ReadIconEntry(file.substr(at));
    const std::uint32_t offset = Get(file, at + 12, 4);
    if (image.bytes == 0 || std::uint64_t(offset) + image.bytes > file.size()) return false;
    image.data = std::string(file.substr(offset, image.bytes));
    images->push_back(std::move(image));
  }
  return true;
}

std::string EncodeIconGroup(const std::vector<IconImage>& images) {
  std::string group;
  Append(&group, 0, 2);
  Append(&group, 1, 2);
  Append(&group, static_cast<std::uint32_t>(images.size()), 2);
  for (const IconImage& image : images) {
    group += static_cast<char>(image.width);
    group += static_cast<char>(image.height);
    group += static_cast<char>(image.colors);
    group += '\0';
    Append(&group, image.planes, 2);
    Append(&group, image.bits, 2);
    Append(&group, image.bytes, 4);
    Append(&group, image.id, 2);
  }
  return group;
}

bool DecodeIconGroup(std::string_view group, std::vector<IconImage>* images) {
  images->clear();
  if (group.size() < 6) return false;
  const std::size_t count = Get(group, 4, 2);
  if (group.size() < 6 + 14 * count) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = 6 + 14 * i;
    IconImage image = ReadIconEntry(group.substr(at));
    image.id = static_cast<std::uint16_t>(Get(group, at + 12, 2));
    images->push_back(image);
  }
  return true;
}

bool DecodeVersionInfo(std::string_view data, VersionBlock* root) {
  *root = VersionBlock();
  return ReadBlock(data, 0, data.size(), root, 0);
}

std::string EncodeVersionInfo(const VersionBlock& block) {
  std::string out;
  Append(&out, 0, 2);  // the length, set below
  Append(&out,
         static_cast<std::uint32_t>(block.isText ? block.value.size() / 2 : block.value.size()), 2);
  Append(&out, block.isText ? 1 : 0, 2);
  AppendText(&out, block.key);
  Append(&out, 0, 2);
  PadTo4(&out);
  out += block.value;
  for (const VersionBlock& child : block.children) {
    PadTo4(&out);
    out += EncodeVersionInfo(child);
  }
  out[0] = static_cast<char>(out.size());
  out[1] = static_cast<char>(out.size() >> 8);
  return out;
}

std::u16string VersionText(const VersionBlock& block) {
  std::u16string text;
  for (std::size_t at = 0; at + 1 < block.value.size(); at += 2) {
    const char16_t c = static_cast<char16_t>(Get(block.value, at, 2));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

void SetVersionString(VersionBlock* root, const std::u16string& key, const std::u16string& text) {
  std::string value;
  AppendText(&value, text);
  Append(&value, 0, 2);
  for (VersionBlock& info : root->children) {
    if (info.key != u"StringFileInfo") continue;
    for (VersionBlock& table : info.children) {
      VersionBlock* found = nullptr;
      for (VersionBlock& string : table.children)
        if (string.key == key) found = &string;
      if (found == nullptr) {
        table.children.emplace_back();
        found = &table.children.back();
        found->key = key;
      }
      found->isText = true;
      found->value = value;
    }
  }
}

}  // namespace carafe::format
