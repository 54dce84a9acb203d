#include "forms/Wait.h"

#include <algorithm>

#include "base/RuntimeError.h"

namespace forms {
namespace {

constexpr wchar_t kApartmentWindowClass[] = L"OleMainThreadWndClass";
constexpr int kAtMost = 64;  // messages of one kind taken in one look

// Lifts the first queued message that matches the filter off the queue.
bool Take(MSG& msg, HWND hwnd, UINT first, UINT last) {
  return PeekMessageW(&msg, hwnd, first, last, PM_REMOVE | PM_NOYIELD) != FALSE;
}

// COM's hidden window of this thread, through which it delivers the calls that other threads make
// to objects of the thread's apartment: a message-only window, or a hidden top-level one on older
// Windows. Null before the thread has handed an object out.
HWND ApartmentWindow() {
  for (const HWND parent : {HWND_MESSAGE, HWND{}}) {
    for (HWND w = FindWindowExW(parent, nullptr, kApartmentWindowClass, nullptr); w;
         w = FindWindowExW(parent, w, kApartmentWindowClass, nullptr)) {
      if (GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId()) return w;
    }
  }
  return nullptr;
}

// Looks through what is queued for a close request, leaving other input where it is. System
// keys (Alt combinations) and clicks on the frame are taken off the queue as they are looked at.
bool CloseRequestQueued(HWND form) {
  MSG msg;
  if (Take(msg, form, WM_CLOSE, WM_CLOSE)) return true;
  while (Take(msg, nullptr, WM_SYSCOMMAND, WM_SYSCOMMAND)) {
    if (msg.hwnd == form && (msg.wParam & 0xFFF0) == SC_CLOSE) return true;
  }
  while (Take(msg, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN)) {
    // Bit 29: the Alt key is down.
    // https://learn.microsoft.com/en-us/windows/win32/inputdev/wm-syskeydown
    if (msg.wParam == VK_F4 && (msg.lParam & (1 << 29))) return true;
  }
  while (Take(msg, nullptr, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN)) {
    if (msg.hwnd == form && msg.wParam == HTCLOSE) return true;
  }
  return false;
}

// Answers the calls that COM delivers to the thread's objects (a screen reader asking a box for
// its name), and takes nothing else off the queue. The objects answer without running an event
// procedure (see Form for what a call may set off).
void AnswerComCalls(HWND& apartment) {
  if (!apartment) apartment = ApartmentWindow();
  MSG msg;
  for (int i = 0; apartment && i < kAtMost && Take(msg, apartment, 0, 0); ++i) {
    DispatchMessageW(&msg);
  }
}

// What a waiting form still does. It paints what needs painting: the windows as they are, which
// runs no event procedure. And it takes the pointer's moves off the queue, upon which the system
// asks the window under it for its pointer (WM_SETCURSOR): the busy one, while the wait runs.
// Each kind is bounded: a window that never validates its update region must not hold the wait.
void KeepShowing() {
  MSG msg;
  for (int i = 0; i < kAtMost && Take(msg, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE); ++i) {
  }
  for (int i = 0; i < kAtMost && Take(msg, nullptr, WM_NCMOUSEMOVE, WM_NCMOUSEMOVE); ++i) {
  }
  for (int i = 0; i < kAtMost && Take(msg, nullptr, WM_PAINT, WM_PAINT); ++i) {
    DispatchMessageW(&msg);
  }
}

}  // namespace

// Messages sent to the thread are answered first (a WM_CLOSE among them is noted by the form),
// then the calls through COM: one may be queued in answer to a message just answered. The close
// requests are looked for last, after the painting (see WaitPolling).
bool PollWhileWaiting(HWND form, HWND& apartment, bool lookAtQueue) {
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD | PM_QS_SENDMESSAGE);
  AnswerComCalls(apartment);
  if (!lookAtQueue) return false;
  KeepShowing();
  return CloseRequestQueued(form);
}

// Every look at the queue, filtered or not, makes what was queued before it "seen", and the wait
// below wakes only for what comes after the last look: a request that arrives between two looks
// (posted by a window painted here, or by another thread) would not wake it. So the queue is
// looked at again at least every kLookAgainMs, whatever the wait was woken for. A wake-up for
// nothing but sent messages (another program asking a window for its text, say, as often as it
// likes) only answers them.
bool WaitPolling(HWND form, HANDLE object, DWORD timeoutMs, const bool& closeRequested) {
  constexpr DWORD kLookAgainMs = 100;
  const DWORD start = GetTickCount();
  DWORD looked = start;
  bool look = true;
  HWND apartment = nullptr;
  for (;;) {
    const DWORD now = GetTickCount();
    look = look || now - looked >= kLookAgainMs;
    if (PollWhileWaiting(form, apartment, look) || closeRequested) throw CloseRequested{};
    if (look) looked = now;
    const DWORD elapsed = now - start;
    if (elapsed >= timeoutMs) return WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
    switch (MsgWaitForMultipleObjects(
        1, &object, FALSE, std::min(timeoutMs - elapsed, kLookAgainMs - (now - looked)),
        QS_SENDMESSAGE | QS_POSTMESSAGE | QS_KEY | QS_MOUSEBUTTON | QS_MOUSEMOVE | QS_PAINT)) {
      case WAIT_OBJECT_0:
        return true;
      case WAIT_OBJECT_0 + 1:
        look = (HIWORD(GetQueueStatus(QS_ALLINPUT)) & ~QS_SENDMESSAGE) != 0;
        break;
      case WAIT_TIMEOUT:
        break;
      default:  // a handle that cannot be waited for
        throw base::RuntimeError(base::RuntimeError::kInvalidCall);
    }
  }
}

void DropInputQueuedMeanwhile() noexcept {
  MSG msg;
  while (Take(msg, nullptr, WM_KEYFIRST, WM_KEYLAST)) {
  }
  while (Take(msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST)) {
  }
  while (Take(msg, nullptr, WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK)) {
  }
  ReleaseOwnCapture();
}

}  // namespace forms
