// The Java archive: a class file whose file carries named sections of
// resources, found through an OffsetTable whose offset sits in the file's
// last 8 bytes. Big-endian throughout; offsets count from the file's first
// byte.
//   OffsetTable: u16 section count, then per section its name (a
//     length-prefixed string) and the u64 offset of the section.
//   Section: its name again, u32 ResourceCount, u64 payload size, u8
//     Compressed, then the payload: the resource records, or a raw DEFLATE
//     stream of them when Compressed is not 0.
//   Resource record: u32 header block length B, B bytes, the resource name,
//     u32 data size D, D bytes.
// The builder hides everything behind the class in the class's last
// attribute, kArchiveAttributeName: JVMs skip attributes they do not know,
// and the launcher finds the table from the file's end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace carafe::format {

constexpr const char kArchiveAttributeName[] = "CarafeArchive";
// The section whose resources flagged kInstallerFlag are JVM installers.
constexpr const char kBundledInstallersSection[] = "BundledVMInstallers";
// The resource flag that marks a JVM installer; 0 marks none.
constexpr std::uint8_t kInstallerFlag = 1;

constexpr std::size_t kOffsetTableOffsetBytes = 8;
constexpr std::size_t kSectionCountBytes = 2;
constexpr std::size_t kSectionOffsetBytes = 8;
// Behind a section's name: ResourceCount, payload size, Compressed.
constexpr std::size_t kSectionFieldsBytes = 13;
constexpr std::size_t kBlockLengthBytes = 4;
constexpr std::size_t kDataSizeBytes = 4;
// A header block of this length is the resource's flag byte.
constexpr std::uint32_t kFlagBlockLength = 1;

struct SectionFields {
  std::uint32_t resourceCount = 0;
  std::uint64_t payloadSize = 0;
  std::uint8_t compressed = 0;
};

bool DecodeSectionFields(std::string_view bytes, SectionFields* fields);

// The OffsetTable entry after the one at entry, stepped by the name length
// stored at the section itself, not by the table's copy of the name.
std::uint64_t NextOffsetTableEntry(std::uint64_t entry, std::uint16_t sectionNameBytes);

struct ResourceInfo {
  std::uint32_t headerBlockLength = 0;
  std::uint8_t flag = 0;  // the block's byte when it is one byte long
  std::string name;
  std::uint32_t size = 0;
  std::uint64_t dataOffset = 0;
};

struct ArchiveSectionInfo {
  std::string name;  // as stored at the section
  std::uint16_t nameBytes = 0;
  std::uint64_t offset = 0;  // from the OffsetTable
  SectionFields fields;
  std::vector<ResourceInfo> resources;  // uncompressed sections only
};

enum class ArchiveFault {
  None,
  NoTableOffset,    // fewer than 8 bytes
  TableOutOfRange,  // the OffsetTable offset lies at or past the end
  CountCutOff,
  SectionCutOff,  // an OffsetTable entry or its section's header
  RecordCutOff,   // a resource record's fields (its data is not checked)
};

struct ArchiveTable {
  std::uint64_t offsetTable = 0;
  std::uint16_t sectionCount = 0;
  std::vector<ArchiveSectionInfo> sections;  // table order, up to a fault
};

// The archive's structure, read as the launcher reads it.
ArchiveFault DecodeJavaArchive(std::string_view bytes, ArchiveTable* table);

// count resource records back to back in records (a compressed section's
// payload once inflated); data offsets count from records' first byte. False
// when one is cut off.
bool DecodeResourceRecords(std::string_view records, std::uint32_t count,
                           std::vector<ResourceInfo>* resources);

// True when bytes are one whole class file whose last attribute carries the
// archive, the form every JVM loads.
bool ArchiveInsideClass(std::string_view bytes);

// In the record's own order.
struct ResourceInput {
  std::string headerBlock;  // empty, or the one flag byte
  std::string name;
  std::string data;
};

// The records back to back. False, naming the resource in refused, when its
// name or data is too large to store.
bool EncodeResourceRecords(const std::vector<ResourceInput>& resources, std::string* records,
                           std::string* refused);

struct SectionPayload {
  std::string name;
  std::uint32_t resourceCount = 0;
  bool compressed = false;
  std::string payload;  // the records, or their raw DEFLATE stream
};

// Appends the sections, the OffsetTable and its offset to out, which holds
// what precedes them (offsets count from out's first byte). offsets, when
// given, receives each section's offset. False, naming the section in
// refused, when its name is too long.
bool AppendArchiveSections(std::string* out, const std::vector<SectionPayload>& sections,
                           std::string* refused, std::vector<std::uint64_t>* offsets = nullptr);

// The class with the sections in its last attribute: the whole archive.
// False with a reason when the class cannot carry them.
bool EncodeJavaArchive(std::string_view classBytes, const std::vector<SectionPayload>& sections,
                       std::string* archive, std::string* error);

}  // namespace carafe::format
