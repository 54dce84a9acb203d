#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// Run by the shell as the handler of an address scheme (see the About window's link tests):
// appends "<show command> <address>" to the file PELLUCOR_SHELL_LOG names.
int RecordShellOpen(const wchar_t* address) {
  STARTUPINFOW startup = {};
  GetStartupInfoW(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
  const std::wstring line = std::to_wstring(show) + L" " + address + L"\n";
  wchar_t log[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"PELLUCOR_SHELL_LOG", log, MAX_PATH)) return 1;
  HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written,
            nullptr);
  CloseHandle(file);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int wargc = 0;
  wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
  if (wargv && wargc == 3 && std::wstring(wargv[1]) == L"--record-shell-open") {
    return RecordShellOpen(wargv[2]);
  }
  LocalFree(wargv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
