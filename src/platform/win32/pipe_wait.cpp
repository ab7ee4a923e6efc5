// Waiting for a child's output with a time limit. Anonymous pipes have no
// overlapped reads, so the pipe is peeked and the wait between two peeks is
// a short wait on the child process, which returns at once when it ends.
#include "platform/win32/windows_platform.h"

namespace carafe {

namespace {

// Longest pause between two looks at the pipe while the child still runs.
constexpr DWORD kPipePollMs = 10;

// True when a ReadFile would return at once: bytes wait, or the pipe is
// broken (PeekNamedPipe fails once every write end is closed and the pipe
// is drained).
bool PipeReadable(HANDLE pipe) {
  DWORD available = 0;
  return !::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available > 0;
}

}  // namespace

PipeWait WindowsPlatform::WaitForPipe(const File& readEnd, const Process& process,
                                      std::uint32_t* budgetMs) {
  HANDLE pipe = ToWin32(readEnd.NativeHandle());
  const DWORD start = ::GetTickCount();
  auto spend = [&](PipeWait result) {
    DWORD elapsed = ::GetTickCount() - start;
    *budgetMs = elapsed >= *budgetMs ? 0 : *budgetMs - elapsed;
    return result;
  };
  for (;;) {
    if (PipeReadable(pipe)) return spend(PipeWait::Readable);
    DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= *budgetMs) return spend(PipeWait::TimedOut);
    DWORD slice = *budgetMs - elapsed < kPipePollMs ? *budgetMs - elapsed : kPipePollMs;
    DWORD result = ::WaitForSingleObject(ToWin32(process.NativeHandle()), slice);
    if (result == WAIT_OBJECT_0) {
      // What the child wrote before it ended is in the pipe by now.
      return spend(PipeReadable(pipe) ? PipeWait::Readable : PipeWait::ChildEnded);
    }
    if (result == WAIT_FAILED) ::Sleep(slice);  // no process to watch: poll the pipe alone
  }
}

}  // namespace carafe
