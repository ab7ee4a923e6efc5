// The launcher's reader of the setup container behind its own PE image
// (format/setup_container_format.h). Readers hold paths, never open files.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "format/setup_container_format.h"
#include "platform/platform.h"

namespace carafe {

using format::kJavaArchiveSection;
using format::kSearchCriteriaSection;
using format::kVerifyClassSection;

// File offset where the PE image at path ends (first section's raw data
// plus every section's raw size), or 0 when it cannot be computed.
std::uint32_t ComputeImageEnd(const std::string& path);

class SetupContainer;

class ContainerSection {
 public:
  // Reads the 13-byte entry at entryPosition and the name it points to.
  // Fails when a read fails or the stored size is smaller than the name.
  bool ReadEntry(const SetupContainer& container, std::uint64_t entryPosition);
  // Fills buffer with DataSize() bytes from DataOffset(). The buffer is sized
  // only once the data is known to lie inside the file, so a forged size
  // never allocates more than the file holds.
  bool ReadData(std::vector<std::uint8_t>* buffer) const;

  std::uint8_t Type() const { return type_; }
  std::int32_t DataSize() const { return size_; }
  const std::string& Name() const { return name_; }
  // Stored offset, relative to the image end.
  std::uint64_t Offset() const { return offset_; }
  // Absolute file offset of the data.
  std::uint64_t DataOffset() const { return dataOffset_; }

 private:
  std::string filePath_;
  std::uint8_t type_ = 0;
  std::int32_t size_ = 0;
  std::uint64_t offset_ = 0;
  std::string name_;
  std::uint64_t dataOffset_ = 0;
};

class SetupContainer {
 public:
  // Reads the section table of the executable; writes its lines to log
  // (null writes nothing).
  bool Open(const std::string& executablePath, const File* log);
  // The section of that type; a missing type is inserted empty, and its
  // ReadData fails.
  ContainerSection& Section(std::uint8_t type);

  const std::string& Path() const { return path_; }
  std::uint32_t SectionCount() const { return sectionCount_; }

 private:
  std::string path_;
  std::uint32_t sectionCount_ = 0;
  std::map<std::uint8_t, ContainerSection> sections_;
  const File* log_ = nullptr;
};

}  // namespace carafe
