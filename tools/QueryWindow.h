#pragma once

#include <windows.h>

#include <string>

// The window of the query benchmark's baselines: the main window's controls in their plain form
// (an account box, a read-out box and "查询", in pixels at 96 DPI), with no skin and none of
// Pellucor's checks. The baseline's query runs synchronously on the window's own thread when
// "查询" is clicked or the account box loses the focus, as in the design.
namespace querywindow {

struct Boxes {
  HWND account = nullptr, readout = nullptr;
};

// The account as typed, in the ANSI code page, as the plain design hands it to the download.
std::string AccountInAnsi(const Boxes& boxes);

// Shows the window and runs its message loop until it is closed; returns the exit code.
int Run(HINSTANCE instance, int show, const wchar_t* title, void (*query)(const Boxes&));

}  // namespace querywindow
