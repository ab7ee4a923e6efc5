#include "mksetup/pe_image.h"

#include <istream>
#include <string>

#include "mksetup/byte_io.h"

namespace mksetup {

namespace {

constexpr std::size_t kDosHeaderBytes = 64;
constexpr std::size_t kPeOffsetField = 60;
constexpr std::size_t kFileHeaderBytes = 20;
constexpr std::size_t kSectionHeaderBytes = 40;

}  // namespace

std::uint32_t FindImageEnd(std::istream& in) {
  in.clear();
  in.seekg(0);
  std::string header;
  if (!ReadExactly(in, kDosHeaderBytes, &header) || header[0] != 'M' || header[1] != 'Z') return 0;
  in.seekg(LittleAt(header, kPeOffsetField, 4));
  if (!ReadExactly(in, 4 + kFileHeaderBytes, &header) || header.compare(0, 4, "PE\0\0", 4) != 0)
    return 0;
  std::uint32_t sectionCount = LittleAt(header, 4 + 2, 2);
  std::uint32_t optionalHeaderBytes = LittleAt(header, 4 + 16, 2);
  if (sectionCount == 0) return 0;
  in.seekg(optionalHeaderBytes, std::ios::cur);

  std::uint64_t end = 0;
  for (std::uint32_t i = 0; i < sectionCount; ++i) {
    if (!ReadExactly(in, kSectionHeaderBytes, &header)) return 0;
    if (i == 0) end = LittleAt(header, 20, 4);  // PointerToRawData
    end += LittleAt(header, 16, 4);             // SizeOfRawData
  }
  return end <= UINT32_MAX ? static_cast<std::uint32_t>(end) : 0;
}

}  // namespace mksetup
