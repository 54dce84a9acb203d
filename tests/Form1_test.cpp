#include "Form1.h"

#include <windows.h>

#include <oleacc.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/ScopedWin.h"
#include "modCmdVista.h"
#include "support/ShownForm1.h"
#include "support/StandIn.h"
#include "support/Threads.h"
#include "support/WindowTest.h"

namespace {

using testsupport::MessageBoxWatcher;
using testsupport::PumpUntil;
using testsupport::PumpUntilIdle;

using Form1Layout = testsupport::ShownForm1;

// What a screen reader hears of a control, asked from the calling thread: its name and role.
using Heard = std::pair<std::wstring, long>;
Heard Spoken(HWND control) {
  IAccessible* object = nullptr;
  BSTR spoken = nullptr;
  VARIANT self = {}, role = {};  // the control itself: CHILDID_SELF
  self.vt = VT_I4;
  if (AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                 reinterpret_cast<void**>(&object)) == S_OK) {
    object->get_accName(self, &spoken);
    object->get_accRole(self, &role);
    object->Release();
  }
  const std::wstring name = spoken ? spoken : L"(none)";
  SysFreeString(spoken);
  return {name, role.lVal};
}

// Screen readers call the boxes by the labels left of them, though the labels come after them in
// tab order (and in z-order, where Windows looks for a box's label); the rest is the system's.
TEST_F(Form1Layout, ScreenReadersCallTheBoxesByTheirLabels) {
  EXPECT_EQ(Spoken(form_->Control(L"Text1")), Heard(L"旺旺", ROLE_SYSTEM_TEXT));
  EXPECT_EQ(Spoken(form_->Control(L"Text2")), Heard(L"状态", ROLE_SYSTEM_TEXT));
}

// The request line a proxy sees.
std::string RequestLineFor(const std::string& encodedAccount) {
  return "GET http://amos.alicdn.com/online.ww?v=2&uid=" + encodedAccount + "&s=1 HTTP/1.1";
}

// The main window, shown, against the stand-in status server.
class Form1Query : public testsupport::ShownForm1 {
 protected:
  Form1Query() : ShownForm1(/*needsStandIn=*/true) {}

  // Moves the focus off the account box (which runs its query) and waits for that to end.
  void FocusOn(Form1::Name control) {
    SetFocus(form_->Control(control));
    PumpUntilIdle();
  }

  // Clicks a button as the mouse does and lets everything that follows run.
  void Click(Form1::Name button) {
    SendMessageW(form_->Control(button), BM_CLICK, 0, 0);
    PumpUntilIdle();
  }

  size_t Requests() const { return testsupport::StandInRequestLines().size(); }

  // Clicks the query button with real input, at another spot each time (two clicks on one spot
  // would make a double click), and lets that and whatever is queued before it run until they
  // have made `queries` queries and `reports` error reports; returns the reports.
  std::vector<std::wstring> ClickQueryButton(size_t queries, size_t reports) {
    RECT button;
    GetWindowRect(form_->Control(L"Command1"), &button);
    clickX_ += 20;
    MessageBoxWatcher boxes;
    const size_t before = Requests();
    testsupport::ClickAt({button.left + clickX_, (button.top + button.bottom) / 2});
    PumpUntil([&] { return Requests() == before + queries && boxes.texts().size() == reports; });
    PumpUntilIdle();
    EXPECT_EQ(Requests(), before + queries);
    EXPECT_EQ(boxes.texts().size(), reports) << "error reports seen (none dismissed unseen)";
    return boxes.texts();
  }

 private:
  int clickX_ = 10;  // from the button's left edge
};

// What the window shows of each outcome of a lookup, in a row: the answer, or a report with the
// error's number and no answer standing, not even the same account's earlier one.
TEST_F(Form1Query, ShowsTheAnswerOrReportsTheFailure) {
  FocusOn(L"Command1");
  MessageBoxWatcher boxes;
  struct Case {
    const wchar_t* account;
    const wchar_t* shown;
    size_t requests;
    const wchar_t* reported;  // the error's number in the report, or null for none
  } cases[] = {
      {L"online", L"在线", 1, nullptr},
      {L"error-500", L"", 1, L"'1001'"},
      {L"online-once", L"在线", 1, nullptr},
      {L"online-once", L"", 1, L"'1001'"},  // 500 the second time
      {L"somebody", L"离线", 1, nullptr},
      {L"\uD55C", L"", 0, L"'1002'"},  // Hangul: not in code page 936, so not sent
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.account)));
    form_->SetText(L"Text1", c.account);
    boxes.clear();
    const size_t before = Requests();
    Click(L"Command1");
    EXPECT_EQ(form_->Text(L"Text2"), c.shown);
    EXPECT_EQ(Requests(), before + c.requests);
    ASSERT_EQ(boxes.texts().size(), c.reported ? 1u : 0u);
    if (c.reported) {
      EXPECT_NE(boxes.texts()[0].find(c.reported), std::wstring::npos);
    }
    EXPECT_EQ(form_->Text(L"Text1"), c.account) << "the account box is left as typed";
  }
}

