#include "container/setup_container.h"

#include <utility>

#include "container/binary_readers.h"
#include "format/pe_image.h"

namespace carafe {

namespace {

File OpenForReading(const std::string& path) {
  return Os().OpenFile(path, FileAccess::Read, FileShare::ReadWrite, FileDisposition::OpenExisting);
}

bool Stop(ContainerReport* report, ContainerOpenFault fault) {
  report->fault = fault;
  return false;
}

}  // namespace

std::uint32_t ComputeImageEnd(const std::string& path) {
  File file = OpenForReading(path);
  std::string dos, pe, sections;
  std::uint32_t peOffset = 0, end = 0;
  format::PeHeader header;
  if (!file.IsOpen() || !ReadPiece(file, format::kDosHeaderBytes, &dos) ||
      !format::DecodeDosHeader(dos, &peOffset) || !SeekTo(file, peOffset) ||
      !ReadPiece(file, format::kPeHeaderBytes, &pe) || !format::DecodePeHeader(pe, &header)) {
    return 0;
  }
  // The section headers are read in one piece, once the file is known to hold them.
  const std::uint64_t table = format::SectionTableOffset(peOffset, header);
  const std::uint64_t tableBytes = std::uint64_t(format::kSectionHeaderBytes) * header.sectionCount;
  std::uint64_t fileSize = 0;
  if (!file.Size(&fileSize) || !format::InsideFile(table, tableBytes, fileSize) ||
      !SeekTo(file, table) || !ReadPiece(file, static_cast<std::size_t>(tableBytes), &sections) ||
      !format::DecodeImageEnd(sections, &end)) {
    return 0;
  }
  return end;
}

bool ContainerSection::ReadEntry(const SetupContainer& container, std::uint64_t entryPosition) {
  filePath_ = container.Path();
  File file = OpenForReading(filePath_);
  std::string bytes;
  format::ContainerEntry entry;
  if (!file.IsOpen() || !SeekTo(file, entryPosition) ||
      !ReadPiece(file, format::kContainerEntryBytes, &bytes) ||
      !format::DecodeContainerEntry(bytes, &entry)) {
    return false;
  }
  type_ = entry.type;
  offset_ = entry.offset;
  // The offset is taken from the image end: one that would carry the file
  // pointer past the largest position it holds fails before the seek.
  const std::uint32_t imageEnd = ComputeImageEnd(filePath_);
  std::uint64_t start = 0;
  std::uint16_t nameBytes = 0;
  return imageEnd != 0 && format::SectionStart(imageEnd, entry, &start) && SeekTo(file, start) &&
         ReadString16(file, &name_, &nameBytes) &&
         format::PlaceSectionData(imageEnd, entry, nameBytes, &size_, &dataOffset_);
}

bool ContainerSection::ReadData(MemoryBlock* buffer) const {
  *buffer = MemoryBlock();
  File file = OpenForReading(filePath_);
  std::uint64_t fileSize = 0;
  MemoryBlock block;
  if (!file.IsOpen() || size_ < 0 || !file.Size(&fileSize) ||
      !format::InsideFile(dataOffset_, static_cast<std::uint64_t>(size_), fileSize) ||
      !SeekTo(file, dataOffset_) || !Os().AllocateBlock(static_cast<std::size_t>(size_), &block))
    return false;
  if (size_ != 0 && !ReadBytes(file, block.data(), static_cast<std::uint32_t>(size_))) return false;
  *buffer = std::move(block);
  return true;
}

bool SetupContainer::Open(const std::string& executablePath, ContainerReport* report) {
  *report = ContainerReport();
  if (executablePath.empty()) return Stop(report, ContainerOpenFault::NoPath);
  path_ = executablePath;
  report->path = path_;

  File file = OpenForReading(path_);
  if (!file.IsOpen()) return Stop(report, ContainerOpenFault::CannotOpen);
  const std::uint32_t imageEnd = ComputeImageEnd(path_);
  std::uint64_t fileSize = 0;
  if (!file.Size(&fileSize)) fileSize = 0;
  report->imageEnd = imageEnd;
  // Positions and log lines use the low 32 bits: files of 4 GiB are not met.
  report->fileSize = static_cast<std::uint32_t>(fileSize);
  if (imageEnd == 0 || report->fileSize <= imageEnd) {
    return Stop(report, ContainerOpenFault::NoContainer);
  }

  std::string bytes;
  if (!SeekTo(file, imageEnd) || !ReadPiece(file, format::kContainerCountBytes, &bytes) ||
      !format::DecodeContainerCount(bytes, &report->sectionCount)) {
    return Stop(report, ContainerOpenFault::CountCutOff);
  }

  // A forged count ends at the first entry that runs past the end of the
  // file; a negative one reads nothing. Nothing is reserved ahead.
  std::uint64_t entryPosition = std::uint64_t(imageEnd) + format::kContainerCountBytes;
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(report->sectionCount); ++i) {
    ContainerSection section;
    if (!section.ReadEntry(*this, entryPosition)) {
      return Stop(report, ContainerOpenFault::EntryUnreadable);
    }
    report->entries.push_back({section.Name(), section.DataSize(), section.DataOffset()});
    entryPosition += format::kContainerEntryBytes;
    sections_[section.Type()] = section;
  }
  return true;
}

ContainerSection& SetupContainer::Section(std::uint8_t type) { return sections_[type]; }

}  // namespace carafe
