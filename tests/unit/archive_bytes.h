// Java archives for the reader and installer tests, from the format module's encoders.
#pragma once

#include <string>
#include <vector>

#include "format/java_archive_format.h"

namespace carafe {
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
