// Keeps parts of the C++ runtime out of the launcher that it would never
// use but that the static link drags in: 100 KB of the 32-bit executable.
//
// The launcher catches one exception only, std::bad_alloc (a heap block that
// cannot be had is reported as a value). Every other exception the library
// could raise (length_error, out_of_range...) is never caught, so it ends
// the process through std::terminate. Defining the library's raising
// functions here with that same end, and bad_alloc still thrown, keeps out
// the exception classes with their strings of the old ABI; replacing the
// verbose terminate handler keeps out the demangler that prints the type of
// an uncaught exception, which a GUI program has nowhere to print. Should a
// later runtime need another of these functions, the link fails with a
// duplicate definition instead of growing silently.
#include <bits/functexcept.h>

#include <cstdlib>
#include <new>

namespace __gnu_cxx {
[[noreturn]] void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char*) { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_bad_function_call() { abort(); }
}  // namespace std
