// Parsing and grouping of the criteria text, and the rule a JVM must meet.
#include "discovery/search_criteria.h"

#include <gtest/gtest.h>

namespace carafe {
namespace {

std::string Fields(const CriteriaEntry& entry) {
  return entry.vendor + "|" + entry.version + "|" + entry.type;
}

std::vector<std::string> AllFields(const std::vector<CriteriaEntry>& entries) {
  std::vector<std::string> fields;
  for (const CriteriaEntry& entry : entries) fields.push_back(Fields(entry));
  return fields;
}

TEST(CriteriaEntryParse, ReadsEachKeyVerbatimAndRejectsThePieceAtAnyUnknownKey) {
  const std::pair<const char*, const char*> rows[] = {
      {"vendor=sun:type=jre:version=1.2", "sun|1.2|jre"},
      {"vendor=ibm:version=1.3", "ibm|1.3|"},
      {"vendor = sun", " sun||"},  // blanks around "=" belong to the value
      {"   vendor=sun:version=1.1   ", "sun|1.1|"},  // only the piece's outer blanks go
      // A key without "=" takes the whole piece.
      {"type=jre:vendor", "type=jre:vendor||jre"},
      // The key is matched on its first bytes only; "=" is looked for after it.
      {"versionX=1.2", "|1.2|"},
      {"Vendor=sun", nullptr},
      {"vendor=sun:foo=1", nullptr},
      {"vendor=sun: type=jre", nullptr},
      {"foo=1", nullptr},
      {"=sun", nullptr},
  };
  for (const auto& [piece, fields] : rows) {
    CriteriaEntry entry;
    ASSERT_EQ(ParseCriteriaEntry(piece, entry), fields != nullptr) << piece;
    if (fields) {
      EXPECT_EQ(Fields(entry), fields) << piece;
    }
  }
}

TEST(CriteriaParse, SeesEveryPieceIncludingEmptyOnes) {
  using Strings = std::vector<std::string>;
  EXPECT_EQ(AllFields(ParseCriteria("vendor=sun;;vendor=ibm")), (Strings{"sun||", "||", "ibm||"}));
  EXPECT_EQ(AllFields(ParseCriteria("")), Strings{"||"});
  EXPECT_EQ(AllFields(ParseCriteria("foo=1;vendor=ibm;bar")), Strings{"ibm||"});
}

using Groups = std::vector<std::vector<std::string>>;

Groups Grouped(const std::string& text) {
  Groups groups;
  for (const CriteriaGroup& group : GroupCriteria(ParseCriteria(text)))
    groups.push_back(AllFields(group));
  return groups;
}

TEST(CriteriaGroups, OnlyTheFirstMicrosoftEntryOfTheProcessIsKeptAndCutsTheGroups) {
  ResetJviewCounterForTesting();
  // "Microsoft" is not the jview vendor word: no cut.
  EXPECT_EQ(Grouped("vendor=Microsoft;vendor=sun"), (Groups{{"Microsoft||", "sun||"}}));
  EXPECT_EQ(Grouped("vendor=microsoft:type=jview"), (Groups{{}, {"microsoft||jview"}}));
  // Later ones, in this search or the next, are dropped but still cut.
  EXPECT_EQ(Grouped("vendor=sun;vendor=microsoft;vendor=ibm;version=1.3"),
            (Groups{{"sun||"}, {"ibm||", "|1.3|"}}));
  EXPECT_EQ(Grouped("vendor=microsoft:type=jview"), (Groups{{}}));
  EXPECT_TRUE(Grouped("foo=1").empty());
  ResetJviewCounterForTesting();
}

TEST(CriteriaMatch, VersionAndVendorAreSubstringsAndAPassFillsOnlyEmptyFields) {
  const struct {
    const char *entryVendor, *entryVersion, *vendor, *version, *after;  // after: null if it fails
  } cases[] = {
      {"sun", "1.3", "sun", "1.3.0", "sun|1.3|jre"},  {"sun", "1.3.0", "sun", "1.3", nullptr},
      {"sun", "1.2", "sun", "1.1.2", "sun|1.2|jre"},  {"sun", "1.2", "sun", "1.3", nullptr},
      {"", "1.1.4", "ibm", "1.1.4", "ibm|1.1.4|jre"}, {"", "1.1.4", "ibm", "1.1.8", nullptr},
      {"sun", "", "ibm", "1.2", nullptr},             {" sun", "", "sun", "1.2", nullptr},
      {"", "", "http://x/", "1.2", "http://x/|1.2|jre"},
      {"example", "", "http://example.org/", "1", "example|1|jre"},
      {"", "", "sun", "", nullptr},                   {"", "", "", "1.2", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.entryVendor) + "/" + c.entryVersion + " vs " + c.vendor);
    CriteriaEntry entry;
    entry.vendor = c.entryVendor;
    entry.version = c.entryVersion;
    entry.type = "jre";  // never compared
    JvmRecord record;
    record.set_bin("C:\\jdk\\bin\\java.exe");
    record.set_vendor(c.vendor);
    record.set_version(c.version);
    EXPECT_EQ(entry.Accept(record), c.after != nullptr);
    EXPECT_EQ(entry.matched, c.after != nullptr);
    std::string unchanged = std::string(c.entryVendor) + "|" + c.entryVersion + "|jre";
    EXPECT_EQ(Fields(entry), c.after ? c.after : unchanged);
    EXPECT_EQ(entry.matchedBin, c.after ? "C:\\jdk\\bin\\java.exe" : "");
  }
}

}  // namespace
}  // namespace carafe
