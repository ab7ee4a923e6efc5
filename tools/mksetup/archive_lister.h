// Reading a Java archive back for `mksetup list`: its sections as the
// OffsetTable finds them and the resources of the uncompressed ones.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "mksetup/container_listing.h"

namespace mksetup {

struct ArchiveListingResource {
  std::string name;
  std::uint32_t headerBlockLength = 0;
  std::uint8_t flag = 0;  // the block's byte when it is 1 byte long
  std::uint32_t size = 0;
  std::uint64_t dataOffset = 0;
};

struct ArchiveListingSection {
  std::string name;
  std::uint64_t offset = 0;
  std::uint32_t resourceCount = 0;
  std::uint64_t payloadSize = 0;
  bool compressed = false;
  std::vector<ArchiveListingResource> resources;  // uncompressed sections only
};

struct ArchiveListing {
  std::uint64_t offsetTable = 0;
  // The builder's layout: the sections ride in the class's last attribute,
  // so the class ends where the file ends. The plain layout (sections
  // simply appended) lists as well, but no current JVM loads it.
  bool insideClass = false;
  std::vector<ArchiveListingSection> sections;  // in OffsetTable order
};

// Walks the archive the way the launcher does (the table steps by the name
// stored at each section). Every size is checked against the bytes held, so
// a damaged archive gives an error, never a long loop.
bool ParseJavaArchive(const std::string& bytes, ArchiveListing* archive, std::string* error);

// One line per section, and one per resource of an uncompressed section,
// each indented by indent.
void PrintJavaArchive(const ArchiveListing& archive, const std::string& indent, std::ostream& out);

// True when the file at path begins like a class file (an archive, not a
// setup executable).
bool IsClassFilePath(const std::string& path);

// `list` of an archive file: its listing, or an error on err.
int ListArchiveFile(const std::string& path, std::ostream& out, std::ostream& err);

// Under a setup's listing: the archive inside its type 1 section, or a line
// saying why there is none to show.
void PrintSetupArchive(const std::string& path, const SetupListing& listing, std::ostream& out);

}  // namespace mksetup
