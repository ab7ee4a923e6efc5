#include "mksetup/container_format.h"

#include "mksetup/byte_io.h"

namespace mksetup {

std::string EncodeString16(const std::string& text) {
  std::string bytes;
  AppendBig(bytes, text.size(), 2);
  return bytes + text;
}

bool EncodeContainer(const std::vector<SectionInput>& sections, std::string* container,
                     std::string* error) {
  std::string table;
  AppendBig(table, sections.size(), kCountBytes);
  std::uint64_t offset = kCountBytes + kEntryBytes * sections.size();
  for (const SectionInput& section : sections) {
    std::uint64_t size = 2 + section.name.size() + section.data.size();
    if (section.name.size() > kMaxString16Bytes || size > kMaxStoredSize) {
      *error = "section '" + section.name + "' is too large for the container";
      return false;
    }
    table += static_cast<char>(section.type);
    AppendBig(table, size, 4);
    AppendBig(table, offset, 8);
    offset += size;
  }
  container->reserve(offset);
  *container = table;
  for (const SectionInput& section : sections)
    *container += EncodeString16(section.name) + section.data;
  return true;
}

}  // namespace mksetup
