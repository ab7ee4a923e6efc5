#include "mksetup/commands.h"

#include <ostream>

#include "mksetup/archive_lister.h"
#include "mksetup/container_listing.h"
#include "mksetup/setup_builder.h"

namespace mksetup {

int Fail(std::ostream& err, const std::string& message) {
  err << "mksetup: error: " << message << "\n";
  return 1;
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
    const Valued* match = nullptr;
    for (const Valued& candidate : valued)
      if (arg == candidate.option) match = &candidate;
    if (match == nullptr) return Fail(err, "build: unknown argument '" + arg + "'");
    if (i + 1 == args.size()) return Fail(err, "build: " + arg + " needs a value");
    *match->value = args[++i];
    if (match->value == &request.criteria) request.criteriaGiven = true;
  }
  if (request.criteriaGiven && !request.criteriaFile.empty())
    return Fail(err, "build: give --criteria or --criteria-file, not both");

  std::string error;
  if (!BuildSetup(request, &error)) return Fail(err, error);
  out << "wrote " << request.output << "\n";
  return 0;
}

int ListCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) return Fail(err, "list needs exactly one setup executable");
  if (IsClassFilePath(args[0])) return ListArchiveFile(args[0], out, err);
  SetupListing listing;
  std::string error;
  bool read = ReadSetupListing(args[0], &listing, &error);
  if (listing.imageEnd != 0) PrintListing(args[0], listing, out);
  if (read) PrintSetupArchive(args[0], listing, out);
  return read ? 0 : Fail(err, error);
}

}  // namespace mksetup
