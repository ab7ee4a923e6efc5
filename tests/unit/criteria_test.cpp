// The criteria text (parsing, grouping, the match rule), what the verify
// class prints, and verifying a candidate JVM with its search-log lines.
#include <gtest/gtest.h>

#include "discovery/search_criteria.h"
#include "discovery/search_log.h"
#include "launch/verify_output.h"
#include "memory_platform.h"
#include "scripted_jvm.h"

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
      {"vendor = sun", " sun||"},                    // blanks around "=" belong to the value
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

Groups Grouped(const std::string& text, int* jviewEntriesSeen) {
  Groups groups;
  for (const CriteriaGroup& group : GroupCriteria(ParseCriteria(text), jviewEntriesSeen))
    groups.push_back(AllFields(group));
  return groups;
}

TEST(CriteriaGroups, OnlyTheFirstMicrosoftEntryOfTheRunIsKeptAndCutsTheGroups) {
  int seen = 0;
  // "Microsoft" is not the jview vendor word: no cut.
  EXPECT_EQ(Grouped("vendor=Microsoft;vendor=sun", &seen), (Groups{{"Microsoft||", "sun||"}}));
  EXPECT_EQ(Grouped("vendor=microsoft:type=jview", &seen), (Groups{{}, {"microsoft||jview"}}));
  // Later ones, in this search or the next, are dropped but still cut.
  EXPECT_EQ(Grouped("vendor=sun;vendor=microsoft;vendor=ibm;version=1.3", &seen),
            (Groups{{"sun||"}, {"ibm||", "|1.3|"}}));
  EXPECT_EQ(Grouped("vendor=microsoft:type=jview", &seen), (Groups{{}}));
  EXPECT_EQ(seen, 3);
  EXPECT_TRUE(Grouped("foo=1", &seen).empty());
}

