#include "format/setup_container_format.h"

#include "format/byte_order.h"
#include "format/pe_image.h"

namespace carafe::format {

namespace {

constexpr std::uint64_t kLargestPosition = 0x7FFFFFFFFFFFFFFF;

}  // namespace

bool DecodeContainerCount(std::string_view bytes, std::uint32_t* count) {
  if (bytes.size() < kContainerCountBytes) return false;
  *count = static_cast<std::uint32_t>(BigEndian(bytes.substr(0, kContainerCountBytes)));
  return true;
}

bool DecodeContainerEntry(std::string_view bytes, ContainerEntry* entry) {
  if (bytes.size() < kContainerEntryBytes) return false;
  entry->type = static_cast<std::uint8_t>(bytes[0]);
  entry->storedSize = static_cast<std::uint32_t>(BigEndian(bytes.substr(1, 4)));
  entry->offset = BigEndian(bytes.substr(5, 8));
  return true;
}

bool SectionStart(std::uint32_t imageEnd, const ContainerEntry& entry, std::uint64_t* position) {
  if (entry.offset > kLargestPosition - imageEnd) return false;
  *position = imageEnd + entry.offset;
  return true;
}

bool PlaceSectionData(std::uint32_t imageEnd, const ContainerEntry& entry, std::uint16_t nameBytes,
                      std::int32_t* dataSize, std::uint64_t* dataOffset) {
  const std::uint64_t prefix = kString16LengthBytes + nameBytes;
  const std::int64_t size = std::int64_t(static_cast<std::int32_t>(entry.storedSize)) -
                            static_cast<std::int64_t>(prefix);
  std::uint64_t start = 0;
  if (size < 0 || !SectionStart(imageEnd, entry, &start)) return false;
  *dataSize = static_cast<std::int32_t>(size);
  *dataOffset = start + prefix;
  return true;
}

bool InsideFile(std::uint64_t offset, std::uint64_t size, std::uint64_t fileSize) {
  return offset <= fileSize && size <= fileSize - offset;
}

ContainerFault DecodeContainer(std::string_view file, ContainerTable* table) {
  *table = ContainerTable();
  if (!FindImageEnd(file, &table->imageEnd)) return ContainerFault::NoImage;
  if (file.size() <= table->imageEnd) return ContainerFault::NoContainer;
  ByteCursor cursor(file);
  std::string_view bytes;
  if (!cursor.Seek(table->imageEnd) || !cursor.Bytes(kContainerCountBytes, &bytes) ||
      !DecodeContainerCount(bytes, &table->sectionCount)) {
    return ContainerFault::CountCutOff;
  }
  std::uint64_t at = std::uint64_t(table->imageEnd) + kContainerCountBytes;
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(table->sectionCount); ++i) {
    ContainerSectionInfo section;
    std::uint64_t start = 0;
    std::uint16_t nameBytes = 0;
    if (!cursor.Seek(at) || !cursor.Bytes(kContainerEntryBytes, &bytes) ||
        !DecodeContainerEntry(bytes, &section.entry) ||
        !SectionStart(table->imageEnd, section.entry, &start) || !cursor.Seek(start) ||
        !cursor.String16(&section.name, &nameBytes)) {
      return ContainerFault::EntryCutOff;
    }
    if (!PlaceSectionData(table->imageEnd, section.entry, nameBytes, &section.dataSize,
                          &section.dataOffset)) {
      return ContainerFault::SmallerThanName;
    }
    table->sections.push_back(section);
    at += kContainerEntryBytes;
  }
  return ContainerFault::None;
}

bool EncodeContainer(const std::vector<ContainerSectionInput>& sections, std::string* container,
                     std::string* refused) {
  std::string out;
  AppendBigEndian(&out, sections.size(), kContainerCountBytes);
  std::uint64_t offset = kContainerCountBytes + kContainerEntryBytes * sections.size();
  for (const ContainerSectionInput& section : sections) {
    const std::uint64_t size = kString16LengthBytes + section.name.size() + section.data.size();
    if (section.name.size() > kString16MaxBytes || size > kMaxStoredSize) {
      *refused = section.name;
      return false;
    }
    out.push_back(static_cast<char>(section.type));
    AppendBigEndian(&out, size, 4);
    AppendBigEndian(&out, offset, 8);
    offset += size;
  }
  out.reserve(offset);
  for (const ContainerSectionInput& section : sections) {
    AppendString16(&out, section.name);
    out += section.data;
  }
  container->swap(out);
  return true;
}

}  // namespace carafe::format
