// The program's own versions of a few functions of the C++ runtime library, linked into the
// program alone (the tests keep the library's). The library's versions bring in far more than
// they do: the terminate handler brings the symbol demangler, and the throw helpers bring
// std::logic_error and its family with two string instantiations of their own. Together they
// were a third of the program's size.
//
// These replace the library's file of throw helpers as a whole. Should the program or a new
// version of the library ever need a helper not defined here, the linker pulls in that file as
// well, and the build stops (CMakeLists.txt reads the link map): the change shows when the
// program is built, not silently.

#include <windows.h>

#include <cstdlib>
#include <exception>
#include <new>

#include "base/RuntimeError.h"

namespace {

[[noreturn]] void ThrowInvalidCall() {
  throw base::RuntimeError(base::RuntimeError::kInvalidCall);
}

}  // namespace

namespace __gnu_cxx {

// Called when an exception escapes what should have caught it. The library's handler writes
// the exception's demangled type to stderr, which a GUI program does not have; a program in
// that state can only end.
void __verbose_terminate_handler() {
  std::abort();
}

}  // namespace __gnu_cxx

namespace std {

// The library throws these when memory runs out: run-time error 7 at every catch site.
void __throw_bad_alloc() {
  throw bad_alloc();
}
void __throw_bad_array_new_length() {
  throw bad_array_new_length();
}

// The library throws these for a misuse of a string or container: a length beyond the maximum,
// an index out of range, a null pointer for a string. Every catch site in the program reports
// any exception that is not a RuntimeError or bad_alloc as run-time error 5, so they throw
// that error directly.
void __throw_logic_error(const char*) {
  ThrowInvalidCall();
}
void __throw_length_error(const char*) {
  ThrowInvalidCall();
}
void __throw_out_of_range(const char*) {
  ThrowInvalidCall();
}
void __throw_out_of_range_fmt(const char*, ...) {
  ThrowInvalidCall();
}
void __throw_invalid_argument(const char*) {
  ThrowInvalidCall();
}

}  // namespace std

// A function-local static is made once, by the first thread to come to it, while any other that
// comes meanwhile waits (the compiler checks the guard's first byte itself before it calls these).
// The library's versions bring a recursive mutex and an error class of their own; these keep the
// state in the guard's first four bytes: 1 once made, 0x100 while being made.
extern "C" {

int __cxa_guard_acquire(long long* guard) {
  auto* state = reinterpret_cast<volatile LONG*>(guard);
  for (;;) {
    const LONG was = InterlockedCompareExchange(state, 0x100, 0);
    if (was == 0) return 1;  // this thread makes it
    if (was == 1) return 0;  // made
    Sleep(0);                // another thread makes it
  }
}

void __cxa_guard_release(long long* guard) {
  InterlockedExchange(reinterpret_cast<volatile LONG*>(guard), 1);
}

// Making it threw: the next thread to come makes it again.
void __cxa_guard_abort(long long* guard) {
  InterlockedExchange(reinterpret_cast<volatile LONG*>(guard), 0);
}

}  // extern "C"
