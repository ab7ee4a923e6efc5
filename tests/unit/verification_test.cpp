// Verifying candidate JVMs against a criteria entry, and the search log.
#include "discovery/search_criteria.h"
#include "launch/verify_output.h"
#include "memory_platform.h"
#include "scripted_jvm.h"
#include "string_ids.h"

namespace carafe {
namespace {

TEST(VerifyOutput, VendorComesFromTheUrlFirstWordThatOccurs) {
  EXPECT_EQ(VendorFromUrl("http://java.sun.com/"), "sun");
  EXPECT_EQ(VendorFromUrl("http://www.microsoft.com/java/"), "microsoft");
  EXPECT_EQ(VendorFromUrl("http://www.ibm.com/"), "ibm");
  EXPECT_EQ(VendorFromUrl("http://www.ibm.com/sun/"), "sun");
  EXPECT_EQ(VendorFromUrl("http://ibm.microsoft.example/"), "microsoft");
  EXPECT_EQ(VendorFromUrl("http://JAVA.SUN.COM/"), "http://JAVA.SUN.COM/");
  EXPECT_EQ(VendorFromUrl(""), "");
}

TEST(VerifyOutput, ReadsVersionAndVendorUrlTrimmedOfBlanks) {
  std::string version, vendor;
  ParseVerifyOutput(VerifyLines("1.2.2", "http://java.sun.com/"), &version, &vendor);
  EXPECT_EQ(version, "1.2.2");
  EXPECT_EQ(vendor, "sun");

  ParseVerifyOutput("java.vendor.url =   http://example.org/  \r\njava.version=  1.1  ", &version,
                    &vendor);
  EXPECT_EQ(version, "1.1");  // the last line may lack its CR LF
  EXPECT_EQ(vendor, "http://example.org/");

  // A bare LF does not end a value; tabs are not trimmed.
  ParseVerifyOutput("java.version = 1.3\njava.vendor.url = sun\r\n", &version, &vendor);
  EXPECT_EQ(version, "1.3\njava.vendor.url = sun");
  EXPECT_EQ(vendor, "sun");
  ParseVerifyOutput("java.version =\t1.3\r\n", &version, &vendor);
  EXPECT_EQ(version, "\t1.3");

  // java.vendor is not java.vendor.url.
  ParseVerifyOutput("java.vendor = Sun Microsystems Inc.\r\njava.version = 1.2\r\n", &version,
                    &vendor);
  EXPECT_EQ(vendor, "");
  ParseVerifyOutput("java.vendor.url = \r\njava.version\r\n", &version, &vendor);
  EXPECT_EQ(vendor, "");
  EXPECT_EQ(version, "");
}

class VerifyJvmTest : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    log = os.OpenFile(kLogPath, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
    SetSearchLog(log);
    record.set_bin(kBin);
    record.set_home("C:\\jdk");
  }
  void TearDown() override {
    SetSearchLog(kNoHandle);
    PlatformTest::TearDown();
  }
  void Script(const std::string& output) { os.AddProgram(kBin, PrintingJvm(output)); }
  std::string Log() const { return os.Content(kLogPath); }

