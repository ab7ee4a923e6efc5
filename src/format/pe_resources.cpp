#include "format/pe_resources.h"

#include <map>
#include <tuple>

#include "format/byte_order.h"
#include "format/pe_image.h"

namespace carafe::format {

namespace {

// Optional header fields, the same offsets in PE32 and PE32+ up to CheckSum.
constexpr std::size_t kInitializedDataField = 8;
constexpr std::size_t kSectionAlignmentField = 32;
constexpr std::size_t kFileAlignmentField = 36;
constexpr std::size_t kImageSizeField = 56;
constexpr std::size_t kChecksumField = 64;
constexpr std::size_t kPe32DirectoriesField = 96;
constexpr std::size_t kPe32PlusDirectoriesField = 112;
constexpr std::uint32_t kResourceDirectory = 2;
// Section header fields.
constexpr std::size_t kVirtualSizeField = 8;
constexpr std::size_t kVirtualAddressField = 12;
constexpr std::size_t kRawSizeField = 16;
constexpr std::size_t kRawPointerField = 20;
// The tree.
constexpr std::size_t kDirectoryBytes = 16;
constexpr std::size_t kEntryBytes = 8;
constexpr std::size_t kDataEntryBytes = 16;
constexpr std::uint32_t kHighBit = 0x80000000u;

std::uint32_t Get(std::string_view bytes, std::size_t at, std::size_t width) {
  return static_cast<std::uint32_t>(LittleEndian(bytes.substr(at, width)));
}

void Put(std::string* bytes, std::size_t at, std::uint32_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) (*bytes)[at + i] = static_cast<char>(value >> (8 * i));
}

void Append(std::string* bytes, std::uint32_t value, std::size_t width) {
  bytes->append(width, '\0');
  Put(bytes, bytes->size() - width, value, width);
}

std::uint32_t AlignUp(std::uint64_t value, std::uint32_t alignment) {
  if (alignment == 0) return static_cast<std::uint32_t>(value);
  return static_cast<std::uint32_t>((value + alignment - 1) / alignment * alignment);
}

// Where the headers and the resource section lie in a file.
struct Layout {
  std::size_t optional = 0;   // the optional header
  std::size_t directory = 0;  // the resource directory entry
  std::size_t sections = 0;   // the first section header
  std::size_t sectionCount = 0;
  std::size_t resourceHeader = 0;  // the resource section's header, when found
  std::uint32_t rva = 0, rawPointer = 0, rawSize = 0;
};

ResourceFault FindLayout(std::string_view file, Layout* layout) {
  std::uint32_t peOffset = 0;
  PeHeader header;
  if (!DecodeDosHeader(file, &peOffset) || file.size() < std::uint64_t(peOffset) + kPeHeaderBytes ||
      !DecodePeHeader(file.substr(peOffset), &header)) {
    return ResourceFault::NoImage;
  }
  layout->optional = peOffset + kPeHeaderBytes;
  layout->sections = static_cast<std::size_t>(SectionTableOffset(peOffset, header));
  layout->sectionCount = header.sectionCount;
  if (file.size() < layout->sections + kSectionHeaderBytes * layout->sectionCount ||
      header.optionalHeaderBytes < 2) {
    return ResourceFault::NoImage;
  }
  const std::size_t directories =
      Get(file, layout->optional, 2) == 0x20B ? kPe32PlusDirectoriesField : kPe32DirectoriesField;
  layout->directory = layout->optional + directories + kResourceDirectory * 8;
  if (directories + (kResourceDirectory + 1) * 8 > header.optionalHeaderBytes ||
      Get(file, layout->optional + directories - 4, 4) <= kResourceDirectory) {
    return ResourceFault::NoResources;
  }
  const std::uint32_t rva = Get(file, layout->directory, 4);
  if (rva == 0) return ResourceFault::NoResources;
  for (std::size_t i = 0; i < layout->sectionCount; ++i) {
    const std::size_t at = layout->sections + i * kSectionHeaderBytes;
    if (Get(file, at + kVirtualAddressField, 4) != rva) continue;
    layout->resourceHeader = at;
    layout->rva = rva;
    layout->rawPointer = Get(file, at + kRawPointerField, 4);
    layout->rawSize = Get(file, at + kRawSizeField, 4);
    return std::uint64_t(layout->rawPointer) + layout->rawSize <= file.size()
               ? ResourceFault::None
               : ResourceFault::Unreadable;
  }
  return ResourceFault::Unreadable;
}

class TreeReader {
 public:
  TreeReader(std::string_view section, std::uint32_t rva) : section_(section), rva_(rva) {}

