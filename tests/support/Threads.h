#pragma once

#include <windows.h>

#include <tlhelp32.h>
#include <winternl.h>

#include <map>

#include "base/ScopedWin.h"
#include "base/SystemDll.h"

namespace testsupport {

// The threads of this process, each with the address it began at if that lies in this program
// rather than in a DLL, else null; with startedHere, only the former: the main thread, the
// lookups' workers and the test framework's own.
inline std::map<DWORD, void*> Threads(bool startedHere = false) {
  static const auto query = base::SystemFunction<decltype(&NtQueryInformationThread)>(
      GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread");
  const auto flags =
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  std::map<DWORD, void*> threads;
  const base::KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID != GetCurrentProcessId()) continue;
    const base::KernelHandle thread(
        OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID));
    void* start = nullptr;
    HMODULE module = nullptr;
    if (!thread ||
        query(thread.get(), ThreadQuerySetWin32StartAddress, &start, sizeof start, nullptr) < 0 ||
        !GetModuleHandleExW(flags, static_cast<const wchar_t*>(start), &module) ||
        module != GetModuleHandleW(nullptr)) {
      start = nullptr;
    }
    if (start || !startedHere) threads[entry.th32ThreadID] = start;
  }
  return threads;
}

}  // namespace testsupport
