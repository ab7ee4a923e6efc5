// Inputs that reach past the launcher's fixed buffers: paths around MAX_PATH
// in options, registry values, PATH and walk entries, a PATH around its
// 67,600-byte buffer and log entries at the 1024-character formatter limit.
#include <string>
#include <vector>

#include "core/launcher.h"
#include "discovery/drive_walk.h"
#include "discovery/search_criteria.h"
#include "discovery/search_locations.h"
#include "memory_platform.h"
#include "scripted_jvm.h"

namespace carafe {
namespace {

const PathString kSetupFolder = L"C:\\SETUP\\";
constexpr const char* kSetupPrefix = "C:\\SETUP\\";
constexpr const char* kSunUrl = "http://java.sun.com/";

// A relative path of exactly `length` characters: folders of up to 40
// characters, then `name`.
std::string RelativePath(std::size_t length, const std::string& name) {
  std::string path;
  char letter = 'a';
  while (path.size() + name.size() < length) {
    std::size_t room = length - name.size() - path.size();
    std::size_t folder = room > 41 ? 40 : room - 1;
    if (folder == 0) {
      path.insert(path.size() - 1, 1, letter);  // one too few for another folder
      continue;
    }
    path += std::string(folder, letter) + "\\";
    letter = letter == 'z' ? 'a' : static_cast<char>(letter + 1);
  }
  return path + name;
}

// An absolute folder below `root` whose path is exactly `length` characters.
std::string FolderOfLength(const std::string& root, std::size_t length) {
  std::string folder = root + RelativePath(length - root.size(), "");
  while (folder.size() > root.size() && folder.back() == '\\') folder.pop_back();
  folder.resize(length, 'q');
  return folder;
}

using OptionPaths = PlatformTest;

TEST_F(OptionPaths, PathValuesAtAndPastMaxPathAreResolvedWholeNeverCut) {
  for (std::size_t length : {259u, 260u, 261u, 5000u}) {
    SCOPED_TRACE(length);
    const std::string relative = RelativePath(length - 9, "x.exe");
    const std::string full = kSetupPrefix + relative;
    Launcher launcher;
    launcher.Initialize(kSetupFolder,
                        "-archive " + relative + " -verify \"" + relative + "\" -jvm " + relative);
    EXPECT_EQ(launcher.jvmPath, full);
    EXPECT_EQ(launcher.archivePath, full);
    EXPECT_EQ(launcher.verifyClassPath, full);
  }
}

TEST_F(OptionPaths, FarMoreUpLevelPiecesThanFoldersStayInsideTheValue) {
  std::string ups;
  for (int i = 0; i < 2000; ++i) ups += "..\\";
  Launcher launcher;
  launcher.Initialize(kSetupFolder, "-verify " + ups + "v.class -jvm .\\.\\" + ups);
  // With no folder left, "\.." takes the "\..\" itself, down to the root and never past it.
  EXPECT_EQ(launcher.verifyClassPath, "C:\\v.class");
  EXPECT_EQ(launcher.jvmPath, "C:\\");
}

class SearchBounds : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    BeginSearch("C:\\TEMP\\Verify.class");
  }
  bool Quick() {
    results.clear();
    CriteriaEntry entry = Entry("sun", "jdk", "1.2");
    return SearchEntry(entry, results, kQuickPass);
  }
  std::vector<JvmRecord> results;
};

TEST_F(SearchBounds, ARegisteredHomeFillingTheBufferIsReadWholeAndALongerOneNeverCut) {
  struct Case {
    std::size_t length;
    bool terminated, found;
  };
  // REG_SZ data carries its terminating zero: 259 characters fill the 260-byte buffer.
  // Refused ones first: launches add up.
  for (const Case& c : {Case{260, true, false}, Case{5000, true, false}, Case{259, true, true},
                        Case{260, false, true}}) {
    SCOPED_TRACE(c.length);
    os.journal.clear();
    BeginSearch("C:\\TEMP\\Verify.class");
    const std::string home = FolderOfLength("D:\\", c.length);
    os.AddProgram(home + "\\bin\\java.exe", PrintingJvm(VerifyLines("1.2.2", kSunUrl)));
    os.SetRegistryValue("Software\\JavaSoft\\Java Development Kit\\1.2", "JavaHome",
                        c.terminated ? home + std::string(1, '\0') : home);
    ASSERT_EQ(Quick(), c.found);
    if (c.found) {
      EXPECT_EQ(results[0].bin(), home + "\\bin\\java.exe");
    } else {
      EXPECT_TRUE(os.Launches().empty());
      // Neither the whole home nor any prefix of it was looked at.
      for (const std::string& line : os.Journal("attributes "))
        EXPECT_NE(line.rfind("attributes " + home.substr(0, 40), 0), 0u) << line;
    }
  }
}

