// Where a PE image ends: the setup container starts there. The end is
// stored nowhere; it is the first section's raw data offset plus every
// section's raw size, the sections' raw data taken to lie back to back.
// The launcher reads these headers piece by piece from its own file; the
// builder and the lister decode them from memory with FindImageEnd.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace carafe::format {

// The DOS header; it says where the PE signature lies.
constexpr std::size_t kDosHeaderBytes = 64;
// The signature "PE\0\0" and the 20-byte file header behind it.
constexpr std::size_t kPeHeaderBytes = 24;
constexpr std::size_t kSectionHeaderBytes = 40;

// False unless the header starts with "MZ".
bool DecodeDosHeader(std::string_view header, std::uint32_t* peOffset);

// The file header's Machine values of the two launchers.
constexpr std::uint16_t kMachineI386 = 0x14C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;

struct PeHeader {
  std::uint16_t machine = 0;
  std::uint16_t sectionCount = 0;
  std::uint16_t optionalHeaderBytes = 0;
};

// False without the signature or without a section.
bool DecodePeHeader(std::string_view header, PeHeader* out);

// Where the section headers start: behind the optional header.
std::uint64_t SectionTableOffset(std::uint32_t peOffset, const PeHeader& header);

// The image end from sectionCount section headers back to back. False when
// it lies at 4 GiB or beyond.
bool DecodeImageEnd(std::string_view sectionHeaders, std::uint32_t* imageEnd);

// The file header of a whole file; false when it has none.
bool FindPeHeader(std::string_view file, PeHeader* header);

// All of it over a whole file: false when the bytes hold no readable image.
bool FindImageEnd(std::string_view file, std::uint32_t* imageEnd);

// An Authenticode signature lives in the certificate table that the security
// directory (data directory entry 4) points to by file offset. Signing tools
// append it at the end of the file, behind a setup's container, and leave the
// image end where it was.
struct SecurityDirectory {
  std::uint64_t entryOffset = 0;     // the 8-byte directory entry in the file
  std::uint64_t checksumOffset = 0;  // the optional header's CheckSum, which signing sets
  std::uint32_t tableOffset = 0;
  std::uint32_t tableBytes = 0;  // 0: not signed
};

// False when the headers are unreadable or have no entry 4 (an optional
// header neither PE32 nor PE32+, or fewer data directories).
bool FindSecurityDirectory(std::string_view file, SecurityDirectory* out);

// Zeroes the directory entry and the checksum in the file's own headers, so
// that nothing points at a certificate table cut off behind the image. False
// when the file is too short to hold them.
bool ClearSecurityDirectory(const SecurityDirectory& directory, std::string* file);

}  // namespace carafe::format
