#include "support/WindowTest.h"

#include <gtest/gtest.h>

#include <utility>

#include "base/ScopedWin.h"
#include "forms/Program.h"

namespace testsupport {
namespace {

MessageBoxWatcher* currentWatcher = nullptr;  // the thread timer's callback has no context

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

namespace {

// The modal window WhileModal waits for; its timer's callback has no context.
struct ModalWait {
  HWND owner;
  const std::function<void(HWND)>* whileOpen;
  DWORD since;  // when WhileModal began, then when whileOpen ran
  HWND modal;
};
ModalWait* modalWait = nullptr;

BOOL CALLBACK FindOwned(HWND hwnd, LPARAM lp) {
  auto* found = reinterpret_cast<HWND*>(lp);
  if (GetWindow(hwnd, GW_OWNER) != modalWait->owner || !IsWindowVisible(hwnd)) return TRUE;
  *found = hwnd;
  return FALSE;
}

// Polls from inside the modal loop: for the modal window, to run whileOpen once; then, without
// taking any message off the queue, for the window to close within the bound.
void CALLBACK PollForModal(HWND, UINT, UINT_PTR, DWORD) {
  if (!modalWait) return;
  const DWORD elapsed = GetTickCount() - modalWait->since;
  if (modalWait->whileOpen) {
    EnumThreadWindows(GetCurrentThreadId(), &FindOwned,
                      reinterpret_cast<LPARAM>(&modalWait->modal));
    if (modalWait->modal) {
      modalWait->since = GetTickCount();
      (*std::exchange(modalWait->whileOpen, nullptr))(modalWait->modal);
    } else if (elapsed > 10000) {
      ADD_FAILURE() << "the modal window did not open";
      modalWait->whileOpen = nullptr;
    }
  } else if (modalWait->modal && IsWindow(modalWait->modal) && elapsed > 5000) {
    ADD_FAILURE() << "the modal window is still open";
    PostMessageW(std::exchange(modalWait->modal, nullptr), WM_CLOSE, 0, 0);
  }
}

}  // namespace

void WhileModal(HWND owner, const std::function<void()>& show,
                const std::function<void(HWND modal)>& whileOpen) {
  ModalWait wait = {owner, &whileOpen, GetTickCount(), nullptr};
  modalWait = &wait;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, &PollForModal);
  show();
  KillTimer(nullptr, timer);
  modalWait = nullptr;
  PumpUntilIdle();
}

MessageBoxWatcher::MessageBoxWatcher() {
  currentWatcher = this;
  timer_ = SetTimer(nullptr, 0, 50, &MessageBoxWatcher::OnTimer);
}

MessageBoxWatcher::~MessageBoxWatcher() {
  KillTimer(nullptr, timer_);
  currentWatcher = nullptr;
}

void CALLBACK MessageBoxWatcher::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (!currentWatcher) return;
  EnumThreadWindows(GetCurrentThreadId(), &CloseIfMessageBox,
                    reinterpret_cast<LPARAM>(&currentWatcher->texts_));
}

void PressKey(WORD vk, WORD modifier) {
  std::vector<INPUT> in;
  auto key = [&](WORD k, bool up) {
    INPUT i = {};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = k;
    i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    in.push_back(i);
  };
  if (modifier) key(modifier, false);
  key(vk, false);
  key(vk, true);
  if (modifier) key(modifier, true);
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
  const base::WindowDc dc(control);
  const base::ScopedSelectObject font(
      dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE extent = {};
  GetTextExtentPoint32W(dc.get(), text, length, &extent);
  return extent;
}

LRESULT SendDrawRequest(HWND form, HWND item, HDC dc, RECT rect, UINT state, UINT type) {
  DRAWITEMSTRUCT request = {};
  request.CtlType = type;
  request.itemAction = ODA_DRAWENTIRE;
  request.itemState = state;
  request.hwndItem = item;
  request.hDC = dc;
  request.rcItem = rect;
  return SendMessageW(form, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&request));
}

Image ButtonOnScreen(HWND button) {
  RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  PumpUntilIdle();
  return ButtonAsShown(button);
}

Image ButtonAsShown(HWND button) {
  RECT r;
  GetClientRect(button, &r);
  Canvas canvas(r.right + 8, r.bottom + 8, {4, 4}, RGB(255, 0, 255));
  const base::WindowDc screen(button);
  BitBlt(canvas.dc(), 0, 0, r.right, r.bottom, screen.get(), 0, 0, SRCCOPY);
  return canvas.Snapshot();
}

Image FaceOf(HWND button, Painter face) {
  RECT r;
  GetClientRect(button, &r);
  Canvas canvas(r.right + 8, r.bottom + 8, {4, 4}, RGB(255, 0, 255));
  SetBkMode(canvas.dc(), TRANSPARENT);
  const base::ScopedSelectObject font(
      canvas.dc(), reinterpret_cast<HGDIOBJ>(SendMessageW(button, WM_GETFONT, 0, 0)));
  wchar_t text[256] = {};
  GetWindowTextW(button, text, 256);
  face(canvas.dc(), r, text);
  return canvas.Snapshot();
}

Image SmallIconOf(HWND window) {
  Canvas canvas(16, 16, {0, 0}, RGB(255, 255, 255));
  DrawIconEx(canvas.dc(), 0, 0,
             reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0)), 16, 16, 0,
             nullptr, DI_NORMAL);
  return canvas.Snapshot();
}

}  // namespace testsupport
