// A DLL that stands in for one planted beside the program: copied under the name of a DLL of
// Windows, it leaves a file "<its own path>.loaded" when a process loads it, whatever that
// process then makes of it.

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t trace[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(self, trace, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  lstrcpyW(trace + length, L".loaded");
  const HANDLE file = CreateFileW(trace, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return TRUE;
}
