#include "mksetup/container_listing.h"

#include <fstream>
#include <iomanip>
#include <ostream>

#include "mksetup/byte_io.h"
#include "mksetup/container_format.h"
#include "mksetup/pe_image.h"

namespace mksetup {

namespace {

bool ReadEntry(std::istream& in, const SetupListing& listing, std::uint64_t position,
               ListedSection* section) {
  std::string entry;
  in.clear();
  in.seekg(static_cast<std::streamoff>(position));
  if (!ReadExactly(in, kEntryBytes, &entry)) return false;
  section->type = static_cast<std::uint8_t>(entry[0]);
  section->storedSize = static_cast<std::uint32_t>(BigAt(entry, 1, 4));
  section->offset = BigAt(entry, 5, 8);
  std::uint64_t namePosition = listing.imageEnd + section->offset;
  std::string length;
  if (section->offset > listing.fileSize || namePosition + 2 > listing.fileSize) return false;
  in.seekg(static_cast<std::streamoff>(namePosition));
  if (!ReadExactly(in, 2, &length)) return false;
  std::size_t nameBytes = static_cast<std::size_t>(BigAt(length, 0, 2));
  if (!ReadExactly(in, nameBytes, &section->name)) return false;
  section->name = section->name.substr(0, section->name.find('\0'));
  section->dataSize = static_cast<std::int64_t>(static_cast<std::int32_t>(section->storedSize)) -
                      2 - static_cast<std::int64_t>(section->name.size());
  section->dataOffset = namePosition + 2 + section->name.size();
  return true;
}

}  // namespace

bool ReadSetupListing(const std::string& path, SetupListing* listing, std::string* error) {
  *listing = SetupListing();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot read '" + path + "'";
    return false;
  }
  in.seekg(0, std::ios::end);
  listing->fileSize = static_cast<std::uint64_t>(in.tellg());
  listing->imageEnd = FindImageEnd(in);
  if (listing->imageEnd == 0) {
    *error = "'" + path + "' is not a PE image";
    return false;
  }
  if (listing->fileSize <= listing->imageEnd) {
    *error = "'" + path + "' has no container behind its image";
    return false;
  }
  std::string count;
  in.clear();
  in.seekg(listing->imageEnd);
  if (!ReadExactly(in, kCountBytes, &count)) {
    *error = "the container's section count is cut off";
    return false;
  }
  listing->sectionCount = static_cast<std::uint32_t>(BigAt(count, 0, 4));
  // Taken as signed, as the launcher does; entries past the end stop the walk.
  std::uint64_t position = listing->imageEnd + kCountBytes;
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(listing->sectionCount); ++i) {
    ListedSection section;
    if (!ReadEntry(in, *listing, position, &section)) {
      *error = "table entry " + std::to_string(i) + " or the name it points to is unreadable";
      return false;
    }
    listing->sections.push_back(section);
    if (section.dataSize < 0) {
      *error = "section '" + section.name + "' is smaller than its own name";
      return false;
    }
    if (section.dataOffset + static_cast<std::uint64_t>(section.dataSize) > listing->fileSize) {
      *error = "section '" + section.name + "' runs past the end of the file";
      return false;
    }
    position += kEntryBytes;
  }
  return true;
}

const ListedSection* FindSection(const SetupListing& listing, std::uint8_t type) {
  const ListedSection* found = nullptr;
  for (const ListedSection& section : listing.sections)
    if (section.type == type) found = &section;
  return found;
}

bool ReadSectionData(const std::string& path, const ListedSection& section, std::string* data,
                     std::string* error) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(section.dataOffset));
  if (!in || section.dataSize < 0 ||
      !ReadExactly(in, static_cast<std::size_t>(section.dataSize), data)) {
    *error = "cannot read section '" + section.name + "' of '" + path + "'";
    return false;
  }
  return true;
}

void PrintListing(const std::string& path, const SetupListing& listing, std::ostream& out) {
  out << "image end      " << listing.imageEnd << " (0x" << std::hex << std::uppercase
      << listing.imageEnd << std::dec << ")\n"
      << "file size      " << listing.fileSize << "\n"
      << "section count  " << listing.sectionCount << "\n";
  if (listing.sections.empty()) return;
  out << "type   data size  data offset  name\n";
  for (const ListedSection& section : listing.sections) {
    out << std::setw(4) << static_cast<int>(section.type) << std::setw(12) << section.dataSize
        << std::setw(13) << section.dataOffset << "  " << section.name << "\n";
  }
  const ListedSection* criteria = FindSection(listing, kSearchCriteriaType);
  std::string data, text, ignored;
  if (criteria && ReadSectionData(path, *criteria, &data, &ignored) && data.size() >= 2 &&
      BigAt(data, 0, 2) <= data.size() - 2) {
    text = data.substr(2, static_cast<std::size_t>(BigAt(data, 0, 2)));
    out << "search criteria  " << text.substr(0, text.find('\0')) << "\n";
  }
}

}  // namespace mksetup
