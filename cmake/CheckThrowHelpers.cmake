# Run after Pellucor.exe is linked (cmake -DMAP=... -DEXE=... -P): fails, and removes the
# program, when the link map shows the C++ library's file of throw helpers, which
# src/base/CxxRuntime.cpp replaces.
file(READ "${MAP}" map)
if(map MATCHES "functexcept\\.o")
  file(REMOVE "${EXE}")
  message(FATAL_ERROR "Pellucor.exe: the library's throw helpers (functexcept.o) were linked in; "
                      "a helper that src/base/CxxRuntime.cpp lacks is needed")
endif()
