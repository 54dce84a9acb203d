#pragma once

#include <windows.h>

// The forms layer's own window messages. Every WM_APP number it uses is given out here, so no
// two of them can meet.
namespace forms {

enum FormMessage : UINT {
  // Posted to a form by ReportLater: show the report left for it (forms/Form.h).
  kMsgReportLater = WM_APP + 1,
  // Sent by a text box to its form when it has lost the focus to another control of the form,
  // once the box has handled WM_KILLFOCUS; wParam is the box's id. The form raises LostFocus
  // (forms/Controls.cpp).
  kMsgLostFocus,
  // Posted to a form from a thread of the system's pool when what it waits for (WhenSignalled) is
  // signalled or its time is up; wParam is the wait's number, lParam whether it was signalled.
  kMsgSignalled,
};

}  // namespace forms