TEST(CriteriaMatch, VersionAndVendorAreSubstringsAndAPassFillsOnlyEmptyFields) {
  const struct {
    const char *entryVendor, *entryVersion, *vendor, *version, *after;  // after: null if it fails
  } cases[] = {
      {"sun", "1.3", "sun", "1.3.0", "sun|1.3|jre"},
      {"sun", "1.3.0", "sun", "1.3", nullptr},
      {"sun", "1.2", "sun", "1.1.2", "sun|1.2|jre"},
      {"sun", "1.2", "sun", "1.3", nullptr},
      {"", "1.1.4", "ibm", "1.1.4", "ibm|1.1.4|jre"},
      {"", "1.1.4", "ibm", "1.1.8", nullptr},
      {"sun", "", "ibm", "1.2", nullptr},
      {" sun", "", "sun", "1.2", nullptr},
      {"", "", "http://x/", "1.2", "http://x/|1.2|jre"},
      {"example", "", "http://example.org/", "1", "example|1|jre"},
      {"", "", "sun", "", nullptr},
      {"", "", "", "1.2", nullptr},
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

const char* const kSunUrl = "http://java.sun.com/";

TEST(VerifyOutput, VendorComesFromTheUrlFirstWordThatOccurs) {
  EXPECT_EQ(VendorFromUrl("http://java.sun.com/"), "sun");
  EXPECT_EQ(VendorFromUrl("http://www.ibm.com/sun/"), "sun");
  EXPECT_EQ(VendorFromUrl("http://ibm.microsoft.example/"), "microsoft");
  EXPECT_EQ(VendorFromUrl("http://www.ibm.com/"), "ibm");
  EXPECT_EQ(VendorFromUrl("http://JAVA.SUN.COM/"), "http://JAVA.SUN.COM/");
}

TEST(VerifyOutput, ReadsVersionAndVendorUrlTrimmedOfBlanks) {
  struct Case {
    std::string output, version, vendor;
  };
  for (const Case& c : {
           // The last line may lack its CR LF.
           Case{"java.vendor.url =   http://example.org/  \r\njava.version=  1.1  ", "1.1",
                "http://example.org/"},
           // java.vendor is not java.vendor.url.
           Case{"java.vendor = Sun Microsystems Inc.\r\njava.version = 1.2\r\n", "1.2", ""},
       }) {
    std::string version = "stale", vendor = "stale";
    ParseVerifyOutput(c.output, &version, &vendor);
    EXPECT_EQ(version, c.version) << c.output;
    EXPECT_EQ(vendor, c.vendor) << c.output;
  }
}

class VerifyJvmTest : public PlatformTest {
 protected:
  VerifyJvmTest() {
    record.set_bin(kBin);
    record.set_home("C:\\jdk");
  }
  void Script(const std::string& output) { os.AddProgram(kBin, PrintingJvm(output)); }
  bool Verify(CriteriaEntry& wanted, JvmRecord& candidate) {
    return VerifyJvm(wanted, candidate, "C:\\TEMP\\Verify.class", searchLog);
  }
  std::string Log() const { return os.Content(kLogPath); }

  static constexpr const char* kLogPath = "C:\\TEMP\\vnlog.txt";
  static constexpr const char* kBin = "C:\\jdk\\bin\\java.exe";
  File log =
      os.OpenFile(kLogPath, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
  SearchLog searchLog{&log, false};
  JvmRecord record;
  CriteriaEntry entry;
};

TEST_F(VerifyJvmTest, FailedCandidateKeepsWhatItReportedAndTheEntryStaysUnchanged) {
  struct Case {
    std::string output, vendor, version;
  };
  for (const Case& c : {
           Case{VerifyLines("1.3.0", kSunUrl), "sun", "1.3.0"},  // version 1.2 wanted
           Case{VerifyLines("1.2.2", "http://JAVA.SUN.COM/"), "http://JAVA.SUN.COM/", "1.2.2"},
           Case{"java.home = C:\\jdk\r\njava.vendor.url = http://java.sun.com/\r\n", "sun", ""},
           Case{"java.version = 1.2.2\r\n", "", "1.2.2"},
           Case{"", "earlier", "0.9"},  // no output (stderr only): the record stays as it was
       }) {
    Script(c.output);
    CriteriaEntry wanted = Entry("sun", "", "1.2");
    JvmRecord candidate = record;
    candidate.set_vendor("earlier");
    candidate.set_version("0.9");
    EXPECT_FALSE(Verify(wanted, candidate)) << c.output;
    EXPECT_EQ(candidate.vendor(), c.vendor);
    EXPECT_EQ(candidate.version(), c.version);
    EXPECT_EQ(wanted.vendor, "sun");
    EXPECT_EQ(wanted.version, "1.2");
    EXPECT_FALSE(wanted.matched);
    EXPECT_EQ(wanted.matchedBin, "");
  }
}

TEST_F(VerifyJvmTest, OutputLongerThanOneReadIsParsedAcrossTheChunkBoundary) {
  // java.version straddles byte 1024 of the output.
  std::string padding = "java.home = " + std::string(1024 - 12 - 2 - 6, 'x') + "\r\n";
  Script(padding + "java.version = 1.3.1_02\r\njava.vendor.url = http://java.sun.com/\r\n");
  entry = Entry("sun", "", "1.3.1");
  EXPECT_TRUE(Verify(entry, record));
  EXPECT_EQ(record.version(), "1.3.1_02");
  EXPECT_EQ(record.vendor(), "sun");
  EXPECT_TRUE(entry.matched);
  EXPECT_EQ(entry.matchedBin, kBin);
  EXPECT_EQ(entry.version, "1.3.1");  // a particular requirement stays as it was
}

TEST_F(VerifyJvmTest, WithLogAllEachRunAndStepIsOneLine) {
  searchLog.all = true;
  Script(VerifyLines("1.2.2", kSunUrl));
  entry = Entry("ibm", "jre", "1.2");
  ASSERT_FALSE(Verify(entry, record));
  JvmRecord missing;  // a JVM that cannot be started leaves no line at all
  missing.set_bin("C:\\gone\\bin\\java.exe");
  EXPECT_FALSE(Verify(entry, missing));
  LogSearchStep(searchLog, entry, SearchStep::Start, "in Registry");
  LogSearchStep(searchLog, entry, SearchStep::NotFound, "");
  LogSearchStep(searchLog, entry, SearchStep::Verify, "C:\\x\\jre.exe");
  LogSearchStep(searchLog, entry, SearchStep::Passed, "ignored");
  EXPECT_EQ(Log(),
            "\r\n\tVerifying JVM  C:\\jdk\\bin\\java.exe...failed."
            "\r\n\tSearching a JVM that matches the criteria  (Vendor=ibm, Version=1.2, "
            "Type=jre) in Registry...Not Found.\r\n\tVerifying JVM  C:\\x\\jre.exe...Passed.");
}

TEST_F(VerifyJvmTest, WithoutLogAllOnlyTheSummaryIsWritten) {
  Script(VerifyLines("1.1.8", "http://www.ibm.com/java/"));
  // An empty entry takes any JVM; the class may be named without its suffix.
  EXPECT_TRUE(VerifyJvm(entry, record, "C:\\TEMP\\Verify", searchLog));
  EXPECT_EQ(entry.vendor, "ibm");
  EXPECT_EQ(entry.version, "1.1.8");
  LogSearchStep(searchLog, entry, SearchStep::Start, "in Registry");
  EXPECT_EQ(Log(), "");
  CriteriaEntry unmatched = Entry("sun", "jre", "");
  EXPECT_TRUE(LogSearchSummary(searchLog, entry));
  EXPECT_FALSE(LogSearchSummary(searchLog, unmatched));
  EXPECT_FALSE(LogSearchSummary(SearchLog{}, entry));  // no log: no summary
  EXPECT_EQ(Log(),
            "\r\n\tSearching a JVM that matches the criteria  (Vendor=ibm, Version=1.1.8, "
            "Type=)...C:\\jdk\\bin\\java.exe Passed"
            "\r\n\tSearching a JVM that matches the criteria  (Vendor=sun, Version=, "
            "Type=jre)... Not Found");
}

}  // namespace
}  // namespace carafe
