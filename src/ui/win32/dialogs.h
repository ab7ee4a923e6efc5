// The dialogs of the Win32 user interface and the pieces they share.
// Windows-only; the portable rest of the launcher reaches them through
// UserInterface (win32_user_interface.cpp).
#pragma once

#include <windows.h>

#include <atomic>

namespace carafe {

// Private messages the worker sends to the progress dialog around every
// window it puts in front of it. Above WM_USER, so no control claims them.
constexpr UINT MSG_HIDE_PROGRESS = 3025;
constexpr UINT MSG_SHOW_PROGRESS = 3026;

// The progress dialog's windows and the abort outcome, owned by the user
// interface and handed to the dialog as its creation parameter. The handles
// are set on the main thread while the dialog is created and read by the
// worker, hence atomic; the aborted flag is the main thread's alone.
struct ProgressWindows {
  HINSTANCE instance = nullptr;
  std::atomic<HWND> dialog{nullptr};
  std::atomic<HWND> statusLine{nullptr};
  HWND bar = nullptr;
  bool aborted = false;
};

// DialogBoxParamA with these arguments; the value passed to EndDialog, or -1
// when the dialog could not be created.
INT_PTR RunModalDialog(HWND owner, HINSTANCE instance, int templateId, DLGPROC procedure,
                       LPARAM parameter);

// Centres window on its parent or owner (kept on the screen), or on the
// screen when it has none. Does not repaint.
void CenterWindow(HWND window);

// Dialog parameter for PromptDialogProc: the prompt runs on the worker
// thread, so it must show itself and take the foreground. The abort prompt
// (main thread, parameter 0) is only centred.
constexpr LPARAM kPromptToFront = 1;

// The OK/Cancel prompts (bundled VM prompt, abort prompt).
INT_PTR CALLBACK PromptDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The modeless progress dialog, template IDD_PROGRESS.
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The browse dialog, template IDD_BROWSE. The parameter is a char buffer of
// kMaxPath characters that receives the edit control's text on OK.
INT_PTR CALLBACK BrowseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace carafe
