#include "discovery/search_locations.h"

#include "launch/class_path.h"
#include "platform/platform.h"
#include "support/file_utilities.h"

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
bool LoggedLocation(const SearchState& search, CriteriaEntry& entry, const char* text, Look look) {
  LogSearchStep(search.log, entry, SearchStep::Start, text);
  bool found = look();
  if (!found) LogSearchStep(search.log, entry, SearchStep::NotFound, "");
  return found;
}

// Verify-and-keep: the candidate must pass the entry and be new to results.
bool VerifyAndKeep(const SearchState& search, CriteriaEntry& entry, JvmRecord& record,
                   std::vector<JvmRecord>& results) {
  if (!VerifyJvm(entry, record, search.verifyClassPath, search.log)) return false;
  for (const JvmRecord& kept : results)
    if (SameJvm(kept, record)) return false;
  results.push_back(record);
  return true;
}

// A JVM found at home, of type "jdk" or "jre": the type decides which
// libraries its class path gets.
bool KeepJvm(const SearchState& search, CriteriaEntry& entry, const std::string& type,
             const std::string& home, const std::string& executable,
             std::vector<JvmRecord>& results) {
  JvmRecord record;
  record.set_home(home);
  record.set_libs(type == "jdk" ? CollectJdkLibs(home) : CollectJreLibs(home));
  record.set_bin(executable);
  record.set_type(type);
  return VerifyAndKeep(search, entry, record, results);
}

// The JVM homes that keyName names in the registry's views, own view first;
// a home both views name is tried once. A stale key in one view hides
// nothing in the other.
std::vector<std::string> RegisteredHomes(const std::string& keyName) {
  std::vector<std::string> homes;
  for (RegistryView view : kRegistryViews) {
    std::string home;
    if (QueryRegistryString(keyName, kJavaHomeValue, view, &home) &&
        (homes.empty() || homes.front() != home))
      homes.push_back(home);
  }
  return homes;
}

bool SearchJdkRegistry(const SearchState& search, CriteriaEntry& entry,
                       std::vector<JvmRecord>& results, const std::string& keyName) {
  return LoggedLocation(search, entry, "in Registry", [&] {
    for (const std::string& home : RegisteredHomes(keyName)) {
      std::string executable = home + "\\bin\\java.exe";
      if (FileExists(executable) && KeepJvm(search, entry, "jdk", home, executable, results))
        return true;
    }
    return false;
  });
}

bool SearchJreRegistry(const SearchState& search, CriteriaEntry& entry,
                       std::vector<JvmRecord>& results, const std::string& keyName) {
  return LoggedLocation(search, entry, "in the Registry", [&] {
    for (const std::string& home : RegisteredHomes(keyName)) {
      // Runtimes of this era ship jre.exe; later ones only java.exe.
      std::string executable = home + "\\bin\\jre.exe";
      if (!FileExists(executable)) executable = home + "\\bin\\java.exe";
      if (FileExists(executable) && KeepJvm(search, entry, "jre", home, executable, results))
        return true;
    }
    return false;
  });
}

bool SearchJdkDefaultFolder(const SearchState& search, CriteriaEntry& entry,
                            std::vector<JvmRecord>& results) {
  return LoggedLocation(search, entry, "default install folder", [&] {
    // Without a system folder the folder would be relative to the current one.
    if (SystemDriveRoot().empty()) return false;
    std::string home = SystemDriveRoot() + "JDK" + entry.version;
    std::string executable = home + "\\bin\\java.exe";
    if (!FileExists(executable)) return false;
    return KeepJvm(search, entry, "jdk", home, executable, results);
  });
}

bool SearchJreDefaultFolder(const SearchState& search, CriteriaEntry& entry,
                            std::vector<JvmRecord>& results, const std::string& vendorFolder) {
  return LoggedLocation(search, entry, "in the default install folder", [&] {
    if (SystemDriveRoot().empty()) return false;
    std::string home = SystemDriveRoot() + "Program Files\\" + vendorFolder + entry.version;
    std::string executable = home + "\\bin\\jre.exe";
    if (!FileExists(executable)) return false;
    return KeepJvm(search, entry, "jre", home, executable, results);
  });
}

