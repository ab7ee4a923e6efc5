#include "mksetup/listing.h"

#include <iomanip>
#include <ostream>
#include <vector>

#include "format/byte_order.h"
#include "format/class_file.h"
#include "mksetup/archive_builder.h"
#include "mksetup/branding.h"
#include "mksetup/byte_io.h"

namespace mksetup {

namespace format = carafe::format;

namespace {

std::string_view DataOf(std::string_view setup, const format::ContainerSectionInfo& section) {
  return setup.substr(static_cast<std::size_t>(section.dataOffset),
                      static_cast<std::size_t>(section.dataSize));
}

bool Refuse(std::string* error, const std::string& text) {
  *error = text;
  return false;
}

// Under a setup's listing: the archive in its type 1 section. A plain
// class, which has no OffsetTable, shows nothing.
void PrintSetupArchive(std::string_view setup, const SetupListing& listing, std::ostream& out) {
  const format::ContainerSectionInfo* section = FindSection(listing, format::kJavaArchiveSection);
  if (section == nullptr) return;
  const std::string_view archive = DataOf(setup, *section);
  format::ArchiveTable table;
  std::string error;
  const format::ArchiveFault fault = format::DecodeJavaArchive(archive, &table);
  if (fault == format::ArchiveFault::NoTableOffset ||
      fault == format::ArchiveFault::TableOutOfRange) {
    out << "Java archive " << section->name << ": no archive in this class\n";
    return;
  }
  if (!ListArchive(archive, &table, &error)) {
    out << "Java archive " << section->name << ": no sections (" << error << ")\n";
    return;
  }
  PrintArchiveListing(archive, table, out);
}

}  // namespace

bool ListSetup(std::string_view setup, SetupListing* listing, std::string* error) {
  *listing = SetupListing();
  listing->fileSize = setup.size();
  listing->hasSecurityDirectory = format::FindSecurityDirectory(setup, &listing->security);
  format::ContainerTable& table = listing->table;
  switch (format::DecodeContainer(setup, &table)) {
    case format::ContainerFault::None:
      break;
    case format::ContainerFault::NoImage:
      return Refuse(error, "it is not a PE image");
    case format::ContainerFault::NoContainer:
      if (setup.size() < table.imageEnd)
        return Refuse(error, "truncated: its image ends at " + std::to_string(table.imageEnd) +
                                 " but the file has " + std::to_string(setup.size()) + " bytes");
      return Refuse(error, "it has no container behind its image (a bare stub?)");
    case format::ContainerFault::CountCutOff:
      return Refuse(error, "the container's section count is cut off");
    case format::ContainerFault::EntryCutOff:
      return Refuse(error, "table entry " + std::to_string(table.sections.size()) +
                               " or the name it points to is unreadable");
    case format::ContainerFault::SmallerThanName:
      return Refuse(error, "table entry " + std::to_string(table.sections.size()) +
                               " is smaller than its own name");
  }
  for (const format::ContainerSectionInfo& section : table.sections) {
    if (!format::InsideFile(section.dataOffset, section.dataSize, listing->fileSize))
      return Refuse(error, "section '" + section.name + "' runs past the end of the file");
  }
  return true;
}

const format::ContainerSectionInfo* FindSection(const SetupListing& listing, std::uint8_t type) {
  const format::ContainerSectionInfo* found = nullptr;
  for (const format::ContainerSectionInfo& section : listing.table.sections)
    if (section.entry.type == type) found = &section;
  return found;
}

bool ListArchive(std::string_view archive, format::ArchiveTable* table, std::string* error) {
  switch (format::DecodeJavaArchive(archive, table)) {
    case format::ArchiveFault::None:
      break;
    case format::ArchiveFault::NoTableOffset:
      return Refuse(error, "too short for a Java archive (no OffsetTable offset)");
    case format::ArchiveFault::TableOutOfRange:
      return Refuse(error, "OffsetTable offset " + std::to_string(table->offsetTable) +
                               " lies outside the file");
    case format::ArchiveFault::CountCutOff:
      return Refuse(error, "OffsetTable without a section count");
    case format::ArchiveFault::SectionCutOff:
      return Refuse(error, "OffsetTable entry " + std::to_string(table->sections.size()) +
                               " or the section it points to is cut off");
    case format::ArchiveFault::RecordCutOff:
      return Refuse(error, "a resource record of section " +
                               std::to_string(table->sections.size()) + " is cut off");
  }
  for (const format::ArchiveSectionInfo& section : table->sections) {
    for (const format::ResourceInfo& resource : section.resources) {
      if (!format::InsideFile(resource.dataOffset, resource.size, archive.size()))
        return Refuse(error, "section '" + section.name + "': data of resource '" +
                                 resource.name + "' runs past the end");
    }
  }
  return true;
}

void PrintSetupListing(std::string_view setup, const SetupListing& listing, std::ostream& out) {
  const format::ContainerTable& table = listing.table;
  out << "image end      " << table.imageEnd << " (0x" << std::hex << std::uppercase
      << table.imageEnd << std::dec << ")\n"
      << "file size      " << listing.fileSize << "\n";
  format::PeHeader header;
  if (format::FindPeHeader(setup, &header)) {
    out << "machine        "
        << (header.machine == format::kMachineI386    ? "x86 (32-bit)"
            : header.machine == format::kMachineAmd64 ? "x86-64 (64-bit)"
                                                      : "other")
        << " 0x" << std::hex << std::uppercase << header.machine << std::dec << "\n";
  }
  // Headers without a security directory can carry no signature: no line.
  if (listing.hasSecurityDirectory && listing.security.tableBytes != 0) {
    out << "signature      certificate table of " << listing.security.tableBytes
        << " bytes at " << listing.security.tableOffset << "\n";
  } else if (listing.hasSecurityDirectory) {
    out << "signature      none\n";
  }
  out << "section count  " << table.sectionCount << "\n";
  if (table.sections.empty()) return;
  out << "type   data size  data offset  name\n";
  for (const format::ContainerSectionInfo& section : table.sections) {
    out << std::setw(4) << static_cast<int>(section.entry.type) << std::setw(12)
        << section.dataSize << std::setw(13) << section.dataOffset << "  " << section.name << "\n";
  }
  const format::ContainerSectionInfo* criteria =
      FindSection(listing, format::kSearchCriteriaSection);
  std::string text;
  if (criteria && format::InsideFile(criteria->dataOffset, criteria->dataSize, listing.fileSize) &&
      format::ByteCursor(DataOf(setup, *criteria)).String16(&text)) {
    out << "search criteria  " << text << "\n";
  }
}

void PrintArchiveListing(std::string_view archive, const format::ArchiveTable& table,
                         std::ostream& out) {
  out << "Java archive: " << table.sections.size() << " sections, OffsetTable at "
      << table.offsetTable << ", "
      << (format::ArchiveInsideClass(archive) ? "inside the class"
                                              : "appended behind the class (JVMs refuse it)")
      << "\n";
  for (const format::ArchiveSectionInfo& section : table.sections) {
    out << "  section " << section.name << ": " << section.fields.resourceCount << " resources, "
        << section.fields.payloadSize << " payload bytes, "
        << (section.fields.compressed ? "compressed" : "not compressed") << "\n";
    std::vector<format::ResourceInfo> inflated;
    std::string records;
    const std::uint64_t payload = section.offset + format::kString16LengthBytes +
                                  section.nameBytes + format::kSectionFieldsBytes;
    if (section.fields.compressed &&
        (!format::InsideFile(payload, section.fields.payloadSize, archive.size()) ||
         !InflateRaw(archive.substr(payload, section.fields.payloadSize), &records) ||
         !format::DecodeResourceRecords(records, section.fields.resourceCount, &inflated))) {
      out << "    (its compressed payload does not inflate to its resource records)\n";
    }
    for (const format::ResourceInfo& resource :
         section.fields.compressed ? inflated : section.resources) {
      out << "    resource " << resource.name << ": " << resource.size << " bytes, flag "
          << static_cast<int>(resource.flag) << "\n";
    }
  }
}

int ListCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) return Fail(err, "list needs exactly one setup executable");
  const std::string& path = args[0];
  std::string bytes, error;
  if (!ReadWholeFile(path, "the file to list", &bytes, &error)) return Fail(err, error);
  if (format::BeginsLikeClassFile(bytes)) {
    format::ClassFile plain;
    if (format::ParseClassFile(bytes, &plain, &error) && plain.end == bytes.size() &&
        !format::ArchiveInsideClass(bytes)) {
      out << "class " << plain.thisClass
          << ": no archive in this class (mksetup archive adds one)\n";
      return 0;
    }
    format::ArchiveTable table;
    if (!ListArchive(bytes, &table, &error)) return Fail(err, path + ": " + error);
    PrintArchiveListing(bytes, table, out);
    return 0;
  }
  SetupListing listing;
  const bool listed = ListSetup(bytes, &listing, &error);
  if (listing.table.imageEnd != 0) PrintSetupListing(bytes, listing, out);
  if (!listed) return Fail(err, "'" + path + "': " + error);
  PrintSetupArchive(bytes, listing, out);
  PrintBranding(bytes, out);
  return 0;
}

}  // namespace mksetup