  // Level 0 types, 1 names, 2 languages; the path so far in resource.
  bool Read(std::size_t at, int level, Resource resource, std::vector<Resource>* out) {
    if (at + kDirectoryBytes > section_.size()) return false;
    const std::size_t count = Get(section_, at + 12, 2) + Get(section_, at + 14, 2);
    if (at + kDirectoryBytes + count * kEntryBytes > section_.size()) return false;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t entry = at + kDirectoryBytes + i * kEntryBytes;
      const std::uint32_t name = Get(section_, entry, 4), target = Get(section_, entry + 4, 4);
      ResourceKey key;
      if (name & kHighBit) {
        if (!ReadName(name & ~kHighBit, &key.text)) return false;
      } else {
        key.id = static_cast<std::uint16_t>(name);
      }
      if (level == 0) resource.type = key;
      if (level == 1) resource.name = key;
      if (level == 2) resource.language = key.id;
      const bool isDirectory = (target & kHighBit) != 0;
      if (isDirectory != (level < 2)) return false;  // the tree has exactly three levels
      if (isDirectory ? !Read(target & ~kHighBit, level + 1, resource, out)
                      : !ReadData(target, resource, out)) {
        return false;
      }
    }
    return true;
  }

 private:
  bool ReadName(std::size_t at, std::u16string* text) {
    if (at + 2 > section_.size()) return false;
    const std::size_t length = Get(section_, at, 2);
    if (length == 0 || at + 2 + 2 * length > section_.size()) return false;
    for (std::size_t i = 0; i < length; ++i)
      text->push_back(static_cast<char16_t>(Get(section_, at + 2 + 2 * i, 2)));
    return true;
  }

  bool ReadData(std::size_t at, Resource resource, std::vector<Resource>* out) {
    if (at + kDataEntryBytes > section_.size()) return false;
    const std::uint32_t rva = Get(section_, at, 4), size = Get(section_, at + 4, 4);
    if (rva < rva_ || std::uint64_t(rva - rva_) + size > section_.size()) return false;
    resource.data = std::string(section_.substr(rva - rva_, size));
    resource.codePage = Get(section_, at + 8, 4);
    out->push_back(std::move(resource));
    // A tree whose directories share entries could otherwise copy the section many times over.
    copied_ += size + kDataEntryBytes;
    return copied_ <= section_.size();
  }

  std::string_view section_;
  std::uint32_t rva_;
  std::uint64_t copied_ = 0;
};

using Languages = std::map<std::uint16_t, const Resource*>;
using Names = std::map<ResourceKey, Languages>;
using Types = std::map<ResourceKey, Names>;

// Writes one directory whose entries come from map; each entry's target is
// what place(value) returns. Names are written where the string table says.
template <typename Map, typename Place, typename NameAt>
void WriteDirectory(std::string* out, const Map& map, Place place, NameAt nameAt) {
  std::size_t named = 0;
  for (const auto& [key, value] : map) named += key.text.empty() ? 0 : 1;
  Append(out, 0, 12);  // characteristics, time stamp, version: none, for reproducible builds
  Append(out, static_cast<std::uint32_t>(named), 2);
  Append(out, static_cast<std::uint32_t>(map.size() - named), 2);
  for (const auto& [key, value] : map) {
    Append(out, key.text.empty() ? key.id : (nameAt(key.text) | kHighBit), 4);
    Append(out, place(value), 4);
  }
}

std::size_t DirectoryBytes(std::size_t entries) { return kDirectoryBytes + entries * kEntryBytes; }

}  // namespace

bool operator<(const ResourceKey& a, const ResourceKey& b) {
  return std::make_tuple(a.text.empty(), a.text, a.id) <
         std::make_tuple(b.text.empty(), b.text, b.id);
}

bool operator==(const ResourceKey& a, const ResourceKey& b) {
  return a.id == b.id && a.text == b.text;
}

ResourceFault DecodeResources(std::string_view image, std::vector<Resource>* out) {
  out->clear();
  Layout layout;
  const ResourceFault fault = FindLayout(image, &layout);
  if (fault != ResourceFault::None) return fault;
  TreeReader reader(image.substr(layout.rawPointer, layout.rawSize), layout.rva);
  return reader.Read(0, 0, Resource(), out) ? ResourceFault::None : ResourceFault::Unreadable;
}

