// Reading a built setup back: where its image ends and what its container's
// table says, entry by entry, without loading the sections.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace mksetup {

struct ListedSection {
  std::uint8_t type = 0;
  std::uint32_t storedSize = 0;  // name prefix and data
  std::uint64_t offset = 0;      // from the image end
  std::string name;
  std::int64_t dataSize = 0;
  std::uint64_t dataOffset = 0;  // absolute
};

struct SetupListing {
  std::uint32_t imageEnd = 0;
  std::uint64_t fileSize = 0;
  std::uint32_t sectionCount = 0;
  std::vector<ListedSection> sections;  // table order
};

// Reads the image end and every table entry of the setup at path. False with
// a message at the first thing the launcher would refuse; listing then holds
// what was read before it.
bool ReadSetupListing(const std::string& path, SetupListing* listing, std::string* error);

// The entry the launcher would use for type: the last one in the table.
const ListedSection* FindSection(const SetupListing& listing, std::uint8_t type);

// A section's data, read from the setup at path.
bool ReadSectionData(const std::string& path, const ListedSection& section, std::string* data,
                     std::string* error);

// The listing as the list command prints it.
void PrintListing(const std::string& path, const SetupListing& listing, std::ostream& out);

}  // namespace mksetup
