#include "format/pe_image.h"

#include "format/byte_order.h"

namespace carafe::format {

namespace {

constexpr std::string_view kDosSignature("MZ", 2);
constexpr std::string_view kPeSignature("PE\0\0", 4);
constexpr std::size_t kPeOffsetField = 60;  // e_lfanew
// Fields of the file header behind the signature.
constexpr std::size_t kSectionCountField = 4 + 2;
constexpr std::size_t kOptionalHeaderSizeField = 4 + 16;
// Fields of a section header.
constexpr std::size_t kRawSizeField = 16;     // SizeOfRawData
constexpr std::size_t kRawPointerField = 20;  // PointerToRawData

}  // namespace

bool DecodeDosHeader(std::string_view header, std::uint32_t* peOffset) {
  if (header.size() < kDosHeaderBytes || header.substr(0, 2) != kDosSignature) return false;
  *peOffset = static_cast<std::uint32_t>(LittleEndian(header.substr(kPeOffsetField, 4)));
  return true;
}

bool DecodePeHeader(std::string_view header, PeHeader* out) {
  if (header.size() < kPeHeaderBytes || header.substr(0, 4) != kPeSignature) return false;
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

bool FindImageEnd(std::string_view file, std::uint32_t* imageEnd) {
  ByteCursor cursor(file);
  std::string_view dos, pe, sections;
  std::uint32_t peOffset = 0;
  PeHeader header;
  return cursor.Bytes(kDosHeaderBytes, &dos) && DecodeDosHeader(dos, &peOffset) &&
         cursor.Seek(peOffset) && cursor.Bytes(kPeHeaderBytes, &pe) &&
         DecodePeHeader(pe, &header) && cursor.Seek(SectionTableOffset(peOffset, header)) &&
         cursor.Bytes(std::uint64_t(kSectionHeaderBytes) * header.sectionCount, &sections) &&
         DecodeImageEnd(sections, imageEnd);
}

}  // namespace carafe::format