// A click on the query button while the account box has the focus: leaving the box runs a query
// at once, and the click waits behind it in the queue. When that query answers, the click
// arrives and queries again; when it fails, the click is dropped with the rest of the input
// that queued up, and the button is not left held down.
TEST_F(Form1Query, ClickQueuedBehindTheLostFocusQuery) {
  struct Case {
    const wchar_t* account;
    size_t queries;
    const wchar_t* shown;
    size_t reports;
  } cases[] = {{L"online", 2, L"在线", 0}, {L"dropped", 1, L"", 1}};
  HWND command1 = form_->Control(L"Command1");
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.account)));
    SetFocus(form_->Control(L"Text1"));
    form_->SetText(L"Text1", c.account);
    ClickQueryButton(c.queries, c.reports);
    EXPECT_EQ(form_->Text(L"Text2"), c.shown);
    EXPECT_FALSE(SendMessageW(command1, BM_GETSTATE, 0, 0) & BST_PUSHED) << "held down";
    EXPECT_EQ(GetCapture(), nullptr);
  }
}

// Keys and a click queued while a query waits. When it answers they are handled after it, as the
// design has it; when it fails, none of them may dismiss the report unseen: they are dropped.
TEST_F(Form1Query, InputQueuedDuringAQuery) {
  FocusOn(L"Command1");
  struct Case {
    const wchar_t* account;
    size_t queries;  // Enter, Space and the click each press the focused query button
    size_t reports;
  } cases[] = {{L"online", 4, 0}, {L"dropped", 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.account)));
    form_->SetText(L"Text1", c.account);
    // Posted: taken before the input that follows.
    PostMessageW(form_->Control(L"Command1"), BM_CLICK, 0, 0);
    for (WORD key : {VK_RETURN, VK_SPACE, VK_ESCAPE}) testsupport::PressKey(key);
    const std::vector<std::wstring> reports = ClickQueryButton(c.queries, c.reports);
    if (!reports.empty()) {
      EXPECT_NE(reports[0].find(L"'1001'"), std::wstring::npos);
    }
  }
}

TEST_F(Form1Query, TabWalksTheControlsAndLeavingTheAccountBoxQueries) {
  ASSERT_EQ(GetFocus(), form_->Control(L"Text1"));
  const Form1::Name order[] = {L"Text2", L"Command1", L"Command3", L"Text1"};
  size_t before = Requests();
  for (Form1::Name next : order) {
    testsupport::PressKey(VK_TAB);
    HWND want = form_->Control(next);
    EXPECT_TRUE(PumpUntil([&] { return GetFocus() == want; })) << "Tab should reach a control";
    PumpUntilIdle();
  }
  EXPECT_EQ(Requests(), before + 1) << "only leaving the account box runs a query";
  EXPECT_EQ(form_->Text(L"Text2"), L"在线");  // the default account is online at the stand-in

  testsupport::PressKey(VK_TAB, VK_SHIFT);
  HWND last = form_->Control(L"Command3");
  EXPECT_TRUE(PumpUntil([&] { return GetFocus() == last; })) << "Shift+Tab goes back";
  PumpUntilIdle();
  EXPECT_EQ(Requests(), before + 2);
}

