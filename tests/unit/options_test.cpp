#include "core/options.h"

#include <gtest/gtest.h>

namespace carafe {
namespace {

TEST(ParseCommandLine, EmptyOrBlankTextGivesNothing) {
  for (const wchar_t* text : {L"", L"    "}) {
    LauncherOptions options = ParseCommandLine(text);
    EXPECT_TRUE(options.jvm.empty() && options.archive.empty() && options.verify.empty());
    EXPECT_TRUE(options.log.empty() && options.searchCriteria.empty());
    EXPECT_TRUE(options.javaOptions.empty());
    EXPECT_FALSE(options.searchCriteriaGiven || options.noSearch || options.logGiven ||
                 options.silent || options.logAll);
  }
}

TEST(ParseCommandLine, ReadsEveryOptionWithEitherPrefixInAnyCase) {
  LauncherOptions options = ParseCommandLine(
      L"/JVM x.exe -Archive a.class /verify v.class -SEARCHCRITERIA vendor=sun -log l.txt "
      L"/NoSearch -silent -LOGALL");
  EXPECT_EQ(options.jvm, PathString(L"x.exe"));
  EXPECT_EQ(options.archive, PathString(L"a.class"));
  EXPECT_EQ(options.verify, PathString(L"v.class"));
  EXPECT_EQ(options.searchCriteria, L"vendor=sun");
  EXPECT_EQ(options.log, PathString(L"l.txt"));
  EXPECT_TRUE(options.searchCriteriaGiven && options.logGiven && options.noSearch &&
              options.silent && options.logAll);
}

TEST(ParseCommandLine, ANameMustBeFollowedByABlankOrTheEnd) {
  // -jvm=x.exe, a tab or a quote after the name: no option, and not -D.
  LauncherOptions options = ParseCommandLine(L"-jvm=x.exe -silent\tx -log\"a\" -logallx");
  EXPECT_TRUE(options.jvm.empty());
  EXPECT_FALSE(options.silent || options.logGiven || options.logAll);
  EXPECT_TRUE(options.javaOptions.empty());

  // logall is not log followed by more letters, nor log logall.
  options = ParseCommandLine(L"-logall");
  EXPECT_TRUE(options.logAll);
  EXPECT_FALSE(options.logGiven);
}

TEST(ParseCommandLine, AValueMayFollowSwitches) {
  LauncherOptions options = ParseCommandLine(L"-jvm -silent D:\\j\\java.exe");
  EXPECT_EQ(options.jvm, PathString(L"D:\\j\\java.exe"));
  EXPECT_TRUE(options.silent);

  // So may -D options and unknown options.
  options = ParseCommandLine(L"-verify -Dx=1 -unknown v.class");
  EXPECT_EQ(options.verify, PathString(L"v.class"));
  EXPECT_EQ(options.javaOptions, L"-Dx=1 ");
}

TEST(ParseCommandLine, ASecondValueOptionStealsThePendingTarget) {
  LauncherOptions options = ParseCommandLine(L"-jvm -archive x");
  EXPECT_TRUE(options.jvm.empty());
  EXPECT_EQ(options.archive, PathString(L"x"));
}

TEST(ParseCommandLine, StrayValuesAreDroppedAndALaterValueReplacesAnEarlierOne) {
  LauncherOptions options = ParseCommandLine(L"stray -jvm a.exe more -jvm b.exe");
  EXPECT_EQ(options.jvm, PathString(L"b.exe"));
}

TEST(ParseCommandLine, AValueOptionAtTheEndLeavesItsValueEmpty) {
  LauncherOptions options = ParseCommandLine(L"-silent -jvm");
  EXPECT_TRUE(options.jvm.empty());
}

TEST(ParseCommandLine, LogWithoutValueSetsTheSwitchAndALaterPlainTokenBecomesThePath) {
  LauncherOptions options = ParseCommandLine(L"-log");
  EXPECT_TRUE(options.logGiven);
  EXPECT_TRUE(options.log.empty());

  options = ParseCommandLine(L"-log -silent");
  EXPECT_TRUE(options.logGiven && options.silent);
  EXPECT_TRUE(options.log.empty());

  options = ParseCommandLine(L"-log -silent later.txt");
  EXPECT_EQ(options.log, PathString(L"later.txt"));
}

TEST(ParseCommandLine, SearchCriteriaWithoutValueSetsOnlyTheSwitch) {
  LauncherOptions options = ParseCommandLine(L"-searchcriteria");
  EXPECT_TRUE(options.searchCriteriaGiven);
  EXPECT_TRUE(options.searchCriteria.empty());
}

TEST(ParseCommandLine, CollectsDashDOptionsInOrderEachFollowedByABlank) {
  LauncherOptions options = ParseCommandLine(L"-Dfoo=1 -dbar=2 /Dbaz");
  EXPECT_EQ(options.javaOptions, L"-Dfoo=1 -dbar=2 ");
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

TEST(ParseCommandLine, QuotesGroupBlanksAndEitherQuoteClosesEither) {
  LauncherOptions options = ParseCommandLine(L"-archive \"C:\\Program Files\\a.class\" -silent");
  EXPECT_EQ(options.archive, PathString(L"C:\\Program Files\\a.class"));
  EXPECT_TRUE(options.silent);

  // Apostrophes group too, but cleaning leaves them in the value.
  options = ParseCommandLine(L"-archive 'C:\\Program Files\\a.class'");
  EXPECT_EQ(options.archive, PathString(L"'C:\\Program Files\\a.class'"));

  // An apostrophe closes what a double quote opened; only the leading double
  // quote is then removed.
  options = ParseCommandLine(L"-jvm \"C:\\My Java' -silent");
  EXPECT_EQ(options.jvm, PathString(L"C:\\My Java'"));
  EXPECT_TRUE(options.silent);

  // A -D token keeps its quotes and blanks.
  options = ParseCommandLine(L"-Dname=\"a b\"");
  EXPECT_EQ(options.javaOptions, L"-Dname=\"a b\" ");
}

TEST(ParseCommandLine, OnlyTheBlankSeparatesTokens) {
  LauncherOptions options = ParseCommandLine(L"-jvm a\tb.exe");
  EXPECT_EQ(options.jvm, PathString(L"a\tb.exe"));
}

TEST(ParseCommandLine, CleansValuesOfWhiteSpaceAndOneDoubleQuoteAtEachEnd) {
  // Tabs and newlines inside quotes reach the value and are trimmed there.
  LauncherOptions options = ParseCommandLine(L"-verify \"\t\"\"v.class\"\"\n\"");
  // Trimming finds no white space at the ends (quotes are there), then one
  // quote goes from each end.
  EXPECT_EQ(options.verify, PathString(L"\t\"\"v.class\"\"\n"));

  options = ParseCommandLine(L"-verify \"\"v.class\t");
  EXPECT_EQ(options.verify, PathString(L"\"v.class"));

  options = ParseCommandLine(L"-log \"\"");
  EXPECT_TRUE(options.logGiven);
  EXPECT_TRUE(options.log.empty());

  options = ParseCommandLine(L"-searchcriteria \"vendor=ibm\"");
  EXPECT_EQ(options.searchCriteria, L"vendor=ibm");
}

}  // namespace
}  // namespace carafe
