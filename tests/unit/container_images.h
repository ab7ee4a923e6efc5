// Setup executables for the tests: a minimal PE image built field by field
// (the product writes none); containers and Java archives from the format
// module's encoders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/byte_order.h"
#include "format/java_archive_format.h"
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

namespace archive_bytes {

// A class file's first bytes: where every archive starts.
inline std::string ClassBytes() { return std::string("\xCA\xFE\xBA\xBE\x00\x00\x00\x2E", 8); }

using Record = format::ResourceInput;  // header block, name, data

inline Record Flagged(const std::string& name, const std::string& data, std::uint8_t flag = 1) {
  return Record{std::string(1, static_cast<char>(flag)), name, data};
}

struct Section {
  std::string name;
  std::vector<Record> records;
};

inline std::string Build(const std::vector<Section>& sections) {
  std::vector<format::SectionPayload> payloads;
  std::string out = ClassBytes(), refused;
  for (const Section& section : sections) {
    payloads.push_back(
        {section.name, static_cast<std::uint32_t>(section.records.size()), false, ""});
    format::EncodeResourceRecords(section.records, &payloads.back().payload, &refused);
  }
  format::AppendArchiveSections(&out, payloads, &refused);
  return out;
}

}  // namespace archive_bytes
}  // namespace carafe
