#include "mksetup/archive_builder.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#if defined(CARAFE_HAVE_ZLIB)
#include <zlib.h>
#endif

#include "format/java_archive_format.h"
#include "mksetup/byte_io.h"

namespace mksetup {

namespace format = carafe::format;

namespace {

bool IsFlagText(const std::string& text) {
  if (text.empty() || text.size() > 3) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return std::stoi(text) <= 255;
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
