// java.exe inside Wine, standing for the host's JVM (`mksetup try`, the
// end-to-end tests): Wine starts a Linux program from CreateProcessA but
// neither connects its output to the pipe it was given nor lets the parent
// wait for it, so every run is handed over through files. "<exe name>.ini"
// beside it says where: forward=C:\folder. It writes "<id>.request" there
// (the current folder, then each argument, one CR LF line each), waits for
// "<id>.answer" (the exit code as a line, then the output bytes), prints the
// bytes and exits with the code. The host side runs the JVM.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace {

std::string ForwardFolder(const std::string& exe) {
  std::ifstream in(exe.substr(0, exe.find_last_of('.')) + ".ini");
  for (std::string line; std::getline(in, line);)
    if (line.compare(0, 8, "forward=") == 0) return line.substr(8, line.find('\r') - 8);
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
    std::cerr << "host_java: no forward=FOLDER in the .ini beside me\n";
    return 1;
  }
  GetCurrentDirectoryA(MAX_PATH, current);
  const std::string id = folder + "\\" + std::to_string(GetCurrentProcessId());
  std::string request = std::string(current) + "\r\n";
  for (int i = 1; i < argc; ++i) request += std::string(argv[i]) + "\r\n";
  std::ofstream(id + ".partial", std::ios::binary) << request;  // closed here
  MoveFileA((id + ".partial").c_str(), (id + ".request").c_str());
  // Long enough for a cold host JVM on a loaded machine; the host side has
  // its own, shorter limit and answers when it ends the JVM.
  std::ifstream answer;
  for (DWORD start = GetTickCount(); answer.open(id + ".answer", std::ios::binary), !answer;
       Sleep(20))
    if (GetTickCount() - start >= 900000) return 1;
  const std::string bytes{std::istreambuf_iterator<char>(answer), {}};
  answer.close();
  DeleteFileA((id + ".answer").c_str());
  std::cout << bytes.substr(bytes.find('\n') + 1) << std::flush;
  return std::atoi(bytes.c_str());
}
