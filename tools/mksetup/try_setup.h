// `mksetup try`: runs a setup under Wine on Linux in a throwaway prefix,
// with the host's JVM behind a Windows path, and shows what happened.
#pragma once

#include <iosfwd>

#include "mksetup/commands.h"

namespace mksetup {

// try SETUP.EXE [--jvm JAVA] [-- LAUNCHER-OPTIONS...]: exits with the
// installation's exit code, 125 when it never ran.
int TryCommand(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace mksetup
