#include "format/pe_image.h"

#include "format/byte_order.h"

namespace carafe::format {

namespace {

constexpr std::string_view kDosSignature("MZ", 2);
constexpr std::string_view kPeSignature("PE\0\0", 4);
constexpr std::size_t kPeOffsetField = 60;  // e_lfanew
// Fields of the file header behind the signature.
constexpr std::size_t kMachineField = 4;
constexpr std::size_t kSectionCountField = 4 + 2;
constexpr std::size_t kOptionalHeaderSizeField = 4 + 16;
// Fields of a section header.
constexpr std::size_t kRawSizeField = 16;     // SizeOfRawData
constexpr std::size_t kRawPointerField = 20;  // PointerToRawData
// Fields of the optional header; the data directories move with its kind.
constexpr std::size_t kChecksumField = 64;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kPe32DirectoryCountField = 92;
constexpr std::size_t kPe32PlusDirectoryCountField = 108;
constexpr std::size_t kDirectoryEntryBytes = 8;
constexpr std::uint32_t kSecurityDirectory = 4;

}  // namespace

bool DecodeDosHeader(std::string_view header, std::uint32_t* peOffset) {
  if (header.size() < kDosHeaderBytes || header.substr(0, 2) != kDosSignature) return false;
  *peOffset = static_cast<std::uint32_t>(LittleEndian(header.substr(kPeOffsetField, 4)));
  return true;
}

bool DecodePeHeader(std::string_view header, PeHeader* out) {
  if (header.size() < kPeHeaderBytes || header.substr(0, 4) != kPeSignature) return false;
  out->machine = static_cast<std::uint16_t>(LittleEndian(header.substr(kMachineField, 2)));
  out->sectionCount = static_cast<std::uint16_t>(LittleEndian(header.substr(kSectionCountField, 2)));
  out->optionalHeaderBytes =
      static_cast<std::uint16_t>(LittleEndian(header.substr(kOptionalHeaderSizeField, 2)));
  return out->sectionCount != 0;
}

std::uint64_t SectionTableOffset(std::uint32_t peOffset, const PeHeader& header) {
  return std::uint64_t(peOffset) + kPeHeaderBytes + header.optionalHeaderBytes;
}

bool DecodeImageEnd(std::string_view sectionHeaders, std::uint32_t* imageEnd) {
  if (sectionHeaders.size() < kSectionHeaderBytes) return false;
  std::uint64_t end = LittleEndian(sectionHeaders.substr(kRawPointerField, 4));
  for (std::size_t at = 0; at + kSectionHeaderBytes <= sectionHeaders.size();
       at += kSectionHeaderBytes) {
    end += LittleEndian(sectionHeaders.substr(at + kRawSizeField, 4));
  }
  if (end > UINT32_MAX) return false;
  *imageEnd = static_cast<std::uint32_t>(end);
  return true;
}

// The DOS and PE headers of a whole file; the cursor stops right behind them,
// at the optional header.
bool ReadHeaders(ByteCursor* cursor, std::uint32_t* peOffset, PeHeader* header) {
  std::string_view dos, pe;
  return cursor->Bytes(kDosHeaderBytes, &dos) && DecodeDosHeader(dos, peOffset) &&
         cursor->Seek(*peOffset) && cursor->Bytes(kPeHeaderBytes, &pe) &&
         DecodePeHeader(pe, header);
}

bool FindPeHeader(std::string_view file, PeHeader* header) {
  ByteCursor cursor(file);
  std::uint32_t peOffset = 0;
  return ReadHeaders(&cursor, &peOffset, header);
}

bool FindSecurityDirectory(std::string_view file, SecurityDirectory* out) {
  ByteCursor cursor(file);
  std::string_view optional;
  std::uint32_t peOffset = 0;
  PeHeader header;
  if (!ReadHeaders(&cursor, &peOffset, &header) ||
      !cursor.Bytes(header.optionalHeaderBytes, &optional) || optional.size() < 2) {
    return false;
  }
  const auto magic = static_cast<std::uint16_t>(LittleEndian(optional.substr(0, 2)));
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return false;
  const std::size_t countField =
      magic == kPe32Magic ? kPe32DirectoryCountField : kPe32PlusDirectoryCountField;
  const std::size_t entryField = countField + 4 + kSecurityDirectory * kDirectoryEntryBytes;
  if (optional.size() < entryField + kDirectoryEntryBytes ||
      LittleEndian(optional.substr(countField, 4)) <= kSecurityDirectory) {
    return false;
  }
  const std::uint64_t optionalOffset = std::uint64_t(peOffset) + kPeHeaderBytes;
  out->entryOffset = optionalOffset + entryField;
  out->checksumOffset = optionalOffset + kChecksumField;
  out->tableOffset = static_cast<std::uint32_t>(LittleEndian(optional.substr(entryField, 4)));
  out->tableBytes = static_cast<std::uint32_t>(LittleEndian(optional.substr(entryField + 4, 4)));
  return true;
}

bool ClearSecurityDirectory(const SecurityDirectory& directory, std::string* file) {
  if (directory.entryOffset + kDirectoryEntryBytes > file->size()) return false;
  file->replace(directory.entryOffset, kDirectoryEntryBytes, kDirectoryEntryBytes, '\0');
  file->replace(directory.checksumOffset, 4, 4, '\0');
  return true;
}

bool FindImageEnd(std::string_view file, std::uint32_t* imageEnd) {
  ByteCursor cursor(file);
  std::string_view sections;
  std::uint32_t peOffset = 0;
  PeHeader header;
  return ReadHeaders(&cursor, &peOffset, &header) &&
         cursor.Seek(SectionTableOffset(peOffset, header)) &&
         cursor.Bytes(std::uint64_t(kSectionHeaderBytes) * header.sectionCount, &sections) &&
         DecodeImageEnd(sections, imageEnd);
}

}  // namespace carafe::format
