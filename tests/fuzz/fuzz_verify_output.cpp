// What a candidate JVM prints when it runs the verify class: read back
// through the pipe by VerifyJvm, judged against two entries, and logged.
#include <cstddef>
#include <cstdint>

#include "discovery/jvm_record.h"
#include "discovery/search_criteria.h"
#include "fuzz_system.h"
#include "scripted_jvm.h"

using namespace carafe;
using namespace carafe::fuzzing;

namespace {

constexpr const char* kBin = "C:\\jdk\\bin\\java.exe";
constexpr const char* kVerifyClass = "C:\\TEMP\\Verify.class";

bool Blank(char c) { return c == ' '; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzSystem system;
  const std::string output = Text(data, size);
  system.os.AddProgram(kBin, PrintingJvm(output));
  system.os.AddFile(kVerifyClass, "\xCA\xFE\xBA\xBE");
  Handle log = system.OpenLog();
  SetSearchLog(&log);

  // An entry that asks for nothing passes any JVM that names both.
  {
    JvmRecord record;
    record.set_bin(kBin);
    record.set_home("C:\\jdk");
    CriteriaEntry any;
    bool passed = any.VerifyJvm(record, kVerifyClass);
    FUZZ_CHECK(passed == (!record.vendor().empty() && !record.version().empty()));
    for (const std::string* value : {&record.vendor(), &record.version()}) {
      if (value->empty()) continue;
      FUZZ_CHECK(!Blank(value->front()) && !Blank(value->back()));
    }
    if (passed) {
      FUZZ_CHECK(any.matched && any.matchedBin == kBin);
      FUZZ_CHECK(any.vendor == record.vendor() && any.version == record.version());
    }
    FUZZ_CHECK(any.LogSearchSummary() == passed);
  }
  // A particular requirement passes only what contains it.
  {
    JvmRecord record;
    record.set_bin(kBin);
    CriteriaEntry sun;
    sun.vendor = "sun";
    sun.version = "1.2";
    bool passed = sun.VerifyJvm(record, kVerifyClass);
    FUZZ_CHECK(passed ==
               (record.vendor() == "sun" && record.version().find("1.2") != std::string::npos));
    FUZZ_CHECK(sun.vendor == "sun" && sun.version == "1.2");
    sun.LogSearchSummary();
  }
  SetSearchLog(nullptr);
  system.os.CloseHandle(log);
  return 0;
}
