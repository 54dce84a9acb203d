#pragma once

#include <windows.h>

#include <tlhelp32.h>

#include "base/ScopedWin.h"

namespace testsupport {

// How many threads this process has.
inline int ThreadCount() {
  const base::KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry)) {
    count += entry.th32OwnerProcessID == GetCurrentProcessId();
  }
  return count;
}

}  // namespace testsupport
