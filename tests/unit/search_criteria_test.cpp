// Parsing and grouping of the criteria text, and the rule a JVM must meet.
#include "discovery/search_criteria.h"

#include <gtest/gtest.h>

namespace carafe {
namespace {

constexpr const char* kContainerCriteria =
    "vendor=sun:type=jre:version=1.2;vendor=sun:type=jre:version=1.1;vendor=sun:type=jre:"
    "version=1.3;vendor=sun:type=jdk:version=1.2;vendor=sun:type=jdk:version=1.1;vendor=sun:"
    "type=jdk:version=1.3;vendor=ibm:version=1.2;vendor=ibm:version=1.1;vendor=ibm:version=1.3;"
    "vendor=microsoft:type=jview:version=1.1.4";

// "vendor|version|type" of an entry, for compact expectations.
std::string Fields(const CriteriaEntry& entry) {
  return entry.vendor + "|" + entry.version + "|" + entry.type;
}

std::vector<std::string> AllFields(const std::vector<CriteriaEntry>& entries) {
  std::vector<std::string> fields;
  for (const CriteriaEntry& entry : entries) fields.push_back(Fields(entry));
  return fields;
}

JvmRecord Reporting(const std::string& vendor, const std::string& version,
                    const std::string& bin = "C:\\jdk\\bin\\java.exe") {
  JvmRecord record;
  record.set_bin(bin);
  record.set_vendor(vendor);
  record.set_version(version);
  return record;
}

TEST(CriteriaEntryParse, ReadsEachKeyVerbatimAndRejectsThePieceAtAnyUnknownKey) {
  const std::pair<const char*, const char*> rows[] = {
      {"vendor=sun:type=jre:version=1.2", "sun|1.2|jre"},
      {"vendor=ibm:version=1.3", "ibm|1.3|"},
      {"vendor = sun", " sun||"},  // blanks around "=" belong to the value
      {"type=jre:type=jdk", "||jdk"},
      {"   vendor=sun:version=1.1   ", "sun|1.1|"},  // only the piece's outer blanks go
      // A key without "=" takes the whole piece.
      {"type=jre:vendor", "type=jre:vendor||jre"},
      // The key is matched on its first bytes only; "=" is looked for after it.
      {"versionX=1.2", "|1.2|"},
      {"Vendor=sun", nullptr},
      {"vendor=sun:foo=1", nullptr},
      {"vendor=sun: type=jre", nullptr},
      {"\tvendor=sun", nullptr},
      {"foo=1", nullptr},
      {"=sun", nullptr},
  };
  for (const auto& [piece, fields] : rows) {
    CriteriaEntry entry;
    ASSERT_EQ(ParseCriteriaEntry(piece, entry), fields != nullptr) << piece;
    if (!fields) continue;
    EXPECT_EQ(Fields(entry), fields) << piece;
    EXPECT_FALSE(entry.matched);
    EXPECT_EQ(entry.matchedBin, "");
  }
}

TEST(CriteriaParse, SeesEveryPieceIncludingEmptyOnes) {
  EXPECT_EQ(AllFields(ParseCriteria("vendor=sun;;vendor=ibm")),
            (std::vector<std::string>{"sun||", "||", "ibm||"}));
  EXPECT_EQ(AllFields(ParseCriteria("vendor=sun;")), (std::vector<std::string>{"sun||", "||"}));
  EXPECT_EQ(AllFields(ParseCriteria("")), (std::vector<std::string>{"||"}));
  EXPECT_TRUE(ParseCriteria("foo=1").empty());
  EXPECT_EQ(AllFields(ParseCriteria("foo=1;vendor=ibm;bar")), (std::vector<std::string>{"ibm||"}));
}

TEST(CriteriaParse, BlanksAfterSemicolonsParseLikeNone) {
  std::string spaced = kContainerCriteria;
  for (std::size_t at = spaced.find(';'); at != std::string::npos; at = spaced.find(';', at + 2))
    spaced.insert(at + 1, " ");
  std::vector<std::string> plain = AllFields(ParseCriteria(kContainerCriteria));
  EXPECT_EQ(AllFields(ParseCriteria(spaced)), plain);
  ASSERT_EQ(plain.size(), 10u);
  EXPECT_EQ(plain[0], "sun|1.2|jre");
  EXPECT_EQ(plain[6], "ibm|1.2|");
  EXPECT_EQ(plain[9], "microsoft|1.1.4|jview");
}

class CriteriaGroups : public ::testing::Test {
 protected:
  void SetUp() override { ResetJviewCounterForTesting(); }
  void TearDown() override { ResetJviewCounterForTesting(); }
  static std::vector<std::vector<std::string>> Grouped(const std::string& text) {
    std::vector<std::vector<std::string>> groups;
    for (const CriteriaGroup& group : GroupCriteria(ParseCriteria(text)))
      groups.push_back(AllFields(group));
    return groups;
  }
};

TEST_F(CriteriaGroups, ContainerCriteriaGiveSunAndIbmThenMicrosoft) {
  auto groups = Grouped(kContainerCriteria);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].size(), 9u);
  EXPECT_EQ(groups[1], (std::vector<std::string>{"microsoft|1.1.4|jview"}));
}

