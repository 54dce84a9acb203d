#include "support/RunningProgram.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>

#include "support/StandIn.h"
#include "support/WinePath.h"

namespace testsupport {
std::optional<std::wstring> TextOf(HWND control, DWORD timeoutMs) {
  wchar_t text[64] = {};
  DWORD_PTR copied;
  if (SendMessageTimeoutW(control, WM_GETTEXT, 64, LPARAM(text), SMTO_BLOCK, timeoutMs, &copied))
    return text;
  return std::nullopt;
}

void SetText(HWND control, const wchar_t* text, DWORD timeoutMs) {
  DWORD_PTR result;
  SendMessageTimeoutW(control, WM_SETTEXT, 0, LPARAM(text), SMTO_BLOCK, timeoutMs, &result);
}

RunningProgram::RunningProgram(const std::wstring& exe, const wchar_t* proxy,
                               const wchar_t* arguments) {
  std::wstring command = L"\"" + exe + L"\"", ownProxy(4096, L'\0');
  if (arguments) command += std::wstring(L" ") + arguments;
  // The program inherits this process's environment, with its proxy while it starts.
  ownProxy.resize(GetEnvironmentVariableW(L"http_proxy", ownProxy.data(), 4096));
  if (proxy) SetEnvironmentVariableW(L"http_proxy", proxy);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  const bool created = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                                      nullptr, nullptr, &startup, &started);
  if (proxy) SetEnvironmentVariableW(L"http_proxy", ownProxy.empty() ? nullptr : ownProxy.c_str());
  if (!created) return;
  process_.reset(started.hProcess);
  CloseHandle(started.hThread);
  id_ = started.dwProcessId;
  const auto answers = [&] {
    DWORD_PTR result;
    return (window_ = TopWindow()) &&
           SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result);
  };
  if (!PumpUntil(answers, kPatienceMs, 1)) {
    window_ = nullptr;
    return;
  }
  controls_.account = FindWindowExW(window_, nullptr, L"Edit", nullptr);
  controls_.readout = FindWindowExW(window_, controls_.account, L"Edit", nullptr);
  controls_.query = FindWindowExW(window_, nullptr, L"Button", L"查询");
}

std::wstring ProgramUnderTest() {
  const wchar_t* named = _wgetenv(L"PELLUCOR_EXE");
  if (!named) return L"";
  wchar_t full[MAX_PATH];
  const DWORD length = GetFullPathNameW(WindowsPath(named).c_str(), MAX_PATH, full, nullptr);
  return std::wstring(full, length < MAX_PATH ? length : 0);
}

bool RunningProgram::Loaded(const wchar_t* dll) const {
  const base::KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, id_));
  MODULEENTRY32W module = {};
  module.dwSize = sizeof module;
  for (BOOL more = Module32FirstW(snapshot.get(), &module); more;
       more = Module32NextW(snapshot.get(), &module)) {
    if (lstrcmpiW(module.szModule, dll) == 0) return true;
  }
  return false;
}

RunningProgram::~RunningProgram() {
  if (!process_ || WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0 || Close(kPatienceMs))
    return;
  std::fputs("a started program did not close; ended it\n", stderr);
  TerminateProcess(process_.get(), 1);
  WaitForSingleObject(process_.get(), kPatienceMs);
}

HWND RunningProgram::TopWindow(const wchar_t* windowClass) const {
  for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, windowClass, nullptr));) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == id_ && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

bool RunningProgram::Ask(const wchar_t* account, DWORD timeoutMs,
                         std::function<void()> press) const {
  const std::string asked = "uid=" + std::string(account, account + wcslen(account)) + "&";
  const long before = StandInLinesHolding(asked);
  SetText(controls_.account, account);
  press ? press() : void(PostMessageW(controls_.query, BM_CLICK, 0, 0));
  return PumpUntil([&] { return StandInLinesHolding(asked) > before; }, timeoutMs, 1);
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
