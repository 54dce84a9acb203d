#include "support/Pump.h"

#include "forms/Program.h"

namespace testsupport {

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD pollMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return done();
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      forms::Dispatch(msg);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, pollMs, QS_ALLINPUT);
    }
  }
  return true;
}

bool QueueIsEmpty() {
  MSG msg;
  return !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

}  // namespace testsupport
