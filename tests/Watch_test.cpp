// The real program started as a desktop shortcut starts it, with an account on its command line,
// against the stand-in: the usage, the watch and the shortcut it makes, as a user sees them.

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Form1.h"
#include "support/RunningProgram.h"
#include "support/StandIn.h"
#include "support/WindowTest.h"

namespace {

using testsupport::RunningProgram;
using testsupport::StandInLinesHolding;

std::wstring Title(HWND window) {
  wchar_t title[256] = {};
  GetWindowTextW(window, title, 256);
  return title;
}

std::wstring BoxText(HWND box) {
  wchar_t text[1024] = {};
  testsupport::PumpUntil([&] { return GetDlgItemTextW(box, 0xFFFF, text, 1024) > 0; });
  return text;
}

// The colour of the title bar between the title and the buttons, as the screen shows it.
COLORREF TitleBarColour(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  const HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, r.right - 90, r.top + 8);
  ReleaseDC(nullptr, screen);
  return colour;
}

TEST(Watch, CommandLineWatchAndShortcutAsAUserSeesThem) {
  if (!testsupport::StandInRuns() || testsupport::ProgramUnderTest().empty()) {
    GTEST_SKIP() << "needs the stand-in status server and PELLUCOR_EXE";
  }
  const std::wstring exe = testsupport::ProgramUnderTest();
  for (const auto& [arguments, exitCode] : {std::pair{L"/?", 0ul}, std::pair{L"/x a", 1ul}}) {
    const RunningProgram usage(exe, nullptr, arguments);
    EXPECT_NE(BoxText(usage.window()).find(L"用法"), std::wstring::npos) << "no usage box";
    EXPECT_FALSE(usage.TopWindow(L"forms.Form")) << "it started";
    PostMessageW(usage.window(), WM_COMMAND, IDOK, 0);
    DWORD code = 99;
    EXPECT_TRUE(usage.WaitForEnd(5000) && GetExitCodeProcess(usage.process(), &code));
    EXPECT_EQ(code, exitCode);
  }

  const RunningProgram asked(exe, nullptr, L"online"), comes(exe, nullptr, L"/w:10 comes-online"),
      failing(exe, nullptr, L"/w:10 error-500"), silent(exe, nullptr, L"/w:10 silent"),
      shortcut(exe, nullptr, L"a/b:c");
  const auto requests = [](const char* account) {
    return StandInLinesHolding("uid=" + std::string(account) + "&");
  };
  SetForegroundWindow(asked.window());  // the watching ones wait in the background
  EXPECT_TRUE(testsupport::PumpUntil([&] { return asked.ReadOut() == L"在线"; }, 10000));
  EXPECT_EQ(requests("online"), 1) << "a command-line account is asked about once";
  EXPECT_TRUE(testsupport::PumpUntil([&] { return requests("comes-online") == 1; }));
  EXPECT_EQ(Title(comes.window()), L"Pellucor - 等待 comes-online 上线");
  EXPECT_FALSE(comes.Loaded(L"winmm.dll"));

  // While its lookup waits for a silent server, the window answers, and a close ends it at once.
  EXPECT_TRUE(testsupport::PumpUntil([&] { return requests("silent") == 1; }));
  EXPECT_TRUE(silent.ReadOut().has_value()) << "the window does not answer";
  bool reported = false;
  PostMessageW(silent.window(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(silent.WaitForEnd(5000, &reported)) << "the program did not end";
  EXPECT_FALSE(reported);

  // The shortcut: made, read back through the shell, and replaced once the user says yes.
  wchar_t desktop[MAX_PATH];
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop), S_OK);
  const std::wstring lnk = std::wstring(desktop) + L"\\a_b_c.lnk";
  DeleteFileW(lnk.c_str());
  // Once its own query has answered: a click in the window menu meanwhile would go unheard.
  ASSERT_TRUE(testsupport::PumpUntil([&] { return shortcut.ReadOut() == L"离线"; }));
  for (bool existed : {false, true}) {
    PostMessageW(shortcut.window(), WM_SYSCOMMAND, Form1::kShortcutItem, 0);
    HWND box = nullptr;
    ASSERT_TRUE(testsupport::PumpUntil([&] { return (box = shortcut.ReportBox()) != nullptr; }));
    if (existed) {
      EXPECT_NE(BoxText(box).find(L"要替换它吗"), std::wstring::npos);
      PostMessageW(box, WM_COMMAND, IDYES, 0);
      ASSERT_TRUE(testsupport::PumpUntil([&] {
        return (box = shortcut.ReportBox()) && BoxText(box).find(L"已创建") != std::wstring::npos;
      }));
    }
    EXPECT_NE(BoxText(box).find(lnk), std::wstring::npos);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    testsupport::PumpUntil([&] { return !IsWindow(box); });
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                             reinterpret_cast<void**>(&link)),
            S_OK);
  link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  wchar_t target[MAX_PATH] = {}, arguments[MAX_PATH] = {};
  EXPECT_EQ(file->Load(lnk.c_str(), STGM_READ), S_OK);
  link->GetPath(target, MAX_PATH, nullptr, 0);
  link->GetArguments(arguments, MAX_PATH);
  file->Release();
  link->Release();
  DeleteFileW(lnk.c_str());
  EXPECT_EQ(lstrcmpiW(target, exe.c_str()), 0) << testing::PrintToString(std::wstring(target));
  EXPECT_STREQ(arguments, L"\"a/b:c\"");

  // Online at the second lookup, 10 s on: it says so and flashes the title bar with the window in
  // the background, plays the notification sound (winmm), and the watch ends.
  EXPECT_TRUE(testsupport::PumpUntil([&] { return comes.ReadOut() == L"在线"; }, 20000));
  EXPECT_EQ(requests("comes-online"), 2);
  EXPECT_EQ(Title(comes.window()), L"Pellucor");
  EXPECT_NE(GetForegroundWindow(), comes.window());
  EXPECT_TRUE(testsupport::PumpUntil([&] {
    return TitleBarColour(comes.window()) == GetSysColor(COLOR_ACTIVECAPTION);
  })) << "no flash";
  EXPECT_TRUE(comes.Loaded(L"winmm.dll")) << "no sound";

  // Three failures in a row, 10 s apart, open one box, the last one's, and end the watch.
  HWND box = nullptr;
  EXPECT_TRUE(
      testsupport::PumpUntil([&] { return (box = failing.ReportBox()) != nullptr; }, 30000));
  EXPECT_EQ(requests("error-500"), 3);
  EXPECT_NE(BoxText(box).find(L"500"), std::wstring::npos);
  EXPECT_EQ(Title(failing.window()), L"Pellucor");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

}  // namespace
