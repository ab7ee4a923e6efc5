// Scripted JVMs for the in-memory platform: what the verify class prints.
#pragma once

#include <string>
#include <vector>

#include "discovery/search_criteria.h"
#include "memory_platform.h"

namespace carafe {

// The verify class's lines: "name = value" CR LF, the four the launcher
// relies on first, then a few more.
inline std::string VerifyLines(const std::string& version, const std::string& url,
                               const std::string& home = "C:\\jdk") {
  return "java.home = " + home + "\r\njava.version = " + version + "\r\njava.vendor.url = " + url +
         "\r\njava.vendor = Some Vendor\r\njava.class.path = C:\\TEMP\r\n"
         "java.class.version = 46.0\r\nos.name = Windows 95\r\n";
}

// A criteria entry as the criteria text would give it.
inline CriteriaEntry Entry(const std::string& vendor, const std::string& type,
                           const std::string& version) {
  CriteriaEntry entry;
  entry.vendor = vendor;
  entry.type = type;
  entry.version = version;
  return entry;
}

// A program that prints output on its standard output and ends.
inline Program PrintingJvm(const std::string& output, std::uint32_t exitCode = 0) {
  return [output, exitCode](const std::string&) {
    ChildRun run;
    run.standardOutput = output;
    run.exitCode = exitCode;
    return run;
  };
}

// A test that installs scripted JVMs: each prints the verify lines of its
// version and vendor address.
class JvmTest : public PlatformTest {
 protected:
  void InstallJvm(const std::string& path, const std::string& version,
                  const std::string& url = "http://java.sun.com/") {
    os.AddProgram(path, PrintingJvm(VerifyLines(version, url)));
  }
  // What a search looked at, in order: registry values, executables probed,
  // PATH reads and lookups, folder listings, drive types and runs ("run
  // <program>"). The library probes of the collectors are left out.
  std::vector<std::string> Lookups() const {
    std::vector<std::string> lookups;
    for (const std::string& line : os.journal) {
      if (line.rfind("process ", 0) == 0) {
        lookups.push_back("run " + line.substr(8, line.find(' ', 8) - 8));
      } else if (line.rfind("attributes ", 0) == 0 && line.find("\\lib\\") == std::string::npos) {
        lookups.push_back(line);
      } else if (line.rfind("registry ", 0) == 0 || line.rfind("env ", 0) == 0 ||
                 line.rfind("find ", 0) == 0 || line.rfind("drive ", 0) == 0) {
        lookups.push_back(line);
      }
    }
    return lookups;
  }
};

}  // namespace carafe
