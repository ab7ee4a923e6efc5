#include "launch/class_runner.h"

#include "launch/class_path.h"
#include "platform/platform.h"

namespace carafe {

namespace {

constexpr const char* kClassSuffix = ".class";
// The pipe is read in pieces of this size.
constexpr std::uint32_t kReadChunkBytes = 1024;

}  // namespace

std::string QuoteIfBlank(const std::string& path) {
  if (path.find_first_of(" \t") == std::string::npos) return path;
  return '"' + path + '"';
}

bool CaptureClassOutput(const std::string& bin, const std::string& libs,
                        const std::string& classFile, std::string& output) {
  output.clear();
  std::string classArgument = classFile.substr(0, classFile.find(kClassSuffix));
  // A JVM named otherwise still runs, with no arguments: it then prints no
  // properties and fails its verification.
  std::string arguments;
  BuildClassArguments(arguments, bin, libs, classArgument, std::string());

  Pipe pipe;
  if (!Os().OpenPipe(&pipe)) return false;

  ProcessStart start;
  start.commandLine = QuoteIfBlank(bin) + " " + arguments;
  start.showState = kShowHide;
  start.inheritHandles = true;
  start.standardOutput = &pipe.writeEnd;
  Process child;
  if (!Os().StartProcess(start, &child)) return false;
  // Only the child may hold the write end now, so the pipe breaks when it
  // is done with it.
  if (!pipe.writeEnd.Close()) return false;

  char buffer[kReadChunkBytes];
  std::uint32_t budgetMs = kCaptureLimitMs;
  for (;;) {
    if (Os().WaitForPipe(pipe.readEnd, child, &budgetMs) != PipeWait::Readable) break;
    std::uint32_t count = 0;
    if (!pipe.readEnd.Read(buffer, kReadChunkBytes, &count) || count == 0) break;
    output.append(buffer, count);
  }
  return true;
}

}  // namespace carafe
