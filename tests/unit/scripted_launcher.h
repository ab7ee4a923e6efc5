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

class ScriptedLauncher : public Launcher {
 public:
  explicit ScriptedLauncher(MemoryPlatform& os) : os_(os) {}

  std::vector<std::string> calls;
  bool extractVerify = true, extractArchive = true;
  std::string archiveContent = kClass, containerCriteria;
  std::deque<bool> searches, registryReads;
  bool offer = true, runInstaller = true, browse = false, validate = true, launch = true;
  std::function<void()> whileOffering;

  bool ExtractVerifyClass() override {
    return Extract("extract verify", extractVerify, kVerify, kClass, &verifyClassPath,
                   &verifyClassWritten);
  }
  bool ExtractJavaArchive() override {
    return Extract("extract archive", extractArchive, kArchive, archiveContent, &archivePath,
                   &javaArchiveWritten);
  }
  bool ExtractSearchCriteria() override {
    searchCriteria = containerCriteria;
    return Call("extract criteria", !searchCriteria.empty());
  }
  bool SearchForJvm() override { return Call("search", Next(searches) && Found(kFound)); }
  bool ReadRegisteredJvm() override {
    return Call("registry", Next(registryReads) && Found(kFound));
  }
  bool OfferBundledJvm() override {
    if (!Call("offer", offer)) return false;
    os_.AddFile(kInstaller, "MZ");
    bundledInstallerPath = kInstaller;
    bundledInstallerWritten = true;
    if (whileOffering) whileOffering();
    return true;
  }
  bool RunBundledJvmInstaller() override { return Call("run installer", runInstaller); }
  bool BrowseForJvm() override { return Call("browse", browse && Found(kChosen)); }
  bool ValidateJvm() override { return Call("validate " + jvmPath, validate); }
  bool RunInstallation() override { return Call("launch", launch); }

 private:
  bool Call(const std::string& name, bool result) {
    calls.push_back(name);
    return result;
  }
  static bool Next(std::deque<bool>& results) {
    bool result = !results.empty() && results.front();
    if (!results.empty()) results.pop_front();
    return result;
  }
  bool Extract(const char* name, bool succeeds, const char* path, const std::string& content,
               std::string* field, bool* written) {
    if (!Call(name, succeeds)) return false;
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
