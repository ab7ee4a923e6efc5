#include "mksetup/archive_builder.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <string_view>

#if defined(CARAFE_HAVE_ZLIB)
#include <zlib.h>
#endif

#include "format/class_file.h"
#include "format/java_archive_format.h"
#include "format/setup_container_format.h"
#include "mksetup/byte_io.h"

namespace mksetup {

namespace format = carafe::format;

namespace {

// NAME=FILE[:flag] into resource. The part behind the last ':' is a flag
// unless FILE exists as written or the colon is a drive's; the flags are
// the ones the launcher knows.
bool ParseResource(const std::string& argument, ArchiveRequest::Resource* resource,
                   std::string* error) {
  std::size_t equals = argument.find('=');
  if (equals == std::string::npos || equals == 0 || equals + 1 == argument.size()) {
    *error = "--resource wants NAME=FILE[:flag], got '" + argument + "'";
    return false;
  }
  resource->name = argument.substr(0, equals);
  resource->file = argument.substr(equals + 1);
  const std::size_t colon = resource->file.rfind(':');
  std::error_code code;
  if (colon == std::string::npos || colon == 1 || std::filesystem::exists(resource->file, code))
    return true;
  const std::string flag = resource->file.substr(colon + 1);
  if (flag.find_first_of("/\\") != std::string::npos) return true;
  const std::string installer = std::to_string(format::kInstallerFlag);
  if (flag != "0" && flag != installer) {
    *error = "resource " + resource->name + ": flag ':" + flag +
             "' is none the launcher knows; use :" + installer +
             " for a bundled JVM installer, or no flag";
    return false;
  }
  resource->hasFlag = true;
  resource->flag = flag == installer ? format::kInstallerFlag : 0;
  resource->file.erase(colon);
  return true;
}

// Names the launcher would take one of and drop the others, and sections it
// would carry for nothing.
bool CheckSections(const std::vector<ArchiveRequest::Section>& sections, std::string* error) {
  std::set<std::string> sectionNames;
  for (const ArchiveRequest::Section& section : sections) {
    if (!sectionNames.insert(section.name).second) {
      *error = "section '" + section.name + "' is given twice; give each section once";
      return false;
    }
    if (section.resources.empty()) {
      *error = "section '" + section.name + "' has no --resource; add one or drop the section";
      return false;
    }
    std::set<std::string> names;
    for (const ArchiveRequest::Resource& resource : section.resources) {
      if (!names.insert(resource.name).second) {
        *error = "section '" + section.name + "' has two resources named '" + resource.name +
                 "'; give each its own name";
        return false;
      }
    }
  }
  return true;
}

}  // namespace

bool DeflateRaw(const std::string& input, std::string* output, std::string* error) {
#if defined(CARAFE_HAVE_ZLIB)
  z_stream stream;
  std::memset(&stream, 0, sizeof stream);
  // Negative window bits: a raw stream without the zlib header and trailer.
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    *error = "zlib could not start a raw deflate stream";
    return false;
  }
  // zlib counts in 32 bits: the stream is fed and drained in chunks so that
  // no size of 4 GiB or more is ever cut down to its low bits.
  constexpr std::size_t kChunk = std::size_t(1) << 30;
  output->clear();
  std::string buffer(std::size_t(1) << 16, '\0');
  std::size_t fed = 0;
  int result = Z_OK;
  while (result == Z_OK) {
    if (stream.avail_in == 0 && fed < input.size()) {
      const std::size_t piece = std::min(kChunk, input.size() - fed);
      stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data() + fed));
      stream.avail_in = static_cast<uInt>(piece);
      fed += piece;
    }
    stream.next_out = reinterpret_cast<Bytef*>(&buffer[0]);
    stream.avail_out = static_cast<uInt>(buffer.size());
    result = deflate(&stream, fed == input.size() ? Z_FINISH : Z_NO_FLUSH);
    output->append(buffer, 0, buffer.size() - stream.avail_out);
  }
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

bool InflateRaw(std::string_view input, std::string* output) {
#if defined(CARAFE_HAVE_ZLIB)
  z_stream stream;
  std::memset(&stream, 0, sizeof stream);
  if (inflateInit2(&stream, -15) != Z_OK) return false;
  std::string buffer(std::size_t(1) << 16, '\0');
  output->clear();
  int result = Z_OK;
  std::size_t fed = 0;
  while (result == Z_OK) {
    if (stream.avail_in == 0 && fed < input.size()) {
      const std::size_t piece = std::min<std::size_t>(std::size_t(1) << 30, input.size() - fed);
      stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data() + fed));
      stream.avail_in = static_cast<uInt>(piece);
      fed += piece;
    }
    stream.next_out = reinterpret_cast<Bytef*>(&buffer[0]);
    stream.avail_out = static_cast<uInt>(buffer.size());
    result = inflate(&stream, Z_NO_FLUSH);
    output->append(buffer, 0, buffer.size() - stream.avail_out);
  }
  inflateEnd(&stream);
  return result == Z_STREAM_END;
#else
  (void)input;
  (void)output;
  return false;
#endif
}

bool BuildJavaArchive(const std::string& classBytes,
                      const std::vector<ArchiveSectionInput>& sections, std::string* archive,
                      std::string* error) {
  std::vector<format::SectionPayload> payloads;
  for (const ArchiveSectionInput& section : sections) {
    format::SectionPayload payload;
    payload.name = section.name;
    payload.compressed = section.compress;
    payload.resourceCount = static_cast<std::uint32_t>(section.resources.size());
    std::string refused;
    if (!format::EncodeResourceRecords(section.resources, &payload.payload, &refused)) {
      *error = "resource '" + refused.substr(0, 60) + "' of " + std::to_string(refused.size()) +
               " name bytes is too large to store (names up to 65535 bytes, data below 4 GiB)";
      return false;
    }
    if (section.compress) {
      std::string packed;
      if (!DeflateRaw(payload.payload, &packed, error)) return false;
      payload.payload.swap(packed);
    }
    payloads.push_back(std::move(payload));
  }
  if (!format::EncodeJavaArchive(classBytes, payloads, archive, error)) {
    *error = "the installation class: " + *error;
    return false;
  }
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
    if (word == "--class" || word == "-o" || word == "--output") {
      std::string* target = word == "--class" ? &request->classFile : &request->output;
      if (!target->empty()) {
        *error = word + " is given twice; give it once";
        return false;
      }
      if (!value(target)) return false;
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
      ArchiveRequest::Resource resource;
      if (!ParseResource(argument, &resource, error)) return false;
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
  return CheckSections(request->sections, error);
}

bool WriteArchive(const ArchiveRequest& request, std::string* error) {
  std::string classBytes;
  if (!ReadWholeFile(request.classFile, "the installation class", &classBytes, error)) return false;
  format::ClassFile parsed;
  std::string ignored;
  if (format::ParseClassFile(classBytes, &parsed, &ignored) &&
      parsed.thisClass != format::kJavaArchiveClass) {
    *error = request.classFile + " is the class " + parsed.thisClass +
             ", but the launcher runs the class rerodova in the default package: rename it";
    return false;
  }
  std::vector<ArchiveSectionInput> sections;
  for (const ArchiveRequest::Section& given : request.sections) {
    ArchiveSectionInput section;
    section.name = given.name;
    section.compress = given.compress;
    for (const ArchiveRequest::Resource& resource : given.resources) {
      format::ResourceInput input;
      input.name = resource.name;
      if (resource.hasFlag) input.headerBlock.assign(1, static_cast<char>(resource.flag));
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

}  // namespace mksetup
