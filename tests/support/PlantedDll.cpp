// Stands in for a DLL planted beside a program: copied under the name of one of Windows', it leaves
// a file "<its own path>.loaded" when a process loads it.

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  wchar_t trace[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(self, trace, MAX_PATH);
  if (reason != DLL_PROCESS_ATTACH || length == 0 || length >= MAX_PATH) return TRUE;
  lstrcpyW(trace + length, L".loaded");
  CloseHandle(CreateFileW(trace, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  return TRUE;
}
