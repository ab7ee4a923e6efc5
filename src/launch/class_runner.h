// Running a class on a JVM with its standard output captured through a pipe.
#pragma once

#include <cstdint>
#include <string>

namespace carafe {

// How long one capture may take in all. A JVM that never closes its output
// (it hangs, or a process it started inherited the pipe) would otherwise
// block the search for ever; a sound JVM prints the verify class's lines
// within seconds even when it starts from a cold, slow disk.
constexpr std::uint32_t kCaptureLimitMs = 60000;

// Runs classFile on the JVM at bin (hidden, libs on its class path) and
// collects what it writes to its standard output. Reading ends when the pipe
// breaks, when the JVM has ended and the pipe is drained although another
// process still holds it open, or after kCaptureLimitMs; a JVM still running
// when the limit is spent is ended, so that no hung candidate outlives the
// launcher. False, with output empty, when the pipe or the
// process cannot be created or the write end cannot be closed.
bool CaptureClassOutput(const std::string& bin, const std::string& libs,
                        const std::string& classFile, std::string& output);

}  // namespace carafe
