// Placeholder: the run sequence lands with the core work.
#include "core/launcher.h"

namespace carafe {

namespace {
PathString modulePath;
}

void SetModulePath(const PathString& path) { modulePath = path; }
const PathString& ModulePath() { return modulePath; }

Launcher::~Launcher() { CleanUp(); }
void Launcher::CleanUp() {}
bool Launcher::Initialize(const PathString&, const std::string&) { return false; }
bool Launcher::Run() { return false; }
bool Launcher::WantsRegisteredJvm() { return false; }
bool Launcher::UseRegisteredJvm() { return false; }
bool Launcher::ValidateAndLaunch() { return false; }
bool Launcher::OpenLog() { return true; }

}  // namespace carafe
