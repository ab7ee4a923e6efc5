#include "core/options.h"

#include <gtest/gtest.h>

namespace carafe {
namespace {

// Every field the parse set, "name=value" or the switch's name, joined by "|".
std::wstring Describe(const LauncherOptions& options) {
  std::wstring out;
  auto add = [&out](const std::wstring& piece) { out += (out.empty() ? L"" : L"|") + piece; };
  const std::pair<const wchar_t*, std::wstring> values[] = {
      {L"jvm", options.jvm.c_str()},         {L"archive", options.archive.c_str()},
      {L"verify", options.verify.c_str()},   {L"log", options.log.c_str()},
      {L"criteria", options.searchCriteria}, {L"java", options.javaOptions}};
  for (const auto& [name, value] : values)
    if (!value.empty()) add(std::wstring(name) + L"=" + value);
  const std::pair<const wchar_t*, bool> switches[] = {
      {L"-searchcriteria", options.searchCriteriaGiven},
      {L"-nosearch", options.noSearch},
      {L"-log", options.logGiven},
      {L"-silent", options.silent},
      {L"-logall", options.logAll}};
  for (const auto& [name, given] : switches)
    if (given) add(name);
  return out;
}

TEST(ParseCommandLine, SetsExactlyTheFieldsItsRulesGive) {
  const std::pair<const wchar_t*, const wchar_t*> rows[] = {
      {L"", L""},
      // Either prefix, any case.
      {L"/JVM x.exe -Archive a.class /verify v.class -SEARCHCRITERIA vendor=sun -log l.txt "
       L"/NoSearch -silent -LOGALL",
       L"jvm=x.exe|archive=a.class|verify=v.class|log=l.txt|criteria=vendor=sun|-searchcriteria|"
       L"-nosearch|-log|-silent|-logall"},
      // A name must be followed by a blank or the end: no option, and not -D.
      {L"-jvm=x.exe -silent\tx -log\"a\" -logallx", L""},
      {L"-logall", L"-logall"},  // not -log followed by more letters
      // A value may follow switches, -D options and unknown options.
      {L"-jvm -silent D:\\j\\java.exe", L"jvm=D:\\j\\java.exe|-silent"},
      {L"-verify -Dx=1 -unknown v.class", L"verify=v.class|java=-Dx=1 "},
      // A second value option steals the pending target.
      {L"-jvm -archive x", L"archive=x"},
      // Stray values are dropped; a later value replaces an earlier one.
      {L"stray -jvm a.exe more -jvm b.exe", L"jvm=b.exe"},
      {L"-log", L"-log"},
      // A switch without its value; a later plain token is still the log path.
      {L"-log -silent later.txt", L"log=later.txt|-log|-silent"},
      {L"-searchcriteria", L"-searchcriteria"},
      // -D options in order, each followed by a blank.
      {L"-Dfoo=1 -dbar=2 /Dbaz", L"java=-Dfoo=1 -dbar=2 "},
      // Either quote closes either; cleaning takes one double quote from each end.
      {L"-archive \"C:\\Program Files\\a.class\" -silent",
       L"archive=C:\\Program Files\\a.class|-silent"},
      {L"-archive 'C:\\Program Files\\a.class'", L"archive='C:\\Program Files\\a.class'"},
      {L"-jvm \"C:\\My Java' -silent", L"jvm=C:\\My Java'|-silent"},
      {L"-Dname=\"a b\"", L"java=-Dname=\"a b\" "},
      {L"-jvm a\tb.exe", L"jvm=a\tb.exe"},
      {L"-verify \"\t\"\"v.class\"\"\n\"", L"verify=\t\"\"v.class\"\"\n"},
      {L"-verify \"\"v.class\t", L"verify=\"v.class"},
      {L"-log \"\"", L"-log"},
      {L"-searchcriteria \"vendor=ibm\"", L"criteria=vendor=ibm|-searchcriteria"},
  };
  for (const auto& [text, expected] : rows)
    EXPECT_EQ(Describe(ParseCommandLine(text)), expected) << text;
}

TEST(ParseCommandLine, KeepsSixtyFourDashDOptionsAndDropsTheRest) {
  std::wstring text, expected;
  for (int i = 0; i < 70; ++i) {
    std::wstring option = L"-Dp" + std::to_wstring(i) + L"=v";
    text += option + L" ";
    if (i < static_cast<int>(kMaxJavaOptions)) expected += option + L" ";
  }
  text += L"-jvm x.exe";
  LauncherOptions options = ParseCommandLine(text);
  EXPECT_EQ(options.javaOptions, expected);
  EXPECT_EQ(options.jvm, PathString(L"x.exe"));  // parsing goes on after the limit
}

}  // namespace
}  // namespace carafe
