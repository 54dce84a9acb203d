// The plain design's synchronous lookup, a baseline of the query benchmark (scripts/bench.sh):
// the main window's plain design with none of Pellucor's checks. An account box, a read-out box
// and "查询"; a query downloads the status address into a fixed file synchronously on the
// user-interface thread and decides by the file's length. Leaving the account box queries too,
// as in the design. COM is set up for the thread at start, and the download service is
// imported, as a runtime that declares it would have it: the first query pays no loading.

#include <windows.h>
#include <urlmon.h>

#include <string>

namespace {

constexpr char kAddressPrefix[] = "http://amos.alicdn.com/online.ww?v=2&uid=";
constexpr int kAccountId = 1, kReadOutId = 2, kQueryId = 3;

struct Window {
  HWND account = nullptr, readout = nullptr;
  char scratch[MAX_PATH] = {};
};
Window plainWindow;  // the window procedure has no other place for it

// The design's query: the address as typed, the download, the file's length.
void Command1_Click() {
  wchar_t account[256] = {};
  GetWindowTextW(plainWindow.account, account, 256);
  char ansi[512] = {};
  WideCharToMultiByte(CP_ACP, 0, account, -1, ansi, sizeof ansi, nullptr, nullptr);
  const std::string address = kAddressPrefix + std::string(ansi) + "&s=1";
  URLDownloadToFileA(nullptr, address.c_str(), plainWindow.scratch, 0, nullptr);
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  GetFileAttributesExA(plainWindow.scratch, GetFileExInfoStandard, &data);
  SetWindowTextW(plainWindow.readout, data.nFileSizeLow == 4944 ? L"在线" : L"离线");
}

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if ((LOWORD(wparam) == kQueryId && HIWORD(wparam) == BN_CLICKED) ||
          (LOWORD(wparam) == kAccountId && HIWORD(wparam) == EN_KILLFOCUS)) {
        Command1_Click();
      }
      return 0;
    case WM_DESTROY:
      DeleteFileA(plainWindow.scratch);
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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  lstrcpynA(plainWindow.scratch, (std::string(folder) + "plain_lookup.tmp").c_str(), MAX_PATH);

  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = PlainWindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"PlainLookup";
  if (!RegisterClassExW(&wc)) return 1;
  // The main window's design in pixels at 96 DPI.
  HWND window =
      CreateWindowExW(0, wc.lpszClassName, L"Plain lookup", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                      CW_USEDEFAULT, CW_USEDEFAULT, 291, 136, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  plainWindow.account = Child(window, L"Edit", L"tolvarin", WS_BORDER, 48, 13, 201, 18, kAccountId);
  plainWindow.readout = Child(window, L"Edit", L"", WS_BORDER, 48, 37, 201, 18, kReadOutId);
  Child(window, L"Button", L"查询", BS_PUSHBUTTON, 168, 64, 81, 22, kQueryId);
  ShowWindow(window, show);
  SetFocus(plainWindow.account);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  CoUninitialize();
  return 0;
}
