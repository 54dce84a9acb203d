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

// Reports an error later, from the message loop, in a box owned by form: for errors caught where
// a message box must not open (inside painting, while the focus moves). A button pressed as the
// error came lets go unclicked first. While one report is waiting for a form, further
// ones for it are dropped, so a failure that repeats on every paint is reported once.
void ReportLater(HWND form, const base::RuntimeError& error) noexcept;

// For a form's window procedure: shows the report ReportLater left for this form, if any
// (kMsgReportLater), or drops it when the window goes (WM_NCDESTROY).
void ShowPendingReport(HWND form) noexcept;
void DropPendingReport(HWND form) noexcept;

// Takes the mouse back from a window of this thread that holds it: a button pressed before a
// wait or a report, whose release will not come to it.
void ReleaseOwnCapture() noexcept;

}  // namespace forms
