// The resource section of a PE image: its three-level tree (type, name,
// language) read into a flat list and written back, and the image rewritten
// around a new section. Only the builder and its lister use it; the launcher
// lets the system read its resources.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace carafe::format {

// A type or a name: a string when text is not empty, else an id.
struct ResourceKey {
  std::uint16_t id = 0;
  std::u16string text;
};
bool operator<(const ResourceKey& a, const ResourceKey& b);  // strings first, as the tree wants
bool operator==(const ResourceKey& a, const ResourceKey& b);

struct Resource {
  ResourceKey type;
  ResourceKey name;
  std::uint16_t language = 0;
  std::uint32_t codePage = 0;
  std::string data;
};

// Types the builder touches.
constexpr std::uint16_t kIconType = 3;
constexpr std::uint16_t kDialogType = 5;
constexpr std::uint16_t kStringType = 6;
constexpr std::uint16_t kIconGroupType = 14;
constexpr std::uint16_t kVersionType = 16;

enum class ResourceFault {
  None,
  NoImage,      // the headers are unreadable
  NoResources,  // no resource directory
  Unreadable,   // the tree points outside its section, or loops
  NotLast,      // another section lies behind the resource section
};

// The resources of a whole image, in tree order.
ResourceFault DecodeResources(std::string_view image, std::vector<Resource>* out);

// The section's bytes for resources at virtual address rva. Equal keys keep
// the last entry.
std::string EncodeResources(const std::vector<Resource>& resources, std::uint32_t rva);

// Replaces the resource section of image (the bytes up to its image end),
// which must be its last section, and fixes the section header, the image
// size, the initialised-data size and the resource directory entry.
ResourceFault ReplaceResources(const std::vector<Resource>& resources, std::string* image);

// The optional header's CheckSum over a whole file, as the system computes it.
bool SetChecksum(std::string* file);

}  // namespace carafe::format
