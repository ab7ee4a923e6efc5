// Building a Java archive: an installation class with named sections of
// resources appended and the OffsetTable that finds them. Integers are
// big-endian, strings carry a u16 length. A compressed section stores its
// resource records as one raw DEFLATE stream (no zlib or gzip wrapper).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "mksetup/commands.h"

namespace mksetup {

// A u16 length prefix: names longer than this cannot be stored.
constexpr std::size_t kMaxArchiveName = 65535;

struct ArchiveResourceInput {
  std::string name;
  std::string data;
  // With a flag the record's header block is that one byte (1 marks a JVM
  // installer); without, the block is empty and the flag reads as 0.
  bool hasFlag = false;
  std::uint8_t flag = 0;
};

struct ArchiveSectionInput {
  std::string name;
  bool compress = false;
  std::vector<ArchiveResourceInput> resources;
};

// The section's resource records back to back, as an uncompressed section
// stores them (and as a compressed one inflates to).
bool EncodeResourceRecords(const ArchiveSectionInput& section, std::string* records,
                           std::string* error);

// Raw DEFLATE (windowBits -15). False without zlib or on a zlib error.
bool DeflateRaw(const std::string& input, std::string* output, std::string* error);

// classBytes (which must begin like a class file), then every section, then
// the OffsetTable and its offset in the last 8 bytes.
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

// The `archive` subcommand: parses, writes, reports.
int ArchiveCommand(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace mksetup
