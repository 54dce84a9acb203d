#pragma once

#include <windows.h>

#include "forms/Program.h"

namespace forms {

// Waits on the user-interface thread for a kernel object while the form stays blocked, as a
// plain wait keeps it: no input is handled and no event procedure runs; events that arrive
// meanwhile are handled after the wait, as they would be. Unlike a plain wait it answers
// messages sent to the thread (other programs and the system wait for those) and the calls COM
// delivers to the thread's objects (screen readers wait for those), it repaints the
// thread's windows as they are, it shows the busy pointer over the form (see Waits), and it
// honours a request to close the form made meanwhile (Alt+F4, the close box, SC_CLOSE,
// WM_CLOSE): the wait ends at once by throwing CloseRequested. The end of the session is the
// form's own (WM_ENDSESSION).
//
// When the procedure that waited ends with an error, the keyboard and mouse input that queued up
// meanwhile is dropped: keys pressed or clicks made at a window that did not answer must not
// dismiss the error report that follows, unseen.
class BlockingWait {
 public:
  explicit BlockingWait(HWND form) noexcept;
  BlockingWait(const BlockingWait&) = delete;
  BlockingWait& operator=(const BlockingWait&) = delete;
  ~BlockingWait();

  // True when the object is signalled, false when the time is up. Throws CloseRequested.
  bool operator()(HANDLE object, DWORD timeoutMs);

 private:
  bool CloseRequestQueued();
  void AnswerComCalls();
  void KeepShowing();

  HWND form_;
  HWND apartment_ = nullptr;  // COM's window of the thread, once it has one
  int uncaught_ = 0;
  bool waited_ = false;
  bool closeRequested_ = false;
  friend bool NoteCloseRequest(HWND form) noexcept;
};

// For the form's window procedure: when a wait runs for the form, it takes note of a close
// request that reached the procedure (a WM_CLOSE sent meanwhile) and returns true.
bool NoteCloseRequest(HWND form) noexcept;

// For the form's window procedure: whether a wait runs for the form. It answers WM_SETCURSOR
// with the busy pointer then.
bool Waits(HWND form) noexcept;

}  // namespace forms
