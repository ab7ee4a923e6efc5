// A Launcher whose every step is scripted and recorded, for the run
// sequence and the entry point; extraction writes real (in-memory) files.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/launcher.h"
#include "memory_platform.h"

namespace carafe {
namespace scripted {

inline const std::string kClass = std::string("\xCA\xFE\xBA\xBE", 4) + "rest of a class";
inline const char* const kVerify = "C:\\TEMP\\Verify.class";
inline const char* const kArchive = "C:\\TEMP\\rerodova.class";
inline const char* const kInstaller = "C:\\TEMP\\jre-setup.exe";
inline const char* const kFound = "C:\\JRE\\bin\\java.exe";
inline const char* const kChosen = "D:\\chosen\\bin\\java.exe";

inline bool Next(std::deque<bool>& results) {
  if (results.empty()) return false;
  bool result = results.front();
  results.pop_front();
  return result;
}

// Every step the run calls, scripted; each call is recorded.
class ScriptedLauncher : public Launcher {
 public:
  explicit ScriptedLauncher(MemoryPlatform& os) : os_(os) {}

  std::vector<std::string> calls;
  bool extractVerify = true, extractArchive = true;
  std::string verifyContent = kClass, archiveContent = kClass;
  std::string containerCriteria;
  std::deque<bool> searches, registryReads;
  bool offer = true, runInstaller = true, browse = false, validate = true, launch = true;
  std::function<void()> whileOffering;

  bool ExtractVerifyClass() override {
    return Extract("extract verify", extractVerify, kVerify, verifyContent, &verifyClassPath,
                   &verifyClassWritten);
  }
  bool ExtractJavaArchive() override {
    return Extract("extract archive", extractArchive, kArchive, archiveContent, &archivePath,
                   &javaArchiveWritten);
  }
  bool ExtractSearchCriteria() override {
    calls.push_back("extract criteria");
    searchCriteria = containerCriteria;
    return !searchCriteria.empty();
  }
  bool SearchForJvm() override {
    calls.push_back("search");
    return Next(searches) && Found(kFound);
  }
  bool ReadRegisteredJvm() override {
    calls.push_back("registry");
    return Next(registryReads) && Found(kFound);
  }
  bool OfferBundledJvm() override {
    calls.push_back("offer");
    if (!offer) return false;
    os_.AddFile(kInstaller, "MZ");
    bundledInstallerPath = kInstaller;
    bundledInstallerWritten = true;
    if (whileOffering) whileOffering();
    return true;
  }
  bool RunBundledJvmInstaller() override {
    calls.push_back("run installer");
    return runInstaller;
  }
  bool BrowseForJvm() override {
    calls.push_back("browse");
    return browse && Found(kChosen);
  }
  bool ValidateJvm() override {
    calls.push_back("validate " + jvmPath);
    return validate;
  }
  bool RunInstallation() override {
    calls.push_back("launch");
    return launch;
  }

 private:
  bool Extract(const char* name, bool succeeds, const char* path, const std::string& content,
               std::string* field, bool* written) {
    calls.push_back(name);
    if (!succeeds) return false;
    os_.AddFile(path, content);
    *field = path;
    *written = true;
    return true;
  }
  bool Found(const char* bin) {
    jvmPath = bin;
    classPath = "C:\\JRE\\lib\\rt.jar";
    return true;
  }
  MemoryPlatform& os_;
};

}  // namespace scripted
}  // namespace carafe
