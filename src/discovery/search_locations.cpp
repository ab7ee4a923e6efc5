#include "discovery/search_locations.h"

#include "container/file_utilities.h"
#include "container/log_writer.h"
#include "launch/class_path.h"
#include "platform/platform.h"

namespace carafe {

namespace {

constexpr const char* kJavaHomeValue = "JavaHome";

// Registry versions tried, newest first, when the entry names no version.
const std::vector<std::string> kRuntimeVersions = {"1.3", "1.2", "1.1"};
// IBM's 1.1 kits registered every maintenance level under its own key.
const std::vector<std::string> kIbmKitVersions = {"1.3",   "1.2",   "1.1.1", "1.1.2", "1.1.3",
                                                  "1.1.4", "1.1.5", "1.1.6", "1.1.7", "1.1.8"};

struct VendorKeys {
  const char* jreKeyBase;
  const char* jreVendorFolder;  // below "Program Files\" on the system drive
  const char* jdkKeyBase;
  const std::vector<std::string>* jreVersions;
  const std::vector<std::string>* jdkVersions;
};

const VendorKeys kSunKeys = {"Software\\JavaSoft\\Java Runtime Environment\\", "JavaSoft\\jre\\",
                             "Software\\JavaSoft\\Java Development Kit\\", &kRuntimeVersions,
                             &kRuntimeVersions};
const VendorKeys kIbmKeys = {"Software\\IBM\\IBM Runtime Environment, Java(TM) Tech. Edition\\",
                             "IBM\\jre\\",
                             "Software\\IBM\\IBM Developer Kit, Java(TM) Tech. Edition\\",
                             &kRuntimeVersions, &kIbmKitVersions};

SearchState& State() {
  static SearchState state;
  return state;
}

// The registry knows only major.minor for most kits: 1.1.4 is looked up as 1.1.
std::string RegistryVersion(const std::string& version) {
  if (CountChar(version, '.') <= 1) return version;
  return version.substr(0, version.find('.', version.find('.') + 1));
}

std::vector<std::string> KeyNames(const char* base, const std::string& registryVersion,
                                  const std::vector<std::string>& versions) {
  if (!registryVersion.empty()) return {base + registryVersion};
  std::vector<std::string> names;
  for (const std::string& version : versions) names.push_back(base + version);
  return names;
}

// Brackets one location with its detailed log lines: where it looks, and
// "Not Found" when nothing there passed.
template <typename Look>
bool LoggedLocation(CriteriaEntry& entry, const char* text, Look look) {
  if (LogAll()) entry.LogSearchStep(SearchStart, text);
  bool found = look();
  if (!found && LogAll()) entry.LogSearchStep(NotFound, "");
  return found;
}

// Verify-and-keep: the candidate must pass the entry and be new to results.
bool VerifyAndKeep(CriteriaEntry& entry, JvmRecord& record, std::vector<JvmRecord>& results) {
  if (!entry.VerifyJvm(record, State().verifyClassPath)) return false;
  for (const JvmRecord& kept : results)
    if (SameJvm(kept, record)) return false;
  results.push_back(record);
  return true;
}

// A JVM found at home, of type "jdk" or "jre": the type decides which
// libraries its class path gets.
bool KeepJvm(CriteriaEntry& entry, const std::string& type, const std::string& home,
             const std::string& executable, std::vector<JvmRecord>& results) {
  JvmRecord record;
  record.set_home(home);
  record.set_libs(type == "jdk" ? CollectJdkLibs(home) : CollectJreLibs(home));
  record.set_bin(executable);
  record.set_type(type);
  return VerifyAndKeep(entry, record, results);
}

bool SearchVendor(CriteriaEntry& entry, std::vector<JvmRecord>& results, SearchPass pass,
                  const VendorKeys& keys) {
  std::string registryVersion = RegistryVersion(entry.version);
  SearchState& state = State();
  if (entry.type == "jre" || entry.type.empty()) {
    for (const std::string& key : KeyNames(keys.jreKeyBase, registryVersion, *keys.jreVersions)) {
      bool found;
      if (pass == kQuickPass) {
        found = SearchJreQuick(entry, results, key, kJavaHomeValue, keys.jreVendorFolder);
      } else {
        found = SearchFileSystem(entry, kJreExe, results, state.diskHits, state.diskWalked[1]);
        state.diskWalked[0] = state.diskWalked[1] = true;
      }
      if (found) return true;
    }
  }
  if (entry.type != "jdk" && !entry.type.empty()) return false;
  for (const std::string& key : KeyNames(keys.jdkKeyBase, registryVersion, *keys.jdkVersions)) {
    bool found;
    if (pass == kQuickPass) {
      found = SearchJdkQuick(entry, results, key, kJavaHomeValue);
    } else {
      found = SearchFileSystem(entry, kJavaExe, results, state.diskHits, state.diskWalked[0]);
      state.diskWalked[0] = state.diskWalked[1] = true;
    }
    if (found) return true;
  }
  return false;
}

}  // namespace

SearchState& CurrentSearch() { return State(); }

void BeginSearch(const std::string& verifyClassPath) {
  State() = SearchState();
  State().verifyClassPath = verifyClassPath;
}

bool SearchEntry(CriteriaEntry& entry, std::vector<JvmRecord>& results, SearchPass pass) {
  if (entry.vendor == "sun" || entry.vendor.empty())
    return SearchVendor(entry, results, pass, kSunKeys);
  if (entry.vendor == "microsoft") return SearchJview(entry, results);
  if (entry.vendor == "ibm") return SearchVendor(entry, results, pass, kIbmKeys);
  return false;
}

bool SearchJreQuick(CriteriaEntry& entry, std::vector<JvmRecord>& results,
                    const std::string& keyName, const std::string& valueName,
                    const std::string& vendorFolder) {
  if (SearchJreRegistry(entry, results, keyName, valueName)) return true;
  if (SearchJreDefaultFolder(entry, results, vendorFolder)) return true;
  SearchState& state = State();
  bool found = SearchPathVariable(entry, kJreExe, results, state.pathHits[1], state.pathScanned[1]);
  state.pathScanned[1] = true;
  return found;
}

bool SearchJdkQuick(CriteriaEntry& entry, std::vector<JvmRecord>& results,
                    const std::string& keyName, const std::string& valueName) {
  if (SearchJdkRegistry(entry, results, keyName, valueName)) return true;
  if (SearchJdkDefaultFolder(entry, results)) return true;
  SearchState& state = State();
  bool found =
      SearchPathVariable(entry, kJavaExe, results, state.pathHits[0], state.pathScanned[0]);
  state.pathScanned[0] = true;
  return found;
}

bool SearchJdkRegistry(CriteriaEntry& entry, std::vector<JvmRecord>& results,
                       const std::string& keyName, const std::string& valueName) {
  return LoggedLocation(entry, "in Registry", [&] {
    std::string home;
    if (!QueryRegistryString(keyName, valueName, &home)) return false;
    std::string executable = home + "\\bin\\java.exe";
    if (!FileExists(executable)) return false;
    return KeepJvm(entry, "jdk", home, executable, results);
  });
}

bool SearchJreRegistry(CriteriaEntry& entry, std::vector<JvmRecord>& results,
                       const std::string& keyName, const std::string& valueName) {
  return LoggedLocation(entry, "in the Registry", [&] {
    std::string home;
    if (!QueryRegistryString(keyName, valueName, &home)) return false;
    // Runtimes of this era ship jre.exe; later ones only java.exe.
    std::string executable = home + "\\bin\\jre.exe";
    if (!FileExists(executable)) {
      executable = home + "\\bin\\java.exe";
      if (!FileExists(executable)) return false;
    }
    return KeepJvm(entry, "jre", home, executable, results);
  });
}

bool SearchJdkDefaultFolder(CriteriaEntry& entry, std::vector<JvmRecord>& results) {
  return LoggedLocation(entry, "default install folder", [&] {
    // Without a system folder the folder would be relative to the current one.
    if (SystemDriveRoot().empty()) return false;
    std::string home = SystemDriveRoot() + "JDK" + entry.version;
    std::string executable = home + "\\bin\\java.exe";
    if (!FileExists(executable)) return false;
    return KeepJvm(entry, "jdk", home, executable, results);
  });
}

bool SearchJreDefaultFolder(CriteriaEntry& entry, std::vector<JvmRecord>& results,
                            const std::string& vendorFolder) {
  return LoggedLocation(entry, "in the default install folder", [&] {
    if (SystemDriveRoot().empty()) return false;
    std::string home = SystemDriveRoot() + "Program Files\\" + vendorFolder + entry.version;
    std::string executable = home + "\\bin\\jre.exe";
    if (!FileExists(executable)) return false;
    return KeepJvm(entry, "jre", home, executable, results);
  });
}

bool SearchJview(CriteriaEntry& entry, std::vector<JvmRecord>& results) {
  return LoggedLocation(entry, "", [&] {
    // A folder query whose path did not fit its buffer gives nothing, and
    // "\jview.exe" alone would name the current drive's root.
    std::string folder = Os().WindowsFolder();
    std::string executable = folder + "\\jview.exe";
    if (folder.empty() || !FileExists(executable)) {
      folder = Os().SystemFolder();
      executable = folder + "\\jview.exe";
      if (folder.empty() || !FileExists(executable)) return false;
    }
    JvmRecord record;
    record.set_home(folder);
    record.set_bin(executable);
    record.set_type("jview");
    return VerifyAndKeep(entry, record, results);
  });
}

bool SearchPathVariable(CriteriaEntry& entry, const std::string& exeName,
                        std::vector<JvmRecord>& results, PathList& hitList, bool scanned) {
  return LoggedLocation(entry, "in PATH Variable", [&] {
    if (!scanned) {
      std::string value;
      if (!Os().EnvironmentValue("PATH", kPathVariableBytes, &value)) value.clear();
      FindInPathFolders(L";", exeName, hitList, WidePath(value));
    }
    return CheckCandidates(entry, exeName, hitList, results);
  });
}

void FindInPathFolders(const PathString& separator, const std::string& exeName, PathList& hitList,
                       const PathString& pathValue) {
  const PathString name = WidePath(exeName);
  std::size_t at = 0;
  while (at < pathValue.size()) {
    std::size_t end = pathValue.find(separator, at);
    PathString folder = pathValue.substr(at, end == PathString::npos ? end : end - at);
    at = end == PathString::npos ? pathValue.size() : end + separator.size();

    PathString probe = JoinPath(folder, name);
    std::size_t slash = probe.rfind(L'\\');
    // An empty PATH folder leaves a bare name, which would only find files in
    // the current folder; such matches are never kept, so it is not looked up.
    if (slash == PathString::npos) continue;
    std::vector<FolderEntry> matches;
    if (!Os().FindFiles(AnsiPath(probe), &matches)) continue;
    PathString parent = probe.substr(0, slash);
    for (const FolderEntry& match : matches)
      if (!match.IsFolder()) hitList.push_back(JoinPath(parent, WidePath(match.name)));
  }
}

bool CheckCandidates(CriteriaEntry& entry, const std::string& exeName, const PathList& paths,
                     std::vector<JvmRecord>& results) {
  bool java = exeName == kJavaExe;
  // A jre.exe in the Windows folder has no JVM home around it (no bin, no
  // lib), so it is never a candidate.
  PathString windowsJre;
  if (!java && !paths.empty()) windowsJre = WidePath(Os().WindowsFolder() + "\\jre.exe");
  for (const PathString& path : paths) {
    if (!java && path == windowsJre) continue;
    std::size_t bin = path.rfind(L"\\bin");
    std::string home = AnsiPath(bin == PathString::npos ? path : path.substr(0, bin));
    std::string executable = AnsiPath(path);
    if (KeepJvm(entry, java ? "jdk" : "jre", home, executable, results)) return true;
  }
  return false;
}

}  // namespace carafe
