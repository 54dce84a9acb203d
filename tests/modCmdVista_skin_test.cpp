#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "modCmdVista.h"
#include "support/PixelCanvas.h"
#include "support/WindowTest.h"

namespace {

using testsupport::Canvas;
using testsupport::SameImage;
using testsupport::SendDrawRequest;

constexpr COLORREF kSentinel = RGB(255, 0, 255);
constexpr UINT kProbe = WM_APP + 77;         // answered 1234 by the recorder
constexpr LRESULT kRecorderDrawResult = 77;  // what the recorder answers to WM_DRAWITEM
constexpr wchar_t kRecorderClass[] = L"SkinTest.Recorder";

// A plain window whose own procedure records every message that reaches it.
class Recorder {
 public:
  Recorder() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &Recorder::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kRecorderClass;
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, kRecorderClass, L"recorder", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                            nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    button_ = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | BS_OWNERDRAW, 0, 0, 81, 22, hwnd_,
                              nullptr, wc.hInstance, nullptr);
  }
  ~Recorder() {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
  }

  HWND hwnd() const { return hwnd_; }
  HWND button() const { return button_; }
  int Count(UINT msg) const {
    int n = 0;
    for (UINT m : seen_) n += (m == msg);
    return n;
  }
  bool ProcRestoredBeforeDestroy() const { return restoredBeforeDestroy_; }
  static WNDPROC OwnProc() { return &Recorder::Proc; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<Recorder*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self) {
      self->seen_.push_back(msg);
      if (msg == WM_DESTROY) {
        self->restoredBeforeDestroy_ =
            GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Recorder::Proc);
      }
    }
    if (msg == kProbe) return 1234;
    if (msg == WM_DRAWITEM) return kRecorderDrawResult;
    return DefWindowProcW(hwnd, msg, wp, lp);
  }

  HWND hwnd_;
  HWND button_;
  std::vector<UINT> seen_;
  bool restoredBeforeDestroy_ = false;
};

LONG_PTR ProcOf(HWND hwnd) {
  return GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
}

using testsupport::Painter;

// What the face itself paints for this caption, as the skin's caption reader hands it over,
// on a DC in transparent background mode as the skin leaves it.
testsupport::Image Painted(Painter paint, LONG w, LONG h, const std::wstring& caption) {
  Canvas canvas(w + 8, h + 8, {4, 4}, kSentinel);
  SetBkMode(canvas.dc(), TRANSPARENT);
  paint(canvas.dc(), {0, 0, w, h}, caption);
  return canvas.Snapshot();
}

class SkinDispatch : public testing::Test {
 protected:
  void TearDown() override { modCmdVista::UnhookForm(recorder_.hwnd()); }
  Recorder recorder_;
};

TEST_F(SkinDispatch, ItemStateChoosesTheFaceFirstMatchWins) {
  SetWindowTextW(recorder_.button(), L"查询");
  const std::wstring asRead = L"查询";
  struct Case {
    UINT state;
    Painter face;
    const char* name;
  } cases[] = {
      {0, modCmdVista::PaintNormalFace, "at rest"},
      {ODS_FOCUS, modCmdVista::PaintFocusedFace, "focused"},
      {ODS_SELECTED, modCmdVista::PaintPressedFace, "pressed"},
      {ODS_SELECTED | ODS_FOCUS, modCmdVista::PaintPressedFace, "pressed and focused"},
      {ODS_DISABLED, modCmdVista::PaintDisabledFace, "disabled"},
      {ODS_DISABLED | ODS_FOCUS, modCmdVista::PaintDisabledFace, "disabled and focused"},
      {ODS_DISABLED | ODS_FOCUS | ODS_SELECTED, modCmdVista::PaintDisabledFace, "disabled, all"},
      {ODS_GRAYED | ODS_CHECKED, modCmdVista::PaintNormalFace, "other bits ignored"},
      {ODS_GRAYED | ODS_CHECKED | ODS_FOCUS, modCmdVista::PaintFocusedFace, "focus, other bits"},
  };
  modCmdVista::HookForm(recorder_.hwnd());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Canvas canvas(81 + 8, 22 + 8, {4, 4}, kSentinel);
    EXPECT_EQ(
        SendDrawRequest(recorder_.hwnd(), recorder_.button(), canvas.dc(), {0, 0, 81, 22}, c.state),
        1);
    EXPECT_TRUE(SameImage(canvas.Snapshot(), Painted(c.face, 81, 22, asRead)));
  }
  EXPECT_EQ(recorder_.Count(WM_DRAWITEM), 0) << "answered requests never reach the window";
}

