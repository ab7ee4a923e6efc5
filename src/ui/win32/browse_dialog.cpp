// The browse dialog: the last resort when no JVM was found. The user types or
// picks a JVM executable, or follows the note to the download page.
#include <windows.h>
// The common dialog and shell headers need windows.h in front of them.
#include <commdlg.h>
#include <shellapi.h>

#include "download_page.h"
#include "platform/platform.h"
#include "platform/win32/system_libraries.h"
#include "string_ids.h"
#include "ui/win32/dialogs.h"

namespace carafe {

namespace {

constexpr const char* kDownloadPage = JVM_DOWNLOAD_PAGE;
// The note is drawn like a link: pure blue, underlined.
constexpr COLORREF kLinkColour = 0x00FF0000;
constexpr char kExecutableFilter[] = "Executable Files (*.exe)\0*.exe\0";

// GetOpenFileNameA is given the structure of the oldest common dialog
// library (no FlagsEx and reserved fields), which every version accepts.
#if defined(__i386__)
static_assert(sizeof(OPENFILENAME_NT4A) == 76, "the 4.0 file dialog structure");
#endif

// One browse dialog at a time, on the worker thread.
struct BrowseState {
  HBRUSH background = nullptr;
  HFONT linkFont = nullptr;
} state;

char* ResultBuffer(HWND dialog) {
  return reinterpret_cast<char*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void PickExecutable(HWND dialog) {
  char file[kMaxPath] = {};
  OPENFILENAME_NT4A request = {};
  request.lStructSize = sizeof request;
  request.hwndOwner = dialog;
  request.hInstance = GetModuleHandleA(nullptr);
  request.lpstrFilter = kExecutableFilter;
  request.lpstrFile = file;
  request.nMaxFile = kMaxPath;
  request.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  auto getOpenFileName =
      SystemFunction<BOOL(WINAPI*)(OPENFILENAMEA*)>("comdlg32.dll", "GetOpenFileNameA");
  if (getOpenFileName != nullptr && getOpenFileName(reinterpret_cast<OPENFILENAMEA*>(&request)))
    SetDlgItemTextA(dialog, IDC_BROWSE_PATH, file);
}

// The note's own font, underlined. It is handed to the control as well as
// selected in WM_CTLCOLORSTATIC: some static controls select their font only
// after asking for the colours, which would drop a font selected there.
HFONT MakeLinkFont(HWND note) {
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(note, WM_GETFONT, 0, 0));
  if (font == nullptr) font = GetStockObject(SYSTEM_FONT);
  LOGFONTA description = {};
  if (GetObjectA(font, sizeof description, &description) == 0) return nullptr;
  description.lfUnderline = TRUE;
  HFONT linkFont = CreateFontIndirectA(&description);
  if (linkFont != nullptr)
    SendMessageA(note, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont), FALSE);
  return linkFont;
}

// Every static is drawn transparently on the button-face brush; the note in
// the link colour and font.
HBRUSH ColourStatic(HDC context, HWND control) {
  if (GetDlgCtrlID(control) == IDC_NOTE) {
    SetTextColor(context, kLinkColour);
    if (state.linkFont != nullptr) SelectObject(context, state.linkFont);
  }
  SetBkMode(context, TRANSPARENT);
  return state.background;
}

// The note is a plain static (no SS_NOTIFY), so clicks on it reach the
// dialog; only those inside its rectangle open the page.
void OpenPageIfOnNote(HWND dialog, LPARAM point) {
  POINT click = {static_cast<LONG>(LOWORD(point)), static_cast<LONG>(HIWORD(point))};
  ClientToScreen(dialog, &click);
  RECT note;
  if (!GetWindowRect(GetDlgItem(dialog, IDC_NOTE), &note)) return;
  if (!PtInRect(&note, click)) return;
  auto shellExecute = SystemFunction<HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT)>(
      "shell32.dll", "ShellExecuteA");
  if (shellExecute != nullptr)
    shellExecute(dialog, nullptr, kDownloadPage, nullptr, nullptr, SW_SHOWNORMAL);
}

void EndWithPath(HWND dialog) {
  char* result = ResultBuffer(dialog);
  if (result != nullptr) GetDlgItemTextA(dialog, IDC_BROWSE_PATH, result, kMaxPath);
  EndDialog(dialog, IDOK);
}

}  // namespace

INT_PTR CALLBACK BrowseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      CenterWindow(dialog);
      state.background = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
      state.linkFont = MakeLinkFont(GetDlgItem(dialog, IDC_NOTE));
      ShowWindow(dialog, SW_SHOWNORMAL);
      SetForegroundWindow(dialog);
      return FALSE;
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<INT_PTR>(
          ColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    case WM_COMMAND:
      if (HIWORD(wParam) != 0) break;
      if (LOWORD(wParam) == IDOK)
        EndWithPath(dialog);
      else if (LOWORD(wParam) == IDCANCEL)
        EndDialog(dialog, IDCANCEL);
      else if (LOWORD(wParam) == IDC_BROWSE_BUTTON)
        PickExecutable(dialog);
      break;
    case WM_LBUTTONUP:
      OpenPageIfOnNote(dialog, lParam);
      break;
    case WM_DESTROY:
      DeleteObject(state.background);
      state.background = nullptr;
      if (state.linkFont != nullptr) DeleteObject(state.linkFont);
      state.linkFont = nullptr;
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace carafe
