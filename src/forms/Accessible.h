#pragma once

#include <windows.h>

namespace forms {

// For a control's window procedure, on WM_GETOBJECT: answers a request for the control's client
// object with the system's own object for it, named after the label's caption as a person reads
// it (no trailing colon). Windows would take a box's name from the label before it in z-order,
// and the design's tab order puts the labels after the boxes.
//
// Nothing of this costs anything until a screen reader first asks: the accessibility and COM
// libraries are loaded then. Returns 0 for a request it does not answer, or when it cannot: the
// control's own procedure answers then.
// https://learn.microsoft.com/en-us/windows/win32/winauto/wm-getobject
LRESULT AnswerNamedAfterLabel(HWND control, HWND label, WPARAM wp, LPARAM lp) noexcept;

}  // namespace forms
