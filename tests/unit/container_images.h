// Setup executables for the tests: a minimal PE image built field by field
// (the product writes none), and containers from the format module's encoder.
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
inline std::string String16(const std::string& text) { return Big(text.size(), 2) + text; }

inline void PutLittle(std::string& bytes, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// PE signature at 0x80, one section header per raw size, raw data from
// headerBytes on: the image ends at headerBytes + the sum of rawSizes.
inline std::string MakePeImage(std::uint32_t headerBytes,
                               const std::vector<std::uint32_t>& rawSizes,
                               std::uint16_t optionalHeaderBytes = 0xF0) {
  std::uint32_t end = headerBytes, header = 0x80 + 24 + optionalHeaderBytes, raw = headerBytes;
  for (std::uint32_t size : rawSizes) end += size;
  std::string image(end, '\0');
  image.replace(0, 2, "MZ");
  PutLittle(image, 60, 0x80, 4);
  image.replace(0x80, 4, std::string("PE\0\0", 4));
  PutLittle(image, 0x80 + 6, static_cast<std::uint32_t>(rawSizes.size()), 2);
  PutLittle(image, 0x80 + 20, optionalHeaderBytes, 2);
  for (std::uint32_t size : rawSizes) {
    PutLittle(image, header + 16, size, 4);
    PutLittle(image, header + 20, size == 0 ? 0 : raw, 4);
    header += 40, raw += size;
  }
  return image;
}

// The image ends at 0x75000.
inline std::string ExampleImage() {
  return MakePeImage(0x1000, {0x2C000, 0x5000, 0x2000, 0x41000});
}

using Section = format::ContainerSectionInput;

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

}  // namespace testing_images
}  // namespace carafe
