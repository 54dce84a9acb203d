#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "base/ScopedWin.h"
#include "support/Pump.h"

// Drives a program started under the same Wine from outside, as a user and the system do. The
// tests that start the real program and the benchmark of the running program (tools/) share it.
namespace testsupport {

// A control's text, or nullopt when its program does not answer within timeoutMs.
std::optional<std::wstring> TextOf(HWND control, DWORD timeoutMs = 2000);
void SetText(HWND control, const wchar_t* text, DWORD timeoutMs = 2000);

// The controls of a main window that a query uses; null where it has none.
struct QueryControls {
  HWND account = nullptr, readout = nullptr, query = nullptr;
};

// The program under test: PELLUCOR_EXE, set by tests/CMakeLists.txt, as a Windows path.
std::wstring ProgramUnderTest();

class RunningProgram {
 public:
  static constexpr DWORD kPatienceMs = 20'000;  // for what should take well under a second

  // Starts exe (a Windows path) with the arguments, with http_proxy set to `proxy` when given,
  // and waits until it shows a visible top-level window that answers a message: its thread is
  // then in its loop.
  explicit RunningProgram(const std::wstring& exe, const wchar_t* proxy = nullptr,
                          const wchar_t* arguments = nullptr);
  ~RunningProgram();  // asks it to close, and ends it when it has not within kPatienceMs

  HWND window() const { return window_; }  // null when it showed none in time
  const QueryControls& controls() const { return controls_; }
  HANDLE process() const { return process_.get(); }
  DWORD id() const { return id_; }

  // Its first visible top-level window of the class (of any, when null), or null.
  HWND TopWindow(const wchar_t* windowClass = nullptr) const;
  HWND ReportBox() const { return TopWindow(L"#32770"); }
  // Whether it has loaded the DLL (a file name: L"winmm.dll").
  bool Loaded(const wchar_t* dll) const;
  std::optional<std::wstring> ReadOut() const { return TextOf(controls_.readout); }

  // Types the (ASCII) account and presses "查询" (BM_CLICK, or what `press` does); whether the
  // stand-in status server got the request within timeoutMs. The program then waits for the answer.
  bool Ask(const wchar_t* account, DWORD timeoutMs = 5000, std::function<void()> press = {}) const;
  // Whether it ended within timeoutMs; notes whether a report box opened meanwhile.
  bool WaitForEnd(DWORD timeoutMs, bool* reported = nullptr) const;
  bool Close(DWORD timeoutMs) const {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    return WaitForEnd(timeoutMs);
  }

 private:
  base::KernelHandle process_;
  DWORD id_ = 0;
  HWND window_ = nullptr;
  QueryControls controls_;
};

}  // namespace testsupport
