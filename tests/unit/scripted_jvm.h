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

}  // namespace carafe
