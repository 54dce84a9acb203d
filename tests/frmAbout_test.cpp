#include "frmAbout.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "Form1.h"
#include "modCmdVista.h"
#include "support/ShownForm1.h"
#include "support/StandIn.h"
#include "support/WindowTest.h"

namespace {

using testsupport::MessageBoxWatcher;
using testsupport::PumpUntil;
using testsupport::PumpUntilIdle;
using testsupport::SameImage;

constexpr std::wstring_view kLinks[] = {L"Label4", L"Label6", L"Label8"};

std::string Narrow(std::wstring_view s) {
  return std::string(s.begin(), s.end());
}

bool IsLink(std::wstring_view name) {
  return std::find(std::begin(kLinks), std::end(kLinks), name) != std::end(kLinks);
}

// The pointer the form shows over one of its controls.
HCURSOR PointerOver(HWND form, HWND control) {
  SetCursor(nullptr);
  if (!SendMessageW(form, WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                    MAKELPARAM(HTCLIENT, WM_MOUSEMOVE))) {
    return nullptr;
  }
  return GetCursor();
}

using AboutLayout = testsupport::AboutShown;

TEST_F(AboutLayout, LinksShowTheHandPointerAndNothingElseDoes) {
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  for (const forms::ControlDesign& d : kFrmAboutControls) {
    SCOPED_TRACE("control " + Narrow(d.name));
    HCURSOR shown = PointerOver(about_->hWnd(), about_->forms::Form::Control(d));
    if (IsLink(d.name)) {
      EXPECT_EQ(shown, hand);
    } else {
      EXPECT_NE(shown, hand);
    }
  }
}

TEST_F(AboutLayout, OkShowsTheFocusedFaceUntilTheFocusMovesOn) {
  HWND ok = about_->Control(L"Command1");
  ASSERT_EQ(GetFocus(), ok) << "OK has the focus when the window opens";
  EXPECT_TRUE(SameImage(testsupport::ButtonOnScreen(ok),
                        testsupport::FaceOf(ok, modCmdVista::PaintFocusedFace)));
  testsupport::PressKey(VK_TAB);
  HWND picture = about_->Control(L"Picture1");
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == picture; }));
  EXPECT_TRUE(SameImage(testsupport::ButtonOnScreen(ok),
                        testsupport::FaceOf(ok, modCmdVista::PaintNormalFace)));
  testsupport::PressKey(VK_TAB, VK_SHIFT);
  EXPECT_TRUE(PumpUntil([&] { return GetFocus() == ok; })) << "Shift+Tab comes back";
}

// Links: the address and show command each scheme's handler received. The test's own Wine prefix
// gets handlers that run this test program in its recording mode (see tests/main.cpp).
class AboutLinks : public testsupport::AboutShown {
 protected:
  void SetUp() override {
    AboutShown::SetUp();
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    log_ = std::wstring(temp) + L"pellucor-shell.log";
    DeleteFileW(log_.c_str());
    SetEnvironmentVariableW(L"PELLUCOR_SHELL_LOG", log_.c_str());
    for (const wchar_t* scheme : {L"http", L"mailto", L"tencent"}) {
      Register(scheme, std::wstring(L"\"") + exe + L"\" --record-shell-open \"%1\"");
    }
  }
  void TearDown() override {
    for (const wchar_t* scheme : {L"http", L"mailto", L"tencent"}) Unregister(scheme);
    DeleteFileW(log_.c_str());
    AboutShown::TearDown();
  }

  static std::wstring Key(const wchar_t* scheme) {
    return std::wstring(L"Software\\Classes\\") + scheme;
  }
  static void Register(const wchar_t* scheme, const std::wstring& command) {
    HKEY key;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, (Key(scheme) + L"\\shell\\open\\command").c_str(), 0,
                    nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    HKEY root;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, Key(scheme).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                    &root, nullptr);
    RegSetValueExW(root, L"URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), 2);
    RegCloseKey(root);
  }
  static void Unregister(const wchar_t* scheme) {
    for (const wchar_t* sub : {L"\\shell\\open\\command", L"\\shell\\open", L"\\shell", L""}) {
      RegDeleteKeyW(HKEY_LOCAL_MACHINE, (Key(scheme) + sub).c_str());
    }
  }

  // Clicks a control as the mouse does.
  void Click(frmAbout::Name name) {
    HWND control = about_->Control(name);
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  }

  // The lines the handlers wrote, waiting at most a few seconds for `count` of them.
  std::vector<std::wstring> Recorded(size_t count) {
    std::vector<std::wstring> lines;
    PumpUntil(
        [&] {
          lines.clear();
          FILE* file = _wfopen(log_.c_str(), L"rb");
          if (!file) return false;
          std::wstring all;
          wchar_t buffer[512];
          while (fgetws(buffer, 512, file)) all += buffer;
          fclose(file);
          for (size_t at = 0, end; (end = all.find(L'\n', at)) != std::wstring::npos; at = end + 1)
            lines.push_back(all.substr(at, end - at));
          return lines.size() >= count;
        },
        10000);
    return lines;
  }

