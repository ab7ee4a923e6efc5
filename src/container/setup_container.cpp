#include "container/setup_container.h"

#include "container/binary_readers.h"
#include "container/log_writer.h"
#include "string_ids.h"

namespace carafe {

namespace {

// PE layout, as far as the image end needs it. These headers are the only
// little-endian fields the launcher reads.
constexpr std::uint32_t kDosHeaderBytes = 64;
constexpr std::uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr std::uint32_t kPeOffsetField = 60;        // e_lfanew
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint32_t kFileHeaderBytes = 20;
constexpr std::uint32_t kSectionCountField = 2;  // NumberOfSections
constexpr std::uint32_t kOptionalHeaderSizeField = 16;
constexpr std::uint32_t kSectionHeaderBytes = 40;
constexpr std::uint32_t kRawSizeField = 16;     // SizeOfRawData
constexpr std::uint32_t kRawPointerField = 20;  // PointerToRawData

std::uint32_t LittleEndian(const std::uint8_t* bytes, int width) {
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

File OpenForReading(const std::string& path) {
  return Os().OpenFile(path, FileAccess::Read, FileShare::ReadWrite, FileDisposition::OpenExisting);
}

}  // namespace

std::uint32_t ComputeImageEnd(const std::string& path) {
  File file = OpenForReading(path);
  if (!file.IsOpen()) return 0;

  std::uint8_t dosHeader[kDosHeaderBytes];
  if (!ReadBytes(file, dosHeader, sizeof dosHeader) ||
      LittleEndian(dosHeader, 2) != kDosSignature)
    return 0;
  std::uint8_t signature[4];
  if (!SeekTo(file, LittleEndian(dosHeader + kPeOffsetField, 4)) ||
      !ReadBytes(file, signature, sizeof signature) ||
      LittleEndian(signature, 4) != kPeSignature)
    return 0;

  std::uint8_t fileHeader[kFileHeaderBytes];
  if (!ReadBytes(file, fileHeader, sizeof fileHeader)) return 0;
  std::uint32_t sectionCount = LittleEndian(fileHeader + kSectionCountField, 2);
  std::uint32_t optionalHeaderSize = LittleEndian(fileHeader + kOptionalHeaderSizeField, 2);
  std::uint64_t position = 0;
  if (sectionCount == 0 ||
      !file.Seek(optionalHeaderSize, SeekOrigin::Current, &position))
    return 0;

  // The sections' raw data are taken to lie back to back from the first.
  std::uint64_t end = 0;
  for (std::uint32_t i = 0; i < sectionCount; ++i) {
    std::uint8_t header[kSectionHeaderBytes];
    if (!ReadBytes(file, header, sizeof header)) return 0;
    if (i == 0) end = LittleEndian(header + kRawPointerField, 4);
    end += LittleEndian(header + kRawSizeField, 4);
  }
  return end <= UINT32_MAX ? static_cast<std::uint32_t>(end) : 0;
}

bool ContainerSection::ReadEntry(const SetupContainer& container, std::uint64_t entryPosition) {
  filePath_ = container.Path();
  File file = OpenForReading(filePath_);
  if (!file.IsOpen() || !SeekTo(file, entryPosition)) return false;

  std::uint32_t storedSize = 0;
  if (!ReadU8(file, &type_) || !ReadU32BE(file, &storedSize) ||
      !ReadU64BE(file, &offset_))
    return false;

  std::uint32_t imageEnd = ComputeImageEnd(filePath_);
  std::uint64_t position = 0;
  std::uint16_t nameLength = 0;
  // The offset is taken from the image end: one that would carry the file
  // pointer past the largest position it holds fails here, before the seek.
  if (imageEnd == 0 || !SeekTo(file, imageEnd) ||
      offset_ > static_cast<std::uint64_t>(INT64_MAX) - imageEnd ||
      !file.Seek(static_cast<std::int64_t>(offset_), SeekOrigin::Current, &position) ||
      !ReadString16(file, &name_, &nameLength))
    return false;

  std::int64_t dataSize =
      static_cast<std::int64_t>(static_cast<std::int32_t>(storedSize)) - (2 + nameLength);
  dataOffset_ = imageEnd + offset_ + 2 + nameLength;
  if (dataSize < 0) return false;
  size_ = static_cast<std::int32_t>(dataSize);
  return true;
}

bool ContainerSection::ReadData(std::vector<std::uint8_t>* buffer) const {
  buffer->clear();
  File file = OpenForReading(filePath_);
  std::uint64_t fileSize = 0;
  if (!file.IsOpen() || size_ < 0 || !file.Size(&fileSize) ||
      dataOffset_ > fileSize || static_cast<std::uint64_t>(size_) > fileSize - dataOffset_ ||
      !SeekTo(file, dataOffset_))
    return false;
  if (size_ == 0) return true;
  buffer->resize(static_cast<std::size_t>(size_));
  if (ReadBytes(file, buffer->data(), static_cast<std::uint32_t>(size_))) return true;
  buffer->clear();
  return false;
}

bool SetupContainer::Open(const std::string& executablePath, const File* log) {
  log_ = log;
  if (executablePath.empty()) {
    WriteLog(log_, FormatEntry("\r\n%s \r\n", LoadLabel(IDS_NEED_SETUP_PATH).c_str()));
    return false;
  }
  path_ = executablePath;
  if (LogAll()) {
    WriteLog(log_, FormatEntry("\r\n%s %s \r\n", LoadLabel(IDS_READING_EXECUTABLE).c_str(),
                               path_.c_str()));
  }

  File file = OpenForReading(path_);
  if (!file.IsOpen()) {
    WriteLog(log_, FormatEntry("\r\n%s %s \r\n", LoadLabel(IDS_COULD_NOT_OPEN_FILE).c_str(),
                               path_.c_str()));
    return false;
  }

  std::uint32_t imageEnd = ComputeImageEnd(path_);
  std::uint64_t fileSize = 0;
  if (!file.Size(&fileSize)) fileSize = 0;
  // Positions and log lines use the low 32 bits: files of 4 GiB are not met.
  std::uint32_t size = static_cast<std::uint32_t>(fileSize);
  if (LogAll()) {
    WriteLog(log_, FormatEntry("\t%s (%d), %s (%d) ..\r\n", LoadLabel(IDS_EXE_SIZE).c_str(),
                               static_cast<int>(imageEnd), LoadLabel(IDS_TOTAL_FILE_SIZE).c_str(),
                               static_cast<int>(size)));
  }
  if (imageEnd == 0 || size <= imageEnd) {
    WriteLog(log_, FormatEntry("%s %s %s", LoadLabel(IDS_INSTALLATION_EXECUTABLE).c_str(),
                               path_.c_str(), LoadLabel(IDS_CORRUPTED_OR_INCOMPLETE).c_str()));
    return false;
  }

  std::uint32_t count = 0;
  if (!SeekTo(file, imageEnd) || !ReadU32BE(file, &count)) return false;
  sectionCount_ = count;
  if (LogAll()) {
    WriteLog(log_, FormatEntry("\t%s %d %s...\r\n", LoadLabel(IDS_READING).c_str(),
                               static_cast<int>(count), LoadLabel(IDS_SECTION_INFO).c_str()));
  }

  // A forged count ends at the first entry that runs past the end of the
  // file; a negative one reads nothing.
  std::uint64_t entryPosition = std::uint64_t(imageEnd) + kContainerCountBytes;
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(count); ++i) {
    ContainerSection section;
    if (!section.ReadEntry(*this, entryPosition)) return false;
    if (LogAll()) {
      WriteLog(log_,
               FormatEntry("\t%s: %s(%s), %s(%d), %s(%d)\r\n", LoadLabel(IDS_SECTION_INFO).c_str(),
                           LoadLabel(IDS_NAME).c_str(), section.Name().c_str(),
                           LoadLabel(IDS_SIZE).c_str(), static_cast<int>(section.DataSize()),
                           LoadLabel(IDS_FILE_OFFSET).c_str(),
                           static_cast<int>(static_cast<std::uint32_t>(section.DataOffset()))));
    }
    entryPosition += kContainerEntryBytes;
    sections_[section.Type()] = section;
  }
  return true;
}

ContainerSection& SetupContainer::Section(std::uint8_t type) { return sections_[type]; }

}  // namespace carafe
