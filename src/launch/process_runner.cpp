#include "launch/process_runner.h"

#include "launch/program_path.h"
#include "platform/platform.h"

namespace carafe {

bool RunProgram(const std::string& program, const std::string& arguments, bool hidden,
                bool showChild) {
  ProcessStart start = StartOf(program, arguments);
  start.showState = hidden && !showChild ? kShowHide : kShowNormal;
  start.inheritHandles = false;
  start.createNoWindow = true;
  Process child;
  if (!Os().StartProcess(start, &child)) return false;
  // On the Windows 95/98 family the show state does not keep a console JVM's
  // window off the screen, so its window is searched for and hidden; a
  // hidden run needs no search and a windowed program must stay visible.
  return Os().WaitForProcess(child, !hidden && !showChild);
}

}  // namespace carafe
