#include "mksetup/archive_builder.h"

#include <cstring>
#include <limits>
#include <ostream>
#include <string_view>

#if defined(CARAFE_HAVE_ZLIB)
#include <zlib.h>
#endif

#include "format/class_file.h"
#include "format/java_archive_layout.h"
#include "mksetup/byte_io.h"

namespace mksetup {

namespace format = carafe::format;

namespace {

void PutU8(std::string& out, std::uint8_t value) { AppendBig(out, value, 1); }
void PutU16(std::string& out, std::uint16_t value) { AppendBig(out, value, 2); }
void PutU32(std::string& out, std::uint32_t value) { AppendBig(out, value, 4); }
void PutU64(std::string& out, std::uint64_t value) { AppendBig(out, value, 8); }

bool PutString16(std::string& out, const std::string& text, const char* what, std::string* error) {
  if (text.size() > kMaxArchiveName) {
    *error = std::string(what) + " name of " + std::to_string(text.size()) +
             " bytes is longer than the 65535 bytes an archive can store";
    return false;
  }
  PutU16(out, static_cast<std::uint16_t>(text.size()));
  out += text;
  return true;
}

bool IsFlagText(const std::string& text) {
  if (text.empty() || text.size() > 3) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return std::stoi(text) <= 255;
}

}  // namespace

bool EncodeResourceRecords(const ArchiveSectionInput& section, std::string* records,
                           std::string* error) {
  records->clear();
  for (const ArchiveResourceInput& resource : section.resources) {
    if (resource.data.size() > std::numeric_limits<std::uint32_t>::max()) {
      *error = "resource '" + resource.name + "' is larger than 4 GiB";
      return false;
    }
    PutU32(*records, resource.hasFlag ? 1 : 0);
    if (resource.hasFlag) PutU8(*records, resource.flag);
    if (!PutString16(*records, resource.name, "resource", error)) return false;
    PutU32(*records, static_cast<std::uint32_t>(resource.data.size()));
    *records += resource.data;
  }
  return true;
}

bool DeflateRaw(const std::string& input, std::string* output, std::string* error) {
#if defined(CARAFE_HAVE_ZLIB)
  z_stream stream;
  std::memset(&stream, 0, sizeof stream);
  // Negative window bits: a raw stream without the zlib header and trailer.
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    *error = "zlib could not start a raw deflate stream";
    return false;
  }
  output->assign(deflateBound(&stream, static_cast<uLong>(input.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  stream.avail_in = static_cast<uInt>(input.size());
  stream.next_out = reinterpret_cast<Bytef*>(&(*output)[0]);
  stream.avail_out = static_cast<uInt>(output->size());
  int result = deflate(&stream, Z_FINISH);
  output->resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) {
    *error = "zlib could not compress a section";
    return false;
  }
  return true;
#else
  (void)input;
  (void)output;
  *error = "--compress needs zlib, and this mksetup was built without it";
  return false;
#endif
}

bool BuildJavaArchive(const std::string& classBytes,
                      const std::vector<ArchiveSectionInput>& sections, std::string* archive,
                      std::string* error) {
  format::ClassFile classFile;
  if (!format::ParseClassFile(classBytes, &classFile, error)) {
    *error = "the installation class: " + *error;
    return false;
  }
  if (classFile.end != classBytes.size()) {
    *error = "the installation class has " + std::to_string(classBytes.size() - classFile.end) +
             " bytes behind its class structure (is it an archive already?)";
    return false;
  }
  if (sections.size() > 0xFFFF) {
    *error = "an archive holds at most 65535 sections";
    return false;
  }
  // Everything behind the class becomes the body of its last attribute, so
  // that the class ends where the file ends; offsets still count from byte 0.
  std::string out;
  if (!format::AppendTrailingAttribute(classBytes, classFile, format::kArchiveAttributeName, &out,
                                       error)) {
    *error = "the installation class: " + *error;
    return false;
  }
  const std::size_t bodyStart = out.size();
  std::vector<std::uint64_t> offsets;
  for (const ArchiveSectionInput& section : sections) {
    std::string payload;
    if (!EncodeResourceRecords(section, &payload, error)) return false;
    if (section.compress) {
      std::string packed;
      if (!DeflateRaw(payload, &packed, error)) return false;
      payload.swap(packed);
    }
    offsets.push_back(out.size());
    if (!PutString16(out, section.name, "section", error)) return false;
    PutU32(out, static_cast<std::uint32_t>(section.resources.size()));
    PutU64(out, payload.size());
    PutU8(out, section.compress ? 1 : 0);
    out += payload;
  }
  std::uint64_t table = out.size();
  PutU16(out, static_cast<std::uint16_t>(sections.size()));
  for (std::size_t i = 0; i < sections.size(); ++i) {
    // The same name as at the section: the reader steps through the table by it.
    if (!PutString16(out, sections[i].name, "section", error)) return false;
    PutU64(out, offsets[i]);
  }
  PutU64(out, table);
  if (!format::SetTrailingAttributeLength(&out, bodyStart)) {
    *error = "an archive must stay below 4 GiB (a class attribute's length is 32 bits)";
    return false;
  }
  archive->swap(out);
  return true;
}

bool ParseArchiveRequest(const Arguments& arguments, ArchiveRequest* request, std::string* error) {
  *request = ArchiveRequest();
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= arguments.size()) {
        *error = word + " needs a value";
        return false;
      }
      *out = arguments[++i];
      return true;
    };
    if (word == "--class") {
      if (!value(&request->classFile)) return false;
    } else if (word == "-o" || word == "--output") {
      if (!value(&request->output)) return false;
    } else if (word == "--section") {
      ArchiveRequest::Section section;
      if (!value(&section.name)) return false;
      request->sections.push_back(section);
    } else if (word == "--compress") {
      if (request->sections.empty()) {
        *error = "--compress belongs to a --section and must follow it";
        return false;
      }
      request->sections.back().compress = true;
    } else if (word == "--resource") {
      std::string argument;
      if (!value(&argument)) return false;
      if (request->sections.empty()) {
        *error = "--resource " + argument + " must follow the --section it belongs to";
        return false;
      }
      std::size_t equals = argument.find('=');
      if (equals == std::string::npos || equals == 0 || equals + 1 == argument.size()) {
        *error = "--resource wants NAME=FILE[:flag], got '" + argument + "'";
        return false;
      }
      ArchiveRequest::Resource resource;
      resource.name = argument.substr(0, equals);
      resource.file = argument.substr(equals + 1);
      // A trailing ":digits" is the flag; any other colon belongs to the path.
      std::size_t colon = resource.file.rfind(':');
      if (colon != std::string::npos && IsFlagText(resource.file.substr(colon + 1))) {
        resource.hasFlag = true;
        resource.flag = static_cast<std::uint8_t>(std::stoi(resource.file.substr(colon + 1)));
        resource.file.erase(colon);
      }
      request->sections.back().resources.push_back(resource);
    } else {
      *error = "unknown archive option '" + word + "'";
      return false;
    }
  }
  if (request->classFile.empty()) {
    *error = "archive needs --class FILE";
    return false;
  }
  if (request->output.empty()) {
    *error = "archive needs -o OUTPUT";
    return false;
  }
  return true;
}

