#include "mksetup/setup_builder.h"

#include <sstream>
#include <vector>

#include "discovery/search_criteria.h"
#include "format/byte_order.h"
#include "format/class_file.h"
#include "format/java_archive_format.h"
#include "format/pe_image.h"
#include "format/pe_resources.h"
#include "format/setup_container_format.h"
#include "mksetup/byte_io.h"

namespace mksetup {

namespace format = carafe::format;

namespace {

// The stub up to its image end. A stub with bytes behind its image already
// carries a container (or something the launcher would take for one). A
// signed stub is refused: the container would land behind the certificate
// table and break the signature, so signing comes last. With --replace the
// table is cut off with the rest and the headers stop pointing at it.
bool LoadStub(const BuildRequest& request, std::string* image, std::string* error) {
  std::string stub;
  if (!ReadWholeFile(request.stub, "stub", &stub, error)) return false;
  std::uint32_t end = 0;
  if (!format::FindImageEnd(stub, &end)) {
    *error = "stub '" + request.stub + "' is not a PE image";
    return false;
  }
  format::SecurityDirectory security;
  const bool isSigned = format::FindSecurityDirectory(stub, &security) && security.tableBytes != 0;
  if (isSigned && !request.replace) {
    *error = "stub '" + request.stub + "' is signed (certificate table of " +
             std::to_string(security.tableBytes) +
             " bytes); sign the finished setup instead, or use --replace to strip the signature";
    return false;
  }
  if (stub.size() < end) {
    *error = "stub '" + request.stub + "' is cut short: its image ends at " + std::to_string(end) +
             " but the file has " + std::to_string(stub.size()) + " bytes";
    return false;
  }
  if (stub.size() > end && !request.replace) {
    *error = "stub '" + request.stub + "' already carries " + std::to_string(stub.size() - end) +
             " bytes behind its image; use --replace to rebuild from its image end";
    return false;
  }
  *image = stub.substr(0, end);
  if (isSigned && !format::ClearSecurityDirectory(security, image)) {
    *error = "stub '" + request.stub + "' has its security directory behind its image end";
    return false;
  }
  return true;
}

// The class the launcher runs or verifies with, by its name in the class.
bool LoadClassFile(const std::string& path, const std::string& what, const std::string& name,
                   bool force, std::string* content, std::string* error) {
  if (!ReadWholeFile(path, what, content, error)) return false;
  if (force) return true;
  format::ClassFile parsed;
  if (!format::BeginsLikeClassFile(*content) || !format::ParseClassFile(*content, &parsed, error)) {
    *error = what + " '" + path + "' is no class file; use --force to take it anyway";
    return false;
  }
  if (parsed.thisClass == name) return true;
  const std::string other = parsed.thisClass == format::kJavaArchiveClass ? "--archive"
                            : parsed.thisClass == format::kVerifyClass    ? "--verify"
                                                                          : std::string();
  *error = what + " '" + path + "' is the class " + parsed.thisClass + ", but the launcher " +
           (other.empty() ? "wants the class " + name + " in the default package: rename it"
                          : "wants " + name + " here: it belongs to " + other +
                                "; are --archive and --verify swapped?");
  return false;
}

// The criteria as the section stores them, a length-prefixed string. Each
// line of a criteria file is one alternative: the lines are joined with ';'
// and blank lines dropped.
bool LoadCriteria(const BuildRequest& request, std::string* text, std::string* error,
                  std::vector<std::string>* warnings) {
  if (!request.criteriaFile.empty()) {
    std::string file;
    if (!ReadWholeFile(request.criteriaFile, "criteria file", &file, error)) return false;
    text->clear();
    std::istringstream lines(file);
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.find_first_not_of(' ') == std::string::npos) continue;
      *text += (text->empty() ? "" : ";") + line;
    }
  } else if (request.criteriaGiven) {
    *text = request.criteria;
  } else {
    *error = "no search criteria: give --criteria or --criteria-file";
    return false;
  }
  std::string problem;
  if (!carafe::CheckCriteriaText(*text, &problem, warnings)) {
    *error = "criteria '" + *text + "': " + problem;
    return false;
  }
  std::string stored;
  if (!format::AppendString16(&stored, *text)) {
    *error = "search criteria of " + std::to_string(text->size()) + " bytes exceed the " +
             std::to_string(format::kString16MaxBytes) + " a length-prefixed string holds";
    return false;
  }
  text->swap(stored);
  return true;
}

}  // namespace

bool BuildSetup(const BuildRequest& request, std::string* error,
                std::vector<std::string>* warnings) {
  if (request.stub.empty() || request.archive.empty() || request.verify.empty() ||
      request.output.empty()) {
    *error = "build needs --stub, --archive, --verify and -o";
    return false;
  }
  std::string image, archive, verify, criteria, container;
  if (!LoadStub(request, &image, error) ||
      !LoadClassFile(request.archive, "archive", format::kJavaArchiveClass, request.force, &archive,
                     error) ||
      !LoadClassFile(request.verify, "verify class", format::kVerifyClass, request.force, &verify,
                     error) ||
      !LoadCriteria(request, &criteria, error, warnings))
    return false;
  format::ClassFile plain;
  if (!request.force && format::ParseClassFile(archive, &plain, error) &&
      plain.end == archive.size() && !format::ArchiveInsideClass(archive))
    warnings->push_back("archive '" + request.archive +
                        "' carries no archive: the installation finds no resources in it "
                        "(mksetup archive adds them)");

  const std::vector<format::ContainerSectionInput> sections = {
      {format::kJavaArchiveSection, format::kJavaArchiveName, std::move(archive)},
      {format::kVerifyClassSection, format::kVerifyClassName, std::move(verify)},
      {format::kSearchCriteriaSection, format::kSearchCriteriaName, std::move(criteria)},
  };
  std::string refused;
  if (!format::EncodeContainer(sections, &container, &refused)) {
    *error = "section '" + refused + "' is too large for the container";
    return false;
  }
  if (!request.branding.Empty() && !ApplyBranding(request.branding, request.stub, &image, error))
    return false;
  if (image.size() + container.size() > UINT32_MAX) {
    *error = "the setup would reach 4 GiB, which the launcher cannot read";
    return false;
  }
  if (request.branding.Empty()) return ReplaceFile(request.output, {image, container}, error);
  // The changed image gets its checksum, over the whole file as the system counts it.
  std::string setup = image + container;
  format::SetChecksum(&setup);
  return ReplaceFile(request.output, {setup}, error);
}

}  // namespace mksetup
