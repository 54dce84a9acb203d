#include "forms/Wait.h"

#include <algorithm>
#include <exception>

#include "base/RuntimeError.h"

namespace forms {
namespace {

constexpr wchar_t kWaitProp[] = L"forms.BlockingWait";
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

}  // namespace

BlockingWait::BlockingWait(HWND form) noexcept
    : form_(form), uncaught_(std::uncaught_exceptions()) {}

BlockingWait::~BlockingWait() {
  if (!waited_ || std::uncaught_exceptions() <= uncaught_) return;
  // The procedure that waited ends with an error: drop the input that queued up meanwhile.
  MSG msg;
  while (Take(msg, nullptr, WM_KEYFIRST, WM_KEYLAST)) {
  }
  while (Take(msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST)) {
  }
  while (Take(msg, nullptr, WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK)) {
  }
  // A button pressed before the wait would wait for its release, which was just dropped.
  ReleaseOwnCapture();
}

// Looks through what is queued for a close request, leaving other input where it is. System
// keys (Alt combinations) and clicks on the frame are taken off the queue as they are looked at:
// a window that does not answer cannot move, minimise or open its menu, and the same goes for
// what was asked of it meanwhile.
bool BlockingWait::CloseRequestQueued() {
  MSG msg;
  if (Take(msg, form_, WM_CLOSE, WM_CLOSE)) return true;
  while (Take(msg, nullptr, WM_SYSCOMMAND, WM_SYSCOMMAND)) {
    if (msg.hwnd == form_ && (msg.wParam & 0xFFF0) == SC_CLOSE) return true;
  }
  while (Take(msg, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN)) {
    // Bit 29: the Alt key is down.
    // https://learn.microsoft.com/en-us/windows/win32/inputdev/wm-syskeydown
    if (msg.wParam == VK_F4 && (msg.lParam & (1 << 29))) return true;
  }
  while (Take(msg, nullptr, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN)) {
    if (msg.hwnd == form_ && msg.wParam == HTCLOSE) return true;
  }
  return false;
}

// Answers the calls that COM delivers to the thread's objects (a screen reader asking a box for
// its name), and takes nothing else off the queue. The objects answer without running an event
// procedure (see Form for what a call may set off).
void BlockingWait::AnswerComCalls() {
  if (!apartment_) apartment_ = ApartmentWindow();
  MSG msg;
  for (int i = 0; apartment_ && i < kAtMost && Take(msg, apartment_, 0, 0); ++i) {
    DispatchMessageW(&msg);
  }
}

// What a waiting form still does. It paints what needs painting: the windows as they are, which
// runs no event procedure. And it takes the pointer's moves off the queue, upon which the system
// asks the window under it for its pointer (WM_SETCURSOR): the busy one, while the wait runs.
// Clicks and keys stay queued. Each kind is bounded: a window that never validates its update
// region must not hold the wait.
void BlockingWait::KeepShowing() {
  MSG msg;
  for (int i = 0; i < kAtMost && Take(msg, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE); ++i) {
  }
  for (int i = 0; i < kAtMost && Take(msg, nullptr, WM_NCMOUSEMOVE, WM_NCMOUSEMOVE); ++i) {
  }
  for (int i = 0; i < kAtMost && Take(msg, nullptr, WM_PAINT, WM_PAINT); ++i) {
    DispatchMessageW(&msg);
  }
}

bool BlockingWait::operator()(HANDLE object, DWORD timeoutMs) {
  waited_ = true;
  SetPropW(form_, kWaitProp, this);
  // The busy pointer from now; the one before it when the wait ends.
  struct Unregister {
    HWND form;
    HCURSOR previous;
    ~Unregister() {
      RemovePropW(form, kWaitProp);
      SetCursor(previous ? previous : LoadCursorW(nullptr, IDC_ARROW));
    }
  } unregister{form_, SetCursor(LoadCursorW(nullptr, IDC_WAIT))};

  // Every look at the queue, filtered or not, makes what was queued before it "seen", and the wait
  // below wakes only for what comes after the last look: a request that arrives between two looks
  // (posted by a window painted here, or by another thread) would not wake it. So the close
  // requests are looked for last, after the painting, and the wait looks again at least every
  // kLookAgainMs whatever it was woken for. A wake-up for nothing but sent messages (another
  // program asking a window for its text, say, as often as it likes) only answers them.
  constexpr DWORD kLookAgainMs = 100;
  const DWORD start = GetTickCount();
  DWORD looked = start;
  bool look = true;
  for (;;) {
    // Messages sent to the thread are answered here (a WM_CLOSE among them is noted), and calls
    // through COM: one may be queued in answer to a message just answered.
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD | PM_QS_SENDMESSAGE);
    AnswerComCalls();
    if (closeRequested_) throw CloseRequested{};
    const DWORD now = GetTickCount();
    if (look || now - looked >= kLookAgainMs) {
      KeepShowing();
      if (CloseRequestQueued()) throw CloseRequested{};
      looked = now;
    }

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

bool Waits(HWND form) noexcept {
  return GetPropW(form, kWaitProp) != nullptr;
}

bool NoteCloseRequest(HWND form) noexcept {
  auto* wait = static_cast<BlockingWait*>(GetPropW(form, kWaitProp));
  if (!wait) return false;
  wait->closeRequested_ = true;
  return true;
}

}  // namespace forms
