#include "discovery/search_criteria.h"

#include <cctype>
#include <cstring>

#include "support/blank_trim.h"

namespace carafe {

namespace {

constexpr char kPieceSeparator = ';';
constexpr char kPairSeparator = ':';
constexpr char kValueMark = '=';
constexpr const char* kJviewVendor = "microsoft";

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

std::vector<CriteriaEntry> ParseCriteria(const std::string& text) {
  std::string rest = text + kPieceSeparator;
  std::vector<CriteriaEntry> entries;
  for (std::size_t at = 0; at < rest.size();) {
    std::size_t end = rest.find(kPieceSeparator, at);
    CriteriaEntry entry;
    if (ParseCriteriaEntry(rest.substr(at, end - at), entry)) entries.push_back(entry);
    at = end + 1;
  }
  return entries;
}

bool ParseCriteriaEntry(const std::string& text, CriteriaEntry& entry) {
  std::string piece = text;
  TrimRight(piece);
  TrimLeft(piece);
  struct Key {
    const char* name;
    std::string CriteriaEntry::*field;
  };
  static const Key kKeys[] = {{"vendor", &CriteriaEntry::vendor},
                              {"version", &CriteriaEntry::version},
                              {"type", &CriteriaEntry::type}};
  for (std::size_t at = 0; at < piece.size();) {
    const Key* key = nullptr;
    for (const Key& candidate : kKeys) {
      if (piece.compare(at, std::strlen(candidate.name), candidate.name) == 0) {
        key = &candidate;
        break;
      }
    }
    if (!key) return false;
    std::size_t mark = piece.find(kValueMark, at + std::strlen(key->name));
    if (mark == std::string::npos) {
      entry.*(key->field) = piece;
      return true;
    }
    std::size_t end = piece.find(kPairSeparator, mark + 1);
    entry.*(key->field) = piece.substr(mark + 1, end == std::string::npos ? end : end - mark - 1);
    at = end == std::string::npos ? piece.size() : end + 1;
  }
  return true;
}

SearchCriteria GroupCriteria(const std::vector<CriteriaEntry>& entries, int* jviewEntriesSeen) {
  SearchCriteria groups;
  CriteriaGroup current;
  for (const CriteriaEntry& entry : entries) {
    if (entry.vendor != kJviewVendor) {
      current.push_back(entry);
      continue;
    }
    groups.push_back(current);
    current.clear();
    if (*jviewEntriesSeen == 0) current.push_back(entry);
    ++*jviewEntriesSeen;
  }
  if (!current.empty()) groups.push_back(current);
  return groups;
}

bool CriteriaEntry::Accept(const JvmRecord& record) {
  if (record.vendor().empty() || record.version().empty()) return false;
  if (record.vendor().find(vendor) == std::string::npos ||
      record.version().find(version) == std::string::npos)
    return false;
  if (vendor.empty()) vendor = record.vendor();
  if (version.empty()) version = record.version();
  matchedBin = record.bin();
  matched = true;
  return true;
}

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
