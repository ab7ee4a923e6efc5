// The modeless progress dialog of the main thread: its text, the animated
// bar, the abort prompt behind Cancel, and the two private messages with
// which the worker hides and shows it.
#include <windows.h>
// The common-control headers need windows.h in front of them.
#include <commctrl.h>

#include "string_ids.h"
#include "ui/win32/dialogs.h"

namespace carafe {

namespace {

// The bar is animated, not measured: one step (the control's default 10 of
// 0..100) a second, starting again from empty after the step past the end.
constexpr UINT_PTR kTimerId = 1001;
constexpr UINT kTimerMilliseconds = 1000;
// The preparing text is the longest of the table.
constexpr int kPreparingTextChars = 500;

// The state the user interface handed over at creation; null before
// WM_INITDIALOG.
ProgressWindows* ProgressOf(HWND dialog) {
  return reinterpret_cast<ProgressWindows*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void InitializeProgress(HWND dialog, ProgressWindows& progress) {
  CenterWindow(dialog);
  progress.statusLine = GetDlgItem(dialog, IDC_STATUS_LINE);
  SetTimer(dialog, kTimerId, kTimerMilliseconds, nullptr);
  progress.bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
  SendMessageA(progress.bar, PBM_SETPOS, 0, 0);
  char text[kPreparingTextChars];
  if (LoadStringA(progress.instance, IDS_PREPARING_WIZARD, text, kPreparingTextChars) <= 0)
    text[0] = '\0';
  SetDlgItemTextA(dialog, IDC_PREPARING_TEXT, text);
}

// Cancel or Esc: the abort prompt, on this (the main) thread, while the
// worker goes on.
void AskToAbort(HWND dialog, ProgressWindows& progress) {
  ShowWindow(dialog, SW_HIDE);
  INT_PTR answer = RunModalDialog(dialog, progress.instance, IDD_ABORT_PROMPT, PromptDialogProc, 0);
  // The run ended while the prompt was open: its quit message ended the
  // prompt's loop (Wine then reports IDOK) and was posted again for the main
  // loop. That is a normal end, not an abort, and the dialog stays hidden.
  MSG quit;
  if (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) return;
  if (answer == IDOK) {
    progress.aborted = true;
    DestroyWindow(dialog);
    PostQuitMessage(0);
  } else {
    ShowWindow(dialog, SW_SHOW);
  }
}

}  // namespace

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* progress = reinterpret_cast<ProgressWindows*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(progress));
      InitializeProgress(dialog, *progress);
      break;
    }
    case WM_TIMER:
      if (ProgressWindows* progress = ProgressOf(dialog))
        SendMessageA(progress->bar, PBM_STEPIT, 0, 0);
      break;
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 && LOWORD(wParam) == IDCANCEL) {
        if (ProgressWindows* progress = ProgressOf(dialog)) AskToAbort(dialog, *progress);
      }
      break;
    case MSG_HIDE_PROGRESS:
      // An empty region rather than SW_HIDE: the window keeps its visible
      // state and simply shows nothing until the region is removed.
      SetWindowRgn(dialog, CreateRectRgn(0, 0, 0, 0), TRUE);
      break;
    case MSG_SHOW_PROGRESS:
      ShowWindow(dialog, SW_SHOWNORMAL);
      SetForegroundWindow(dialog);
      SetWindowRgn(dialog, nullptr, TRUE);
      break;
    case WM_DESTROY:
      KillTimer(dialog, kTimerId);
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace carafe
