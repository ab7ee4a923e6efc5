// The setup container behind the launcher's PE image, from its image end E:
// a u32 section count, 13-byte table entries (type u8, size u32, offset u64
// from E), and at E + offset each section: its name as a length-prefixed
// string, then its data. Big-endian throughout. The stored size covers the
// name prefix and the data together.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace carafe::format {

// Section types the launcher uses, and the names they are stored under
// (the launcher writes types 1 and 2 out under these names).
constexpr std::uint8_t kJavaArchiveSection = 1;
constexpr std::uint8_t kVerifyClassSection = 2;
constexpr std::uint8_t kSearchCriteriaSection = 3;
constexpr const char kJavaArchiveName[] = "rerodova.class";
constexpr const char kVerifyClassName[] = "Verify.class";
constexpr const char kSearchCriteriaName[] = "vm search criteria";
// The classes in those files, as the launcher runs them: default package.
constexpr const char kJavaArchiveClass[] = "rerodova";
constexpr const char kVerifyClass[] = "Verify";

constexpr std::size_t kContainerCountBytes = 4;
constexpr std::size_t kContainerEntryBytes = 13;
// The launcher takes the stored size as a signed 32-bit number.
constexpr std::uint64_t kMaxStoredSize = 0x7FFFFFFF;

struct ContainerEntry {
  std::uint8_t type = 0;
  std::uint32_t storedSize = 0;
  std::uint64_t offset = 0;  // from the image end
};

// The section count (4 bytes).
bool DecodeContainerCount(std::string_view bytes, std::uint32_t* count);
// One 13-byte table entry.
bool DecodeContainerEntry(std::string_view bytes, ContainerEntry* entry);

// File position of the section's name prefix. False when it would pass the
// largest position a file has (2^63 - 1).
bool SectionStart(std::uint32_t imageEnd, const ContainerEntry& entry, std::uint64_t* position);

// Where a section's data lies, its name prefix storing nameBytes bytes: the
// data starts behind all of them, even when the name's text ends early at a
// zero byte. False when the stored size is smaller than the name prefix.
bool PlaceSectionData(std::uint32_t imageEnd, const ContainerEntry& entry, std::uint16_t nameBytes,
                      std::int32_t* dataSize, std::uint64_t* dataOffset);

// True when size bytes from offset lie inside a file of fileSize bytes.
bool InsideFile(std::uint64_t offset, std::uint64_t size, std::uint64_t fileSize);

// One table entry as the launcher reads it.
struct ContainerSectionInfo {
  ContainerEntry entry;
  std::string name;
  std::int32_t dataSize = 0;
  std::uint64_t dataOffset = 0;  // absolute
};

enum class ContainerFault {
  None,
  NoImage,      // no readable PE headers
  NoContainer,  // nothing behind the image
  CountCutOff,
  EntryCutOff,      // the entry or the name it points to lies outside the file
  SmallerThanName,  // the stored size does not cover the name prefix
};

struct ContainerTable {
  std::uint32_t imageEnd = 0;
  std::uint32_t sectionCount = 0;
  std::vector<ContainerSectionInfo> sections;  // table order, up to a fault
};

// The table of a whole setup executable, read as the launcher reads it: the
// count is taken as signed, and the first bad entry ends the walk.
ContainerFault DecodeContainer(std::string_view file, ContainerTable* table);

struct ContainerSectionInput {
  std::uint8_t type = 0;
  std::string name;
  std::string data;
};

// The container for these sections: the table in the given order, then the
// sections back to back. False, naming the section in refused, when a name
// or a section is too large to store.
bool EncodeContainer(const std::vector<ContainerSectionInput>& sections, std::string* container,
                     std::string* refused);

}  // namespace carafe::format
