// Keeps parts of the C++ runtime out of the launcher that it would never
// use but that the static link drags in.
//
// The launcher is built without exceptions: errors are values, and every
// heap block whose size a file decides is asked of the platform
// (Platform::AllocateBlock), which reports a refusal. What is left of the library's
// exception support is the raising of its own errors (length_error,
// bad_alloc...), which no code here could catch anyway. Defining the
// library's raising functions and the allocator here with the end an
// uncaught exception would have had, std::abort, keeps out the throw and
// catch machinery with the DWARF unwinder (about 35 KB of the 32-bit
// executable), the exception classes with their strings, and the demangler
// that the verbose terminate handler uses to print the type of an uncaught
// exception, which a GUI program has nowhere to print. The guards of local
// statics are defined here for the same reason: the library's own throw
// when a static's initialiser recurses. Should a later runtime need another
// of these functions, the link fails with a duplicate definition instead of
// growing silently.
#include <bits/functexcept.h>
#include <windows.h>

#include <cstdlib>
#include <new>

namespace __gnu_cxx {
[[noreturn]] void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_bad_function_call() { abort(); }
}  // namespace std

// The launcher installs no new-handler, so the library's retry loop would
// only ever end in the throw of bad_alloc.
void* operator new(std::size_t size) {
  void* block = std::malloc(size != 0 ? size : 1);
  if (block == nullptr) std::abort();
  return block;
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

// Guards of function-local statics, which the two threads may both reach
// first. The guard's first byte is the compiler's "done" flag; the second
// marks an initialisation under way, and a thread that finds it set yields
// until the other one is done.
extern "C" {
int __cxa_guard_acquire(long long* guard) {
  char* done = reinterpret_cast<char*>(guard);
  char* busy = done + 1;
  for (;;) {
    if (__atomic_load_n(done, __ATOMIC_ACQUIRE) != 0) return 0;
    char idle = 0;
    if (__atomic_compare_exchange_n(busy, &idle, 1, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED)) {
      if (__atomic_load_n(done, __ATOMIC_ACQUIRE) == 0) return 1;
      __atomic_store_n(busy, 0, __ATOMIC_RELEASE);
      return 0;
    }
    Sleep(0);
  }
}

void __cxa_guard_release(long long* guard) {
  char* done = reinterpret_cast<char*>(guard);
  __atomic_store_n(done, 1, __ATOMIC_RELEASE);
  __atomic_store_n(done + 1, 0, __ATOMIC_RELEASE);
}

void __cxa_guard_abort(long long* guard) {
  __atomic_store_n(reinterpret_cast<char*>(guard) + 1, 0, __ATOMIC_RELEASE);
}
}  // extern "C"
