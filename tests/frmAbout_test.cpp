#include "frmAbout.h"

#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <span>
#include <utility>
#include <string>
#include <vector>

#include "Form1.h"
#include "base/ScopedWin.h"
#include "modCmdVista.h"
#include "support/ShownForm1.h"
#include "support/StandIn.h"
#include "support/WindowTest.h"

namespace {

using testsupport::Canvas;
using testsupport::MessageBoxWatcher;
using testsupport::PumpPending;
using testsupport::PumpUntil;
using testsupport::RectInParent;
using testsupport::SameImage;

using testsupport::PixelRect;

// The About window's design at 96 DPI, in pixels, in tab order.
constexpr PixelRect kDesign[] = {
    {L"Label1", 72, 8, 132, 12},  {L"Label2", 72, 32, 66, 12},   {L"Command1", 120, 128, 81, 22},
    {L"Label3", 72, 48, 30, 12},  {L"Label4", 104, 48, 156, 12}, {L"Label5", 72, 64, 30, 12},
    {L"Label6", 104, 64, 54, 12}, {L"Label7", 72, 80, 30, 12},   {L"Label8", 104, 80, 84, 12},
    {L"Label9", 72, 104, 60, 12}, {L"Picture1", 16, 8, 36, 36},
};
constexpr const wchar_t* kLinks[] = {L"Label4", L"Label6", L"Label8"};

std::string Narrow(const wchar_t* s) {
  return std::string(s, s + wcslen(s));
}

bool IsLink(const wchar_t* name) {
  for (const wchar_t* link : kLinks)
    if (std::wstring(link) == name) return true;
  return false;
}

// A 16 x 16 icon as drawn on a white canvas.
testsupport::Image Drawn(HICON icon) {
  Canvas canvas(16, 16, {0, 0}, RGB(255, 255, 255));
  DrawIconEx(canvas.dc(), 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
  return canvas.Snapshot();
}

HICON SmallIcon(HWND hwnd) {
  return reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0));
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

// The About window shown beside the main window, as the About action makes it, but modeless.
class AboutShown : public testsupport::ShownForm1 {
 protected:
  void SetUp() override {
    ShownForm1::SetUp();
    if (IsSkipped()) return;
    about_ = std::make_unique<frmAbout>(*form_);
    about_->Show();
    PumpPending(100);
  }
  void TearDown() override {
    if (about_) about_->Unload();
    ShownForm1::TearDown();
  }
  std::unique_ptr<frmAbout> about_;
};

using AboutLayout = AboutShown;

TEST_F(AboutLayout, WindowMatchesItsDesign) {
  HWND hwnd = about_->hWnd();
  wchar_t caption[64] = {};
  GetWindowTextW(hwnd, caption, 64);
  EXPECT_STREQ(caption, L"关于");
  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 326);
  EXPECT_EQ(client.bottom, 160);
  LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_EQ(GetWindow(hwnd, GW_OWNER), form_->hWnd()) << "owned by the main window";
  RECT window, owner;
  GetWindowRect(hwnd, &window);
  GetWindowRect(form_->hWnd(), &owner);
  EXPECT_NEAR(window.left + window.right, owner.left + owner.right, 2) << "centred on its owner";
  EXPECT_NEAR(window.top + window.bottom, owner.top + owner.bottom, 2);
  EXPECT_EQ(GetClassLongPtrW(hwnd, GCLP_HBRBACKGROUND), COLOR_WINDOW + 1);
  EXPECT_TRUE(SameImage(Drawn(SmallIcon(hwnd)), Drawn(SmallIcon(form_->hWnd()))))
      << "the main window's icon in both title bars";
}

