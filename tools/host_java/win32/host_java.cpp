// java.exe inside Wine, standing for the host's JVM (`mksetup try`, the
// end-to-end tests): Wine starts a Linux program from CreateProcessA but
// neither connects its output to the pipe it was given nor lets the parent
// wait for it, so every run is handed over through files. "<exe name>.ini"
// beside it says where: forward=C:\folder. It writes "<id>.request" there
// (the current folder, then each argument, one CR LF line each), waits for
// "<id>.answer" (the exit code as a line, then the output bytes), prints the
// bytes and exits with the code. The host side runs the JVM. C stdio, not
// the C++ streams: those would make it five times the size.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The whole file, or false when it cannot be opened.
bool ReadFile(const std::string& path, std::string* bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  char chunk[4096];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
    bytes->append(chunk, got);
  std::fclose(file);
  return true;
}

std::string ForwardFolder(const std::string& exe) {
  std::string ini;
  ReadFile(exe.substr(0, exe.find_last_of('.')) + ".ini", &ini);
  for (std::size_t at = 0; at < ini.size();) {
    std::size_t end = ini.find('\n', at);
    const std::string line = ini.substr(at, end == std::string::npos ? end : end - at);
    if (line.compare(0, 8, "forward=") == 0) return line.substr(8, line.find('\r') - 8);
    at = end == std::string::npos ? ini.size() : end + 1;
  }
  return std::string();
}

}  // namespace

int main(int argc, char** argv) {
  // The launcher reads the bytes as written: no CR is to be added.
  _setmode(_fileno(stdout), _O_BINARY);
  char buffer[MAX_PATH], current[MAX_PATH] = "";
  const std::string folder =
      ForwardFolder(std::string(buffer, GetModuleFileNameA(nullptr, buffer, MAX_PATH)));
  if (folder.empty()) {
    std::fputs("host_java: no forward=FOLDER in the .ini beside me\n", stderr);
    return 1;
  }
  GetCurrentDirectoryA(MAX_PATH, current);
  const std::string id = folder + "\\" + std::to_string(GetCurrentProcessId());
  std::string request = std::string(current) + "\r\n";
  for (int i = 1; i < argc; ++i) request += std::string(argv[i]) + "\r\n";
  std::FILE* partial = std::fopen((id + ".partial").c_str(), "wb");
  if (!partial) return 1;
  std::fwrite(request.data(), 1, request.size(), partial);
  std::fclose(partial);
  MoveFileA((id + ".partial").c_str(), (id + ".request").c_str());
  // Long enough for a cold host JVM on a loaded machine; the host side has
  // its own, shorter limit and answers when it ends the JVM.
  std::string bytes;
  for (DWORD start = GetTickCount(); !ReadFile(id + ".answer", &bytes); Sleep(20))
    if (GetTickCount() - start >= 900000) return 1;
  DeleteFileA((id + ".answer").c_str());
  const std::string output = bytes.substr(bytes.find('\n') + 1);
  std::fwrite(output.data(), 1, output.size(), stdout);
  std::fflush(stdout);
  return std::atoi(bytes.c_str());
}
