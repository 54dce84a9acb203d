// The real program started from a folder where DLLs named as Windows' own lie beside it, as in a
// Downloads folder, with Wine told to prefer such DLLs to its own (as Windows looks in a
// program's folder first): the program loads none of them, whatever it does.

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/ScopedWin.h"
#include "frmAbout.h"
#include "support/StandIn.h"
#include "support/WinePath.h"
#include "support/WindowTest.h"

namespace {

// What the program loads as it runs. Not ole32: Wine's own input-method library takes it by its
// bare name when the first window is activated, from the program's folder first, whatever the
// program's DLL search (on Windows it is a known DLL, always the system folder's).
constexpr const wchar_t* kPlanted[] = {L"urlmon", L"wininet", L"oleacc", L"oleaut32", L"shell32"};

std::wstring PathFrom(const wchar_t* variable) {
  const wchar_t* path = _wgetenv(variable);
  return testsupport::WindowsPath(path ? path : L"");
}

std::wstring Lower(std::wstring text) {
  CharLowerW(text.data());
  return text;
}

// The full paths, in lower case, of the modules the process has loaded.
std::vector<std::wstring> Modules(DWORD pid) {
  std::vector<std::wstring> paths;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  if (snapshot == INVALID_HANDLE_VALUE) return paths;
  base::KernelHandle list(snapshot);
  MODULEENTRY32W module = {};
  module.dwSize = sizeof module;
  for (BOOL more = Module32FirstW(list.get(), &module); more;
       more = Module32NextW(list.get(), &module)) {
    paths.push_back(Lower(module.szExePath));
  }
  return paths;
}

bool Loaded(DWORD pid, const wchar_t* dll) {
  for (const std::wstring& path : Modules(pid))
    if (path.ends_with(L"\\" + Lower(dll) + L".dll")) return true;
  return false;
}

// The program's visible top-level form with this caption.
HWND Form(DWORD pid, const wchar_t* caption) {
  for (HWND form = nullptr; (form = FindWindowExW(nullptr, form, L"forms.Form", caption));) {
    DWORD owner = 0;
    GetWindowThreadProcessId(form, &owner);
    if (owner == pid && IsWindowVisible(form)) return form;
  }
  return nullptr;
}

std::wstring TextOf(HWND window) {
  wchar_t text[64] = {};
  DWORD_PTR copied;
  SendMessageTimeoutW(window, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 2000,
                      &copied);
  return text;
}

// The address scheme of the QQ link, handled for the test by the test program itself, which logs
// what it is handed (tests/main.cpp): the log tells that the click has been handled.
class SchemeHandler {
 public:
  explicit SchemeHandler(const std::wstring& log) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring command = L"\"" + std::wstring(self) + L"\" --record-shell-open \"%1\"";
    RegSetValueW(HKEY_LOCAL_MACHINE, (std::wstring(kKey) + L"\\shell\\open\\command").c_str(),
                 REG_SZ, command.c_str(), 0);
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegSetValueExW(key, L"URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), 2);
      RegCloseKey(key);
    }
    SetEnvironmentVariableW(L"PELLUCOR_SHELL_LOG", log.c_str());
  }
  ~SchemeHandler() {
    for (const wchar_t* sub : {L"\\shell\\open\\command", L"\\shell\\open", L"\\shell", L""})
      RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kKey) + sub).c_str());
  }

 private:
  static constexpr wchar_t kKey[] = L"Software\\Classes\\tencent";
};

TEST(DllPlanting, NoDllBesideTheProgramLoads) {
  const std::wstring exe = PathFrom(L"PELLUCOR_EXE"), dll = PathFrom(L"PELLUCOR_PLANTED_DLL");
  if (!testsupport::StandInRuns() || exe.empty() || dll.empty()) {
    GTEST_SKIP() << "needs the stand-in, PELLUCOR_EXE and PELLUCOR_PLANTED_DLL";
  }
  // A new folder beside the planted DLL, with a copy of the program and the DLL under each name.
  const std::wstring folder = dll.substr(0, dll.find_last_of(L'\\') + 1) + L"planting\\";
  WIN32_FIND_DATAW old;
  for (HANDLE left = FindFirstFileW((folder + L"*.*").c_str(), &old);
       left != INVALID_HANDLE_VALUE && (DeleteFileW((folder + old.cFileName).c_str()), true);) {
    if (!FindNextFileW(left, &old)) FindClose(std::exchange(left, INVALID_HANDLE_VALUE));
  }
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring copy = folder + L"Pellucor.exe", log = folder + L"shell.log";
  ASSERT_TRUE(CopyFileW(exe.c_str(), copy.c_str(), FALSE));
  for (const wchar_t* name : kPlanted)
    ASSERT_TRUE(CopyFileW(dll.c_str(), (folder + name + L".dll").c_str(), FALSE));
  SchemeHandler handler(log);

  std::wstring command = L"\"" + copy + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &started));
  base::KernelHandle process(started.hProcess), thread(started.hThread);
  const DWORD pid = started.dwProcessId;
  struct Ender {
    HANDLE process;
    ~Ender() {
      TerminateProcess(process, 1);
      WaitForSingleObject(process, 5000);
    }
  } ender{process.get()};

  // Neither has a planted DLL left its trace nor is one of its files among the modules.
  auto expectNoneLoaded = [&](const char* moment) {
    SCOPED_TRACE(moment);
    for (const wchar_t* name : kPlanted) {
      EXPECT_EQ(GetFileAttributesW((folder + name + L".dll.loaded").c_str()),
                INVALID_FILE_ATTRIBUTES)
          << testing::PrintToString(std::wstring(name)) << " was loaded from beside the program";
    }
    for (const std::wstring& path : Modules(pid))
      EXPECT_TRUE(path == Lower(copy) || !path.starts_with(Lower(folder))) << path;
  };

  HWND main = nullptr;
  ASSERT_TRUE(
      testsupport::PumpUntil([&] { return (main = Form(pid, L"Pellucor")) != nullptr; }, 15000));
  expectNoneLoaded("start-up");

  // Idle, the lookup prepares itself: it loads what it downloads with.
  ASSERT_TRUE(testsupport::PumpUntil(
      [&] { return Loaded(pid, L"wininet") || Loaded(pid, L"urlmon"); }, 10000));
  expectNoneLoaded("idle");

  HWND readout =
      FindWindowExW(main, FindWindowExW(main, nullptr, L"Edit", nullptr), L"Edit", nullptr);
  PostMessageW(FindWindowExW(main, nullptr, L"Button", L"查询"), BM_CLICK, 0, 0);
  ASSERT_TRUE(testsupport::PumpUntil([&] { return TextOf(readout) == L"在线"; }, 10000));
  expectNoneLoaded("lookup");

  DWORD_PTR object = 0;
  SendMessageTimeoutW(readout, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT), SMTO_BLOCK, 5000,
                      &object);
  EXPECT_NE(object, 0u) << "the program did not answer the screen reader";
  expectNoneLoaded("screen reader");

  PostMessageW(FindWindowExW(main, nullptr, L"Button", L"关于"), BM_CLICK, 0, 0);
  HWND about = nullptr;
  ASSERT_TRUE(testsupport::PumpUntil([&] { return (about = Form(pid, L"关于")) != nullptr; }));
  HWND link = FindWindowExW(about, nullptr, nullptr, kAboutQqNumber);
  PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  ASSERT_TRUE(testsupport::PumpUntil(
      [&] { return GetFileAttributesW(log.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000));
  expectNoneLoaded("link");
}

}  // namespace