TEST_F(CriteriaGroups, OnlyTheFirstMicrosoftEntryOfTheProcessIsKept) {
  using Groups = std::vector<std::vector<std::string>>;
  // The second "microsoft" entry is dropped but still cuts the group.
  EXPECT_EQ(Grouped("vendor=sun;vendor=microsoft;vendor=ibm;vendor=microsoft:version=2;"
                    "version=1.3"),
            (Groups{{"sun||"}, {"microsoft||", "ibm||"}, {"|1.3|"}}));
  // A later search of the same run keeps none, yet its empty group stays.
  EXPECT_EQ(Grouped("vendor=microsoft:type=jview"), (Groups{{}}));
  EXPECT_EQ(Grouped("vendor=sun;vendor=microsoft"), (Groups{{"sun||"}}));
}

TEST_F(CriteriaGroups, LeadingMicrosoftEntryLeavesAnEmptyFirstGroup) {
  using Groups = std::vector<std::vector<std::string>>;
  EXPECT_EQ(Grouped("vendor=microsoft:type=jview"), (Groups{{}, {"microsoft||jview"}}));
  // "Microsoft" is not the jview vendor word: no cut.
  ResetJviewCounterForTesting();
  EXPECT_EQ(Grouped("vendor=Microsoft;vendor=sun"), (Groups{{"Microsoft||", "sun||"}}));
  EXPECT_TRUE(Grouped("foo=1").empty());
}

TEST(CriteriaMatch, VersionAndVendorAreSubstringsNotPrefixes) {
  struct Case {
    const char* entryVendor;
    const char* entryVersion;
    const char* vendor;
    const char* version;
    bool passes;
  } cases[] = {
      {"sun", "1.3", "sun", "1.3.0", true}, {"sun", "1.3.0", "sun", "1.3", false},
      {"sun", "1.2", "sun", "1.1.2", true}, {"sun", "1.2", "sun", "1.3", false},
      {"", "1.1.4", "ibm", "1.1.4", true},  {"", "1.1.4", "ibm", "1.1.8", false},
      {"sun", "", "ibm", "1.2", false},     {" sun", "", "sun", "1.2", false},
      {"", "", "http://x/", "1.2", true},   {"example", "", "http://example.org/", "1", true},
      {"", "", "sun", "", false},           {"", "", "", "1.2", false},
  };
  for (const Case& c : cases) {
    CriteriaEntry entry;
    entry.vendor = c.entryVendor;
    entry.version = c.entryVersion;
    EXPECT_EQ(entry.Accept(Reporting(c.vendor, c.version)), c.passes)
        << c.entryVendor << "/" << c.entryVersion << " vs " << c.vendor << "/" << c.version;
    EXPECT_EQ(entry.matched, c.passes);
  }
}

TEST(CriteriaMatch, PassFillsEmptyFieldsAndFailureChangesNothing) {
  CriteriaEntry any;
  any.type = "jre";
  ASSERT_TRUE(any.Accept(Reporting("ibm", "1.1.8", "C:\\ibm\\bin\\java.exe")));
  EXPECT_EQ(Fields(any), "ibm|1.1.8|jre");  // type is not compared
  EXPECT_EQ(any.matchedBin, "C:\\ibm\\bin\\java.exe");

  CriteriaEntry kept;
  kept.vendor = "su";
  kept.version = "1.2";
  ASSERT_TRUE(kept.Accept(Reporting("sun", "1.2.2")));
  EXPECT_EQ(Fields(kept), "su|1.2|");

  CriteriaEntry refused;
  refused.version = "1.4";
  EXPECT_FALSE(refused.Accept(Reporting("sun", "1.2.2")));
  EXPECT_EQ(Fields(refused), "|1.4|");
  EXPECT_EQ(refused.matchedBin, "");
  EXPECT_FALSE(refused.matched);
}

TEST(JvmRecordIdentity, SameJvmLooksAtHomeBinAndLibsOnly) {
  JvmRecord a;
  a.set_home("C:\\jdk");
  a.set_bin("C:\\jdk\\bin\\java.exe");
  a.set_libs("C:\\jdk\\lib\\classes.zip");
  JvmRecord b = a;
  b.set_vendor("sun");
  b.set_type("jre");
  b.set_version("1.2");
  EXPECT_TRUE(SameJvm(a, b));
  b.set_libs("");
  EXPECT_FALSE(SameJvm(a, b));
  JvmRecord c = a;
  c.set_bin("C:\\JDK\\bin\\java.exe");  // byte for byte, case counts
  EXPECT_FALSE(SameJvm(a, c));
  JvmRecord d = a;
  d.set_home("C:\\jdk\\");
  EXPECT_FALSE(SameJvm(a, d));
}

}  // namespace
}  // namespace carafe
