// Tells the query benchmark (tools/bench_program.cpp) the moment a program it clicks shows
// "在线". The benchmark hooks this into the measured program's user-interface thread
// (WH_CALLWNDPROCRET); when that thread has set a window's text to "在线", the hook sets the
// event that the benchmark made for the program. Nothing is polled, so a program that answers
// other messages while it waits and one that answers none until its download is done are seen
// at the same instant.

#include <windows.h>

// The event's name: this, a hyphen and the measured program's process id in decimal.
extern "C" __declspec(dllexport) const wchar_t kAnswerShownEvent[] = L"PellucorBenchAnswerShown";

extern "C" __declspec(dllexport) LRESULT CALLBACK
    AnswerShown(int code, WPARAM wparam, LPARAM lparam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lparam);
  // Text sent from another process is not readable here: only the program's own setting counts.
  if (code == HC_ACTION && call->message == WM_SETTEXT && call->lParam && !InSendMessage() &&
      lstrcmpW(reinterpret_cast<const wchar_t*>(call->lParam), L"在线") == 0) {
    wchar_t name[64];
    wsprintfW(name, L"%s-%lu", kAnswerShownEvent, GetCurrentProcessId());
    if (HANDLE shown = OpenEventW(EVENT_MODIFY_STATE, FALSE, name)) {
      SetEvent(shown);
      CloseHandle(shown);
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}
