#include "mksetup/try_setup.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include "format/pe_image.h"
#include "mksetup/byte_io.h"
#include "mksetup/host_jvm_answer.h"

namespace mksetup {

namespace fs = std::filesystem;
namespace format = carafe::format;

constexpr int kNeverRan = 125;

#if defined(__linux__)
namespace {

constexpr const char kTryFolder[] = "C:\\carafe-try";
constexpr const char kRequests[] = "C:\\carafe-try\\requests";

// A program on PATH, or empty.
std::string OnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  std::error_code code;
  for (std::string folder; std::getline(folders, folder, ':');)
    if (!folder.empty() && fs::exists(fs::path(folder) / name, code))
      return (fs::path(folder) / name).string();
  return std::string();
}

std::string Wine64() {
  return fs::exists("/usr/lib/wine/wine64") ? "/usr/lib/wine/wine64" : OnPath("wine64");
}

// What mksetup finds beside itself: win64/NAME in its release folder, or in
// dist/win64 of a build.
fs::path Shipped(const std::string& name) {
  std::error_code code;
  const fs::path self = fs::read_symlink("/proc/self/exe", code).parent_path();
  for (const fs::path& candidate : {self / ".." / "win64" / name, self / "win64" / name})
    if (fs::exists(candidate, code)) return fs::weakly_canonical(candidate, code);
  return fs::path();
}

class TrySession {
 public:
  TrySession(std::string java, std::ostream& out) : java_(std::move(java)), out_(out) {}
  ~TrySession() {
    if (!prefix_.empty()) Shell(Wine(WineServer()) + " -k >/dev/null 2>&1");
    std::error_code ignored;
    if (!root_.empty()) fs::remove_all(root_, ignored);
  }

  // Why not, or empty when the setup's installation ran: its run in *run.
  std::string Run(const std::string& setup, const Arguments& options, JvmRun* run);

 private:
  std::string Wine(const std::string& program) const {
    return "env -u TEMP -u TMP -u TMPDIR -u WINEARCH -u WINELOADER WINEPREFIX=" +
           Quoted(prefix_.string()) + " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' " +
           program;
  }
  // The wineserver of the loader's Wine: one Wine makes, serves and runs the prefix.
  std::string WineServer() const {
    std::error_code code;
    const fs::path beside = fs::path(loader_).parent_path() / "wineserver";
    return loader_.empty() || !fs::exists(beside, code) ? "wineserver" : Quoted(beside.string());
  }
  fs::path HostPath(const std::string& windows) const { return PrefixPath(prefix_, windows); }
  std::string MakePrefix();
  std::string SetupToRun(const std::string& setup, std::string* bytes, std::string* loader);
  std::string InstallJava();

