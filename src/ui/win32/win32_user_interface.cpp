// UserInterface over the Win32 dialogs. The progress dialog belongs to the
// main thread; the worker reaches it only through synchronous window calls
// (SetWindowTextA, SendMessageA), which the main thread's loop serves.
#include "ui/win32/win32_user_interface.h"

#include <windows.h>
// The common-control headers need windows.h in front of them.
#include <commctrl.h>

#include "platform/platform.h"
#include "platform/win32/system_libraries.h"
#include "string_ids.h"
#include "ui/win32/dialogs.h"

namespace carafe {

namespace {

class Win32Interface final : public UserInterface {
 public:
  explicit Win32Interface(HINSTANCE instance) { progress_.instance = instance; }

  bool CreateProgress() override {
    // The progress bar's window class.
    auto initCommonControls = SystemFunction<void(WINAPI*)()>("comctl32.dll", "InitCommonControls");
    if (initCommonControls != nullptr) initCommonControls();
    // The dialog keeps a pointer to the windows it fills in (see
    // ProgressDialogProc).
    HWND dialog = CreateDialogParamA(progress_.instance, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr,
                                     ProgressDialogProc, reinterpret_cast<LPARAM>(&progress_));
    if (dialog == nullptr) return false;
    progress_.dialog = dialog;
    ShowWindow(dialog, SW_SHOWNORMAL);
    return true;
  }

  void RunMessageLoop() override {
    MSG message;
    // GetMessageA gives -1 on a bad call; that ends the loop as well rather
    // than spinning.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      HWND dialog = progress_.dialog;
      if (dialog != nullptr && IsDialogMessageA(dialog, &message)) continue;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }

  void PostQuit(std::uint32_t mainThreadId) override {
    PostThreadMessageA(mainThreadId, WM_QUIT, 0, 0);
  }

  bool Aborted() const override { return progress_.aborted; }

  // After an abort these reach a destroyed window and do nothing; without a
  // dialog (silent) they are not made at all.
  void SetStatus(const std::string& text) override {
    HWND statusLine = progress_.statusLine;
    if (statusLine != nullptr) SetWindowTextA(statusLine, text.c_str());
  }

  void HideProgress() override { SendToProgress(MSG_HIDE_PROGRESS); }
  void ShowProgress() override { SendToProgress(MSG_SHOW_PROGRESS); }

  int RunBundledJvmPrompt() override {
    return static_cast<int>(RunModalDialog(progress_.dialog, progress_.instance, IDD_BUNDLED_PROMPT,
                                           PromptDialogProc, kPromptToFront));
  }

  int RunBrowseDialog(std::string* path) override {
    char buffer[kMaxPath] = {};
    INT_PTR result = RunModalDialog(progress_.dialog, progress_.instance, IDD_BROWSE,
                                    BrowseDialogProc, reinterpret_cast<LPARAM>(buffer));
    if (path != nullptr) *path = buffer;
    return static_cast<int>(result);
  }

  void ShowStopMessage(const std::string& text, const std::string& caption,
                       bool ownedByProgress) override {
    HWND owner = ownedByProgress ? progress_.dialog.load() : nullptr;
    MessageBoxA(owner, text.c_str(), caption.c_str(), MB_ICONSTOP | MB_OK);
  }

 private:
  void SendToProgress(UINT message) {
    HWND dialog = progress_.dialog;
    if (dialog != nullptr) SendMessageA(dialog, message, 0, 0);
  }

  ProgressWindows progress_;
};

}  // namespace

UserInterface& Win32UserInterface(void* instance) {
  static Win32Interface userInterface(static_cast<HINSTANCE>(instance));
  return userInterface;
}

}  // namespace carafe
