// The setup container's byte format, as the launcher reads it behind its PE
// image: a u32 section count, 13-byte entries (type u8, size u32, offset
// u64 from the image end), then each section as a length-prefixed name
// followed by its data. Every integer is big-endian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mksetup {

constexpr std::uint8_t kJavaArchiveType = 1;
constexpr std::uint8_t kVerifyClassType = 2;
constexpr std::uint8_t kSearchCriteriaType = 3;

// Names under which the launcher writes the sections out.
constexpr const char* kJavaArchiveName = "rerodova.class";
constexpr const char* kVerifyClassName = "Verify.class";
constexpr const char* kSearchCriteriaName = "vm search criteria";

constexpr std::size_t kCountBytes = 4;
constexpr std::size_t kEntryBytes = 13;
// A length-prefixed string holds at most this many bytes.
constexpr std::size_t kMaxString16Bytes = 0xFFFF;
// The launcher takes the stored size as a signed 32-bit number.
constexpr std::uint64_t kMaxStoredSize = 0x7FFFFFFF;

struct SectionInput {
  std::uint8_t type = 0;
  std::string name;
  std::string data;
};

// u16 length, then the bytes. The caller keeps text within kMaxString16Bytes.
std::string EncodeString16(const std::string& text);

// The container for these sections, table in the given order, sections back
// to back right after the table. False when a name or section is too large.
bool EncodeContainer(const std::vector<SectionInput>& sections, std::string* container,
                     std::string* error);

}  // namespace mksetup