TEST_F(SkinDispatch, CaptionIsReadWhole) {
  modCmdVista::HookForm(recorder_.hwnd());
  struct Case {
    std::wstring caption;
    std::wstring asRead;
  } cases[] = {
      {L"", L""},
      {L"查询", L"查询"},
      {L"OK", L"OK"},
      {std::wstring(300, L'W'), std::wstring(254, L'W')},  // cut to 254 characters
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "caption of " << c.caption.size() << " characters");
    SetWindowTextW(recorder_.button(), c.caption.c_str());
    Canvas canvas(81 + 8, 22 + 8, {4, 4}, kSentinel);
    SendDrawRequest(recorder_.hwnd(), recorder_.button(), canvas.dc(), {0, 0, 81, 22}, 0);
    EXPECT_TRUE(
        SameImage(canvas.Snapshot(), Painted(modCmdVista::PaintNormalFace, 81, 22, c.asRead)));
  }
  // Both characters are drawn, not just the first.
  EXPECT_FALSE(SameImage(Painted(modCmdVista::PaintNormalFace, 81, 22, cases[1].asRead),
                         Painted(modCmdVista::PaintNormalFace, 81, 22, L"查")));
}

TEST_F(SkinDispatch, OtherRequestsAndMessagesReachThePreviousProcedure) {
  modCmdVista::HookForm(recorder_.hwnd());
  Canvas canvas(40, 40, {4, 4}, kSentinel);
  EXPECT_EQ(SendDrawRequest(recorder_.hwnd(), recorder_.button(), canvas.dc(), {0, 0, 20, 20}, 0,
                            ODT_LISTBOX),
            kRecorderDrawResult);
  EXPECT_EQ(recorder_.Count(WM_DRAWITEM), 1);
  EXPECT_EQ(canvas.Snapshot().At(5, 5), kSentinel) << "nothing painted for a list box";
  EXPECT_EQ(SendMessageW(recorder_.hwnd(), kProbe, 0, 0), 1234);
  EXPECT_EQ(recorder_.Count(kProbe), 1);
}

TEST(SkinHook, UnhookRestoresTheWindowsOwnProcedureAndHookingTwiceChangesNothing) {
  Recorder a;
  const LONG_PTR original = ProcOf(a.hwnd());
  modCmdVista::UnhookForm(a.hwnd());  // not hooked: nothing happens
  EXPECT_EQ(ProcOf(a.hwnd()), original);
  modCmdVista::HookForm(a.hwnd());
  const LONG_PTR hooked = ProcOf(a.hwnd());
  EXPECT_NE(hooked, original);
  EXPECT_TRUE(IsWindowUnicode(a.hwnd())) << "hooked, its texts must not pass the code page";
  modCmdVista::HookForm(a.hwnd());
  EXPECT_EQ(ProcOf(a.hwnd()), hooked);
  EXPECT_EQ(SendMessageW(a.hwnd(), kProbe, 0, 0), 1234);
  EXPECT_EQ(a.Count(kProbe), 1) << "hooked twice, the message must pass once";
  modCmdVista::UnhookForm(a.hwnd());
  EXPECT_EQ(ProcOf(a.hwnd()), original);
  EXPECT_TRUE(IsWindowUnicode(a.hwnd()));
}

TEST(SkinHook, EachOfTwoWindowsChainsToItsOwnProcedure) {
  for (bool firstOutFirst : {true, false}) {
    SCOPED_TRACE(firstOutFirst ? "unhooked in hooking order" : "unhooked in reverse order");
    Recorder a, b;
    const LONG_PTR originalA = ProcOf(a.hwnd()), originalB = ProcOf(b.hwnd());
    modCmdVista::HookForm(a.hwnd());
    modCmdVista::HookForm(b.hwnd());
    SendMessageW(a.hwnd(), kProbe, 0, 0);
    EXPECT_EQ(a.Count(kProbe), 1);
    EXPECT_EQ(b.Count(kProbe), 0) << "the first window must not chain to the second's procedure";
    HWND first = firstOutFirst ? a.hwnd() : b.hwnd();
    HWND second = firstOutFirst ? b.hwnd() : a.hwnd();
    modCmdVista::UnhookForm(first);
    SendMessageW(second, kProbe, 0, 0);
    EXPECT_EQ(a.Count(kProbe) + b.Count(kProbe), 2);
    modCmdVista::UnhookForm(second);
    EXPECT_EQ(ProcOf(a.hwnd()), originalA);
    EXPECT_EQ(ProcOf(b.hwnd()), originalB);
  }
}

TEST(SkinHook, WindowDestroyedWhileHookedIsRestoredFirst) {
  Recorder a;
  modCmdVista::HookForm(a.hwnd());
  DestroyWindow(a.hwnd());
  EXPECT_EQ(a.Count(WM_DESTROY), 1) << "the destroy message still reaches the window";
  EXPECT_EQ(a.Count(WM_NCDESTROY), 1);
  EXPECT_TRUE(a.ProcRestoredBeforeDestroy());
}

}  // namespace
