// Verifying candidate JVMs against a criteria entry, and the search log.
#include "discovery/search_criteria.h"
#include "launch/verify_output.h"
#include "memory_platform.h"
#include "scripted_jvm.h"

namespace carafe {
namespace {

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
  void SetUp() override {
    PlatformTest::SetUp();
    log = os.OpenFile(kLogPath, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
    SetSearchLog(&log);
    record.set_bin(kBin);
    record.set_home("C:\\jdk");
  }
  void TearDown() override {
    SetSearchLog(nullptr);
    PlatformTest::TearDown();
  }
  void Script(const std::string& output) { os.AddProgram(kBin, PrintingJvm(output)); }
  bool Verify(CriteriaEntry& wanted, JvmRecord& candidate) {
    return wanted.VerifyJvm(candidate, "C:\\TEMP\\Verify.class");
  }
  std::string Log() const { return os.Content(kLogPath); }

  static constexpr const char* kLogPath = "C:\\TEMP\\vnlog.txt";
  static constexpr const char* kBin = "C:\\jdk\\bin\\java.exe";
  File log;
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
  SetLogAll(true);
  Script(VerifyLines("1.2.2", kSunUrl));
  entry = Entry("ibm", "jre", "1.2");
  ASSERT_FALSE(Verify(entry, record));
  JvmRecord missing;  // a JVM that cannot be started leaves no line at all
  missing.set_bin("C:\\gone\\bin\\java.exe");
  EXPECT_FALSE(Verify(entry, missing));
  entry.LogSearchStep(SearchStart, "in Registry");
  entry.LogSearchStep(NotFound, "");
  entry.LogSearchStep(static_cast<SearchStep>(6), "nothing");
  entry.LogSearchStep(VerifyStart, "C:\\x\\jre.exe");
  entry.LogSearchStep(Passed, "ignored");
  EXPECT_EQ(Log(),
            "\r\n\tVerifying JVM  C:\\jdk\\bin\\java.exe...failed."
            "\r\n\tSearching a JVM that matches the criteria  (Vendor=ibm, Version=1.2, "
            "Type=jre) in Registry...Not Found.\r\n\tVerifying JVM  C:\\x\\jre.exe...Passed.");
}

TEST_F(VerifyJvmTest, WithoutLogAllOnlyTheSummaryIsWritten) {
  Script(VerifyLines("1.1.8", "http://www.ibm.com/java/"));
  EXPECT_TRUE(entry.VerifyJvm(record, "C:\\TEMP\\Verify"));  // an empty entry takes any JVM
  EXPECT_EQ(entry.vendor, "ibm");
  EXPECT_EQ(entry.version, "1.1.8");
  entry.LogSearchStep(SearchStart, "in Registry");
  EXPECT_EQ(Log(), "");
  CriteriaEntry unmatched = Entry("sun", "jre", "");
  EXPECT_TRUE(entry.LogSearchSummary());
  EXPECT_FALSE(unmatched.LogSearchSummary());
  EXPECT_EQ(Log(),
            "\r\n\tSearching a JVM that matches the criteria  (Vendor=ibm, Version=1.1.8, "
            "Type=)...C:\\jdk\\bin\\java.exe Passed"
            "\r\n\tSearching a JVM that matches the criteria  (Vendor=sun, Version=, "
            "Type=jre)... Not Found");
}

}  // namespace
}  // namespace carafe
