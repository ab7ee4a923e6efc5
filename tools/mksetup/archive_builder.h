// `mksetup archive`: an installation class with named sections of resources
// (laid out by format/java_archive_format.h). A compressed section stores
// its resource records as one raw DEFLATE stream (no zlib or gzip wrapper).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/java_archive_format.h"
#include "mksetup/commands.h"

namespace mksetup {

struct ArchiveSectionInput {
  std::string name;
  bool compress = false;
  std::vector<carafe::format::ResourceInput> resources;
};

// Raw DEFLATE (windowBits -15). False without zlib or on a zlib error.
bool DeflateRaw(const std::string& input, std::string* output, std::string* error);
// Its inverse, for listing; false when the stream is damaged or cut off.
bool InflateRaw(std::string_view input, std::string* output);

// The archive of classBytes (a class file and nothing behind it) with these
// sections, each compressed when asked.
bool BuildJavaArchive(const std::string& classBytes,
                      const std::vector<ArchiveSectionInput>& sections, std::string* archive,
                      std::string* error);

// The `archive` subcommand's arguments, as given after its name:
//   --class FILE (--section NAME [--compress] (--resource NAME=FILE[:flag])...)...
//   -o OUTPUT
struct ArchiveRequest {
  std::string classFile;
  std::string output;
  struct Resource {
    std::string name;
    std::string file;
    bool hasFlag = false;
    std::uint8_t flag = 0;
  };
  struct Section {
    std::string name;
    bool compress = false;
    std::vector<Resource> resources;
  };
  std::vector<Section> sections;
};

bool ParseArchiveRequest(const Arguments& arguments, ArchiveRequest* request, std::string* error);

// Reads the class and resource files named by request and writes the
// archive to its output (whole or not at all). error says what went wrong.
bool WriteArchive(const ArchiveRequest& request, std::string* error);

}  // namespace mksetup
