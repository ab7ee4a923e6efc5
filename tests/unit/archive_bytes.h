// Builds Java archive bytes by hand for the reader and installer tests, so
// that the reader is checked against the format itself rather than against
// the builder tool that shares its assumptions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "container_images.h"

namespace carafe {
namespace archive_bytes {

inline void U8(std::string& out, std::uint8_t value) { out.push_back(static_cast<char>(value)); }
inline void U16(std::string& out, std::uint16_t value) { out += testing_images::Big16(value); }
inline void U32(std::string& out, std::uint32_t value) { out += testing_images::Big32(value); }
inline void U64(std::string& out, std::uint64_t value) { out += testing_images::Big64(value); }
inline void String16(std::string& out, const std::string& text) {
  out += testing_images::String16(text);
}

// A class file's first bytes: where every archive starts.
inline std::string ClassBytes() { return std::string("\xCA\xFE\xBA\xBE\x00\x00\x00\x2E", 8); }

// One resource record: header block, name, data.
struct Record {
  std::string headerBlock;
  std::string name;
  std::string data;
};

inline Record Flagged(const std::string& name, const std::string& data, std::uint8_t flag = 1) {
  return Record{std::string(1, static_cast<char>(flag)), name, data};
}

inline std::string RecordBytes(const Record& record) {
  std::string out;
  U32(out, static_cast<std::uint32_t>(record.headerBlock.size()));
  out += record.headerBlock;
  String16(out, record.name);
  U32(out, static_cast<std::uint32_t>(record.data.size()));
  out += record.data;
  return out;
}

struct Section {
  std::string name;
  std::vector<Record> records;
  bool compressed = false;
  // Stored as given instead of the real values when set.
  bool forgeCount = false;
  std::uint32_t resourceCount = 0;
  bool forgePayloadSize = false;
  std::uint64_t payloadSize = 0;
  // Payload bytes of a compressed section (never inflated by the reader).
  std::string compressedPayload = "not really deflate";
  // Stored instead of the records when set: a payload made by hand.
  std::optional<std::string> payload = std::nullopt;
};

// Where Build put things, for the tests that check offsets.
struct Layout {
  std::vector<std::uint64_t> sectionOffsets;
  std::uint64_t offsetTable = 0;
};

// Class bytes, then each section, then the OffsetTable, then its offset.
inline std::string Build(const std::vector<Section>& sections, Layout* layout = nullptr) {
  std::string out = ClassBytes();
  Layout placed;
  for (const Section& section : sections) {
    placed.sectionOffsets.push_back(out.size());
    std::string payload;
    if (section.payload) {
      payload = *section.payload;
    } else if (section.compressed) {
      payload = section.compressedPayload;
    } else {
      for (const Record& record : section.records) payload += RecordBytes(record);
    }
    String16(out, section.name);
    U32(out, section.forgeCount ? section.resourceCount
                                : static_cast<std::uint32_t>(section.records.size()));
    U64(out, section.forgePayloadSize ? section.payloadSize : payload.size());
    U8(out, section.compressed ? 1 : 0);
    out += payload;
  }
  placed.offsetTable = out.size();
  U16(out, static_cast<std::uint16_t>(sections.size()));
  for (std::size_t i = 0; i < sections.size(); ++i) {
    String16(out, sections[i].name);
    U64(out, placed.sectionOffsets[i]);
  }
  U64(out, placed.offsetTable);
  if (layout) *layout = placed;
  return out;
}

}  // namespace archive_bytes
}  // namespace carafe
