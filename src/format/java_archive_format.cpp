#include "format/java_archive_format.h"

#include "format/byte_order.h"
#include "format/class_file.h"

namespace carafe::format {

namespace {

bool DecodeRecord(ByteCursor& cursor, ResourceInfo* resource) {
  if (!cursor.BigEndian(&resource->headerBlockLength)) return false;
  if (resource->headerBlockLength == kFlagBlockLength) {
    if (!cursor.BigEndian(&resource->flag)) return false;
  } else if (!cursor.Skip(resource->headerBlockLength)) {
    return false;
  }
  if (!cursor.String16(&resource->name) || !cursor.BigEndian(&resource->size)) return false;
  resource->dataOffset = cursor.Position();
  return true;
}

bool DecodeSection(ByteCursor& cursor, std::uint64_t entry, ArchiveSectionInfo* section) {
  std::string_view fields;
  return cursor.Seek(entry) && cursor.String16(&section->name) &&
         cursor.BigEndian(&section->offset) && cursor.Seek(section->offset) &&
         cursor.String16(&section->name, &section->nameBytes) &&
         cursor.Bytes(kSectionFieldsBytes, &fields) && DecodeSectionFields(fields, &section->fields);
}

}  // namespace

bool DecodeSectionFields(std::string_view bytes, SectionFields* fields) {
  if (bytes.size() < kSectionFieldsBytes) return false;
  fields->resourceCount = static_cast<std::uint32_t>(BigEndian(bytes.substr(0, 4)));
  fields->payloadSize = BigEndian(bytes.substr(4, 8));
  fields->compressed = static_cast<std::uint8_t>(bytes[12]);
  return true;
}

std::uint64_t NextOffsetTableEntry(std::uint64_t entry, std::uint16_t sectionNameBytes) {
  return entry + kString16LengthBytes + sectionNameBytes + kSectionOffsetBytes;
}

ArchiveFault DecodeJavaArchive(std::string_view bytes, ArchiveTable* table) {
  *table = ArchiveTable();
  ByteCursor cursor(bytes);
  if (bytes.size() < kOffsetTableOffsetBytes || !cursor.Seek(bytes.size() - kOffsetTableOffsetBytes) ||
      !cursor.BigEndian(&table->offsetTable)) {
    return ArchiveFault::NoTableOffset;
  }
  if (table->offsetTable >= bytes.size()) return ArchiveFault::TableOutOfRange;
  if (!cursor.Seek(table->offsetTable) || !cursor.BigEndian(&table->sectionCount))
    return ArchiveFault::CountCutOff;
  std::uint64_t entry = table->offsetTable + kSectionCountBytes;
  for (int i = 0; i < table->sectionCount; ++i) {
    ArchiveSectionInfo section;
    if (!DecodeSection(cursor, entry, &section)) return ArchiveFault::SectionCutOff;
    if (section.fields.compressed == 0) {
      // Every record moves at least 10 bytes on: a forged count ends at the file's end.
      for (std::uint32_t j = 0; j < section.fields.resourceCount; ++j) {
        ResourceInfo resource;
        if (!DecodeRecord(cursor, &resource)) return ArchiveFault::RecordCutOff;
        section.resources.push_back(resource);
        if (!cursor.Seek(resource.dataOffset + resource.size) &&
            j + 1 < section.fields.resourceCount) {
          return ArchiveFault::RecordCutOff;
        }
      }
    }
    entry = NextOffsetTableEntry(entry, section.nameBytes);
    table->sections.push_back(std::move(section));
  }
  return ArchiveFault::None;
}

bool DecodeResourceRecords(std::string_view records, std::uint32_t count,
                           std::vector<ResourceInfo>* resources) {
  ByteCursor cursor(records);
  for (std::uint32_t j = 0; j < count; ++j) {
    ResourceInfo resource;
    if (!DecodeRecord(cursor, &resource) || !cursor.Seek(resource.dataOffset + resource.size))
      return false;
    resources->push_back(resource);
  }
  return true;
}

bool ArchiveInsideClass(std::string_view bytes) {
  ClassFile classFile;
  std::string error;
  return ParseClassFile(bytes, &classFile, &error) && classFile.end == bytes.size() &&
         !classFile.attributeNames.empty() &&
         classFile.attributeNames.back() == kArchiveAttributeName;
}

bool EncodeResourceRecords(const std::vector<ResourceInput>& resources, std::string* records,
                           std::string* refused) {
  std::string out;
  for (const ResourceInput& resource : resources) {
    if (resource.data.size() > UINT32_MAX || resource.headerBlock.size() > UINT32_MAX) {
      *refused = resource.name;
      return false;
    }
    AppendBigEndian(&out, resource.headerBlock.size(), kBlockLengthBytes);
    out += resource.headerBlock;
    if (!AppendString16(&out, resource.name)) {
      *refused = resource.name;
      return false;
    }
    AppendBigEndian(&out, resource.data.size(), kDataSizeBytes);
    out += resource.data;
  }
  records->swap(out);
  return true;
}

bool AppendArchiveSections(std::string* out, const std::vector<SectionPayload>& sections,
                           std::string* refused, std::vector<std::uint64_t>* offsets) {
  std::vector<std::uint64_t> placed;
  for (const SectionPayload& section : sections) {
    placed.push_back(out->size());
    if (!AppendString16(out, section.name)) {
      *refused = section.name;
      return false;
    }
    AppendBigEndian(out, section.resourceCount, 4);
    AppendBigEndian(out, section.payload.size(), 8);
    out->push_back(section.compressed ? 1 : 0);
    *out += section.payload;
  }
  const std::uint64_t table = out->size();
  AppendBigEndian(out, sections.size(), kSectionCountBytes);
  for (std::size_t i = 0; i < sections.size(); ++i) {
    // The same name as at the section: the walk steps by that one.
    AppendString16(out, sections[i].name);
    AppendBigEndian(out, placed[i], kSectionOffsetBytes);
  }
  AppendBigEndian(out, table, kOffsetTableOffsetBytes);
  if (offsets) offsets->swap(placed);
  return true;
}

bool EncodeJavaArchive(std::string_view classBytes, const std::vector<SectionPayload>& sections,
                       std::string* archive, std::string* error) {
  ClassFile classFile;
  if (!ParseClassFile(classBytes, &classFile, error)) return false;
  if (classFile.end != classBytes.size()) {
    *error = "it has " + std::to_string(classBytes.size() - classFile.end) +
             " bytes behind its class structure (is it an archive already?)";
    return false;
  }
  if (sections.size() > 0xFFFF) {
    *error = "an archive holds at most 65535 sections";
    return false;
  }
  std::string out, refused;
  if (!AppendTrailingAttribute(classBytes, classFile, kArchiveAttributeName, &out, error))
    return false;
  const std::size_t bodyStart = out.size();
  if (!AppendArchiveSections(&out, sections, &refused)) {
    *error = "section name of " + std::to_string(refused.size()) +
             " bytes is longer than the 65535 bytes an archive can store";
    return false;
  }
  if (!SetTrailingAttributeLength(&out, bodyStart)) {
    *error = "an archive must stay below 4 GiB (a class attribute's length is 32 bits)";
    return false;
  }
  archive->swap(out);
  return true;
}

}  // namespace carafe::format