bool WriteArchive(const ArchiveRequest& request, std::string* error) {
  std::string classBytes;
  if (!ReadWholeFile(request.classFile, "the installation class", &classBytes, error)) return false;
  std::vector<ArchiveSectionInput> sections;
  for (const ArchiveRequest::Section& given : request.sections) {
    ArchiveSectionInput section;
    section.name = given.name;
    section.compress = given.compress;
    for (const ArchiveRequest::Resource& resource : given.resources) {
      ArchiveResourceInput input;
      input.name = resource.name;
      input.hasFlag = resource.hasFlag;
      input.flag = resource.flag;
      if (!ReadWholeFile(resource.file, "the file of resource " + resource.name, &input.data,
                         error)) {
        return false;
      }
      section.resources.push_back(std::move(input));
    }
    sections.push_back(std::move(section));
  }
  std::string archive;
  if (!BuildJavaArchive(classBytes, sections, &archive, error)) {
    *error = request.classFile + ": " + *error;
    return false;
  }
  return ReplaceFile(request.output, {std::string_view(archive)}, error);
}

int ArchiveCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  ArchiveRequest request;
  std::string error;
  if (!ParseArchiveRequest(args, &request, &error)) return Fail(err, "archive: " + error);
  if (!WriteArchive(request, &error)) return Fail(err, "archive: " + error);
  out << "wrote " << request.output << "\n";
  return 0;
}

}  // namespace mksetup
