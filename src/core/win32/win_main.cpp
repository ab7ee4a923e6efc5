// The program's entry point. It installs the Win32 platform and user
// interface and hands over to RunEntryPoint. <windows.h> is not needed: the
// instance handle only travels on, as an opaque pointer.
#include <cstdlib>

#include "core/entry_point.h"
#include "core/launcher.h"
#include "platform/win32/system_libraries.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32/win32_user_interface.h"

// The same declaration as the system headers', so that the runtime's start-up
// code finds it (as _WinMain@16 on 32-bit Windows).
struct HINSTANCE__;
extern "C" int __stdcall WinMain(HINSTANCE__* instance, HINSTANCE__* previousInstance,
                                 char* commandLine, int showState);

namespace {

// Static storage duration: constructed before WinMain runs, destroyed at
// process exit, where its destruction deletes what the run wrote. The
// platform it needs then is never destroyed.
carafe::Launcher launcher;

}  // namespace

extern "C" int __stdcall WinMain(HINSTANCE__* instance, HINSTANCE__*, char* commandLine, int) {
  // First of all: the launcher is run from download folders full of other
  // people's DLLs.
  carafe::RestrictDllSearchToSystemFolder();
  carafe::SetPlatform(&carafe::Win32Platform(instance));
  int exitCode = carafe::RunEntryPoint(launcher, carafe::Win32UserInterface(instance),
                                       commandLine ? commandLine : "");
  // After an abort the worker may still be running and using the launcher's
  // fields. Clean up now (only what is complete) and end the process without
  // running static destructors, so the worker never meets a destroyed object.
  launcher.CleanUp();
  std::_Exit(exitCode);
}