// The layout Windows' own tools use: every directory, breadth first, then the
// data entries, the name strings and the data, each datum on 8 bytes.
std::string EncodeResources(const std::vector<Resource>& resources, std::uint32_t rva) {
  Types types;
  for (const Resource& resource : resources)
    types[resource.type][resource.name][resource.language] = &resource;
  std::size_t directories = DirectoryBytes(types.size()), leaves = 0;
  for (const auto& [type, names] : types) {
    directories += DirectoryBytes(names.size());
    for (const auto& [name, languages] : names) directories += DirectoryBytes(languages.size());
    for (const auto& [name, languages] : names) leaves += languages.size();
  }
  std::map<std::u16string, std::uint32_t> nameOffsets;
  std::size_t strings = directories + leaves * kDataEntryBytes, stringBytes = 0;
  for (const Resource& resource : resources) {
    for (const ResourceKey* key : {&resource.type, &resource.name})
      if (!key->text.empty()) nameOffsets[key->text] = 0;
  }
  for (auto& [text, offset] : nameOffsets) {
    offset = static_cast<std::uint32_t>(strings + stringBytes);
    stringBytes += 2 + 2 * text.size();
  }
  const auto nameAt = [&](const std::u16string& text) { return nameOffsets[text]; };

  std::string out;
  // Offsets of the directories of the second and third levels, and of the data entries.
  std::uint32_t next = static_cast<std::uint32_t>(DirectoryBytes(types.size()));
  std::uint32_t leaf = static_cast<std::uint32_t>(directories);
  const auto subdirectory = [&](const auto& children) {
    const std::uint32_t at = next;
    next += static_cast<std::uint32_t>(DirectoryBytes(children.size()));
    return at | kHighBit;
  };
  WriteDirectory(&out, types, subdirectory, nameAt);
  for (const auto& [type, names] : types) WriteDirectory(&out, names, subdirectory, nameAt);
  std::vector<const Resource*> order;
  for (const auto& [type, names] : types) {
    for (const auto& [name, languages] : names) {
      std::map<ResourceKey, const Resource*> byLanguage;
      for (const auto& [language, resource] : languages) byLanguage[{language, {}}] = resource;
      WriteDirectory(
          &out, byLanguage,
          [&](const Resource* resource) {
            order.push_back(resource);
            const std::uint32_t at = leaf;
            leaf += kDataEntryBytes;
            return at;
          },
          nameAt);
    }
  }
  std::uint32_t data = AlignUp(strings + stringBytes, 8);
  for (const Resource* resource : order) {
    Append(&out, rva + data, 4);
    Append(&out, static_cast<std::uint32_t>(resource->data.size()), 4);
    Append(&out, resource->codePage, 4);
    Append(&out, 0, 4);
    data = AlignUp(data + resource->data.size(), 8);
  }
  for (const auto& [text, offset] : nameOffsets) {
    out.resize(offset);
    Append(&out, static_cast<std::uint32_t>(text.size()), 2);
    for (char16_t c : text) Append(&out, c, 2);
  }
  for (const Resource* resource : order) {
    out.resize(AlignUp(out.size(), 8), '\0');
    out += resource->data;
  }
  return out;
}

ResourceFault ReplaceResources(const std::vector<Resource>& resources, std::string* image) {
  Layout layout;
  const ResourceFault fault = FindLayout(*image, &layout);
  if (fault != ResourceFault::None) return fault;
  for (std::size_t i = 0; i < layout.sectionCount; ++i) {
    const std::size_t at = layout.sections + i * kSectionHeaderBytes;
    if (Get(*image, at + kVirtualAddressField, 4) > layout.rva ||
        Get(*image, at + kRawPointerField, 4) > layout.rawPointer) {
      return ResourceFault::NotLast;
    }
  }
  if (std::uint64_t(layout.rawPointer) + layout.rawSize != image->size())
    return ResourceFault::NotLast;
  const std::string bytes = EncodeResources(resources, layout.rva);
  const std::uint32_t fileAlignment = Get(*image, layout.optional + kFileAlignmentField, 4);
  const std::uint32_t rawSize = AlignUp(bytes.size(), fileAlignment);
  const std::uint32_t size = static_cast<std::uint32_t>(bytes.size());
  Put(image, layout.resourceHeader + kVirtualSizeField, size, 4);
  Put(image, layout.resourceHeader + kRawSizeField, rawSize, 4);
  Put(image, layout.directory + 4, size, 4);
  Put(image, layout.optional + kImageSizeField,
      AlignUp(std::uint64_t(layout.rva) + size,
              Get(*image, layout.optional + kSectionAlignmentField, 4)),
      4);
  Put(image, layout.optional + kInitializedDataField,
      Get(*image, layout.optional + kInitializedDataField, 4) - layout.rawSize + rawSize, 4);
  image->resize(layout.rawPointer);
  *image += bytes;
  image->resize(std::size_t(layout.rawPointer) + rawSize, '\0');
  return ResourceFault::None;
}

bool SetChecksum(std::string* file) {
  Layout layout;
  if (FindLayout(*file, &layout) == ResourceFault::NoImage) return false;
  const std::size_t field = layout.optional + kChecksumField;
  Put(file, field, 0, 4);
  std::uint64_t sum = 0;
  for (std::size_t at = 0; at < file->size(); at += 2) {
    sum += static_cast<unsigned char>((*file)[at]);
    if (at + 1 < file->size())
      sum += std::uint32_t(static_cast<unsigned char>((*file)[at + 1])) << 8;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  Put(file, field, static_cast<std::uint32_t>(sum + file->size()), 4);
  return true;
}

}  // namespace carafe::format
