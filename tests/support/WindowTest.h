#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/PixelCanvas.h"

// Helpers for tests that drive real windows: pumping the thread's messages as the program
// does, and answering the message boxes the program opens.
namespace testsupport {

// Dispatches pending messages until done() holds or the time is up; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// Dispatches what is pending now (and what that posts), for a short while.
void PumpPending(DWORD forMs = 50);

// While alive, closes every message box that opens on this thread and records its text.
// It polls from a thread timer, which message boxes' own loops dispatch.
class MessageBoxWatcher {
 public:
  MessageBoxWatcher();
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  const std::vector<std::wstring>& texts() const { return texts_; }
  void clear() { texts_.clear(); }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
  UINT_PTR timer_;
  std::vector<std::wstring> texts_;
};

// Types a key with real input (the focus window of the active window receives it).
void PressKey(WORD vk, bool shift = false);

// The window's rectangle relative to its parent's client area.
RECT RectInParent(HWND hwnd);

// A control's place in its form's design at 96 DPI, in pixels.
struct PixelRect {
  const wchar_t* name;
  int left, top, width, height;
};

// The extent of a control's text on one line in the control's own font.
SIZE TextExtentInOwnFont(HWND control);

// What the screen shows of a button, once it has repainted.
Image ButtonOnScreen(HWND button);

// A face as the skin should paint this button: its own caption as the skin reads it (one NUL
// after each double-byte character), in its own font, on a DC in transparent mode.
using Painter = void (*)(HDC, RECT&, const std::wstring&);
Image FaceOf(HWND button, Painter face);

}  // namespace testsupport
