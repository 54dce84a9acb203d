#include "base/SystemDll.h"

#include <string>

namespace base {
namespace {

// Declared here: the headers for Windows XP do not have them, and they are looked up at run time.
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCWSTR);
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

}  // namespace

void RestrictDllSearch() noexcept {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  // Windows XP SP1 and later: the current folder leaves the search.
  if (const auto setDllDirectory =
          SystemFunction<SetDllDirectoryFunction>(kernel, "SetDllDirectoryW")) {
    setDllDirectory(L"");
  }
  // Windows 8, and 7 and Vista with KB2533623: the program's folder leaves it too. Where it is
  // missing, its flags are not passed anywhere (XP rejects them).
  if (const auto setDefaultDllDirectories =
          SystemFunction<SetDefaultDllDirectoriesFunction>(kernel, "SetDefaultDllDirectories")) {
    setDefaultDllDirectories(kSearchSystem32);
  }
}

HMODULE LoadSystemDll(const wchar_t* name) noexcept {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  try {
    std::wstring path(folder, length);
    if (path.back() != L'\\') path += L'\\';
    path += name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  } catch (...) {  // no memory for the path
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

}  // namespace base
