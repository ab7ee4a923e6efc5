#include "core/options.h"

#include <vector>

namespace carafe {

namespace {

// Which field the next plain token fills.
enum class Target { None, Jvm, Archive, Verify, SearchCriteria, Log };

enum class Option { Jvm, NoSearch, Archive, Verify, SearchCriteria, Log, Silent, LogAll };

struct OptionName {
  const wchar_t* name;
  Option option;
};

// Tried in this order; a name must be followed by a blank or the end, so
// "logall" never matches "log".
constexpr OptionName kOptions[] = {
    {L"jvm", Option::Jvm},
    {L"nosearch", Option::NoSearch},
    {L"archive", Option::Archive},
    {L"verify", Option::Verify},
    {L"searchcriteria", Option::SearchCriteria},
    {L"log", Option::Log},
    {L"silent", Option::Silent},
    {L"logall", Option::LogAll},
};

wchar_t Lower(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool IsPrefix(wchar_t c) { return c == L'-' || c == L'/'; }

// Only the blank separates tokens; tabs and newlines belong to them.
void SkipBlanks(const std::wstring& text, std::size_t& position) {
  while (position < text.size() && text[position] == L' ') ++position;
}

// From position to the first blank outside quotes. Either quote character
// toggles the same quoted state, and quotes stay in the token.
std::wstring TakeToken(const std::wstring& text, std::size_t& position) {
  std::size_t start = position;
  bool quoted = false;
  while (position < text.size()) {
    wchar_t c = text[position];
    if (c == L'"' || c == L'\'')
      quoted = !quoted;
    else if (c == L' ' && !quoted)
      break;
    ++position;
  }
  return text.substr(start, position - start);
}

// Does the text at position spell name (any case), followed by a blank or
// the end?
bool NameAt(const std::wstring& text, std::size_t position, const wchar_t* name) {
  std::size_t i = 0;
  for (; name[i] != L'\0'; ++i) {
    if (position + i >= text.size() || Lower(text[position + i]) != name[i]) return false;
  }
  std::size_t after = position + i;
  return after == text.size() || text[after] == L' ';
}

// Surrounding blanks, tabs and newlines go, then one double quote at each
// end; apostrophes stay.
void Clean(std::wstring& value) {
  auto trimmed = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n'; };
  std::size_t begin = 0, end = value.size();
  while (begin < end && trimmed(value[begin])) ++begin;
  while (end > begin && trimmed(value[end - 1])) --end;
  value = value.substr(begin, end - begin);
  if (!value.empty() && value.front() == L'"') value.erase(0, 1);
  if (!value.empty() && value.back() == L'"') value.pop_back();
}

}  // namespace

LauncherOptions ParseCommandLine(const std::wstring& text) {
  LauncherOptions options;
  std::wstring searchCriteria, jvm, archive, verify, log;
  std::vector<std::wstring> javaOptions;
  Target pending = Target::None;

  std::size_t position = 0;
  SkipBlanks(text, position);
  while (position < text.size()) {
    if (!IsPrefix(text[position])) {
      std::wstring token = TakeToken(text, position);
      switch (pending) {
        case Target::Jvm:
          jvm = token;
          break;
        case Target::Archive:
          archive = token;
          break;
        case Target::Verify:
          verify = token;
          break;
        case Target::SearchCriteria:
          searchCriteria = token;
          break;
        case Target::Log:
          log = token;
          break;
        case Target::None:
          break;
      }
      pending = Target::None;
      SkipBlanks(text, position);
      continue;
    }

    const OptionName* match = nullptr;
    for (const OptionName& option : kOptions) {
      if (NameAt(text, position + 1, option.name)) {
        match = &option;
        break;
      }
    }
    if (match == nullptr) {
      std::wstring token = TakeToken(text, position);
      bool javaOption = token.size() >= 2 && token[0] == L'-' && Lower(token[1]) == L'd';
      if (javaOption && javaOptions.size() < kMaxJavaOptions) javaOptions.push_back(token);
      SkipBlanks(text, position);
      continue;
    }

    position += 1 + std::char_traits<wchar_t>::length(match->name);
    switch (match->option) {
      case Option::Jvm:
        pending = Target::Jvm;
        break;
      case Option::Archive:
        pending = Target::Archive;
        break;
      case Option::Verify:
        pending = Target::Verify;
        break;
      case Option::SearchCriteria:
        options.searchCriteriaGiven = true;
        pending = Target::SearchCriteria;
        break;
      case Option::Log:
        options.logGiven = true;
        pending = Target::Log;
        break;
      case Option::NoSearch:
        options.noSearch = true;
        break;
      case Option::Silent:
        options.silent = true;
        break;
      case Option::LogAll:
        options.logAll = true;
        break;
    }
    SkipBlanks(text, position);
  }

  // Cleaned in a fixed order: jvm, verify, archive, search criteria, log.
  Clean(jvm);
  Clean(verify);
  Clean(archive);
  Clean(searchCriteria);
  Clean(log);
  options.jvm = ToPath(jvm);
  options.verify = ToPath(verify);
  options.archive = ToPath(archive);
  options.searchCriteria = searchCriteria;
  options.log = ToPath(log);
  for (const std::wstring& option : javaOptions) options.javaOptions += option + L' ';
  return options;
}

}  // namespace carafe
