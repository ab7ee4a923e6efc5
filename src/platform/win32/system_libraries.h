// System DLLs come from the system folder only. The launcher is started from
// download folders, where a DLL named like a system one would otherwise be
// found before the real one. No Windows types here, so the entry point can
// name these without <windows.h>.
#pragma once

namespace carafe {

// From now on LoadLibrary, the system DLLs' own loads included, searches the
// system folder only. Needs SetDefaultDllDirectories (Windows 8, or Vista and
// 7 with update KB2533623), looked up at run time so that older systems still
// start the program; there it changes nothing. Call it before anything loads
// a DLL by name.
void RestrictDllSearchToSystemFolder();

// Any function pointer; converting from and to it is what GCC accepts
// without a cast warning.
using AnyFunction = void (*)();

// The export `name` of the DLL `dll` in the system folder, loaded from there
// by its full path; null when either is missing. The DLL stays loaded.
AnyFunction SystemFunctionAddress(const char* dll, const char* name);

// The same with its own type, for instance
// SystemFunction<void(WINAPI*)()>("comctl32.dll", "InitCommonControls").
// What a static import needs is found before any code of ours runs, in the
// launcher's folder first unless it is a KnownDLL. So comctl32 (no KnownDLL)
// comes through here, and so do comdlg32 and shell32: only the browse dialog
// needs them, and they bring DLLs of their own (some comdlg32 builds import
// comctl32).
template <typename Function>
Function SystemFunction(const char* dll, const char* name) {
  return reinterpret_cast<Function>(SystemFunctionAddress(dll, name));
}

}  // namespace carafe
