// Java archives for the reader and installer tests, from the format
// module's encoders, with the counts and payloads a test may forge.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "format/byte_order.h"
#include "format/java_archive_format.h"

namespace carafe {
namespace archive_bytes {

// A class file's first bytes: where every archive starts.
inline std::string ClassBytes() { return std::string("\xCA\xFE\xBA\xBE\x00\x00\x00\x2E", 8); }

using Record = format::ResourceInput;  // header block, name, data

inline Record Flagged(const std::string& name, const std::string& data, std::uint8_t flag = 1) {
  return Record{std::string(1, static_cast<char>(flag)), name, data};
}

inline std::string RecordBytes(const Record& record) {
  std::string bytes, refused;
  format::EncodeResourceRecords({record}, &bytes, &refused);
  return bytes;
}

struct Section {
  std::string name;
  std::vector<Record> records;
  bool compressed = false;
  bool forgeCount = false;  // store resourceCount instead of the real count
  std::uint32_t resourceCount = 0;
  // Stored instead of the records (a compressed section's default is not
  // really DEFLATE: the launcher never inflates it).
  std::optional<std::string> payload = std::nullopt;
};

struct Layout {
  std::vector<std::uint64_t> sectionOffsets;
  std::uint64_t offsetTable = 0;
};

inline std::string Build(const std::vector<Section>& sections, Layout* layout = nullptr) {
  std::vector<format::SectionPayload> payloads;
  for (const Section& section : sections) {
    format::SectionPayload payload{section.name, section.forgeCount ? section.resourceCount
                                   : static_cast<std::uint32_t>(section.records.size()),
                                   section.compressed, ""};
    std::string refused;
    if (section.payload) payload.payload = *section.payload;
    else if (section.compressed) payload.payload = "deflated";
    else format::EncodeResourceRecords(section.records, &payload.payload, &refused);
    payloads.push_back(payload);
  }
  std::string out = ClassBytes(), refused;
  Layout placed;
  format::AppendArchiveSections(&out, payloads, &refused, &placed.sectionOffsets);
  placed.offsetTable = format::BigEndian(std::string_view(out).substr(out.size() - 8));
  if (layout) *layout = placed;
  return out;
}

}  // namespace archive_bytes
}  // namespace carafe
