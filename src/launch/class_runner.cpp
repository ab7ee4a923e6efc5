#include "launch/class_runner.h"

#include "launch/class_path.h"
#include "launch/program_path.h"
#include "platform/platform.h"

namespace carafe {

namespace {

constexpr const char* kClassSuffix = ".class";
// The pipe is read in pieces of this size.
constexpr std::uint32_t kReadChunkBytes = 1024;

}  // namespace

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

  // The arguments start with a blank of their own: two blanks follow the
  // JVM, and a lone one when there are none.
  ProcessStart start = StartOf(bin, std::string());
  start.commandLine += " " + arguments;
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
  PipeWait wait;
  while ((wait = Os().WaitForPipe(pipe.readEnd, child, &budgetMs)) == PipeWait::Readable) {
    std::uint32_t count = 0;
    if (!pipe.readEnd.Read(buffer, kReadChunkBytes, &count) || count == 0) break;
    output.append(buffer, count);
  }
  // A JVM that ended, or closed its output and is about to, runs on alone;
  // one that outlived its limit is hung and is ended here.
  if (wait == PipeWait::TimedOut) Os().EndProcess(child, 0);
  return true;
}

}  // namespace carafe
