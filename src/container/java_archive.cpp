#include "container/java_archive.h"

#include "container/binary_readers.h"

namespace carafe {

namespace {

File OpenForReading(const std::string& path) {
  return Os().OpenFile(path, FileAccess::Read, FileShare::ReadWrite, FileDisposition::OpenExisting);
}

bool CurrentPosition(const File& file, std::uint64_t* position) {
  return file.Seek(0, SeekOrigin::Current, position);
}

bool Stop(ArchiveReport* report, ArchiveOpenFault fault) {
  report->fault = fault;
  return false;
}

}  // namespace

bool ArchiveResource::Read(const std::string& path, std::uint64_t position) {
  filePath_ = path;
  File file = OpenForReading(path);
  if (!file.IsOpen() || !SeekTo(file, position)) return false;
  if (!ReadBigEndian(file, &headerBlockLength_)) return false;
  flag_ = 0;
  if (headerBlockLength_ == format::kFlagBlockLength) {
    if (!ReadBigEndian(file, &flag_)) return false;
  } else if (headerBlockLength_ != 0) {
    // Any other block carries nothing the launcher uses. A block that runs
    // past the end leaves the position there, and the next read fails.
    std::uint64_t reached = 0;
    if (!file.Seek(headerBlockLength_, SeekOrigin::Current, &reached)) return false;
  }
  if (!ReadString16(file, &name_) || !ReadBigEndian(file, &size_)) return false;
  if (!CurrentPosition(file, &dataOffset_)) return false;
  return dataOffset_ != 0;
}

bool ArchiveResource::ReadData(void* buffer) const {
  if (size_ == 0) return false;
  File file = OpenForReading(filePath_);
  if (!file.IsOpen() || !SeekTo(file, dataOffset_)) return false;
  return ReadBytes(file, buffer, size_);
}

bool ArchiveSection::Read(const std::string& path, std::uint64_t entryPosition) {
  filePath_ = path;
  resources_.clear();
  File file = OpenForReading(path);
  if (!file.IsOpen() || !SeekTo(file, entryPosition)) return false;
  if (!ReadString16(file, &name_) || !ReadBigEndian(file, &resourceFileOffset_)) return false;
  if (!SeekTo(file, resourceFileOffset_)) return false;
  // The name at the section replaces the OffsetTable's copy.
  std::string bytes;
  format::SectionFields fields;
  if (!ReadString16(file, &name_, &nameBytes_) ||
      !ReadPiece(file, format::kSectionFieldsBytes, &bytes) ||
      !format::DecodeSectionFields(bytes, &fields)) {
    return false;
  }
  resourceCount_ = fields.resourceCount;
  payloadSize_ = fields.payloadSize;
  compressed_ = fields.compressed;
  if (compressed_ != 0) return true;

  std::uint64_t record = 0;
  if (!CurrentPosition(file, &record)) return false;
  // A forged ResourceCount costs nothing: every record read moves at least
  // 10 bytes forward in 64-bit arithmetic, and the first read past the end
  // fails, so the loop never outlives the file. Nothing is reserved ahead.
  for (std::uint32_t j = 0; j < resourceCount_; ++j) {
    ArchiveResource resource;
    if (!resource.Read(path, record)) return false;
    // The record's data starts where its stored fields end; its next
    // neighbour starts behind the data (10 + B + L + D after record).
    record = resource.DataOffset() + resource.Size();
    resources_.push_back(std::move(resource));
  }
  return true;
}

bool JavaArchive::Open(const std::string& path, ArchiveReport* report) {
  *report = ArchiveReport();
  if (path.empty()) return Stop(report, ArchiveOpenFault::NoPath);
  path_ = path;
  report->path = path;
  File file = OpenForReading(path);
  if (!file.IsOpen()) return Stop(report, ArchiveOpenFault::CannotOpen);

  std::uint64_t ignored = 0;
  if (!file.Seek(-std::int64_t(format::kOffsetTableOffsetBytes), SeekOrigin::End, &ignored) ||
      !ReadBigEndian(file, &offsetTableOffset_)) {
    return Stop(report, ArchiveOpenFault::NoTableOffset);
  }
  std::uint64_t fileSize = 0;
  if (!file.Size(&fileSize) || offsetTableOffset_ >= fileSize ||
      !SeekTo(file, offsetTableOffset_)) {
    return Stop(report, ArchiveOpenFault::TableOutOfRange);
  }
  if (!ReadBigEndian(file, &report->sectionCount)) {
    return Stop(report, ArchiveOpenFault::CountCutOff);
  }

  std::uint64_t entry = offsetTableOffset_ + format::kSectionCountBytes;
  for (int i = 0; i < report->sectionCount; ++i) {
    ArchiveSection section;
    if (!section.Read(path, entry)) return Stop(report, ArchiveOpenFault::SectionUnreadable);
    report->sections.push_back(
        {section.Name(),
         {section.ResourceCount(), section.PayloadSize(), section.Compressed()},
         section.ResourceFileOffset()});
    entry = format::NextOffsetTableEntry(entry, section.NameBytes());
    if (!SeekTo(file, entry)) return Stop(report, ArchiveOpenFault::SectionUnreadable);
    sections_[section.Name()] = std::move(section);
  }
  return true;
}

ArchiveSection& JavaArchive::Section(const std::string& name) { return sections_[name]; }

}  // namespace carafe
