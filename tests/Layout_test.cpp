// Both windows against their designs, on a screen of 96 DPI and, in runs of their own, of 120
// and 144 DPI (tests/CMakeLists.txt sets the Wine prefix's LogPixels for those runs and names
// the DPI in PELLUCOR_TEST_DPI): every place and size is the design's twips x DPI / 1440, labels
// take the size of their captions, and the skinned buttons paint their faces at the sizes they
// get.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "base/ScopedWin.h"
#include "modCmdVista.h"
#include "support/ShownForm1.h"
#include "support/WindowTest.h"
#include "version.h"

namespace {

using testsupport::SameImage;

// A control as its window's design shows it at 96 DPI: its text, and its place in pixels (15
// twips each).
struct PixelRect {
  std::wstring_view name;
  std::wstring_view caption;  // a text box's text, as the window opens
  int left, top, width, height;
  bool link = false;  // a link label: underlined, blue, the hand pointer
};

// In tab order, which is creation order.
// clang-format off
constexpr PixelRect kForm1Pixels[] = {
    {L"Text1", L"tolvarin", 48, 13, 201, 18}, {L"Text2", L"", 48, 37, 201, 18},
    {L"Command1", L"查询", 168, 64, 81, 22},   {L"Label1", L"旺旺:", 16, 16, 30, 12},
    {L"Label2", L"状态:", 16, 40, 30, 12},     {L"Command3", L"关于", 48, 64, 73, 22},
};
constexpr PixelRect kAboutPixels[] = {
    {L"Label1", L"Pellucor " PELLUCOR_VERSION_SHORT, 72, 8, 132, 12},
    {L"Label2", L"作者:orlith", 72, 32, 66, 12},
    {L"Command1", L"确定", 120, 128, 81, 22},
    {L"Label3", L"主页:", 72, 48, 30, 12},
    {L"Label4", kAboutHomepage, 104, 48, 156, 12, true},
    {L"Label5", L"Q  Q:", 72, 64, 30, 12},
    {L"Label6", kAboutQqNumber, 104, 64, 54, 12, true},
    {L"Label7", L"邮箱:", 72, 80, 30, 12},
    {L"Label8", kAboutEmail, 104, 80, 84, 12, true},
    {L"Label9", L"2008-08-20", 72, 104, 60, 12},
    {L"Picture1", L"", 16, 8, 36, 36},
};
// clang-format on

std::string Narrow(std::wstring_view s) {
  return std::string(s.begin(), s.end());
}

using WindowLayout = testsupport::AboutShown;

// Both windows as laid out at a DPI; asOpened, also where they opened: centred on their owners,
// the main window on the work area.
void ExpectBothWindowsAt(int dpi, const forms::Form& main, const forms::Form& about,
                         bool asOpened = false) {
  const auto scaled = [dpi](int pixelsAt96) { return MulDiv(pixelsAt96 * 15, dpi, 1440); };

  struct Window {
    const char* name;
    const forms::Form& form;
    const wchar_t* caption;
    HWND owner;
    LONG frame;         // which of the minimise and maximise boxes and the sizing border it has
    int width, height;  // the client area at 96 DPI
    std::span<const forms::ControlDesign> controls;
    std::span<const PixelRect> design;
    std::wstring_view focused;  // the button painted with the focused face
    bool labelsAsDesigned;      // captions as the design gives them, so its sizes hold
  } windows[] = {{"Form1", main, L"Pellucor", nullptr, WS_MINIMIZEBOX, 285, 107, kForm1Controls,
                  kForm1Pixels, L"", true},
                 {"frmAbout", about, L"关于", main.hWnd(), 0, 326, 160, kFrmAboutControls,
                  kAboutPixels, L"Command1", false}};
  for (const Window& w : windows) {
    SCOPED_TRACE(w.name);
    const HWND hwnd = w.form.hWnd();
    wchar_t caption[64] = {};
    GetWindowTextW(hwnd, caption, 64);
    EXPECT_STREQ(caption, w.caption);
    EXPECT_EQ(GetWindowLongW(hwnd, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
              w.frame);
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), w.owner);
    EXPECT_EQ(GetClassLongPtrW(hwnd, GCLP_HBRBACKGROUND), COLOR_WINDOW + 1)
        << "the background is the system's window colour";
    EXPECT_NE(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_TRUE(SameImage(testsupport::SmallIconOf(hwnd), testsupport::SmallIconOf(main.hWnd())))
        << "the main window's icon in both title bars";
    if (asOpened) {
      RECT window, around;
      GetWindowRect(hwnd, &window);
      w.owner ? GetWindowRect(w.owner, &around)
              : SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
      EXPECT_NEAR(window.left + window.right, around.left + around.right, 2) << "centred";
      EXPECT_NEAR(window.top + window.bottom, around.top + around.bottom, 2) << "centred";
    }
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, scaled(w.width));
    EXPECT_EQ(client.bottom, scaled(w.height));
    HWND previous = nullptr;
    for (const PixelRect& d : w.design) {
      SCOPED_TRACE("control " + Narrow(d.name));
      const auto row = std::ranges::find(w.controls, d.name, &forms::ControlDesign::name);
      ASSERT_NE(row, w.controls.end());
      HWND control = w.form.Control(*row);
      EXPECT_EQ(w.form.Text(*row), d.caption);
      EXPECT_EQ(GetWindow(control, GW_HWNDPREV), previous) << "tab order is creation order";
      previous = control;
      const RECT r = testsupport::RectInParent(control);
      EXPECT_EQ(r.left, scaled(d.left));
      EXPECT_EQ(r.top, scaled(d.top));
      const bool label = d.name.starts_with(L"Label");
      LOGFONTW lf = {};
      GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof lf, &lf);
      if (d.name != L"Picture1") {
        EXPECT_EQ(lf.lfHeight, -MulDiv(9, dpi, 72)) << "9 points";
      }
      EXPECT_EQ((GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) != 0, !label)
          << "every control but a label takes the focus";
      if (label) {
        // Sized to its caption in its own font: at 96 DPI the design's size, where the caption
        // is the design's (12-pixel characters, 6-pixel colons and letters).
        const SIZE extent = testsupport::TextExtentInOwnFont(control);
        EXPECT_EQ(r.right - r.left, extent.cx);
        EXPECT_EQ(r.bottom - r.top, extent.cy);
        if (w.labelsAsDesigned && dpi == 96) {
          EXPECT_EQ(r.right - r.left, d.width);
          EXPECT_EQ(r.bottom - r.top, d.height);
        }
        EXPECT_STREQ(lf.lfFaceName, L"宋体");
        EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
        EXPECT_EQ(lf.lfWeight, FW_NORMAL);
        EXPECT_EQ(lf.lfUnderline != 0, d.link);
        // The colours the label is painted in, and its transparent background.
        const base::MemoryDc probe(CreateCompatibleDC(nullptr));
        const LRESULT brush =
            SendMessageW(w.form.hWnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(probe.get()),
                         reinterpret_cast<LPARAM>(control));
        EXPECT_EQ(GetTextColor(probe.get()), d.link ? RGB(0, 0, 255) : GetSysColor(COLOR_BTNTEXT));
        EXPECT_EQ(GetBkMode(probe.get()), TRANSPARENT);
        EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
      } else if (d.name == L"Picture1") {
        RECT picture;
        GetClientRect(control, &picture);
        EXPECT_EQ(picture.right, 32) << "the 32 x 32 image inside a two-pixel border";
        EXPECT_TRUE(GetWindowLongW(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
        if (dpi == 96) {
          EXPECT_EQ(r.right - r.left, d.width);
        }
      } else {
        EXPECT_EQ(r.right - r.left, scaled(d.width));
        EXPECT_EQ(r.bottom - r.top, scaled(d.height));
      }
      if (d.name.starts_with(L"Command")) {
        EXPECT_TRUE(SameImage(
            testsupport::ButtonOnScreen(control),
            testsupport::FaceOf(control, d.name == w.focused ? modCmdVista::PaintFocusedFace
                                                             : modCmdVista::PaintNormalFace)));
      }
    }
  }
}

TEST_F(WindowLayout, BothWindowsStandAsDesignedAtTheScreensDpi) {
  int dpi;
  {
    const base::WindowDc screen(nullptr);
    dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
  }
  if (const char* asked = std::getenv("PELLUCOR_TEST_DPI")) {
    ASSERT_EQ(dpi, std::atoi(asked)) << "the prefix's DPI did not take";
  }
  ExpectBothWindowsAt(dpi, *form_, *about_, /*asOpened=*/true);
}

// A move to a screen of another DPI (WM_DPICHANGED, sent to a per-monitor aware window): each
// window takes the rectangle suggested and lays itself out there, and back at 96 DPI.
TEST_F(WindowLayout, BothWindowsFollowAMoveToAScreenOfAnotherDpi) {
  for (int dpi : {120, 144, 96}) {
    SCOPED_TRACE(testing::Message() << dpi << " DPI");
    const struct {
      const forms::Form& form;
      int width, height;  // the client area at 96 DPI
    } windows[] = {{*form_, 285, 107}, {*about_, 326, 160}};
    for (const auto& [form, width, height] : windows) {
      HWND hwnd = form.hWnd();
      RECT window;
      GetWindowRect(hwnd, &window);
      RECT suggested = {0, 0, MulDiv(width, dpi, 96), MulDiv(height, dpi, 96)};
      AdjustWindowRectEx(&suggested, GetWindowLongW(hwnd, GWL_STYLE), FALSE,
                         GetWindowLongW(hwnd, GWL_EXSTYLE));
      OffsetRect(&suggested, window.left + 7 - suggested.left, window.top + 5 - suggested.top);
      SendMessageW(hwnd, forms::kWmDpiChanged, MAKEWPARAM(dpi, dpi),
                   reinterpret_cast<LPARAM>(&suggested));
      RECT now;
      GetWindowRect(hwnd, &now);
      EXPECT_TRUE(EqualRect(&now, &suggested)) << "the suggested rectangle";
    }
    ExpectBothWindowsAt(dpi, *form_, *about_);
    about_->Unload();
    about_->Show();  // opened again: at the main window's DPI
    ExpectBothWindowsAt(dpi, *form_, *about_);
  }
}

}  // namespace
