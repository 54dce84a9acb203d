#pragma once

#include <windows.h>

#include <functional>

// The message pump of the tests and the benchmarks: waits for a condition while the thread's
// windows (message boxes, the forms under test) keep working, as the program's loop keeps them.
namespace testsupport {

// Dispatches the thread's messages until done() holds, looking again at least every pollMs, for
// at most timeoutMs; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000, DWORD pollMs = 10);

// Whether the thread's queue is empty: nothing posted, no input, nothing to paint, no timer due.
bool QueueIsEmpty();

// Dispatches what is queued, and what that queues in turn, until the queue is empty.
inline bool PumpUntilIdle(DWORD timeoutMs = 5000) {
  return PumpUntil(QueueIsEmpty, timeoutMs);
}

}  // namespace testsupport
