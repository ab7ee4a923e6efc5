/* The control: a program that loads system DLLs the ordinary way, as the
   launcher did before it kept to the system folder. comctl32 is a static
   import; every argument is loaded by name with LoadLibraryA. */
#include <windows.h>
#include <commctrl.h>

int main(int argc, char** argv) {
  InitCommonControls();
  for (int i = 1; i < argc; ++i) LoadLibraryA(argv[i]);
  return 0;
}
