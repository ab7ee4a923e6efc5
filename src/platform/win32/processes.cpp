// Pipes, child processes and the worker thread.
#include <process.h>

#include <string>

#include "platform/win32/windows_platform.h"

namespace carafe {

bool WindowsPlatform::OpenPipe(Pipe* pipe) {
  // Both ends inheritable: the child gets the write end through its
  // start-up information, and the parent closes its copy once it started.
  SECURITY_ATTRIBUTES attributes = {};
  attributes.nLength = sizeof(attributes);
  attributes.lpSecurityDescriptor = nullptr;
  attributes.bInheritHandle = TRUE;
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  if (!::CreatePipe(&read, &write, &attributes, 0)) return false;
  pipe->readEnd = File(FromWin32(read));
  pipe->writeEnd = File(FromWin32(write));
  return true;
}

bool WindowsPlatform::StartProcess(const ProcessStart& start, Process* child) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(start.showState);
  if (start.standardOutput != nullptr) {
    // Standard input and error stay null: only the output is captured.
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdOutput = ToWin32(start.standardOutput->NativeHandle());
  }
  // CreateProcessA may write into its command line, so it gets a copy.
  std::string commandLine = start.commandLine;
  PROCESS_INFORMATION process = {};
  const char* application = start.applicationName.empty() ? nullptr : start.applicationName.c_str();
  if (!::CreateProcessA(
          application, &commandLine[0], nullptr, nullptr, start.inheritHandles ? TRUE : FALSE,
          start.createNoWindow ? CREATE_NO_WINDOW : 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  *child = Process(FromWin32(process.hProcess), FromWin32(process.hThread), process.dwThreadId);
  return true;
}

bool WindowsPlatform::StartThread(void (*fn)(void*), void* argument) {
  // _beginthread, not CreateThread, so that the runtime library is set up
  // for the new thread; it reports failure as all bits set.
  return ::_beginthread(fn, 0, argument) != static_cast<std::uintptr_t>(-1);
}

std::uint32_t WindowsPlatform::CurrentThreadId() { return ::GetCurrentThreadId(); }

}  // namespace carafe
