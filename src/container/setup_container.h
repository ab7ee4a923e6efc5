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

// Where SetupContainer::Open stopped, in the order of its steps.
enum class ContainerOpenFault {
  None,
  NoPath,
  CannotOpen,
  NoContainer,  // no readable PE headers, or nothing behind the image
  CountCutOff,
  EntryUnreadable,  // an entry or its name cut off, or a size smaller than the name
};

// What Open found, for the caller to tell: each fact is set once the step
// that finds it has run.
struct ContainerReport {
  struct Entry {
    std::string name;
    std::int32_t dataSize = 0;
    std::uint64_t dataOffset = 0;
  };
  ContainerOpenFault fault = ContainerOpenFault::None;
  std::string path;
  std::uint32_t imageEnd = 0;
  std::uint32_t fileSize = 0;  // low 32 bits
  std::uint32_t sectionCount = 0;
  std::vector<Entry> entries;  // every entry read, in table order
};

class ContainerSection {
 public:
  // Reads the 13-byte entry at entryPosition and the name it points to.
  // Fails when a read fails or the stored size is smaller than the name.
  bool ReadEntry(const SetupContainer& container, std::uint64_t entryPosition);
  // Fills buffer with DataSize() bytes from DataOffset(). The block is asked
  // for only once the data is known to lie inside the file, so a forged size
  // never asks for more than the file holds; false as well when no block of
  // that size is granted.
  bool ReadData(MemoryBlock* buffer) const;

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
  // Reads the section table of the executable; report says how far it got.
  bool Open(const std::string& executablePath, ContainerReport* report);
  // The section of that type; a missing type is inserted empty, and its
  // ReadData fails.
  ContainerSection& Section(std::uint8_t type);

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::map<std::uint8_t, ContainerSection> sections_;
};

}  // namespace carafe
