// Builds a setup executable: the launcher stub with the container of the
// Java archive, the verify class and the search criteria behind its image.
#pragma once

#include <string>
#include <vector>

#include "mksetup/branding.h"

namespace mksetup {

struct BuildRequest {
  std::string stub;          // the launcher executable
  std::string archive;       // the Java archive (a class file with sections appended)
  std::string verify;        // the verify class
  std::string criteria;      // the criteria text, unless criteriaFile is set
  std::string criteriaFile;  // a file holding the criteria text
  bool criteriaGiven = false;
  std::string output;
  bool replace = false;  // the stub carries a container: rebuild from its image end
  bool force = false;    // accept an archive or verify class without the class-file magic
  Branding branding;     // none: the stub's bytes are taken as they are
};

// Writes request.output whole or not at all. False with a one-line message;
// warnings receive what goes in but is rarely meant.
bool BuildSetup(const BuildRequest& request, std::string* error,
                std::vector<std::string>* warnings);

}  // namespace mksetup
