#pragma once

#include <windows.h>

// Windows' own DLLs, loaded from the system folder only. A bare name is searched in the program's
// folder first, and users run Pellucor from their Downloads folder, where anything may lie.
// https://learn.microsoft.com/en-us/windows/win32/dlls/dynamic-link-library-security
namespace base {

// Takes the program's folder's neighbours and the current folder out of the DLL search for
// whatever the process loads from now on (SetDllDirectoryW(L""), and where kernel32 has it,
// SetDefaultDllDirectories with the system folder alone). For the very start of the program.
void RestrictDllSearch() noexcept;

// Loads `name` (a file name such as L"wininet.dll") from the system folder by its full path,
// with LOAD_WITH_ALTERED_SEARCH_PATH so that its own imports come from there too. Null when it
// cannot be loaded; GetLastError tells why. The module stays loaded.
HMODULE LoadSystemDll(const wchar_t* name) noexcept;

// A function of a loaded module, as the type of its declaration: SystemFunction<decltype(
// &ShellExecuteW)>(shell, "ShellExecuteW"). Null when the module is null or lacks it.
template <typename Function>
Function SystemFunction(HMODULE module, const char* name) noexcept {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(module ? GetProcAddress(module, name) : nullptr));
}

// Sets `function` as SystemFunction does; whether the module has it.
template <typename Function>
bool SetSystemFunction(Function& function, HMODULE module, const char* name) noexcept {
  function = SystemFunction<Function>(module, name);
  return function != nullptr;
}

}  // namespace base
