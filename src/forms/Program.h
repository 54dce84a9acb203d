#pragma once

#include <windows.h>

#include <functional>

#include "base/RuntimeError.h"
#include "forms/Messages.h"

// The services under every form: the modal message loop, the dispatch of every message the loops
// take (the forms' keyboard navigation included), and the report of run-time errors. It knows
// nothing of forms but their windows.
namespace forms {

// Thrown to end an event procedure because the user asked to close the program while the
// procedure waited; Form::RunEvent reports nothing and closes the form.
struct CloseRequested {};

// Dispatches messages until done() holds, for a modal form. A WM_QUIT ends it early and is
// posted again, so the program's own loop ends too.
void RunModalLoop(const std::function<bool()>& done);

// Dispatches one message as the program's loops do, with the dialog manager's keyboard
// navigation: Tab and Shift+Tab move the focus between a form's controls, Enter and Space press
// the focused command button, Esc closes a modal form.
void Dispatch(MSG& msg);

// Reports a run-time error in a message box owned by `owner`: "运行时错误 'n':" and the message,
// under the program's name.
void Report(HWND owner, const base::RuntimeError& error) noexcept;

// A button pressed as an error came ends its press unclicked, so that it does not keep the mouse
// from the report box that follows.
void EndPressUnclicked() noexcept;

// Takes the mouse back from a window of this thread that holds it: a button pressed before a
// wait or a report, whose release will not come to it.
void ReleaseOwnCapture() noexcept;

}  // namespace forms
