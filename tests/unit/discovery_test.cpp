// Finding a JVM: the criteria, what the verify class prints, the order of the
// search, its bounds, the walk of the fixed drives and the launcher's step.
#include <pthread.h>

#include <algorithm>

#include "discovery/drive_walk.h"
#include "discovery/jvm_search.h"
#include "discovery/search_locations.h"
#include "launch/verify_output.h"
#include "launcher_fixture.h"
#include "scripted_jvm.h"

namespace carafe {
namespace {

using Strings = std::vector<std::string>;
const std::string kJre = "Software\\JavaSoft\\Java Runtime Environment\\";
const std::string kJdk = "Software\\JavaSoft\\Java Development Kit\\";
const std::string kIbmJre = "Software\\IBM\\IBM Runtime Environment, Java(TM) Tech. Edition\\";
const std::string kIbmJdk = "Software\\IBM\\IBM Developer Kit, Java(TM) Tech. Edition\\";

std::string Fields(const std::vector<CriteriaEntry>& entries) {
  std::string out;
  for (const CriteriaEntry& e : entries) out += e.vendor + "|" + e.version + "|" + e.type + ";";
  return out;
}

TEST(Criteria, ParseAndMatchByTheirRules) {
  const std::pair<const char*, const char*> rows[] = {
      {"vendor=sun:type=jre:version=1.2;;vendor = ibm", "sun|1.2|jre;||; ibm||;"},
      {"   vendor=sun:version=1.1   ;type=jre:vendor", "sun|1.1|;type=jre:vendor||jre;"},
      {"versionX=1.2;Vendor=sun;vendor=sun:foo=1;vendor=a: type=b;=sun", "|1.2|;"},
  };
  for (const auto& [text, fields] : rows) EXPECT_EQ(Fields(ParseCriteria(text)), fields) << text;
  // clang-format off
  const struct {
    const char *vendor, *version, *recordVendor, *recordVersion, *after;
  } matches[] = {
      {"sun", "1.3", "sun", "1.3.0", "sun|1.3|jre;"}, {"sun", "1.3.0", "sun", "1.3", nullptr},
      {"", "1.1.4", "ibm", "1.1.4", "ibm|1.1.4|jre;"}, {"sun", "", "ibm", "1.2", nullptr},
      {" sun", "", "sun", "1.2", nullptr}, {"exa", "", "http://exa/", "1", "exa|1|jre;"},
      {"", "", "sun", "", nullptr}, {"", "", "", "1.2", nullptr}};
  // clang-format on
  for (const auto& m : matches) {
    CriteriaEntry entry = Entry(m.vendor, "jre", m.version);
    JvmRecord record;
    record.set_bin("C:\\j.exe");
    record.set_vendor(m.recordVendor);
    record.set_version(m.recordVersion);
    EXPECT_EQ(entry.Accept(record), m.after != nullptr) << m.recordVendor << m.recordVersion;
    EXPECT_EQ(
        Fields({entry}) + entry.matchedBin,
        m.after ? m.after + std::string("C:\\j.exe") : Fields({Entry(m.vendor, "jre", m.version)}));
  }
}

TEST(VerifyOutput, VendorAndVersionComeFromTheirLinesTrimmed) {
  const char* rows[][3] = {
      {"java.vendor.url =   http://www.ibm.com/sun/  \r\njava.version=  1.1  ", "1.1", "sun"},
      {"java.vendor.url = http://ibm.microsoft.x/\r\njava.version = 1\n2\r\n", "1\n2", "microsoft"},
      {"java.vendor.url = http://JAVA.SUN.COM/\r\n", "", "http://JAVA.SUN.COM/"},
      {"java.vendor = Sun Inc.\r\njava.version = 1.2\r\n", "1.2", ""},
  };
  for (const auto& row : rows) {
    std::string version = "stale", vendor = "stale";
    ParseVerifyOutput(row[0], &version, &vendor);
    EXPECT_EQ(version + "|" + vendor, std::string(row[1]) + "|" + row[2]) << row[0];
  }
}

class SearchTest : public PlatformTest {
 protected:
  void InstallJvm(const std::string& path, const std::string& version,
                  const std::string& url = "http://java.sun.com/") {
    os.AddProgram(path, PrintingJvm(VerifyLines(version, url)));
  }
  // The programs a search ran, in order.
  Strings Runs() const {
    Strings runs;
    for (const std::string& line : os.Journal("process ")) {
      const std::string command = line.substr(8);
      runs.push_back(command[0] == '"' ? command.substr(1, command.find('"', 1) - 1)
                                       : command.substr(0, command.find(' ')));
    }
    return runs;
  }
  SearchTest() {
    TagTexts(os);
    search.verifyClassPath = "C:\\TEMP\\Verify.class";
    search.log = {&log, false};
  }
  bool Quick(CriteriaEntry entry) { return SearchEntry(search, entry, results, SearchPass::Quick); }
  std::string Log() const { return os.Content("C:\\TEMP\\vnlog.txt"); }
  File log = os.OpenFile("C:\\TEMP\\vnlog.txt", FileAccess::Write, FileShare::None,
                         FileDisposition::CreateAlways);
  SearchSession session{{&log, false}};
  SearchState search;
  std::vector<JvmRecord> results;
};

TEST_F(SearchTest, CandidatesComeLocationByLocationEntryByEntryThenFromTheWalksThenJview) {
  os.SetDriveType("D:\\", kDriveFixed);
  os.SetDriveType("E:\\", kDriveCdrom);  // neither it nor the network drive N: is walked
  os.SetDriveType("N:\\", kDriveRemote);
  os.SetEnv("PATH", "N:\\folders;N:\\tools");
  os.AddFolder("N:\\folders\\jre.exe");  // on PATH a folder is no candidate
  os.SetRegistryValue(kJre + "1.2", "JavaHome", "N:\\jre-own");
  os.SetRegistryValue(kJre + "1.2", "JavaHome", "N:\\jre-other", RegistryView::Other);
  os.SetRegistryValue(kJdk + "1.2", "JavaHome", "N:\\jdk");
  os.SetRegistryValue(kJdk + "1.1", "JavaHome", "N:\\jdk");
  // Each JVM reports a version no sun entry accepts, so every one is tried; jview passes.
  for (const char* jvm :
       {"N:\\jre-own\\bin\\jre.exe", "N:\\jre-other\\bin\\java.exe", "N:\\tools\\jre.exe",
        "N:\\tools\\java.exe", "N:\\jdk\\bin\\java.exe", "E:\\bin\\jre.exe",
        "C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe", "C:\\JDK1.2\\bin\\java.exe",
        "D:\\old\\bin\\jre.exe", "D:\\old\\bin\\java.exe"})
    InstallJvm(jvm, "1.0.2");
  InstallJvm("C:\\WINDOWS\\SYSTEM32\\jview.exe", "1.1.4", "http://www.microsoft.com/");
  JvmRecord found = FindJvm(
      "vendor=sun:type=jre:version=1.2;vendor=sun:type=jdk:version=1.2;"
      "vendor=microsoft:type=jview:version=1.1.4",
      "C:\\TEMP\\Verify.class", session);
  EXPECT_EQ(found.bin() + "|" + found.type(), "C:\\WINDOWS\\SYSTEM32\\jview.exe|jview");
  // Entry by entry, the registry's own view, its other view, the default folder, PATH; then
  // entry by entry the system drive's walk and the other fixed drives'; jview last.
  EXPECT_EQ(Runs(),
            (Strings{"N:\\jre-own\\bin\\jre.exe", "N:\\jre-other\\bin\\java.exe",
                     "C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe", "N:\\tools\\jre.exe",
                     "N:\\jdk\\bin\\java.exe", "C:\\JDK1.2\\bin\\java.exe", "N:\\tools\\java.exe",
                     "C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe", "D:\\old\\bin\\jre.exe",
                     "C:\\JDK1.2\\bin\\java.exe", "D:\\old\\bin\\java.exe",
                     "C:\\WINDOWS\\SYSTEM32\\jview.exe"}));
  const std::string summary = "\r\n\tT62 (T63=sun, T64=1.2, T65=jre)... T68";
  EXPECT_EQ(Log().substr(0, summary.size()), summary);
  EXPECT_PRED2(EndsWith, Log(),
               "(T63=microsoft, T64=1.1.4, T65=jview)...C:\\WINDOWS\\SYSTEM32\\jview.exe T67");
  // Only the run's first jview entry is searched, and only the first group has a quick pass:
  // the sun entry after it gets the walks' candidates alone, not the registry's.
  os.journal.clear();
  FindJvm("vendor=microsoft;vendor=sun:type=jdk:version=1.1", "C:\\TEMP\\Verify.class", session);
  EXPECT_EQ(Runs(), (Strings{"C:\\JDK1.2\\bin\\java.exe", "D:\\old\\bin\\java.exe"}));
  // IBM's keys and folder; an entry without a type tries a JRE's locations, then a JDK's.
  os.journal.clear();
  os.SetRegistryValue(kIbmJre + "1.1", "JavaHome", "N:\\ibm-jre");
  os.SetRegistryValue(kIbmJdk + "1.1", "JavaHome", "N:\\ibm-jdk");
  const Strings ibm = {
      "N:\\ibm-jre\\bin\\jre.exe",   "C:\\Program Files\\IBM\\jre\\1.1.4\\bin\\jre.exe",
      "N:\\tools\\jre.exe",          "N:\\ibm-jdk\\bin\\java.exe",
      "C:\\JDK1.1.4\\bin\\java.exe", "N:\\tools\\java.exe"};
  for (const std::string& jvm : ibm) InstallJvm(jvm, "1.0.2");
  EXPECT_FALSE(Quick(Entry("ibm", "", "1.1.4")));
  EXPECT_EQ(Runs(), ibm);
  // jview: the Windows folder's before the system folder's.
  InstallJvm("C:\\WINDOWS\\jview.exe", "1.1.4", "http://www.microsoft.com/");
  os.journal.clear();
  EXPECT_TRUE(Quick(Entry("microsoft", "jview", "")));
  EXPECT_EQ(Runs(), Strings{"C:\\WINDOWS\\jview.exe"});
}

TEST_F(SearchTest, LocationsOfOneEntryTheirDetailedLogAndTheRegistryBuffer) {
  search.log.all = true;
  // In the other registry view, with java.exe only: still a JRE, logged as any other; the
  // process's own view names a JVM that is gone, which hides nothing.
  os.SetRegistryValue(kJre + "1.2", "JavaHome", "D:\\Gone");
  os.SetRegistryValue(kJre + "1.2", "JavaHome", "D:\\Runtime", RegistryView::Other);
  InstallJvm("D:\\Runtime\\bin\\java.exe", "1.2.2");
  os.AddFile("D:\\Runtime\\lib\\rt.jar");
  EXPECT_FALSE(Quick(Entry("sun", "jdk", "1.2")));
  ASSERT_TRUE(Quick(Entry("sun", "jre", "1.2")));
  EXPECT_EQ(results.back().home() + "|" + results.back().type() + "|" + results.back().libs(),
            "D:\\Runtime|jre|D:\\Runtime\\lib\\rt.jar");
  const std::string jdk = "\r\n\tT62 (T63=sun, T64=1.2, T65=jdk) ";
  EXPECT_EQ(Log(), jdk + "in Registry...T68." + jdk + "default install folder...T68." + jdk +
                       "in PATH Variable...T68.\r\n\tT62 (T63=sun, T64=1.2, T65=jre) in the "
                       "Registry...\r\n\tT66 D:\\Runtime\\bin\\java.exe...T67.");
  // REG_SZ data carries its terminating zero: 259 characters fill the 260-byte buffer.
  for (std::size_t length : {260u, 259u}) {
    const std::string home = "D:\\" + std::string(length - 3, 'h');
    InstallJvm(home + "\\bin\\java.exe", "1.2.2");
    os.SetRegistryValue(kJdk + "1.2", "JavaHome", home + std::string(1, '\0'));
    EXPECT_EQ(Quick(Entry("sun", "jdk", "1.2")), length == 259u) << length;
  }
}

TEST_F(SearchTest, WithoutTheSystemFoldersNothingRelativeIsWalkedOrProbed) {
  // The folder queries give nothing when the path does not fit their buffer.
  os.SetSystemDirectory("");
  os.SetWindowsDirectory("");
  os.SetDriveType("D:\\", kDriveFixed);
  os.AddFile("D:\\jdk\\bin\\java.exe", "MZ");
  for (const char* vendor : {"sun", "microsoft"}) {
    CriteriaEntry entry = Entry(vendor, "jdk", "1.2");
    SearchEntry(search, entry, results, SearchPass::Quick);
    SearchEntry(search, entry, results, SearchPass::Full);
  }
  EXPECT_FALSE(os.Journal("find D:\\").empty());
  for (const std::string kind : {"find ", "attributes "})  // only absolute paths are looked at
    for (const std::string& line : os.Journal(kind))
      EXPECT_EQ(line.find(":\\"), kind.size() + 1) << line;
}

// C:\loop\back links to C:\loop; C:\deep\d\d\... goes kDepth levels down.
constexpr int kDepth = 10000;
class TreePlatform : public MemoryPlatform {
 public:
  int listings = 0;
  bool FindFiles(const std::string& pattern, std::vector<FolderEntry>* entries) override {
    if (++listings > kDepth + 2) return false;  // fail rather than hang
    const long depth = std::count(pattern.begin(), pattern.end(), '\\') - 1;
    *entries = {{".", kAttributeDirectory}, {"..", kAttributeDirectory}};
    if (depth == 0)
      *entries = {{"loop", kAttributeDirectory}, {"deep", kAttributeDirectory}};
    else if (pattern.rfind("C:\\loop\\", 0) == 0)
      entries->insert(entries->end(), {{"back", kAttributeDirectory | kAttributeReparsePoint},
                                       {"JAVA.EXE", 0x80},
                                       {"jre.exe", kAttributeDirectory}});
    else
      entries->push_back(depth < kDepth ? FolderEntry{"d", kAttributeDirectory}
                                        : FolderEntry{"java.exe", 0x80});
    return true;
  }
};

TEST(DriveWalk, EndsOnALinkToAnAncestorAndWalksTenThousandLevelsOnASmallStack) {
  TreePlatform os;
  ScopedPlatform installed(os);
  // 256 KB: a recursive walk would need several times that for 10,000 levels.
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 256 * 1024);
  HitLists hits;
  pthread_t thread;
  auto walk = [](void* out) -> void* {
    WalkForExecutables({"java.exe", "jre.exe"}, L"C:\\", *static_cast<HitLists*>(out));
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, walk, &hits), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  EXPECT_EQ(os.listings, kDepth + 2);
  std::string deep = "C:\\deep";
  for (int i = 1; i < kDepth; ++i) deep += "\\d";
  // Names compare byte for byte; a folder by that name is a hit.
  EXPECT_EQ(hits[0], PathList{WidePath(deep + "\\java.exe")});
  EXPECT_EQ(hits[1], PathList{WidePath("C:\\loop\\jre.exe")});
}

}  // namespace
}  // namespace carafe
