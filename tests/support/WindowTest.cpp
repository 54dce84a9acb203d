#include "support/WindowTest.h"

#include "base/Ansi.h"
#include "forms/Program.h"

namespace testsupport {
namespace {

MessageBoxWatcher* g_watcher = nullptr;  // the thread timer's callback has no context

BOOL CALLBACK CloseIfMessageBox(HWND hwnd, LPARAM lp) {
  wchar_t cls[16] = {};
  GetClassNameW(hwnd, cls, 16);
  if (std::wstring(cls) != L"#32770" || !IsWindowVisible(hwnd)) return TRUE;
  wchar_t text[1024] = {};
  GetDlgItemTextW(hwnd, 0xFFFF, text, 1024);  // the message box's text
  reinterpret_cast<std::vector<std::wstring>*>(lp)->push_back(text);
  PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
  return TRUE;
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return done();
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      forms::Dispatch(msg);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }
  return true;
}

void PumpPending(DWORD forMs) {
  PumpUntil([] { return false; }, forMs);
}

MessageBoxWatcher::MessageBoxWatcher() {
  g_watcher = this;
  timer_ = SetTimer(nullptr, 0, 50, &MessageBoxWatcher::OnTimer);
}

MessageBoxWatcher::~MessageBoxWatcher() {
  KillTimer(nullptr, timer_);
  g_watcher = nullptr;
}

void CALLBACK MessageBoxWatcher::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_watcher) return;
  EnumThreadWindows(GetCurrentThreadId(), &CloseIfMessageBox,
                    reinterpret_cast<LPARAM>(&g_watcher->texts_));
}

void PressKey(WORD vk, bool shift) {
  std::vector<INPUT> in;
  auto key = [&](WORD k, bool up) {
    INPUT i = {};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = k;
    i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    in.push_back(i);
  };
  if (shift) key(VK_SHIFT, false);
  key(vk, false);
  key(vk, true);
  if (shift) key(VK_SHIFT, true);
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

void ClickAt(POINT screen) {
  SetCursorPos(screen.x, screen.y);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
}

RECT RectInParent(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

SIZE TextExtentInOwnFont(HWND control) {
  wchar_t text[256] = {};
  const int length = GetWindowTextW(control, text, 256);
  HDC dc = GetDC(control);
  HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE extent = {};
  GetTextExtentPoint32W(dc, text, length, &extent);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return extent;
}

Image ButtonOnScreen(HWND button) {
  RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  PumpPending(100);
  RECT r;
  GetClientRect(button, &r);
  Canvas canvas(r.right + 8, r.bottom + 8, {4, 4}, RGB(255, 0, 255));
  HDC screen = GetDC(button);
  BitBlt(canvas.dc(), 0, 0, r.right, r.bottom, screen, 0, 0, SRCCOPY);
  ReleaseDC(button, screen);
  return canvas.Snapshot();
}

Image FaceOf(HWND button, Painter face) {
  RECT r;
  GetClientRect(button, &r);
  Canvas canvas(r.right + 8, r.bottom + 8, {4, 4}, RGB(255, 0, 255));
  SetBkMode(canvas.dc(), TRANSPARENT);
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(button, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(canvas.dc(), font);
  wchar_t text[256] = {};
  GetWindowTextW(button, text, 256);
  std::wstring caption = text;
  caption.resize(base::ToAnsi(caption).size(), L'\0');
  face(canvas.dc(), r, caption);
  SelectObject(canvas.dc(), old);
  return canvas.Snapshot();
}

}  // namespace testsupport
