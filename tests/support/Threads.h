#pragma once

#include <windows.h>

#include <tlhelp32.h>
#include <winternl.h>

#include <map>
#include <set>

#include "base/ScopedWin.h"
#include "base/SystemDll.h"

// The threads of the test's own process, for tests that watch the lookups' workers come and go.
namespace testsupport {

// The ids of this process's threads.
inline std::set<DWORD> Threads() {
  std::set<DWORD> ids;
  const base::KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(entry.th32ThreadID);
  }
  return ids;
}

// The threads, but the calling one, that began at a function of this program rather than of a
// DLL, each with that function's address: the lookups' workers, and the test framework's own.
inline std::map<DWORD, void*> ThreadsStartedHere() {
  static const auto query = base::SystemFunction<decltype(&NtQueryInformationThread)>(
      GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread");
  std::map<DWORD, void*> started;
  for (DWORD id : Threads()) {
    const base::KernelHandle thread(OpenThread(THREAD_QUERY_INFORMATION, FALSE, id));
    void* start = nullptr;
    HMODULE module = nullptr;
    if (id != GetCurrentThreadId() && thread && query &&
        query(thread.get(), ThreadQuerySetWin32StartAddress, &start, sizeof start, nullptr) >= 0 &&
        GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<const wchar_t*>(start), &module) &&
        module == GetModuleHandleW(nullptr)) {
      started[id] = start;
    }
  }
  return started;
}

}  // namespace testsupport
