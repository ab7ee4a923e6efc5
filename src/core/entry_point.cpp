// The main thread's part of a run: options, then either the silent run on
// this thread or the progress dialog with the run on a worker thread.
#include "core/entry_point.h"

#include "string_ids.h"
#include "support/log_writer.h"

namespace carafe {

void WorkerThreadMain(void* argument) {
  Launcher& launcher = *static_cast<Launcher*>(argument);
  launcher.Run();
  // From here on the clean-up at exit may treat every written file as
  // complete: Run has returned.
  launcher.SetWorkerState(WorkerState::Finished);
  if (UserInterface* ui = launcher.AttachedUserInterface()) ui->PostQuit(launcher.MainThread());
}

int RunEntryPoint(Launcher& launcher, UserInterface& ui, const std::string& commandLine) {
  // Message boxes reach the user in silent mode too, so the interface is
  // attached either way; the launcher keeps the dialog calls to itself then.
  launcher.AttachUserInterface(&ui);
  launcher.Initialize(WidePath(Os().ExecutablePath()), commandLine);

  if (launcher.Silent()) {
    launcher.Run();
  } else {
    launcher.SetMessageTitle(Os().LoadText(IDS_MESSAGE_TITLE, kMessageTitleChars));
    // Without a dialog the run still goes ahead; the loop ends on the
    // worker's quit message all the same.
    ui.CreateProgress();
    launcher.SetMainThread(Os().CurrentThreadId());
    launcher.SetWorkerState(WorkerState::Running);
    if (Os().StartThread(&WorkerThreadMain, &launcher)) {
      ui.RunMessageLoop();
    } else {
      // No worker: rather than leave the dialog up until the user aborts,
      // run on this thread. The dialog stays visible but frozen, and there is
      // no abort; the prompts still work, as they run their own loops.
      launcher.SetWorkerState(WorkerState::None);
      launcher.Run();
    }
    // After a confirmed abort the worker may still be inside a step; the
    // process ends under it, and the clean-up before the end deletes only
    // the files whose steps have returned (Launcher::CleanUp).
    if (ui.Aborted())
      launcher.Log(FormatEntry("\r\n %s \r\n", LoadLabel(IDS_APPLICATION_ABORTED).c_str()));
  }
  return 0;
}

}  // namespace carafe