bool SearchJview(const SearchState& search, CriteriaEntry& entry, std::vector<JvmRecord>& results) {
  return LoggedLocation(search, entry, "", [&] {
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
    return VerifyAndKeep(search, entry, record, results);
  });
}

bool SearchJreQuick(SearchState& state, CriteriaEntry& entry, std::vector<JvmRecord>& results,
                    const std::string& keyName, const std::string& vendorFolder) {
  if (SearchJreRegistry(state, entry, results, keyName)) return true;
  if (SearchJreDefaultFolder(state, entry, results, vendorFolder)) return true;
  bool found = SearchPathVariable(state, entry, kJreExe, results, 1);
  state.pathScanned[1] = true;
  return found;
}

bool SearchJdkQuick(SearchState& state, CriteriaEntry& entry, std::vector<JvmRecord>& results,
                    const std::string& keyName) {
  if (SearchJdkRegistry(state, entry, results, keyName)) return true;
  if (SearchJdkDefaultFolder(state, entry, results)) return true;
  bool found = SearchPathVariable(state, entry, kJavaExe, results, 0);
  state.pathScanned[0] = true;
  return found;
}

bool SearchVendor(SearchState& state, CriteriaEntry& entry, std::vector<JvmRecord>& results,
                  SearchPass pass, const VendorKeys& keys) {
  std::string registryVersion = RegistryVersion(entry.version);
  if (entry.type == "jre" || entry.type.empty()) {
    for (const std::string& key : KeyNames(keys.jreKeyBase, registryVersion, *keys.jreVersions)) {
      bool found;
      if (pass == SearchPass::Quick) {
        found = SearchJreQuick(state, entry, results, key, keys.jreVendorFolder);
      } else {
        found = SearchFileSystem(state, entry, kJreExe, results, state.diskWalked[1]);
        state.diskWalked[0] = state.diskWalked[1] = true;
      }
      if (found) return true;
    }
  }
  if (entry.type != "jdk" && !entry.type.empty()) return false;
  for (const std::string& key : KeyNames(keys.jdkKeyBase, registryVersion, *keys.jdkVersions)) {
    bool found;
    if (pass == SearchPass::Quick) {
      found = SearchJdkQuick(state, entry, results, key);
    } else {
      found = SearchFileSystem(state, entry, kJavaExe, results, state.diskWalked[0]);
      state.diskWalked[0] = state.diskWalked[1] = true;
    }
    if (found) return true;
  }
  return false;
}

}  // namespace

bool SearchEntry(SearchState& search, CriteriaEntry& entry, std::vector<JvmRecord>& results,
                 SearchPass pass) {
  if (entry.vendor == "sun" || entry.vendor.empty())
    return SearchVendor(search, entry, results, pass, kSunKeys);
  if (entry.vendor == "microsoft") return SearchJview(search, entry, results);
  if (entry.vendor == "ibm") return SearchVendor(search, entry, results, pass, kIbmKeys);
  return false;
}

bool SearchPathVariable(SearchState& search, CriteriaEntry& entry, const std::string& exeName,
                        std::vector<JvmRecord>& results, std::size_t index) {
  return LoggedLocation(search, entry, "in PATH Variable", [&] {
    if (!search.pathScanned[index]) {
      std::string value;
      if (!Os().EnvironmentValue("PATH", kPathVariableBytes, &value)) value.clear();
      FindInPathFolders(L";", exeName, search.pathHits[index], WidePath(value));
    }
    return CheckCandidates(search, entry, exeName, search.pathHits[index], results);
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

bool CheckCandidates(const SearchState& search, CriteriaEntry& entry, const std::string& exeName,
                     const PathList& paths, std::vector<JvmRecord>& results) {
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
    if (KeepJvm(search, entry, java ? "jdk" : "jre", home, executable, results)) return true;
  }
  return false;
}

}  // namespace carafe
