#include "QueryWindow.h"

namespace querywindow {
namespace {

constexpr int kAccountId = 1, kReadOutId = 2, kQueryId = 3;
constexpr wchar_t kClassName[] = L"QueryWindow";

// The window procedure has no other place for them.
Boxes boxes;
void (*runQuery)(const Boxes&) = nullptr;

LRESULT CALLBACK QueryWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if ((LOWORD(wparam) == kQueryId && HIWORD(wparam) == BN_CLICKED) ||
          (LOWORD(wparam) == kAccountId && HIWORD(wparam) == EN_KILLFOCUS)) {
        runQuery(boxes);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND Child(HWND parent, const wchar_t* kind, const wchar_t* text, DWORD style, int x, int y,
           int width, int height, int id) {
  return CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, width,
                         height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                         nullptr);
}

}  // namespace

std::string AccountInAnsi(const Boxes& window) {
  wchar_t account[256] = {};
  GetWindowTextW(window.account, account, 256);
  char ansi[512] = {};
  WideCharToMultiByte(CP_ACP, 0, account, -1, ansi, sizeof ansi, nullptr, nullptr);
  return ansi;
}

int Run(HINSTANCE instance, int show, const wchar_t* title, void (*query)(const Boxes&)) {
  runQuery = query;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = QueryWindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  if (!RegisterClassExW(&wc)) return 1;
  HWND window =
      CreateWindowExW(0, kClassName, title, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                      CW_USEDEFAULT, 291, 136, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  boxes.account = Child(window, L"Edit", L"tolvarin", WS_BORDER, 48, 13, 201, 18, kAccountId);
  boxes.readout = Child(window, L"Edit", L"", WS_BORDER, 48, 37, 201, 18, kReadOutId);
  Child(window, L"Button", L"查询", BS_PUSHBUTTON, 168, 64, 81, 22, kQueryId);
  ShowWindow(window, show);
  SetFocus(boxes.account);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return 0;
}

}  // namespace querywindow