  std::string java_;
  std::ostream& out_;
  std::string loader_;  // the Wine loader that runs the setup
  fs::path root_, prefix_;
};

std::string TrySession::MakePrefix() {
  std::random_device random;
  root_ = fs::temp_directory_path() / ("mksetup-try-" + std::to_string(random()));
  prefix_ = root_ / "prefix";
  std::error_code code;
  fs::create_directories(root_, code);
  if (loader_.empty()) return "no wine64 (Debian's wine package) on this machine";
  Shell(Wine(Quoted(loader_)) + " wineboot -i >/dev/null 2>&1; " + Wine(WineServer()) + " -w");
  if (!fs::exists(prefix_ / "system.reg", code)) return "wineboot made no Wine prefix";
  // Without Z: the search sees only this prefix, not the whole Linux file system.
  fs::remove(prefix_ / "dosdevices" / "z:", code);
  fs::create_directories(HostPath(kRequests), code);
  return std::string();
}

// The setup's bytes as they will run, and the loader to run them with. A
// 32-bit stub runs as it is where Wine has 32-bit support; elsewhere its
// container goes behind the 64-bit stub.
std::string TrySession::SetupToRun(const std::string& setup, std::string* bytes,
                                   std::string* loader) {
  std::string error;
  format::PeHeader header;
  std::uint32_t end = 0;
  if (!format::FindPeHeader(*bytes, &header) || !format::FindImageEnd(*bytes, &end))
    return "'" + setup + "' is not a PE image";
  // Debian's 32-bit loader, or one named for a Wine with 32-bit support elsewhere.
  const char* wine32 = std::getenv("CARAFE_WINE32");
  const std::string thirtyTwo = wine32                             ? wine32
                                : fs::exists("/usr/lib/wine/wine") ? "/usr/lib/wine/wine"
                                                                   : "";
  *loader = Wine64();
  if (header.machine == format::kMachineI386 && !thirtyTwo.empty()) {
    *loader = thirtyTwo;
  } else if (header.machine == format::kMachineI386) {
    std::string stub;
    std::uint32_t stubEnd = 0;
    const fs::path stubPath = Shipped("launcher.exe");
    if (stubPath.empty() || !ReadWholeFile(stubPath.string(), "the 64-bit stub", &stub, &error) ||
        !format::FindImageEnd(stub, &stubEnd))
      return "the setup's stub is 32-bit, this Wine runs no 32-bit programs (set CARAFE_WINE32 "
             "to a loader that does), and no 64-bit stub lies in win64/ beside mksetup";
    out_ << "try: the setup's stub is 32-bit and this Wine runs no 32-bit programs: trying its "
            "container behind the 64-bit stub "
         << stubPath.string() << "\n";
    *bytes = stub.substr(0, stubEnd) + bytes->substr(end);
  }
  return std::string();
}

// host_java.exe as java.exe of a JDK home, registered (under 1.8 for Java 8,
// under its major version from 9 on) and on PATH, as a modern JDK installs
// itself: the search finds it as it would find the JDK.
std::string TrySession::InstallJava() {
  const std::string versionFile = (root_ / "version").string();
  Shell(Quoted(java_) + " -XshowSettings:properties -version 2>" + Quoted(versionFile));
  const std::string shown = Slurp(versionFile), property = "java.version = ";
  const std::size_t at = shown.find(property), from = at + property.size();
  // "17.0.15" is 17, "1.8.0_392" 1.8.
  const std::size_t end = at == std::string::npos ? at
                          : shown.compare(from, 2, "1.") == 0
                              ? shown.find_first_not_of("0123456789", from + 2)
                              : shown.find_first_not_of("0123456789", from);
  const std::string major = at == std::string::npos ? "" : shown.substr(from, end - from);
  if (major.empty() || major == "1.")
    return "'" + java_ + "' is no JVM that runs here: it says no java.version";
  const std::string home = "C:\\Program Files\\Java\\jdk-" + major;
  const fs::path forwarder = Shipped("host_java.exe");
  std::string bytes, error;
  if (forwarder.empty() || !ReadWholeFile(forwarder.string(), "host_java.exe", &bytes, &error))
    return "no win64/host_java.exe beside mksetup";
  const std::string ini = "forward=" + std::string(kRequests) + "\r\n";
  if (!ReplaceFile(HostPath(home + "\\bin\\java.exe").string(), {bytes}, &error) ||
      !ReplaceFile(HostPath(home + "\\bin\\java.ini").string(), {ini}, &error))
    return error;
  const std::string reg = Wine(Quoted(loader_)) + " reg add ";
  Shell(reg + Quoted("HKLM\\Software\\JavaSoft\\Java Development Kit\\" + major) +
        " /v JavaHome /t REG_SZ /d " + Quoted(home) + " /f >/dev/null 2>&1");
  Shell(reg + Quoted("HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment") +
        " /v PATH /t REG_EXPAND_SZ /d " +
        Quoted("%SystemRoot%\\system32;%SystemRoot%;" + home + "\\bin") + " /f >/dev/null 2>&1");
  return std::string();
}

std::string TrySession::Run(const std::string& setup, const Arguments& options, JvmRun* run) {
  std::string problem, bytes;
  if (!ReadWholeFile(setup, "the setup", &bytes, &problem)) return problem;
  if (!(problem = SetupToRun(setup, &bytes, &loader_)).empty()) return problem;
  if (java_.empty()) return "no java on PATH; name one with --jvm";
  if (!(problem = MakePrefix()).empty() ||
      !ReplaceFile(HostPath(std::string(kTryFolder) + "\\setup.exe").string(), {bytes}, &problem) ||
      !(problem = InstallJava()).empty())
    return problem;
  std::string command = Wine(Quoted(loader_)) + " 'C:\\carafe-try\\setup.exe' -silent -log " +
                        "'C:\\carafe-try\\launcher.log' -logall";
  for (const std::string& option : options) command += " " + Quoted(option);
  const std::string done = (root_ / "done").string();
  Shell("( " + command + " >/dev/null 2>&1; touch " + Quoted(done) + " ) &");
  HostJvmAnswer host(prefix_, root_, java_);
  std::error_code code;
  for (bool ended = false; !ended;) {
    ended = fs::exists(done, code);
    host.AnswerWaiting(HostPath(kRequests));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::string log = Slurp(HostPath(std::string(kTryFolder) + "\\launcher.log"));
  log.erase(std::remove(log.begin(), log.end(), '\r'), log.end());
  out_ << "--- the launcher's log ---\n" << (log.empty() ? "(none written)\n" : log);
  for (const JvmRun& each : host.runs())
    if (each.className == "rerodova") *run = each;
  if (run->className.empty()) return "the installation never ran; the log above says why";
  return std::string();
}

}  // namespace
#endif

int TryCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
#if !defined(__linux__)
  (void)args, (void)out;
  err << "mksetup: error: try runs on Linux only\n";
  return kNeverRan;
#else
  std::string setup, java = OnPath("java");
  Arguments options;
  bool jvmGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--") {
      options.assign(args.begin() + i + 1, args.end());
      break;
    }
    if (args[i] == "--jvm" && i + 1 < args.size() && !jvmGiven) {
      java = args[++i], jvmGiven = true;
    } else if (args[i].compare(0, 1, "-") != 0 && setup.empty()) {
      setup = args[i];
    } else {
      err << "mksetup: error: try: unexpected '" << args[i]
          << "'; usage: try SETUP.EXE [--jvm JAVA] [-- LAUNCHER-OPTIONS...]\n";
      return kNeverRan;
    }
  }
  if (setup.empty()) {
    err << "mksetup: error: try: name the setup\n";
    return kNeverRan;
  }
  TrySession session(java, out);
  JvmRun run;
  const std::string problem = session.Run(setup, options, &run);
  if (!problem.empty()) {
    out << std::flush;
    err << "mksetup: error: try: " << problem << "\n";
    return kNeverRan;
  }
  out << "--- the installation's standard output ---\n"
      << run.output << "--- its standard error ---\n"
      << run.errors << "--- its exit code: " << run.exitCode << " ---\n";
  return run.exitCode;
#endif
}

}  // namespace mksetup