// Enter in the account box asks, as the query button would, and the focus stays in the box; the
// query button is not made a default button for it and keeps the face at rest. On a focused
// button Enter and Space press it; in the read-out box Enter does nothing.
TEST_F(Form1Query, EnterAsksInTheAccountBoxAndPressesTheFocusedButton) {
  HWND text1 = form_->Control(L"Text1");
  HWND command1 = form_->Control(L"Command1");
  form_->SetText(L"Text1", L"online");
  size_t before = Requests();
  testsupport::PressKey(VK_RETURN);
  EXPECT_TRUE(PumpUntil([&] { return form_->Text(L"Text2") == L"在线"; })) << "Enter in Text1";
  EXPECT_EQ(Requests(), before + 1);
  EXPECT_EQ(GetFocus(), text1) << "the focus stays in the account box";
  EXPECT_EQ(GetWindowLongW(command1, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_TRUE(testsupport::SameImage(testsupport::ButtonOnScreen(command1),
                                     testsupport::FaceOf(command1, modCmdVista::PaintNormalFace)))
      << "the query button is drawn at rest, not as a default button";

  FocusOn(L"Text2");
  before = Requests();
  testsupport::PressKey(VK_RETURN);
  PumpUntilIdle();
  EXPECT_EQ(Requests(), before) << "Enter in the read-out box";
  FocusOn(L"Command1");
  before = Requests();
  testsupport::PressKey(VK_RETURN);
  EXPECT_TRUE(PumpUntil([&] { return Requests() == before + 1; })) << "Enter";
  testsupport::PressKey(VK_SPACE);
  EXPECT_TRUE(PumpUntil([&] { return Requests() == before + 2; })) << "Space";
  EXPECT_EQ(form_->Text(L"Text2"), L"在线");
}

// What a helper thread sees of the main window while a query waits for the stand-in's silent
// account (see below).
struct WhileWaiting {
  HWND main, text2, command1;
  testsupport::Image focusedFace;  // Command1 as the skin paints it with the focus
  bool asked = false, repainted = false, busyPointer = false, namedWhileWaiting = false;
};

// Beside the test's thread, whose query waits: spoils what the window shows and has it
// invalidated, waits for it to be painted again as it was, the read-out box empty, moves the
// pointer over it and reads the pointer; then closes the window, which ends the wait.
DWORD WINAPI WatchAWaitingQuery(void* parameter) {
  auto& w = *static_cast<WhileWaiting*>(parameter);
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  w.asked = PumpUntil(
      [] {
        const std::vector<std::string> lines = testsupport::StandInRequestLines();
        return !lines.empty() && lines.back() == RequestLineFor("silent");
      },
      10000);
  if (w.asked) {
    base::Brush spoil(CreateSolidBrush(RGB(255, 0, 255)));
    for (HWND control : {w.text2, w.command1}) {
      RECT r;
      GetClientRect(control, &r);
      FillRect(base::WindowDc(control).get(), &r, spoil.get());
    }
    RedrawWindow(w.main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    w.repainted = PumpUntil([&] {
      RECT r;
      GetClientRect(w.text2, &r);
      return GetPixel(base::WindowDc(w.text2).get(), r.right - 2, r.bottom / 2) ==
                 RGB(255, 255, 255) &&
             testsupport::SameImage(testsupport::ButtonAsShown(w.command1), w.focusedFace);
    });
    RECT button;
    GetWindowRect(w.command1, &button);
    SetCursorPos((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    const auto busy = [] {
      CURSORINFO pointer = {};
      pointer.cbSize = sizeof pointer;
      return GetCursorInfo(&pointer) && pointer.hCursor == LoadCursorW(nullptr, IDC_WAIT);
    };
    w.busyPointer = PumpUntil(busy);
    // Answered while the pointer still says the lookup waits.
    w.namedWhileWaiting = Spoken(w.text2).first == L"状态" && busy();
  }
  PostMessageW(w.main, WM_CLOSE, 0, 0);
  CoUninitialize();
  return 0;
}

// While a query waits, the window takes no input but paints what was covered (the controls as
// they are, the read-out box empty), shows the busy pointer, answers screen readers, and closes.
TEST_F(Form1Query, AWaitingQueryRepaintsAndShowsTheBusyPointer) {
  FocusOn(L"Command1");
  HWND command1 = form_->Control(L"Command1");
  WhileWaiting w = {form_->hWnd(), form_->Control(L"Text2"), command1,
                    testsupport::FaceOf(command1, modCmdVista::PaintFocusedFace)};
  form_->SetText(L"Text1", L"silent");
  MessageBoxWatcher boxes;
  base::KernelHandle watcher(CreateThread(nullptr, 0, &WatchAWaitingQuery, &w, 0, nullptr));
  SendMessageW(command1, BM_CLICK, 0, 0);  // the query waits in here until the window closes
  WaitForSingleObject(watcher.get(), 30000);
  EXPECT_TRUE(w.asked);
  EXPECT_TRUE(w.repainted) << "the uncovered window stays blank";
  EXPECT_TRUE(w.busyPointer);
  EXPECT_TRUE(w.namedWhileWaiting) << "a screen reader's question waits for the lookup";
  EXPECT_TRUE(PumpUntil([&] { return !form_->IsLoaded(); })) << "closed while waiting";
  EXPECT_TRUE(boxes.texts().empty());
}

// 100,000 characters pasted into the account box: the box keeps to its limit, and the query of
// what it holds ends within the bound, answered or reported.
TEST_F(Form1Query, LongPasteKeepsToTheBoxLimit) {
  HWND text1 = form_->Control(L"Text1");
  const std::wstring pasted(100'000, L'x');
  ASSERT_TRUE(OpenClipboard(form_->hWnd()));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
  memcpy(GlobalLock(memory), pasted.c_str(), (pasted.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();

  form_->SetText(L"Text1", L"");
  SendMessageW(text1, WM_PASTE, 0, 0);
  const size_t limit = static_cast<size_t>(SendMessageW(text1, EM_GETLIMITTEXT, 0, 0));
  ASSERT_LT(limit, pasted.size());
  EXPECT_EQ(form_->Text(L"Text1").size(), limit);

  MessageBoxWatcher boxes;
  size_t before = Requests();
  FocusOn(L"Command1");
  EXPECT_TRUE(PumpUntil([&] { return !form_->Text(L"Text2").empty(); }, 15000));
  EXPECT_EQ(form_->Text(L"Text2"), L"离线");
  EXPECT_TRUE(boxes.texts().empty());
  std::vector<std::string> lines = testsupport::StandInRequestLines();
  ASSERT_EQ(lines.size(), before + 1);
  EXPECT_EQ(lines.back(), RequestLineFor(std::string(limit, 'x'))) << "the whole account is sent";
}

// The running main window, against the stand-in status server (leaving the account box queries).
class Form1Skin : public testsupport::ShownForm1 {
 protected:
  Form1Skin() : ShownForm1(/*needsStandIn=*/true) {}

  // Whether the button on screen shows the face as the skin paints it.
  testing::AssertionResult Shows(Form1::Name button, testsupport::Painter face) {
    return SameImage(testsupport::ButtonOnScreen(form_->Control(button)),
                     testsupport::FaceOf(form_->Control(button), face));
  }
};

TEST_F(Form1Skin, ButtonsShowTheFaceOfTheirState) {
  EXPECT_TRUE(Shows(L"Command1", modCmdVista::PaintNormalFace)) << "query button at rest";
  EXPECT_TRUE(Shows(L"Command3", modCmdVista::PaintNormalFace)) << "About button at rest";

  // Tab twice: from the account box (which queries) over the read-out box to the query button.
  HWND command1 = form_->Control(L"Command1");
  testsupport::PressKey(VK_TAB);
  HWND text2 = form_->Control(L"Text2");
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == text2; }));
  PumpUntilIdle();
  testsupport::PressKey(VK_TAB);
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == command1; }));
  EXPECT_TRUE(Shows(L"Command1", modCmdVista::PaintFocusedFace)) << "query button with the focus";

  // The left button held down on the query button, then let go elsewhere: no click.
  SendMessageW(command1, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  EXPECT_TRUE(Shows(L"Command1", modCmdVista::PaintPressedFace)) << "query button held down";
  ReleaseCapture();
  PumpUntilIdle();
  EXPECT_TRUE(Shows(L"Command1", modCmdVista::PaintFocusedFace))
      << "query button let go, still with the focus";

  EnableWindow(command1, FALSE);
  EXPECT_TRUE(Shows(L"Command1", modCmdVista::PaintDisabledFace)) << "query button disabled";
  EnableWindow(command1, TRUE);
}

// 300 queries in a row (online, offline and a few failures), then the About window opened and
// closed 50 times: the threads and the GDI objects (counted by filling the
// handle table, see GdiObjectsInUse) end where they began.
class Endurance : public testsupport::ShownForm1 {
 protected:
  Endurance() : ShownForm1(/*needsStandIn=*/true) {}
};

TEST_F(Endurance, ThreeHundredQueriesThenTheAboutWindowFiftyTimes) {
  HWND command1 = form_->Control(L"Command1");
  const auto query = [&](const wchar_t* account) {
    form_->SetText(L"Text1", account);
    SendMessageW(command1, BM_CLICK, 0, 0);  // the query runs inside
  };
  const auto about = [&] {
    testsupport::WhileModal(
        form_->hWnd(), [&] { SendMessageW(form_->Control(L"Command3"), BM_CLICK, 0, 0); },
        [](HWND window) { PostMessageW(window, WM_CLOSE, 0, 0); });
  };
  MessageBoxWatcher boxes;
  // Before any query, once the lookups are prepared: WinINet is loaded.
  PumpUntil([] { return GetModuleHandleW(L"wininet.dll") != nullptr; });
  const auto threadsInUse = testsupport::ThreadCount;  // the lookups run on the system pool
  const int threads = threadsInUse();
  SetFocus(command1);  // leaving the account box queries once
  PumpUntilIdle();
  // What the first query, report and showing make once (fonts, icons, Windows Sockets).
  query(L"online");
  query(L"dropped");
  about();
  const long gdi = testsupport::GdiObjectsInUse();

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
  for (int i = 0; i < 50; ++i) about();
  EXPECT_TRUE(IsWindowEnabled(form_->hWnd()));

  // The lookups' threads, the system pool's, go once idle for a while.
  PumpUntil([&] { return threadsInUse() <= threads; }, 10000);
  EXPECT_LE(threadsInUse(), threads);
  EXPECT_EQ(testsupport::GdiObjectsInUse(), gdi);
  // The worker started ahead of the queries sent nothing (no request for no account).
  for (const std::string& line : testsupport::StandInRequestLines()) {
    EXPECT_EQ(line.find("uid=&"), std::string::npos) << line;
  }
}

}  // namespace
