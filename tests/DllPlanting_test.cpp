// The real program started beside DLLs named as Windows' own, as in a Downloads folder, with Wine
// told to prefer them to its own as Windows looks in a program's folder first: none of them loads.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/ScopedWin.h"
#include "frmAbout.h"
#include "support/RunningProgram.h"
#include "support/StandIn.h"
#include "support/WinePath.h"
#include "support/WindowTest.h"

namespace {

// Not ole32: Wine's input-method library loads it by its bare name when the first window is
// activated, whatever the program's DLL search (on Windows it is a known DLL, never searched for).
constexpr const wchar_t* kPlanted[] = {L"wininet", L"ws2_32", L"oleacc", L"oleaut32", L"shell32"};

TEST(DllPlanting, NoDllBesideTheProgramLoads) {
  const wchar_t *exe = _wgetenv(L"PELLUCOR_EXE"), *dll = _wgetenv(L"PELLUCOR_PLANTED_DLL");
  if (!testsupport::StandInRuns() || !exe || !dll) GTEST_SKIP() << "needs the stand-in and both";
  const std::wstring planted = testsupport::WindowsPath(dll),
                     folder = planted.substr(0, planted.rfind(L'\\') + 1) + L"planting\\",
                     copy = folder + L"Pellucor.exe";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(testsupport::WindowsPath(exe).c_str(), copy.c_str(), FALSE));
  for (const wchar_t* name : kPlanted) {
    DeleteFileW((folder + name + L".dll.loaded").c_str());
    ASSERT_TRUE(CopyFileW(planted.c_str(), (folder + name + L".dll").c_str(), FALSE));
  }
  auto expectNoneLoaded = [&](const char* moment) {
    for (const wchar_t* name : kPlanted)
      EXPECT_EQ(GetFileAttributesW((folder + name + L".dll.loaded").c_str()),
                INVALID_FILE_ATTRIBUTES)
          << testing::PrintToString(std::wstring(name)) << " loaded from beside it " << moment;
  };

  const testsupport::RunningProgram program(copy);
  ASSERT_TRUE(program.controls().query);
  expectNoneLoaded("at start-up");
  // Idle, the lookup prepares itself: it loads what it asks with.
  ASSERT_TRUE(testsupport::PumpUntil(
      [&] { return program.Loaded(L"wininet.dll") && program.Loaded(L"ws2_32.dll"); }, 10000));
  expectNoneLoaded("at idle");
  PostMessageW(program.controls().query, BM_CLICK, 0, 0);
  ASSERT_TRUE(testsupport::PumpUntil([&] { return program.ReadOut() == L"在线"; }, 10000));
  expectNoneLoaded("at a lookup");
  DWORD_PTR object = 0;
  SendMessageTimeoutW(program.controls().readout, WM_GETOBJECT, 0, LPARAM(OBJID_CLIENT), SMTO_BLOCK,
                      5000, &object);
  EXPECT_NE(object, 0u) << "no answer to a screen reader";
  expectNoneLoaded("at a screen reader's request");
  // A click on the QQ link, then a close request: the About window goes once the click is handled.
  PostMessageW(FindWindowExW(program.window(), nullptr, L"Button", L"关于"), BM_CLICK, 0, 0);
  HWND about = nullptr;
  ASSERT_TRUE(testsupport::PumpUntil(
      [&] { return (about = FindWindowW(L"forms.Form", L"关于")) != nullptr; }));
  HWND link = FindWindowExW(about, nullptr, nullptr, kAboutQqNumber);
  PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  PostMessageW(link, WM_LBUTTONUP, 0, 0);
  PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(testsupport::PumpUntil([&] { return !IsWindow(about); }, 10000));
  expectNoneLoaded("at a link's click");
}

}  // namespace
