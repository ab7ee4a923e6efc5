#include "mksetup/commands.h"

#include <ostream>
#include <set>

#include "mksetup/archive_builder.h"
#include "mksetup/setup_builder.h"

namespace mksetup {

int Fail(std::ostream& err, const std::string& message) {
  err << "mksetup: error: " << message << "\n";
  return 1;
}

void Warn(std::ostream& err, const std::string& message) {
  err << "mksetup: warning: " << message << "\n";
}

int BuildCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  BuildRequest request;
  struct Valued {
    const char* option;
    std::string* value;
  };
  const Valued valued[] = {
      {"--stub", &request.stub},
      {"--archive", &request.archive},
      {"--verify", &request.verify},
      {"--criteria", &request.criteria},
      {"--criteria-file", &request.criteriaFile},
      {"-o", &request.output},
      {"--output", &request.output},
  };
  std::set<const std::string*> given;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--replace") {
      request.replace = true;
      continue;
    }
    if (arg == "--force") {
      request.force = true;
      continue;
    }
    std::string brandingError;
    const OptionMatch branding = TakeBrandingOption(args, &i, &request.branding, &brandingError);
    if (branding == OptionMatch::Failed) return Fail(err, brandingError);
    if (branding == OptionMatch::Taken) continue;
    const Valued* match = nullptr;
    for (const Valued& candidate : valued)
      if (arg == candidate.option) match = &candidate;
    if (match == nullptr) return Fail(err, "build: unknown argument '" + arg + "'");
    if (i + 1 == args.size()) return Fail(err, "build: " + arg + " needs a value");
    if (!given.insert(match->value).second)
      return Fail(err, "build: " + arg + " is given twice; give it once");
    *match->value = args[++i];
    if (match->value == &request.criteria) request.criteriaGiven = true;
  }
  if (request.criteriaGiven && !request.criteriaFile.empty())
    return Fail(err, "build: give --criteria or --criteria-file, not both");

  std::string error;
  std::vector<std::string> warnings;
  if (!BuildSetup(request, &error, &warnings)) return Fail(err, error);
  for (const std::string& warning : warnings) Warn(err, warning);
  out << "wrote " << request.output << "\n";
  return 0;
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