TEST_F(AboutLayout, ControlsStandWhereTheDesignPutsThem) {
  HWND previous = nullptr;
  for (const PixelRect& d : kDesign) {
    SCOPED_TRACE("control " + Narrow(d.name));
    HWND control = about_->ControlNamed(d.name);
    EXPECT_EQ(GetWindow(control, GW_HWNDPREV), previous) << "tab order is creation order";
    previous = control;
    RECT r = RectInParent(control);
    EXPECT_EQ(r.left, d.left);
    EXPECT_EQ(r.top, d.top);
    const bool focusable =
        std::wstring(d.name) == L"Command1" || std::wstring(d.name) == L"Picture1";
    EXPECT_EQ((GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) != 0, focusable);
    if (std::wstring(d.name).starts_with(L"Label")) {
      // Sized to its caption in its own font (Wine's substitute font has other metrics).
      const SIZE extent = testsupport::TextExtentInOwnFont(control);
      HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
      EXPECT_EQ(r.right - r.left, extent.cx);
      EXPECT_EQ(r.bottom - r.top, extent.cy);
      LOGFONTW lf = {};
      GetObjectW(font, sizeof lf, &lf);
      EXPECT_STREQ(lf.lfFaceName, L"宋体");
      EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
      EXPECT_EQ(lf.lfWeight, FW_NORMAL);
      EXPECT_EQ(lf.lfUnderline != 0, IsLink(d.name));
      // The colours the label is painted in, and its transparent background.
      HDC probe = CreateCompatibleDC(nullptr);
      LRESULT brush =
          SendMessageW(about_->hWnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(probe),
                       reinterpret_cast<LPARAM>(control));
      EXPECT_EQ(GetTextColor(probe), IsLink(d.name) ? RGB(0, 0, 255) : GetSysColor(COLOR_BTNTEXT));
      EXPECT_EQ(GetBkMode(probe), TRANSPARENT);
      EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
      DeleteDC(probe);
    } else {
      EXPECT_EQ(r.right - r.left, d.width);
      EXPECT_EQ(r.bottom - r.top, d.height);
    }
  }
  EXPECT_EQ(about_->Text(L"Label1"), L"Pellucor 1.0");
  EXPECT_EQ(about_->Text(L"Label2"), L"作者:orlith");
  EXPECT_EQ(about_->Text(L"Label5"), L"Q  Q:");
  EXPECT_EQ(about_->Text(L"Label9"), L"2008-08-20");
  EXPECT_EQ(about_->Text(L"Command1"), L"确定");
  EXPECT_EQ(about_->Text(L"Label4"), kAboutHomepage);
  EXPECT_EQ(about_->Text(L"Label6"), kAboutQqNumber);
  EXPECT_EQ(about_->Text(L"Label8"), kAboutEmail);

  RECT picture;
  GetClientRect(about_->Control(L"Picture1"), &picture);
  EXPECT_EQ(picture.right, 32) << "the 32 x 32 image inside a two-pixel border";
  EXPECT_TRUE(GetWindowLongW(about_->Control(L"Picture1"), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

TEST_F(AboutLayout, LinksShowTheHandPointerAndNothingElseDoes) {
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  for (const PixelRect& d : kDesign) {
    SCOPED_TRACE("control " + Narrow(d.name));
    HCURSOR shown = PointerOver(about_->hWnd(), about_->ControlNamed(d.name));
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
  testsupport::PressKey(VK_TAB, /*shift=*/true);
  EXPECT_TRUE(PumpUntil([&] { return GetFocus() == ok; })) << "Shift+Tab comes back";
}

// Links: the address and show command each scheme's handler received. The test's own Wine prefix
// gets handlers that run this test program in its recording mode (see tests/main.cpp).
class AboutLinks : public AboutShown {
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
  PumpPending(500);
  EXPECT_TRUE(about_->IsLoaded());
  EXPECT_TRUE(IsWindowVisible(about_->hWnd()));
  EXPECT_EQ(about_->Text(L"Label6"), kAboutQqNumber);
}

struct OwnedSearch {
  HWND owner, found;
};

BOOL CALLBACK FindOwned(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<OwnedSearch*>(lp);
  if (GetWindow(hwnd, GW_OWNER) == search->owner && IsWindowVisible(hwnd)) search->found = hwnd;
  return search->found ? FALSE : TRUE;
}

// The About action, through the main window, against the stand-in (leaving the account box
// queries).
class AboutModal : public testsupport::ShownForm1 {
 protected:
  AboutModal() : ShownForm1(/*needsStandIn=*/true) {}

  // Presses the About button and runs whileOpen from inside the About window's modal loop once
  // the window is up; whileOpen closes it. Returns when the About action has returned.
  void WithAboutOpen(const std::function<void(HWND about)>& whileOpen) {
    current_ = this;
    whileOpen_ = &whileOpen;
    started_ = GetTickCount();
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, &AboutModal::Poll);
    SendMessageW(form_->Control(L"Command3"), BM_CLICK, 0, 0);
    KillTimer(nullptr, timer);
    current_ = nullptr;
    PumpPending(100);
  }

  // The window the About action opened: a visible window owned by the main window.
  HWND FindAbout() const {
    OwnedSearch search = {form_->hWnd(), nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &FindOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

 private:
  static void CALLBACK Poll(HWND, UINT, UINT_PTR timer, DWORD) {
    if (!current_ || !current_->whileOpen_) return;
    HWND about = current_->FindAbout();
    if (!about) {
      if (GetTickCount() - current_->started_ > 10000) {
        ADD_FAILURE() << "the About window did not open";
        current_->whileOpen_ = nullptr;
      }
      return;
    }
    KillTimer(nullptr, timer);
    const auto* whileOpen = std::exchange(current_->whileOpen_, nullptr);
    (*whileOpen)(about);
    if (PumpUntil([&] { return !IsWindow(about); }, 5000)) return;
    ADD_FAILURE() << "the About window is still open";
    PostMessageW(about, WM_CLOSE, 0, 0);
  }

  static inline AboutModal* current_ = nullptr;
  const std::function<void(HWND)>* whileOpen_ = nullptr;
  DWORD started_ = 0;
};

// Records, on this thread, the main window being enabled and the About window being destroyed.
struct OrderRecorder {
  static inline std::vector<std::string> events;
  static inline HWND main = nullptr;
  static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && call->hwnd == main && call->message == WM_ENABLE && call->wParam) {
      events.push_back("main enabled");
    } else if (code == HC_ACTION && call->hwnd != main && call->message == WM_DESTROY &&
               GetWindow(call->hwnd, GW_OWNER) == main) {
      events.push_back("About destroyed");
    }
    return CallNextHookEx(nullptr, code, wp, lp);
  }
};

TEST_F(AboutModal, MainWindowWaitsAndComesBackAfterEachWayOfClosing) {
  HWND main = form_->hWnd();
  HWND command3 = form_->Control(L"Command3");
  testsupport::PressKey(VK_TAB);  // leave the account box now: its query runs here
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == form_->Control(L"Text2"); }));
  PumpPending(200);
  const size_t requests = testsupport::StandInRequestLines().size();
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);

  struct Way {
    const char* name;
    std::function<void(HWND about)> close;
  } ways[] = {
      {"OK clicked", [](HWND about) { SendMessageW(GetDlgItem(about, 102), BM_CLICK, 0, 0); }},
      {"Space on OK", [](HWND) { testsupport::PressKey(VK_SPACE); }},
      {"Enter on OK", [](HWND) { testsupport::PressKey(VK_RETURN); }},
      {"Esc", [](HWND) { testsupport::PressKey(VK_ESCAPE); }},
      {"close box", [](HWND about) { PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    const std::wstring answer = form_->Text(L"Text2");
    OrderRecorder::events.clear();
    OrderRecorder::main = main;
    HHOOK hook = nullptr;
    WithAboutOpen([&](HWND about) {
      EXPECT_FALSE(IsWindowEnabled(main)) << "the main window waits";
      EXPECT_EQ(GetActiveWindow(), about);
      EXPECT_TRUE(GetPropW(about, L"modCmdVista.PrevWndProc")) << "the skin is on again";
      EXPECT_TRUE(SameImage(Drawn(SmallIcon(about)), Drawn(SmallIcon(main))));
      EXPECT_EQ(PointerOver(about, GetDlgItem(about, 108)), hand) << "Label8 copied the pointer";
      // A click on the main window's query button goes nowhere.
      RECT r;
      GetWindowRect(form_->Control(L"Command1"), &r);
      SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
      INPUT clicks[2] = {};
      clicks[0].type = clicks[1].type = INPUT_MOUSE;
      clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
      clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
      SendInput(2, clicks, sizeof(INPUT));
      PumpPending(200);
      ASSERT_EQ(GetFocus(), GetDlgItem(about, 102)) << "OK keeps the focus";
      hook = SetWindowsHookExW(WH_CALLWNDPROC, &OrderRecorder::Hook, nullptr, GetCurrentThreadId());
      way.close(about);
    });
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(OrderRecorder::events, (std::vector<std::string>{"main enabled", "About destroyed"}))
        << "the owner takes input again before the About window goes";
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
  PumpPending(100);
  EXPECT_EQ(form_->Text(L"Text2"), L"离线");
}

// The threads of this process.
int ThreadsInUse() {
  base::KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  return count;
}

// 300 queries in a row (online, offline and a few failures), then the About window opened and
// closed 50 times: the temp folder, the threads and the GDI objects (counted by filling the
// handle table, see GdiObjectsInUse) end where they began.
using Endurance = AboutModal;

TEST_F(Endurance, ThreeHundredQueriesThenTheAboutWindowFiftyTimes) {
  HWND command1 = form_->Control(L"Command1");
  const auto query = [&](const wchar_t* account) {
    form_->SetText(L"Text1", account);
    SendMessageW(command1, BM_CLICK, 0, 0);  // the query runs inside
  };
  const auto about = [&] {
    WithAboutOpen([](HWND window) { PostMessageW(window, WM_CLOSE, 0, 0); });
  };
  MessageBoxWatcher boxes;
  // Before any query: Wine's download service keeps a thread of its own for a few seconds after
  // a download.
  const int threads = ThreadsInUse();
  SetFocus(command1);  // leaving the account box queries once
  PumpPending(100);
  // What the first query, report and showing make once (fonts, icons, the download service).
  query(L"online");
  query(L"dropped");
  about();
  const std::set<std::wstring> temp = testsupport::TempFiles();
  const long gdi = testsupport::GdiObjectsInUse();
  std::printf("  at the start: %d threads, %ld GDI objects\n", threads, gdi);

  int wrong = 0;
  for (int i = 0; i < 300; ++i) {
    const bool fails = i % 30 == 29;
    const bool online = i % 2 == 0;
    boxes.clear();
    query(fails ? (i % 60 == 59 ? L"dropped" : L"error-500") : online ? L"online" : L"somebody");
    const std::wstring want = fails ? L"" : online ? L"在线" : L"离线";
    if (form_->Text(L"Text2") != want || boxes.texts().size() != (fails ? 1u : 0u)) ++wrong;
  }
  EXPECT_EQ(wrong, 0) << "queries with a wrong answer or report";
  std::printf("  after the queries: %d threads, %ld GDI objects\n", ThreadsInUse(),
              testsupport::GdiObjectsInUse());
  for (int i = 0; i < 50; ++i) about();
  EXPECT_TRUE(IsWindowEnabled(form_->hWnd()));

  PumpUntil([&] { return ThreadsInUse() == threads; }, 10000);
  std::printf("  at the end: %d threads, %ld GDI objects\n", ThreadsInUse(),
              testsupport::GdiObjectsInUse());
  EXPECT_EQ(testsupport::TempFiles(), temp);
  EXPECT_EQ(ThreadsInUse(), threads);
  EXPECT_EQ(testsupport::GdiObjectsInUse(), gdi);
}

// Both windows on a screen of 120 or 144 DPI (tests/CMakeLists.txt sets the Wine prefix's
// LogPixels for this run and names the DPI in PELLUCOR_TEST_DPI): every place and size is the
// design's twips x DPI / 1440, and the skinned buttons paint their faces at the sizes they get.
using HighDpi = AboutShown;

TEST_F(HighDpi, BothWindowsAndTheirControlsScaleWithTheScreen) {
  const char* asked = std::getenv("PELLUCOR_TEST_DPI");
  if (!asked) GTEST_SKIP() << "runs with a screen of another DPI (PELLUCOR_TEST_DPI)";
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  ASSERT_EQ(dpi, std::atoi(asked)) << "the prefix's DPI did not take";
  const auto scaled = [dpi](int pixelsAt96) { return MulDiv(pixelsAt96 * 15, dpi, 1440); };

  struct Window {
    const forms::Form& form;
    int width, height;  // the client area at 96 DPI
    std::span<const PixelRect> design;
    const wchar_t* focused;  // the button painted with the focused face
  } windows[] = {{*form_, 285, 107, testsupport::kForm1Design, nullptr},
                 {*about_, 326, 160, kDesign, L"Command1"}};
  for (const Window& w : windows) {
    RECT client;
    GetClientRect(w.form.hWnd(), &client);
    EXPECT_EQ(client.right, scaled(w.width));
    EXPECT_EQ(client.bottom, scaled(w.height));
    for (const PixelRect& d : w.design) {
      SCOPED_TRACE("control " + Narrow(d.name));
      const std::wstring name = d.name;
      HWND control = w.form.ControlNamed(d.name);
      RECT r = RectInParent(control);
      EXPECT_EQ(r.left, scaled(d.left));
      EXPECT_EQ(r.top, scaled(d.top));
      if (name.starts_with(L"Label") || name == L"Picture1") continue;  // sized by their content
      EXPECT_EQ(r.right - r.left, scaled(d.width));
      EXPECT_EQ(r.bottom - r.top, scaled(d.height));
      if (name.starts_with(L"Command")) {
        const bool focused = w.focused && name == w.focused;
        EXPECT_TRUE(
            SameImage(testsupport::ButtonOnScreen(control),
                      testsupport::FaceOf(control, focused ? modCmdVista::PaintFocusedFace
                                                           : modCmdVista::PaintNormalFace)));
      }
    }
  }
}

}  // namespace
