// The builder's strict reading of a criteria text (mksetup build), apart
// from the parser so that the launcher does not carry it.
#include <cctype>

#include "discovery/search_criteria.h"
#include "support/blank_trim.h"

namespace carafe {

namespace {

// A value the launcher compares as text: anything else is a mistyped separator.
bool IsPlainValue(const std::string& value) {
  for (char c : value)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-')
      return false;
  return true;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// One trimmed, non-empty piece, pair by pair.
bool CheckPiece(const std::string& piece, std::string* problem,
                std::vector<std::string>* warnings) {
  const std::string in = " in '" + piece + "'";
  std::string rest = piece + kPairSeparator;
  for (std::size_t at = 0, end; (end = rest.find(kPairSeparator, at)) != std::string::npos;
       at = end + 1) {
    const std::string pair = rest.substr(at, end - at);
    const std::size_t mark = pair.find(kValueMark);
    const std::string key = pair.substr(0, mark),
                      value = mark == std::string::npos ? std::string() : pair.substr(mark + 1);
    if (key != "vendor" && key != "version" && key != "type") {
      *problem = Lower(key) == "vendor" || Lower(key) == "version" || Lower(key) == "type"
                     ? "key '" + key + "'" + in + " must be written '" + Lower(key) + "'"
                     : "'" + pair + "'" + in +
                           " is no key=value pair: the keys are vendor, version and type, "
                           "pairs are separated by ':' and alternatives by ';'";
      return false;
    }
    if (mark == std::string::npos || !IsPlainValue(value)) {
      *problem = "'" + pair + "'" + in + " is no plain key=value pair: write " + key +
                 "=VALUE (letters, digits, '.', '_', '-'), separate pairs with ':' and "
                 "alternatives with ';'; versions are matched as text, never compared";
      return false;
    }
    if (key == "type" && !value.empty() && value != "jdk" && value != "jre" && value != "jview") {
      *problem = "type '" + value + "'" + in + " is none the launcher knows: jdk, jre or jview";
      return false;
    }
    if (key == "vendor" && !value.empty() && value != "sun" && value != "ibm" &&
        value != kJviewVendor)
      warnings->push_back("vendor '" + value + "'" + in +
                          " selects no search location: the launcher then searches nowhere "
                          "for it; leave the vendor out for today's JVMs");
  }
  return true;
}

}  // namespace

bool CheckCriteriaText(const std::string& text, std::string* problem,
                       std::vector<std::string>* warnings) {
  std::string trimmed = text;
  TrimRight(trimmed);
  if (trimmed.empty()) {
    *problem = "the criteria text is empty; name at least one alternative, e.g. 'type=jdk'";
    return false;
  }
  if (text.find(kRegisteredJvmMarker) != std::string::npos) {
    warnings->push_back(std::string("the criteria hold '") + kRegisteredJvmMarker +
                        "': the launcher searches nowhere and takes the JVM its maker's "
                        "registry key names");
    return true;
  }
  std::string rest = text + kPieceSeparator;
  for (std::size_t at = 0, end; (end = rest.find(kPieceSeparator, at)) != std::string::npos;
       at = end + 1) {
    std::string piece = rest.substr(at, end - at);
    TrimRight(piece);
    TrimLeft(piece);
    CriteriaEntry entry;
    if (piece.empty()) {
      warnings->push_back("an empty alternative accepts any JVM; drop the extra ';' unless meant");
      continue;
    }
    if (!CheckPiece(piece, problem, warnings)) return false;
    // The launcher's own reading must agree, or the text is refused.
    if (!ParseCriteriaEntry(piece, entry)) {
      *problem = "the launcher would drop the alternative '" + piece + "'";
      return false;
    }
  }
  return true;
}

}  // namespace carafe
