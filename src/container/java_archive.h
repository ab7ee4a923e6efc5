// The launcher's reader of the Java archive (format/java_archive_format.h).
// The readers hold the file's path, never an open file: each object opens,
// positions, reads and closes for itself.
//
// Compressed sections (a raw DEFLATE payload) are known by their header only;
// the launcher never inflates them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "format/java_archive_format.h"
#include "platform/platform.h"

namespace carafe {

using format::kBundledInstallersSection;

class ArchiveResource {
 public:
  // Reads the record at position of the archive at path.
  bool Read(const std::string& path, std::uint64_t position);
  // Reads Size() bytes of data into buffer, which holds at least that many.
  // A resource of size 0 fails.
  bool ReadData(void* buffer) const;

  std::uint32_t HeaderBlockLength() const { return headerBlockLength_; }
  // The header block's byte when the block is 1 byte long, else 0.
  std::uint8_t Flag() const { return flag_; }
  const std::string& Name() const { return name_; }
  std::uint32_t Size() const { return size_; }
  std::uint64_t DataOffset() const { return dataOffset_; }
  const std::string& FilePath() const { return filePath_; }

 private:
  std::string filePath_;
  std::uint32_t headerBlockLength_ = 0;
  std::uint8_t flag_ = 0;
  std::string name_;
  std::uint32_t size_ = 0;
  std::uint64_t dataOffset_ = 0;
};

class ArchiveSection {
 public:
  // Reads the OffsetTable entry at entryPosition, then the section it points
  // to and, unless the section is compressed, its resource records.
  bool Read(const std::string& path, std::uint64_t entryPosition);

  const std::string& Name() const { return name_; }
  // Bytes the name takes at the section itself (its stored length), which
  // is what the OffsetTable walk steps by.
  std::uint16_t NameBytes() const { return nameBytes_; }
  std::uint32_t ResourceCount() const { return resourceCount_; }
  std::uint64_t PayloadSize() const { return payloadSize_; }
  std::uint8_t Compressed() const { return compressed_; }
  std::uint64_t ResourceFileOffset() const { return resourceFileOffset_; }
  // The resources read, in file order; empty for a compressed section.
  std::size_t ResourceListLength() const { return resources_.size(); }
  const ArchiveResource& Resource(std::size_t index) const { return resources_[index]; }
  const std::vector<ArchiveResource>& Resources() const { return resources_; }

 private:
  std::string filePath_;
  std::string name_;
  std::uint16_t nameBytes_ = 0;
  std::uint32_t resourceCount_ = 0;
  std::uint64_t payloadSize_ = 0;
  std::uint8_t compressed_ = 0;
  std::uint64_t resourceFileOffset_ = 0;
  std::vector<ArchiveResource> resources_;
};

// Where JavaArchive::Open stopped, in the order of its steps.
enum class ArchiveOpenFault {
  None,
  NoPath,
  CannotOpen,
  NoTableOffset,    // the last 8 bytes unreadable
  TableOutOfRange,  // the OffsetTable offset lies at or past the end
  CountCutOff,
  SectionUnreadable,  // an OffsetTable entry, a section header or a resource record
};

// What Open found, for the caller to tell: each fact is set once the step
// that finds it has run.
struct ArchiveReport {
  struct Section {
    std::string name;
    format::SectionFields fields;
    std::uint64_t resourceFileOffset = 0;
  };
  ArchiveOpenFault fault = ArchiveOpenFault::None;
  std::string path;
  std::uint16_t sectionCount = 0;
  std::vector<Section> sections;  // every section read, in OffsetTable order
};

class JavaArchive {
 public:
  // Reads the OffsetTable and every section it lists; report says how far
  // it got.
  bool Open(const std::string& path, ArchiveReport* report);
  // The section of that name; a missing name is inserted as an empty,
  // uncompressed section without resources.
  ArchiveSection& Section(const std::string& name);

  const std::string& Path() const { return path_; }
  std::uint64_t OffsetTableOffset() const { return offsetTableOffset_; }
  const std::map<std::string, ArchiveSection>& Sections() const { return sections_; }

 private:
  std::string path_;
  std::uint64_t offsetTableOffset_ = 0;
  std::map<std::string, ArchiveSection> sections_;
};

}  // namespace carafe
