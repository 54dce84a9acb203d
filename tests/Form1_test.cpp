#include "Form1.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/ShownForm1.h"
#include "support/StandIn.h"
#include "support/WindowTest.h"

namespace {

using testsupport::PumpPending;
using testsupport::RectInParent;

using testsupport::PixelRect;

// The main window's design at 96 DPI, in pixels.
constexpr PixelRect kDesign[] = {
    {L"Text1", 48, 13, 201, 18},   {L"Text2", 48, 37, 201, 18}, {L"Command1", 168, 64, 81, 22},
    {L"Command3", 48, 64, 73, 22}, {L"Label1", 16, 16, 30, 12}, {L"Label2", 16, 40, 30, 12},
};

using Form1Layout = testsupport::ShownForm1;

TEST_F(Form1Layout, WindowMatchesItsDesign) {
  HWND hwnd = form_->hWnd();
  wchar_t caption[64] = {};
  GetWindowTextW(hwnd, caption, 64);
  EXPECT_STREQ(caption, L"Pellucor");

  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 285);
  EXPECT_EQ(client.bottom, 107);

  LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the border is fixed";

  RECT window, area;
  GetWindowRect(hwnd, &window);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  EXPECT_NEAR((window.left + window.right) / 2, (area.left + area.right) / 2, 1);
  EXPECT_NEAR((window.top + window.bottom) / 2, (area.top + area.bottom) / 2, 1);

