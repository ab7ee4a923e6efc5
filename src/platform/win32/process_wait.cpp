// Waiting for a child process while keeping the calling thread's windows
// alive, and hiding the child's window on the Windows 95/98 family.
#include "platform/win32/windows_platform.h"

namespace carafe {

namespace {

// Time given to the child to show its first window before the search.
constexpr DWORD kWindowSearchDelayMs = 500;
// Scans of the top-level windows made after each delay.
constexpr int kWindowSearchScans = 10;
// Wake on sent messages and on windows that need painting, never on input.
constexpr DWORD kWakeMask = QS_PAINT | QS_SENDMESSAGE;
// Private messages run up to the last message identifier.
constexpr UINT kLastPrivateMessage = 0xFFFF;

// True on the Windows 95/98 family, where CREATE_NO_WINDOW and the show
// state do not keep a console JVM's window off the screen.
bool OnWindows9x() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  return ::GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// Hides the first visible top-level window created by the child's primary
// thread. The desktop's first child is skipped: the checks start at its
// successor in Z order.
void HideChildWindow(DWORD childThreadId) {
  ::Sleep(kWindowSearchDelayMs);
  for (int scan = 0; scan < kWindowSearchScans; ++scan) {
    HWND window = ::GetWindow(::GetDesktopWindow(), GW_CHILD);
    while (window && (window = ::GetWindow(window, GW_HWNDNEXT)) != nullptr) {
      if (::GetWindowThreadProcessId(window, nullptr) == childThreadId &&
          ::IsWindowVisible(window)) {
        ::ShowWindow(window, SW_HIDE);
        return;
      }
    }
  }
}

// Serves paint and private messages; input, timers and system messages are
// removed and dropped so that the user cannot act on the hidden dialogs.
void DispatchPaintAndPrivateMessages() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_PAINT ||
        (message.message >= WM_USER && message.message <= kLastPrivateMessage)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
}

}  // namespace

bool WindowsPlatform::WaitForProcess(const Process& child, bool windowSearch) {
  // A process that never started holds all bits set, which Windows reads
  // as the calling process itself: waiting on it would never end.
  if (!child.IsStarted()) return false;
  HANDLE process = ToWin32(child.NativeHandle());
  bool searchWindows = windowSearch && OnWindows9x();
  for (;;) {
    if (searchWindows) HideChildWindow(child.ThreadId());
    DWORD result = ::MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, kWakeMask);
    if (result == WAIT_OBJECT_0) return true;
    if (result == WAIT_FAILED) return false;
    if (result == WAIT_OBJECT_0 + 1) DispatchPaintAndPrivateMessages();
  }
}

bool WindowsPlatform::EndProcess(const Process& child, std::uint32_t graceMs) {
  if (!child.IsStarted()) return false;
  HANDLE process = ToWin32(child.NativeHandle());
  if (::WaitForSingleObject(process, graceMs) == WAIT_OBJECT_0) return true;
  // Its exit code says why it ended, should anyone look.
  constexpr UINT kEndedByLauncher = 1;
  return ::TerminateProcess(process, kEndedByLauncher) &&
         ::WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0;
}

}  // namespace carafe
