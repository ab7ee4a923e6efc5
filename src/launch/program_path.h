// How a program the launcher starts is named to the system: its path on the
// command line, and the file to start when the path is a full one.
#pragma once

#include <string>

#include "platform/platform.h"

namespace carafe {

// The path between double quotes when it holds a blank or a tab; else as is.
std::string QuoteIfBlank(const std::string& path);

// A start of program with arguments after one blank: the path quoted when it
// holds a blank, so that the program sees its own path whole; a full path
// (X:\... or \\server\...) is also the file to start, so that the system
// searches nothing and no program at a prefix of the path (C:\Program.exe)
// runs in its place. A bare name is left to the system's search.
ProcessStart StartOf(const std::string& program, const std::string& arguments);

}  // namespace carafe
