// Setup executables for the tests: a minimal PE image built field by field
// (the product writes none, so this builder checks the image-end decoder
// from outside), and containers from the format module's encoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/byte_order.h"
#include "format/setup_container_format.h"

namespace carafe {
namespace testing_images {

inline std::string Big(std::uint64_t value, std::size_t width) {
  std::string bytes;
  format::AppendBigEndian(&bytes, value, width);
  return bytes;
}
inline std::string Big16(std::uint16_t value) { return Big(value, 2); }
inline std::string Big32(std::uint32_t value) { return Big(value, 4); }
inline std::string Big64(std::uint64_t value) { return Big(value, 8); }
inline std::string String16(const std::string& text) { return Big16(text.size()) + text; }

inline void PutLittle(std::string& bytes, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// DOS header pointing at the PE signature at 0x80, one section header per
// raw size, raw data from headerBytes on: the image ends at headerBytes +
// the sum of rawSizes.
inline std::string MakePeImage(std::uint32_t headerBytes,
                               const std::vector<std::uint32_t>& rawSizes,
                               std::uint16_t optionalHeaderBytes = 0xF0) {
  const std::uint32_t peOffset = 0x80;
  std::uint32_t end = headerBytes;
  for (std::uint32_t size : rawSizes) end += size;
  std::string image(end, '\0');
  image.replace(0, 2, "MZ");
  PutLittle(image, 60, peOffset, 4);
  image.replace(peOffset, 4, std::string("PE\0\0", 4));
  PutLittle(image, peOffset + 4 + 2, static_cast<std::uint32_t>(rawSizes.size()), 2);
  PutLittle(image, peOffset + 4 + 16, optionalHeaderBytes, 2);
  std::uint32_t header = peOffset + 4 + 20 + optionalHeaderBytes, raw = headerBytes;
  for (std::uint32_t size : rawSizes) {
    PutLittle(image, header + 16, size, 4);
    PutLittle(image, header + 20, size == 0 ? 0 : raw, 4);
    header += 40;
    raw += size;
  }
  return image;
}

// Headers of 0x1000 bytes, sections of 0x2C000, 0x5000, 0x2000 and 0x41000
// raw bytes: the image ends at 0x75000.
inline std::string ExampleImage() {
  return MakePeImage(0x1000, {0x2C000, 0x5000, 0x2000, 0x41000});
}

using Section = format::ContainerSectionInput;

// A table entry as stored: type, size of name prefix and data, offset from
// the image end.
inline std::string Entry(std::uint8_t type, std::uint32_t size, std::uint64_t offset) {
  return std::string(1, static_cast<char>(type)) + Big32(size) + Big64(offset);
}

inline std::string MakeContainer(const std::vector<Section>& sections) {
  std::string container, refused;
  format::EncodeContainer(sections, &container, &refused);
  return container;
}

inline std::string ClassBytes(std::size_t size, char fill = 'j') {
  std::string bytes = "\xCA\xFE\xBA\xBE";
  bytes.resize(size, fill);
  return bytes.substr(0, size);
}

inline std::vector<Section> ThreeSections(const std::string& archive, const std::string& verify,
                                          const std::string& criteria) {
  return {{1, "rerodova.class", archive},
          {2, "Verify.class", verify},
          {3, "vm search criteria", String16(criteria)}};
}

// The documented example container: its table byte for byte, written out
// by hand, then sections of its sizes.
inline std::string ExampleContainer() {
  const unsigned char table[] = {
      0x00, 0x00, 0x00, 0x03,                                            //
      0x01, 0x00, 0x5D, 0xA4, 0xBB, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0x2B,  //
      0x02, 0x00, 0x00, 0x06, 0xBB, 0, 0, 0, 0, 0x00, 0x5D, 0xA4, 0xE6,  //
      0x03, 0x00, 0x00, 0x01, 0x44, 0, 0, 0, 0, 0x00, 0x5D, 0xAB, 0xA1,  //
  };
  return std::string(reinterpret_cast<const char*>(table), sizeof table) +
         String16("rerodova.class") + ClassBytes(6137003) + String16("Verify.class") +
         ClassBytes(1709, 'v') + String16("vm search criteria") + String16(std::string(302, 'c'));
}

}  // namespace testing_images
}  // namespace carafe