// A PATH of exactly `bytes` characters: folders of 300 characters, a few
// empty ones, and last the JVM's folder.
std::string PathOfLength(std::size_t bytes) {
  const std::string last = "D:\\jdk\\bin";
  std::string value;
  for (int n = 0; value.size() + 302 + last.size() < bytes; ++n) {
    std::string folder = "E:\\f" + std::to_string(n) + "\\";
    folder.resize(300, 'p');
    value += folder + ";";
  }
  value.append(bytes - last.size() - value.size(), ';');
  return value + last;
}

TEST_F(SearchBounds, APathThatFillsTheBufferIsScannedToItsEndAndALongerOneIsEmpty) {
  os.AddProgram("D:\\jdk\\bin\\java.exe", PrintingJvm(VerifyLines("1.2.2", kSunUrl)));
  for (std::size_t bytes :
       {kPathVariableBytes - 1, kPathVariableBytes, kPathVariableBytes + 1, std::size_t(1) << 20}) {
    SCOPED_TRACE(bytes);
    os.journal.clear();
    BeginSearch("C:\\TEMP\\Verify.class");
    os.SetEnv("PATH", PathOfLength(bytes));
    const bool fits = bytes < kPathVariableBytes;
    EXPECT_EQ(Quick(), fits);
    EXPECT_EQ(os.Journal("env PATH").size(), 1u);
    EXPECT_EQ(os.Journal("find ").empty(), !fits);
    if (fits) {
      EXPECT_EQ(os.Journal("find ").back(), "find D:\\jdk\\bin\\java.exe");
    }
  }
}

TEST_F(SearchBounds, PathFoldersMakingProbesAroundMaxPathAreLookedUpWhole) {
  std::vector<std::string> expected;
  std::string value;
  for (std::size_t probe : {259u, 260u, 261u, 4000u}) {
    const std::string folder = FolderOfLength("F:\\", probe - 9);  // + "\java.exe"
    expected.push_back(folder + "\\java.exe");
    os.AddFile(expected.back(), "MZ");
    value += folder + ";";
  }
  os.SetEnv("PATH", value);
  EXPECT_FALSE(Quick());  // none of them answers as a JVM
  const PathList& hits = CurrentSearch().pathHits[HitIndex("java.exe")];
  ASSERT_EQ(hits.size(), expected.size());
  for (std::size_t i = 0; i < hits.size(); ++i) {
    EXPECT_EQ(AnsiPath(hits[i]), expected[i]);
    EXPECT_EQ(os.Journal("find ")[i], "find " + expected[i]);
  }
}

TEST_F(SearchBounds, WithoutTheSystemFoldersNothingRelativeIsWalkedOrProbed) {
  // GetSystemDirectoryA and GetWindowsDirectoryA give nothing when the path
  // does not fit their buffer; no search may fall back on the current folder.
  os.SetSystemDirectory("");
  os.SetWindowsDirectory("");
  os.SetDriveType("D:\\", kDriveFixed);
  os.AddFile("D:\\jdk\\bin\\java.exe", "MZ");
  BeginSearch("C:\\TEMP\\Verify.class");
  os.journal.clear();
  for (const char* vendor : {"sun", "microsoft"}) {
    CriteriaEntry entry = Entry(vendor, "jdk", "1.2");
    SearchEntry(entry, results, kQuickPass);
    SearchEntry(entry, results, kFullPass);
  }
  EXPECT_FALSE(os.Journal("find D:\\").empty());
  for (const std::string& line : os.journal) {
    std::string path;
    if (line.rfind("find ", 0) == 0) path = line.substr(5);
    if (line.rfind("attributes ", 0) == 0) path = line.substr(11);
    if (!path.empty()) {
      EXPECT_TRUE(path.size() >= 3 && path[1] == ':' && path[2] == '\\') << line;
    }
  }
}

using LogBounds = PlatformTest;

TEST_F(LogBounds, AValidationEntryReachingTheLimitIsCutThereInOneWrite) {
  // "\r\nValidation of  <path> failed\r\n" is the path plus 26 characters.
  for (std::size_t pathChars : {997u, 998u, 12000u}) {
    SCOPED_TRACE(pathChars);
    const std::string relative = RelativePath(pathChars - 9, "v.class");
    const std::string path = kSetupPrefix + relative;
    os.AddFile(path, "not a class file");
    const std::string log = "C:\\TEMP\\run" + std::to_string(pathChars) + ".txt";
    Launcher launcher;
    launcher.Initialize(kSetupFolder, "-silent -log " + log + " -verify " + relative);
    EXPECT_FALSE(launcher.Run());
    const std::string whole = "\r\nValidation of  " + path + " failed\r\n";
    EXPECT_EQ(os.Content(log).substr(35), whole.substr(0, kFormatLimit - 1));  // after the header
    const std::vector<std::uint32_t> writes = os.WriteSizes(log);
    ASSERT_EQ(writes.size(), 2u);  // the header, then the one entry
    EXPECT_EQ(writes[1], pathChars <= 997 ? whole.size() : kFormatLimit - 1);
  }
}

}  // namespace
}  // namespace carafe
