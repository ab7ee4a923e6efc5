// Finding the JVM: the criteria search of the run sequence and the maker's
// own registry key that replaces it when the criteria ask for it.
#include "container/file_utilities.h"
#include "container/log_writer.h"
#include "core/launcher.h"
#include "discovery/jvm_search.h"
#include "launch/class_path.h"
#include "string_ids.h"

namespace carafe {

namespace {

constexpr const char* kRegisteredJvmKey = "Software\\Varnica\\Java Virtual Machine";
constexpr const char* kDefaultJvmBin = "java.exe";

}  // namespace

bool Launcher::SearchForJvm() {
  SetStatus(IDS_SEARCHING_FOR_JVM);
  if (searchCriteria.empty() && !searchCriteriaGiven) ExtractSearchCriteria();

  std::uint32_t header = IDS_SEARCH_AFTER_INSTALL;
  if (SearchNumber() == 1) {
    header = IDS_SEARCH_SUMMARY;
    SetSearchNumber(SearchNumber() + 1);
  }
  WriteLog(&logFile, FormatEntry("\r\n%s \r\n", LoadLabel(header).c_str()));

  JvmRecord found = FindJvm(searchCriteria, verifyClassPath, &logFile);
  if (found.bin().empty()) {
    WriteLog(&logFile, FormatEntry("\r\n\t%s %s \r\n", LoadLabel(IDS_SEARCH_FAILED).c_str(),
                                        jvmPath.c_str()));
    return false;
  }
  jvmPath = found.bin();
  classPath = found.libs();
  if (LogAll())
    WriteLog(&logFile,
             FormatEntry("\r\n%s %s\r\n", LoadLabel(IDS_FOUND_JVM_AT).c_str(), jvmPath.c_str()));
  return true;
}

bool Launcher::ReadRegisteredJvm() {
  std::string home;
  if (!QueryRegistryString(kRegisteredJvmKey, "JavaHome", &home)) return false;
  std::string name;
  if (!QueryRegistryString(kRegisteredJvmKey, "JavaBin", &name)) name = kDefaultJvmBin;
  std::string executable = home + "\\bin\\" + name;
  if (!FileExists(executable)) return false;
  jvmPath = executable;
  classPath = CollectAllLibs(home);
  return true;
}

}  // namespace carafe
