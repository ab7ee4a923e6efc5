// Scripted JVMs for the in-memory platform: what the verify class prints.
#pragma once

#include <string>

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

// A program that prints output on its standard output and ends.
inline Program PrintingJvm(const std::string& output, std::uint32_t exitCode = 0) {
  return [output, exitCode](const std::string&) {
    ChildRun run;
    run.standardOutput = output;
    run.exitCode = exitCode;
    return run;
  };
}

}  // namespace carafe