  EXPECT_EQ(GetClassLongPtrW(hwnd, GCLP_HBRBACKGROUND), COLOR_WINDOW + 1)
      << "the background is the system's window colour";
  EXPECT_NE(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(Form1Layout, ControlsStandWhereTheDesignPutsThem) {
  for (const PixelRect& d : kDesign) {
    SCOPED_TRACE(testing::Message() << "control " << std::string(d.name, d.name + wcslen(d.name)));
    RECT r = RectInParent(form_->Control(d.name));
    EXPECT_EQ(r.left, d.left);
    EXPECT_EQ(r.top, d.top);
    if (std::wstring(d.name).starts_with(L"Label")) {
      // Labels size themselves to their captions in their font. The design's sizes are those of
      // its font's metrics; Wine substitutes another CJK font, with other line heights.
      const SIZE extent = testsupport::TextExtentInOwnFont(form_->Control(d.name));
      EXPECT_EQ(r.right - r.left, extent.cx);
      EXPECT_EQ(r.bottom - r.top, extent.cy);
      EXPECT_NEAR(r.right - r.left, d.width, 3) << "two 12-pixel characters and a colon";
    } else {
      EXPECT_EQ(r.right - r.left, d.width);
      EXPECT_EQ(r.bottom - r.top, d.height);
    }
  }
}

TEST_F(Form1Layout, StartsWithTheDefaultAccountAndNoAnswer) {
  EXPECT_EQ(form_->Text(L"Text1"), L"tolvarin");
  EXPECT_EQ(form_->Text(L"Text2"), L"");
  EXPECT_EQ(form_->Text(L"Command1"), L"查询");
  EXPECT_EQ(form_->Text(L"Command3"), L"关于");
  EXPECT_EQ(form_->Text(L"Label1"), L"旺旺:");
  EXPECT_EQ(form_->Text(L"Label2"), L"状态:");
  EXPECT_EQ(GetFocus(), form_->Control(L"Text1"));
}

using testsupport::MessageBoxWatcher;
using testsupport::PumpUntil;

// The request line a proxy sees (Wine's download service names the default port).
std::string RequestLineFor(const std::string& encodedAccount) {
  return "GET http://amos.alicdn.com:80/online.ww?v=2&uid=" + encodedAccount + "&s=1 HTTP/1.1";
}

// The main window, shown, against the stand-in status server.
class Form1Query : public testsupport::ShownForm1 {
 protected:
  Form1Query() : ShownForm1(/*needsStandIn=*/true) {}

  // Moves the focus off the account box (which runs its query) and waits for that to end.
  void FocusOn(const wchar_t* control) {
    SetFocus(form_->Control(control));
    PumpPending(100);
  }

  // Clicks a button as the mouse does and lets everything that follows run.
  void Click(const wchar_t* button) {
    SendMessageW(form_->Control(button), BM_CLICK, 0, 0);
    PumpPending(100);
  }

  size_t Requests() const { return testsupport::StandInRequestLines().size(); }
};

TEST_F(Form1Query, ShowsTheAnswerForTheAccountTyped) {
  FocusOn(L"Command1");
  struct Case {
    const wchar_t* account;
    std::string encoded;
    const wchar_t* shown;
  } cases[] = {
      {L"online", "online", L"在线"},
      {L"somebody", "somebody", L"离线"},
      {L"", "", L"离线"},
      {L"张三", "%D5%C5%C8%FD", L"在线"},
      {L"a b&c=d", "a%20b%26c%3Dd", L"离线"},
      {L"size-4945", "size-4945", L"离线"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "account " << c.encoded);
    form_->SetText(L"Text1", c.account);
    size_t before = Requests();
    Click(L"Command1");
    EXPECT_EQ(form_->Text(L"Text2"), c.shown);
    std::vector<std::string> lines = testsupport::StandInRequestLines();
    ASSERT_EQ(lines.size(), before + 1) << "one click, one query";
    EXPECT_EQ(lines.back(), RequestLineFor(c.encoded));
    EXPECT_EQ(form_->Text(L"Text1"), c.account) << "the account box is left as typed";
  }
}

TEST_F(Form1Query, ClickWhileTheAccountBoxHasTheFocusQueriesTwice) {
  ASSERT_EQ(GetFocus(), form_->Control(L"Text1"));
  form_->SetText(L"Text1", L"online");
  size_t before = Requests();
  Click(L"Command1");
  EXPECT_EQ(Requests(), before + 2) << "once for leaving the account box, once for the click";
  EXPECT_EQ(form_->Text(L"Text2"), L"在线");
}

TEST_F(Form1Query, TabWalksTheControlsAndLeavingTheAccountBoxQueries) {
  ASSERT_EQ(GetFocus(), form_->Control(L"Text1"));
  const wchar_t* order[] = {L"Text2", L"Command1", L"Command3", L"Text1"};
  size_t before = Requests();
  for (const wchar_t* next : order) {
    testsupport::PressKey(VK_TAB);
    HWND want = form_->Control(next);
    EXPECT_TRUE(PumpUntil([&] { return GetFocus() == want; })) << "Tab should reach a control";
    PumpPending(100);
  }
  EXPECT_EQ(Requests(), before + 1) << "only leaving the account box runs a query";
  EXPECT_EQ(form_->Text(L"Text2"), L"在线");  // the default account is online at the stand-in

  testsupport::PressKey(VK_TAB, /*shift=*/true);
  HWND last = form_->Control(L"Command3");
  EXPECT_TRUE(PumpUntil([&] { return GetFocus() == last; })) << "Shift+Tab goes back";
  PumpPending(100);
  EXPECT_EQ(Requests(), before + 2);
}

TEST_F(Form1Query, EnterAndSpacePressTheFocusedButtonButEnterInTheAccountBoxDoesNothing) {
  form_->SetText(L"Text1", L"online");
  size_t before = Requests();
  testsupport::PressKey(VK_RETURN);
  PumpPending(200);
  EXPECT_EQ(Requests(), before);
  FocusOn(L"Command1");
  before = Requests();
  testsupport::PressKey(VK_RETURN);
  EXPECT_TRUE(PumpUntil([&] { return Requests() == before + 1; })) << "Enter";
  testsupport::PressKey(VK_SPACE);
  EXPECT_TRUE(PumpUntil([&] { return Requests() == before + 2; })) << "Space";
  EXPECT_EQ(form_->Text(L"Text2"), L"在线");
}

TEST_F(Form1Query, FocusComesBackAfterMinimiseAndRestore) {
  FocusOn(L"Command1");
  HWND command1 = form_->Control(L"Command1");
  SendMessageW(form_->hWnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  PumpPending(200);
  ASSERT_TRUE(IsIconic(form_->hWnd()));
  SendMessageW(form_->hWnd(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(PumpUntil([&] { return GetFocus() == command1; }, 2000));
}

TEST_F(Form1Query, FailedLookupIsReportedAndLeavesNoStaleAnswer) {
  FocusOn(L"Command1");
  MessageBoxWatcher boxes;
  for (const wchar_t* account : {L"error-500", L"dropped", L"truncated"}) {
    SCOPED_TRACE(testing::Message()
                 << "account " << std::string(account, account + wcslen(account)));
    form_->SetText(L"Text1", L"online");
    Click(L"Command1");
    ASSERT_EQ(form_->Text(L"Text2"), L"在线");
    boxes.clear();

    form_->SetText(L"Text1", account);
    Click(L"Command1");
    ASSERT_EQ(boxes.texts().size(), 1u) << "the failure is reported once";
    EXPECT_NE(boxes.texts()[0].find(L"运行时错误 '1001'"), std::wstring::npos);
    EXPECT_EQ(form_->Text(L"Text2"), L"") << "the earlier answer must not stand";
    EXPECT_TRUE(form_->IsLoaded()) << "the program keeps running";
  }
}

TEST_F(Form1Query, AccountTheCodePageCannotCarryIsNotSent) {
  FocusOn(L"Command1");
  MessageBoxWatcher boxes;
  form_->SetText(L"Text1", L"\uD55C");  // Hangul: not in code page 936
  size_t before = Requests();
  Click(L"Command1");
  EXPECT_EQ(Requests(), before);
  ASSERT_EQ(boxes.texts().size(), 1u);
  EXPECT_NE(boxes.texts()[0].find(L"'1002'"), std::wstring::npos);
}

}  // namespace
