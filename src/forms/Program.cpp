#include "forms/Program.h"

#include <string>

namespace forms {
namespace {

// The title of report boxes: the executable's name without its extension.
std::wstring ProgramTitle() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name = path;
  name = name.substr(name.find_last_of(L"\\/") + 1);
  return name.substr(0, name.find_last_of(L'.'));
}

}  // namespace

void RunModalLoop(const std::function<bool()>& done) {
  MSG msg;
  while (!done()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (got < 0) return;
    Dispatch(msg);
  }
}

void Dispatch(MSG& msg) {
  const HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root && IsDialogMessageW(root, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void Report(HWND owner, const base::RuntimeError& error) noexcept {
  try {
    MessageBoxW(owner, base::FormatReport(error).c_str(), ProgramTitle().c_str(),
                MB_OK | MB_ICONERROR);
  } catch (...) {
    MessageBoxW(owner, L"内存不足", nullptr, MB_OK | MB_ICONERROR);
  }
}

// If the error came while the button was taking the focus, before it was pushed, the mouse was
// taken back too early (by the wait, see forms/Wait.h): it is given back, so that the button lets
// go of its press itself.
void EndPressUnclicked() noexcept {
  const HWND focus = GetFocus();
  wchar_t kind[8] = {};
  if (focus && !GetCapture() && GetClassNameW(focus, kind, 8) && lstrcmpiW(kind, L"Button") == 0 &&
      (SendMessageW(focus, BM_GETSTATE, 0, 0) & BST_PUSHED)) {
    SetCapture(focus);
  }
  ReleaseOwnCapture();
}

void ReleaseOwnCapture() noexcept {
  if (HWND captured = GetCapture();
      captured && GetWindowThreadProcessId(captured, nullptr) == GetCurrentThreadId()) {
    ReleaseCapture();
  }
}

}  // namespace forms
