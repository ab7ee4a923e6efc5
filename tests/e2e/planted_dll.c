/* A DLL planted beside the launcher under a system DLL's name. Loading it is
   what must not happen: its DllMain leaves <its own path>.loaded behind, and
   it exports InitCommonControls so that a program importing comctl32 by
   name starts with it.
   Built with -DCONTROL, the control instead: a program that loads system
   DLLs the ordinary way, as the launcher did before it kept to the system
   folder. comctl32 is a static import; every argument is loaded by name. */
#include <windows.h>
#ifdef CONTROL
#include <commctrl.h>

int main(int argc, char** argv) {
  InitCommonControls();
  for (int i = 1; i < argc; ++i) LoadLibraryA(argv[i]);
  return 0;
}
#else
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  char path[MAX_PATH + 8];
  DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  if (reason == DLL_PROCESS_ATTACH && length > 0 && length < MAX_PATH)
    CloseHandle(CreateFileA(lstrcatA(path, ".loaded"), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0,
                            NULL));
  return TRUE;
}

__declspec(dllexport) void WINAPI InitCommonControls(void) {}
#endif
