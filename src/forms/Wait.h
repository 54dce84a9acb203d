#pragma once

#include <windows.h>

#include "forms/Program.h"

// What the user-interface thread does while an event procedure of a form waits for a kernel
// object (Form::Wait). The form stays blocked, as a plain wait keeps it: no input is handled and
// no event procedure runs; events that arrive meanwhile are handled after the wait. Unlike a plain
// wait it answers messages sent to the thread (other programs and the system wait for those) and
// the calls COM delivers to the thread's objects (screen readers wait for those), it repaints the
// thread's windows as they are, and it honours a request to close the form made meanwhile (Alt+F4,
// the close box, SC_CLOSE, WM_CLOSE).
namespace forms {

// One look at the thread's queue while the form waits (the poll). It answers what was sent and
// what COM delivers; with `lookAtQueue` it also paints what needs painting, lets the pointer's
// moves go (upon which the system asks for the busy pointer) and takes the close requests for
// the form off the queue, with system keys and clicks on frames, which a window that does not
// answer cannot act on. Clicks and other keys stay queued. True when a close request was found.
// `apartment` is COM's window of the thread, found here once the thread has one.
bool PollWhileWaiting(HWND form, HWND& apartment, bool lookAtQueue);

// Waits for the object for at most timeoutMs, polling as messages come and at least every 100 ms
// (the loop): true when it is signalled, false when the time is up. Throws CloseRequested when a
// close request is found, or when `closeRequested` holds (the form notes a WM_CLOSE sent to it
// meanwhile).
bool WaitPolling(HWND form, HANDLE object, DWORD timeoutMs, const bool& closeRequested);

// For an event procedure that waited and ended with an error: drops the keyboard and mouse input
// that queued up meanwhile (keys pressed or clicks made at a window that did not answer must not
// dismiss the report that follows, unseen), and takes the mouse back from a button pressed
// before the wait, whose release was dropped with it.
void DropInputQueuedMeanwhile() noexcept;

}  // namespace forms
