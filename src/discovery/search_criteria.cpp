#include "discovery/search_criteria.h"

#include <cstring>

#include "support/blank_trim.h"

namespace carafe {

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

}  // namespace carafe
