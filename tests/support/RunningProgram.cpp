#include "support/RunningProgram.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "support/StandIn.h"

namespace testsupport {
namespace {

double NowMs() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return double(counter.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

struct WindowSearch {
  DWORD processId;
  const wchar_t* windowClass;
  HWND found;
};

BOOL CALLBACK FindWindowOfProcess(HWND window, LPARAM lparam) noexcept {
  auto& search = *reinterpret_cast<WindowSearch*>(lparam);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  wchar_t windowClass[64] = {};
  GetClassNameW(window, windowClass, 64);
  if (processId != search.processId || !IsWindowVisible(window) ||
      (search.windowClass && lstrcmpW(windowClass, search.windowClass) != 0)) {
    return TRUE;
  }
  search.found = window;
  return FALSE;
}

// This process's environment with another http_proxy.
std::vector<wchar_t> EnvironmentWithProxy(const wchar_t* proxy) {
  std::vector<wchar_t> block;
  wchar_t* all = GetEnvironmentStringsW();
  for (const wchar_t* entry = all; *entry; entry += wcslen(entry) + 1) {
    std::wstring kept = entry;
    if (_wcsnicmp(entry, L"http_proxy=", 11) == 0) kept = L"http_proxy=" + std::wstring(proxy);
    block.insert(block.end(), kept.begin(), kept.end());
    block.push_back(L'\0');
  }
  FreeEnvironmentStringsW(all);
  block.push_back(L'\0');
  return block;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD pollMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return done();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, pollMs, QS_ALLINPUT);
  }
  return true;
}

std::optional<std::wstring> TextOf(HWND control, DWORD timeoutMs) {
  wchar_t text[64] = {};
  DWORD_PTR copied;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text), SMTO_BLOCK,
                           timeoutMs, &copied)) {
    return std::nullopt;
  }
  return text;
}

void SetText(HWND control, const wchar_t* text, DWORD timeoutMs) {
  DWORD_PTR result;
  SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, timeoutMs,
                      &result);
}

RunningProgram::RunningProgram(const std::wstring& exe, const wchar_t* proxy) {
  std::wstring command = L"\"" + exe + L"\"";
  std::vector<wchar_t> environment = proxy ? EnvironmentWithProxy(proxy) : std::vector<wchar_t>();
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  const double startedAt = NowMs();
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, proxy ? environment.data() : nullptr, nullptr,
                      &startup, &started)) {
    return;
  }
  process_.reset(started.hProcess);
  CloseHandle(started.hThread);
  id_ = started.dwProcessId;
  const bool answers = WaitUntil(
      [&] {
        DWORD_PTR result;
        return (window_ = TopWindow()) &&
               SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result);
      },
      kPatienceMs);
  if (!answers) {
    window_ = nullptr;
    return;
  }
  startUpMs_ = NowMs() - startedAt;
  controls_.account = FindWindowExW(window_, nullptr, L"Edit", nullptr);
  controls_.readout = FindWindowExW(window_, controls_.account, L"Edit", nullptr);
  controls_.query = FindWindowExW(window_, nullptr, L"Button", L"查询");
}

RunningProgram::~RunningProgram() {
  if (!process_ || WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0 || Close(kPatienceMs))
    return;
  std::fputs("a started program did not close; ended it\n", stderr);
  TerminateProcess(process_.get(), 1);
  WaitForSingleObject(process_.get(), kPatienceMs);
}

HWND RunningProgram::TopWindow(const wchar_t* windowClass) const {
  WindowSearch search = {id_, windowClass, nullptr};
  EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool RunningProgram::Ask(const wchar_t* account, DWORD timeoutMs) const {
  const std::string asked = "uid=" + std::string(account, account + wcslen(account)) + "&";
  const auto requests = [&] {
    return std::ranges::count_if(StandInRequestLines(), [&](const std::string& line) {
      return line.find(asked) != std::string::npos;
    });
  };
  const auto before = requests();
  SetText(controls_.account, account);
  PostMessageW(controls_.query, BM_CLICK, 0, 0);
  return WaitUntil([&] { return requests() > before; }, timeoutMs);
}

bool RunningProgram::WaitForEnd(DWORD timeoutMs, bool* reported) const {
  const DWORD start = GetTickCount();
  while (WaitForSingleObject(process_.get(), reported ? 10 : timeoutMs) == WAIT_TIMEOUT) {
    if (reported && ReportBox()) *reported = true;
    if (!reported || GetTickCount() - start > timeoutMs) return false;
  }
  return true;
}

}  // namespace testsupport
