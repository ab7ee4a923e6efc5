// The pieces every dialog of the launcher shares.
#include "ui/center_window.h"
#include "ui/win32/dialogs.h"

namespace carafe {

INT_PTR RunModalDialog(HWND owner, HINSTANCE instance, int templateId, DLGPROC procedure,
                       LPARAM parameter) {
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), owner, procedure, parameter);
}

namespace {

ScreenRect ToScreenRect(const RECT& rect) {
  ScreenRect result;
  result.left = rect.left;
  result.top = rect.top;
  result.right = rect.right;
  result.bottom = rect.bottom;
  return result;
}

}  // namespace

void CenterWindow(HWND window) {
  RECT own;
  if (!GetWindowRect(window, &own)) return;
  // GetParent answers with the owner for a pop-up, which is what the
  // prompts are centred on, even while that owner is hidden.
  HWND parent = GetParent(window);
  RECT parentRect;
  ScreenRect parentScreenRect;
  const ScreenRect* parentArea = nullptr;
  if (parent != nullptr && GetWindowRect(parent, &parentRect)) {
    parentScreenRect = ToScreenRect(parentRect);
    parentArea = &parentScreenRect;
  }
  ScreenPoint corner = CenteredPosition(
      ToScreenRect(own), parentArea, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  MoveWindow(window, corner.x, corner.y, own.right - own.left, own.bottom - own.top, FALSE);
}

INT_PTR CALLBACK PromptDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      CenterWindow(dialog);
      if (lParam == kPromptToFront) {
        ShowWindow(dialog, SW_SHOWNORMAL);
        SetForegroundWindow(dialog);
      }
      break;
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
        EndDialog(dialog, LOWORD(wParam));
      break;
    default:
      break;
  }
  // Nothing is claimed, WM_INITDIALOG included: the dialog manager's own
  // handling (focus on activation, Enter and Esc) stays in place.
  return FALSE;
}

}  // namespace carafe
