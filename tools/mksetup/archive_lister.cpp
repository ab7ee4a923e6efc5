#include "mksetup/archive_lister.h"

#include <cstring>
#include <fstream>
#include <ostream>

#include "format/class_file.h"
#include "format/java_archive_layout.h"
#include "mksetup/byte_io.h"
#include "mksetup/commands.h"
#include "mksetup/container_format.h"

namespace mksetup {

namespace {

// Big-endian reads from memory that fail instead of running past the end.
class Cursor {
 public:
  explicit Cursor(const std::string& bytes) : bytes_(bytes) {}

  bool Seek(std::uint64_t position) {
    if (position > bytes_.size()) return false;
    position_ = position;
    return true;
  }
  std::uint64_t Position() const { return position_; }

  bool Skip(std::uint64_t count) { return Seek(position_ + count); }

  bool Number(int width, std::uint64_t* value) {
    if (bytes_.size() - position_ < static_cast<std::uint64_t>(width)) return false;
    *value = 0;
    for (int i = 0; i < width; ++i)
      *value = (*value << 8) | static_cast<unsigned char>(bytes_[position_ + i]);
    position_ += width;
    return true;
  }
  template <typename T>
  bool Read(T* value) {
    std::uint64_t wide = 0;
    if (!Number(sizeof(T), &wide)) return false;
    *value = static_cast<T>(wide);
    return true;
  }
  // A length-prefixed string; *stored is the length as stored.
  bool String16(std::string* text, std::uint16_t* stored = nullptr) {
    std::uint16_t length = 0;
    if (!Read(&length) || bytes_.size() - position_ < length) return false;
    *text = bytes_.substr(position_, length);
    std::size_t zero = text->find('\0');
    if (zero != std::string::npos) text->erase(zero);
    position_ += length;
    if (stored) *stored = length;
    return true;
  }

 private:
  const std::string& bytes_;
  std::uint64_t position_ = 0;
};

bool Refuse(std::string* error, const std::string& text) {
  *error = text;
  return false;
}

}  // namespace

bool ParseJavaArchive(const std::string& bytes, ArchiveListing* archive, std::string* error) {
  *archive = ArchiveListing();
  Cursor cursor(bytes);
  if (bytes.size() < 8 || !cursor.Seek(bytes.size() - 8) || !cursor.Read(&archive->offsetTable))
    return Refuse(error, "too short for a Java archive (no OffsetTable offset)");
  if (archive->offsetTable >= bytes.size() || !cursor.Seek(archive->offsetTable))
    return Refuse(error, "OffsetTable offset " + std::to_string(archive->offsetTable) +
                             " lies outside the file");
  std::uint16_t count = 0;
  if (!cursor.Read(&count)) return Refuse(error, "OffsetTable without a section count");
  carafe::format::ClassFile classFile;
  std::string classError;
  archive->insideClass = carafe::format::ParseClassFile(bytes, &classFile, &classError) &&
                         classFile.end == bytes.size() && !classFile.attributeNames.empty() &&
                         classFile.attributeNames.back() == carafe::format::kArchiveAttributeName;
  std::uint64_t entry = archive->offsetTable + 2;
  for (int i = 0; i < count; ++i) {
    ArchiveListingSection section;
    std::string tableName;
    if (!cursor.Seek(entry) || !cursor.String16(&tableName) || !cursor.Read(&section.offset))
      return Refuse(error, "OffsetTable entry " + std::to_string(i) + " is cut off");
    std::uint16_t nameBytes = 0;
    if (!cursor.Seek(section.offset) || !cursor.String16(&section.name, &nameBytes) ||
        !cursor.Read(&section.resourceCount) || !cursor.Read(&section.payloadSize)) {
      return Refuse(error, "section '" + tableName + "' lies outside the file");
    }
    std::uint8_t compressed = 0;
    if (!cursor.Read(&compressed))
      return Refuse(error, "section '" + tableName + "' lies outside the file");
    section.compressed = compressed != 0;
    if (!section.compressed) {
      for (std::uint32_t j = 0; j < section.resourceCount; ++j) {
        ArchiveListingResource resource;
        if (!cursor.Read(&resource.headerBlockLength))
          return Refuse(error, "section '" + section.name + "': resource " + std::to_string(j) +
                                   " is cut off");
        if (resource.headerBlockLength == 1) {
          if (!cursor.Read(&resource.flag))
            return Refuse(error, "section '" + section.name + "': resource " + std::to_string(j) +
                                     " is cut off");
        } else if (!cursor.Skip(resource.headerBlockLength)) {
          return Refuse(error, "section '" + section.name + "': resource " + std::to_string(j) +
                                   " has a header block past the end");
        }
        if (!cursor.String16(&resource.name) || !cursor.Read(&resource.size))
          return Refuse(error, "section '" + section.name + "': resource " + std::to_string(j) +
                                   " is cut off");
        resource.dataOffset = cursor.Position();
        if (!cursor.Skip(resource.size))
          return Refuse(error, "section '" + section.name + "': data of resource '" +
                                   resource.name + "' runs past the end");
        section.resources.push_back(resource);
      }
    }
    entry += 10 + nameBytes;
    archive->sections.push_back(std::move(section));
  }
  return true;
}

void PrintJavaArchive(const ArchiveListing& archive, const std::string& indent, std::ostream& out) {
  out << indent << "Java archive: " << archive.sections.size() << " sections, OffsetTable at "
      << archive.offsetTable << ", "
      << (archive.insideClass ? "inside the class" : "appended behind the class (JVMs refuse it)")
      << "\n";
  for (const ArchiveListingSection& section : archive.sections) {
    out << indent << "  section " << section.name << ": " << section.resourceCount << " resources, "
        << section.payloadSize << " payload bytes, "
        << (section.compressed ? "compressed" : "not compressed") << "\n";
    for (const ArchiveListingResource& resource : section.resources) {
      out << indent << "    resource " << resource.name << ": " << resource.size << " bytes, flag "
          << static_cast<int>(resource.flag) << "\n";
    }
  }
}

bool IsClassFilePath(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  return ReadExactly(in, 4, &magic) && magic == "\xCA\xFE\xBA\xBE";
}

int ListArchiveFile(const std::string& path, std::ostream& out, std::ostream& err) {
  std::string bytes, error;
  if (!ReadWholeFile(path, "the Java archive", &bytes, &error)) return Fail(err, error);
  ArchiveListing archive;
  if (!ParseJavaArchive(bytes, &archive, &error)) return Fail(err, path + ": " + error);
  PrintJavaArchive(archive, "", out);
  return 0;
}

void PrintSetupArchive(const std::string& path, const SetupListing& listing, std::ostream& out) {
  const ListedSection* section = FindSection(listing, kJavaArchiveType);
  if (section == nullptr) return;
  std::string bytes, error;
  if (!ReadSectionData(path, *section, &bytes, &error)) return;
  // A plain class without appended sections has no OffsetTable: nothing to show.
  if (bytes.size() < 8 || BigAt(bytes, bytes.size() - 8, 8) >= bytes.size()) return;
  ArchiveListing archive;
  if (!ParseJavaArchive(bytes, &archive, &error)) {
    out << "Java archive " << section->name << ": no sections (" << error << ")\n";
    return;
  }
  PrintJavaArchive(archive, "", out);
}

}  // namespace mksetup