  std::wstring log_;
};

TEST_F(AboutLinks, EachLinkHandsItsAddressToTheShell) {
  MessageBoxWatcher boxes;
  const frmAbout::Name plain[] = {L"Label1", L"Label3", L"Label9", L"Picture1"};
  for (frmAbout::Name control : plain) Click(control);
  Click(L"Label4");
  Click(L"Label6");
  Click(L"Label8");
  std::vector<std::wstring> lines = Recorded(3);
  ASSERT_EQ(lines.size(), 3u) << "one handler run per link click, none for plain controls";
  // Each handler writes "<show command> <address>"; they may finish in any order.
  std::vector<std::wstring> expected = {
      std::wstring(L"1 ") + kAboutHomepage,
      std::wstring(L"5 tencent://message?uin=") + kAboutQqNumber + L"&Site=好人&Menu=yes",
      std::wstring(L"1 mailto:") + kAboutEmail,
  };
  for (const std::wstring& want : expected) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), want), lines.end())
        << "missing: " << testing::PrintToString(want);
  }
  EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(AboutLinks, ASchemeNobodyOpensLeavesTheWindowAsItWas) {
  Unregister(L"tencent");
  MessageBoxWatcher boxes;  // the platform may say it cannot open the address
  Click(L"Label6");
  PumpUntilIdle();
  EXPECT_TRUE(about_->IsLoaded());
  EXPECT_TRUE(IsWindowVisible(about_->hWnd()));
  EXPECT_EQ(about_->Text(L"Label6"), kAboutQqNumber);
}

// The About action, through the main window, against the stand-in (leaving the account box
// queries).
class AboutModal : public testsupport::ShownForm1 {
 protected:
  AboutModal() : ShownForm1(/*needsStandIn=*/true) {}

  // A control of the About window that the main window opened.
  static HWND Control(HWND about, frmAbout::Name name) {
    return static_cast<const frmAbout*>(forms::Form::Of(about))->Control(name);
  }

  // Presses the About button and runs whileOpen from inside the About window's modal loop once
  // the window is up; whileOpen closes it. Returns when the About action has returned.
  void WithAboutOpen(const std::function<void(HWND about)>& whileOpen) {
    testsupport::WhileModal(
        form_->hWnd(), [&] { SendMessageW(form_->Control(L"Command3"), BM_CLICK, 0, 0); },
        whileOpen);
  }
};

// The ways of closing a modal form are the forms layer's (FormsModal); this is what the About
// window brings to it.
TEST_F(AboutModal, MainWindowWaitsAndComesBackAsItWas) {
  HWND main = form_->hWnd();
  HWND command3 = form_->Control(L"Command3");
  testsupport::PressKey(VK_TAB);  // leave the account box now: its query runs here
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == form_->Control(L"Text2"); }));
  PumpUntilIdle();
  const size_t requests = testsupport::StandInRequestLines().size();
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);

  for (int opened = 1; opened <= 2; ++opened) {  // each showing loads it anew
    SCOPED_TRACE(opened);
    const std::wstring answer = form_->Text(L"Text2");
    WithAboutOpen([&](HWND about) {
      EXPECT_FALSE(IsWindowEnabled(main)) << "the main window waits";
      EXPECT_EQ(GetActiveWindow(), about);
      EXPECT_TRUE(GetPropW(about, L"modCmdVista.PrevWndProc")) << "the skin is on again";
      EXPECT_TRUE(SameImage(testsupport::SmallIconOf(about), testsupport::SmallIconOf(main)));
      EXPECT_EQ(PointerOver(about, Control(about, L"Label8")), hand) << "Label8 copied the pointer";
      // A click on the main window's query button goes nowhere.
      RECT r;
      GetWindowRect(form_->Control(L"Command1"), &r);
      testsupport::ClickAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
      PumpUntilIdle();
      ASSERT_EQ(GetFocus(), Control(about, L"Command1")) << "OK keeps the focus";
      SendMessageW(Control(about, L"Command1"), BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_EQ(GetFocus(), command3) << "the focus is back where it was";
    EXPECT_EQ(testsupport::StandInRequestLines().size(), requests) << "no query while open";
    EXPECT_EQ(form_->Text(L"Text2"), answer);
    EXPECT_TRUE(SameImage(testsupport::ButtonOnScreen(command3),
                          testsupport::FaceOf(command3, modCmdVista::PaintFocusedFace)))
        << "still skinned";
  }
  // And the main window works as before.
  form_->SetText(L"Text1", L"somebody");
  SendMessageW(form_->Control(L"Command1"), BM_CLICK, 0, 0);
  PumpUntilIdle();
  EXPECT_EQ(form_->Text(L"Text2"), L"离线");
}

}  // namespace
