#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/PixelCanvas.h"
#include "support/Pump.h"

// Helpers for tests that drive real windows: pumping the thread's messages as the program
// does, input as a user makes it, and answering the message boxes the program opens.
namespace testsupport {

// Runs show(), which opens a modal window owned by `owner` and returns when it has closed, and
// whileOpen(modal) from inside the modal window's loop once it is up; whileOpen closes it. Fails
// the test when the window does not open, or is still open five seconds after whileOpen.
void WhileModal(HWND owner, const std::function<void()>& show,
                const std::function<void(HWND modal)>& whileOpen);

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

// Types a key with real input (the focus window of the active window receives it), with a
// modifier (VK_SHIFT, VK_MENU) held down, or none.
void PressKey(WORD vk, WORD modifier = 0);

// Clicks the left mouse button at a point of the screen with real input: whatever window is
// there receives it.
void ClickAt(POINT screen);

// The window's rectangle relative to its parent's client area.
RECT RectInParent(HWND hwnd);

// The extent of a control's text on one line in the control's own font.
SIZE TextExtentInOwnFont(HWND control);

// Sends a draw request for a button as the system does, to paint into dc; returns the window's
// answer.
LRESULT SendDrawRequest(HWND form, HWND item, HDC dc, RECT rect, UINT state,
                        UINT type = ODT_BUTTON);

// What the screen shows of a button, once it has repainted; or as it is, from any thread.
Image ButtonOnScreen(HWND button);
Image ButtonAsShown(HWND button);

// A face as the skin should paint this button: its own caption, in its own font, on a DC in
// transparent mode.
using Painter = void (*)(HDC, const RECT&, const std::wstring&);
Image FaceOf(HWND button, Painter face);

// A window's small icon as drawn 16 x 16 on white.
Image SmallIconOf(HWND window);

// A test with a form of the given type shown and active; the form is unloaded after it.
template <typename FormType>
class ShownForm : public testing::Test {
 protected:
  void SetUp() override {
    form_ = std::make_unique<FormType>();
    form_->Show();
    SetForegroundWindow(form_->hWnd());
    PumpUntil([&] { return GetForegroundWindow() == form_->hWnd(); });
    PumpUntilIdle();
  }
  void TearDown() override {
    if (form_) form_->Unload();
    PumpUntilIdle();
  }

  std::unique_ptr<FormType> form_;
};

}  // namespace testsupport
