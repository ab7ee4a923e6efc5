// What the launcher's core needs from its user interface.
//
// src/ui/win32/ implements it with the progress dialog, the prompts and
// message boxes; unit tests fake it, so the run sequence is tested without
// windows. Calls marked "worker" are made from the worker thread and reach the
// main thread synchronously (SetWindowTextA, SendMessageA).
#pragma once

#include <cstdint>
#include <string>

namespace carafe {

// Results of a modal dialog: the id of the button that ended it.
constexpr int kDialogOk = 1;
constexpr int kDialogCancel = 2;

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // Main thread, not silent: InitCommonControls, create and show the progress
  // dialog. False when the dialog cannot be created.
  virtual bool CreateProgress() = 0;
  // Main thread: the message loop, until the worker's quit message or a
  // confirmed abort.
  virtual void RunMessageLoop() = 0;
  // Worker: tells the main thread (by its id) that the run is over.
  virtual void PostQuit(std::uint32_t mainThreadId) = 0;
  // Main thread, after the loop: the user confirmed the abort prompt.
  virtual bool Aborted() const = 0;

  // Worker: the status line of the progress dialog.
  virtual void SetStatus(const std::string& text) = 0;
  // Worker: make the progress dialog invisible / visible again around another
  // window.
  virtual void HideProgress() = 0;
  virtual void ShowProgress() = 0;

  // Worker: the bundled VM prompt; returns kDialogOk or kDialogCancel.
  virtual int RunBundledJvmPrompt() = 0;
  // Worker: the browse dialog; *path receives the edit control's text on OK.
  virtual int RunBrowseDialog(std::string* path) = 0;

  // A message box with the stop icon and an OK button. Owned by the progress
  // dialog when ownedByProgress and the dialog exists, else without owner.
  virtual void ShowStopMessage(const std::string& text,
                               const std::string& caption,
                               bool ownedByProgress) = 0;
};

}  // namespace carafe
