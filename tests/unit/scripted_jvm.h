// Scripted JVMs for the in-memory platform: what the verify class prints.
#pragma once

#include <string>
#include <vector>

#include "discovery/search_criteria.h"
#include "memory_platform.h"

namespace carafe {

// The verify class's lines, "name = value" CR LF: the two the launcher reads
// among others.
inline std::string VerifyLines(const std::string& version, const std::string& url) {
  return "java.home = C:\\jdk\r\njava.version = " + version + "\r\njava.vendor.url = " + url +
         "\r\njava.vendor = Some Vendor\r\nos.name = Windows 95\r\n";
}

inline CriteriaEntry Entry(const std::string& vendor, const std::string& type,
                           const std::string& version) {
  return {vendor, version, type, std::string(), false};
}

// A program that prints output on its standard output and ends.
inline Program PrintingJvm(const std::string& output, std::uint32_t exitCode = 0) {
  return [output, exitCode](const std::string&) { return ChildRun{output, exitCode}; };
}

class JvmTest : public PlatformTest {
 protected:
  void InstallJvm(const std::string& path, const std::string& version,
                  const std::string& url = "http://java.sun.com/") {
    os.AddProgram(path, PrintingJvm(VerifyLines(version, url)));
  }
  // What a search looked at, in order: registry values, files probed, PATH
  // reads, listings, drive types and runs; not the libraries' probes.
  std::vector<std::string> Lookups() const {
    std::vector<std::string> lookups;
    for (const std::string& line : os.journal) {
      if (line.rfind("process ", 0) == 0)
        lookups.push_back("run " + line.substr(8, line.find(' ', 8) - 8));
      for (const char* kind : {"registry ", "attributes ", "env ", "find ", "drive "})
        if (line.rfind(kind, 0) == 0 && line.find("\\lib\\") == std::string::npos)
          lookups.push_back(line);
    }
    return lookups;
  }
};

}  // namespace carafe