  static constexpr const char* kLogPath = "C:\\TEMP\\vnlog.txt";
  static constexpr const char* kBin = "C:\\jdk\\bin\\java.exe";
  Handle log = kNoHandle;
  JvmRecord record;
  CriteriaEntry entry;
};

TEST_F(VerifyJvmTest, MatchingJvmPassesAndTheEntryRemembersIt) {
  Script(VerifyLines("1.2.2", "http://java.sun.com/"));
  entry.vendor = "sun";
  entry.version = "1.2";
  EXPECT_TRUE(entry.VerifyJvm(record, "C:\\TEMP\\Verify.class"));
  EXPECT_EQ(record.vendor(), "sun");
  EXPECT_EQ(record.version(), "1.2.2");
  EXPECT_TRUE(entry.matched);
  EXPECT_EQ(entry.matchedBin, kBin);
  EXPECT_EQ(entry.version, "1.2");
  EXPECT_EQ(os.Launches().at(0).commandLine,
            "C:\\jdk\\bin\\java.exe  -classpath \"C:\\jdk\\bin\\..\\lib\\classes.zip;C:\\TEMP\" "
            "Verify");
}

TEST_F(VerifyJvmTest, FailedCandidateKeepsWhatItReportedAndTheEntryStaysUnchanged) {
  struct Case {
    std::string output;
    std::string vendor, version;
  } cases[] = {
      {VerifyLines("1.3.0", "http://java.sun.com/"), "sun", "1.3.0"},  // version 1.2 wanted
      {VerifyLines("1.2.2", "http://JAVA.SUN.COM/"), "http://JAVA.SUN.COM/", "1.2.2"},
      {"java.home = C:\\jdk\r\njava.vendor.url = http://java.sun.com/\r\n", "sun", ""},
      {"java.version = 1.2.2\r\n", "", "1.2.2"},
  };
  for (const Case& c : cases) {
    MemoryPlatform fresh;
    SetPlatform(&fresh);
    fresh.AddProgram(kBin, PrintingJvm(c.output));
    CriteriaEntry wanted;
    wanted.vendor = "sun";
    wanted.version = "1.2";
    JvmRecord candidate = record;
    EXPECT_FALSE(wanted.VerifyJvm(candidate, "C:\\TEMP\\Verify.class")) << c.output;
    EXPECT_EQ(candidate.vendor(), c.vendor);
    EXPECT_EQ(candidate.version(), c.version);
    EXPECT_EQ(wanted.vendor, "sun");
    EXPECT_EQ(wanted.version, "1.2");
    EXPECT_FALSE(wanted.matched);
    EXPECT_EQ(wanted.matchedBin, "");
  }
  SetPlatform(&os);
}

TEST_F(VerifyJvmTest, JvmWithoutOutputFailsAndLeavesTheRecordAlone) {
  Script("");
  record.set_vendor("earlier");
  record.set_version("0.9");
  EXPECT_FALSE(entry.VerifyJvm(record, "C:\\TEMP\\Verify.class"));
  EXPECT_EQ(record.vendor(), "earlier");
  EXPECT_EQ(record.version(), "0.9");
  EXPECT_FALSE(entry.matched);
}

TEST_F(VerifyJvmTest, EmptyEntryTakesTheVendorAndVersionOfAnyJvm) {
  Script(VerifyLines("1.1.8", "http://www.ibm.com/java/"));
  SetLogAll(false);  // the summary does not depend on the log-all flag
  EXPECT_TRUE(entry.VerifyJvm(record, "C:\\TEMP\\Verify"));
  EXPECT_EQ(entry.vendor, "ibm");
  EXPECT_EQ(entry.version, "1.1.8");
  EXPECT_TRUE(entry.LogSearchSummary());
  EXPECT_EQ(Log(),
            "\r\n\tSearching a JVM that matches the criteria  (Vendor=ibm, Version=1.1.8, "
            "Type=)...C:\\jdk\\bin\\java.exe Passed");
}

TEST_F(VerifyJvmTest, OutputLongerThanOneReadIsParsedAcrossTheChunkBoundary) {
  // java.version straddles byte 1024 of the output.
  std::string padding = "java.home = " + std::string(1024 - 12 - 2 - 6, 'x') + "\r\n";
  Script(padding + "java.version = 1.3.1_02\r\njava.vendor.url = http://java.sun.com/\r\n");
  entry.version = "1.3.1";
  EXPECT_TRUE(entry.VerifyJvm(record, "C:\\TEMP\\Verify.class"));
  EXPECT_EQ(record.version(), "1.3.1_02");
}

TEST_F(VerifyJvmTest, WithLogAllEachRunIsOneLineWrittenAfterIt) {
  SetLogAll(true);
  Script(VerifyLines("1.2.2", "http://java.sun.com/"));
  entry.vendor = "sun";
  ASSERT_TRUE(entry.VerifyJvm(record, "C:\\TEMP\\Verify.class"));
  entry.vendor = "ibm";
  entry.matched = false;
  ASSERT_FALSE(entry.VerifyJvm(record, "C:\\TEMP\\Verify.class"));
  const std::string lines =
      "\r\n\tVerifying JVM  C:\\jdk\\bin\\java.exe...Passed."
      "\r\n\tVerifying JVM  C:\\jdk\\bin\\java.exe...failed.";
  EXPECT_EQ(Log(), lines);
  // A JVM that cannot be started leaves no line at all.
  JvmRecord missing;
  missing.set_bin("C:\\gone\\bin\\java.exe");
  EXPECT_FALSE(entry.VerifyJvm(missing, "C:\\TEMP\\Verify.class"));
  EXPECT_EQ(Log(), lines);
}

TEST_F(VerifyJvmTest, WithoutLogAllOnlyTheSummaryIsWritten) {
  Script(VerifyLines("1.2.2", "http://java.sun.com/"));
  EXPECT_TRUE(entry.VerifyJvm(record, "C:\\TEMP\\Verify.class"));
  entry.LogSearchStep(SearchStart, "in Registry");
  entry.LogSearchStep(NotFound, "");
  EXPECT_EQ(Log(), "");
  CriteriaEntry unmatched;
  unmatched.vendor = "sun";
  unmatched.type = "jre";
  EXPECT_FALSE(unmatched.LogSearchSummary());
  EXPECT_EQ(Log(),
            "\r\n\tSearching a JVM that matches the criteria  (Vendor=sun, Version=, "
            "Type=jre)... Not Found");
}

TEST_F(VerifyJvmTest, SearchStepLinesFollowTheirShapes) {
  SetLogAll(true);
  entry.vendor = "sun";
  entry.version = "1.2";
  entry.type = "jre";
  entry.LogSearchStep(SearchStart, "in Registry");
  entry.LogSearchStep(NotFound, "");
  entry.LogSearchStep(VerifyStart, "C:\\x\\jre.exe");
  entry.LogSearchStep(Failed, "ignored");
  entry.LogSearchStep(static_cast<SearchStep>(6), "nothing");
  entry.LogSearchStep(static_cast<SearchStep>(0), "nothing");
  EXPECT_EQ(Log(),
            "\r\n\tSearching a JVM that matches the criteria  (Vendor=sun, Version=1.2, "
            "Type=jre) in Registry...Not Found.\r\n\tVerifying JVM  C:\\x\\jre.exe...failed.");
}

TEST_F(VerifyJvmTest, NoSearchLogMeansNoLinesAndNoSummaryResult) {
  SetLogAll(true);
  entry.matched = true;
  SetSearchLog(kNoHandle);
  entry.LogSearchStep(SearchStart, "in PATH Variable");
  EXPECT_FALSE(entry.LogSearchSummary());  // false even for a matched entry
  SetSearchLog(kInvalidHandle);
  entry.LogSearchStep(Passed, "");
  EXPECT_TRUE(entry.LogSearchSummary());
  EXPECT_EQ(Log(), "");
}

TEST_F(VerifyJvmTest, LongTextsAreCutToTheLabelBuffer) {
  SetLogAll(true);
  os.SetString(IDS_NOT_FOUND, std::string(150, 'n'));
  entry.LogSearchStep(NotFound, "");
  EXPECT_EQ(Log(), std::string(99, 'n') + ".");
}

}  // namespace
}  // namespace carafe
