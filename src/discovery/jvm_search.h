// One complete JVM search: the criteria's groups, passes and entries in
// their fixed order, stopping at the first JVM that passes, then the summary.
#pragma once

#include <string>

#include "discovery/jvm_record.h"
#include "platform/platform.h"

namespace carafe {

// Searches for a JVM that criteriaText accepts, verifying every candidate
// with the class at verifyClassPath and writing the search log to logHandle
// (none: no summary). The record of the first JVM that passed, or a record
// with every field empty.
JvmRecord FindJvm(const std::string& criteriaText, const std::string& verifyClassPath,
                  const File* logHandle);

// The number of the launcher's next search in this process, from 1. Only
// the first search is logged as the search summary; later ones follow the
// installation of a bundled JVM.
int SearchNumber();
void SetSearchNumber(int number);

}  // namespace carafe
