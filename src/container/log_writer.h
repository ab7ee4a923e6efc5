// The readers of the setup container and the Java archive still write their
// own log entries; until they return reasons instead, they reach the log
// writer through this header.
#pragma once

#include "support/log_writer.h"
