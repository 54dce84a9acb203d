#include "forms/Controls.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/ScopedWin.h"
#include "forms/SampleForm.h"
#include "support/PixelCanvas.h"
#include "support/WindowTest.h"

namespace {

using FormsLabel = testsupport::ShownSampleForm;

// What the screen shows of the form's client area, its controls included.
testsupport::Image FormOnScreen(HWND form) {
  RECT r;
  GetClientRect(form, &r);
  testsupport::Canvas canvas(r.right, r.bottom, {0, 0}, RGB(255, 0, 255));
  const base::WindowDc screen(form);
  BitBlt(canvas.dc(), 0, 0, r.right, r.bottom, screen.get(), 0, 0, SRCCOPY);
  return canvas.Snapshot();
}

// A label is transparent: given a new caption, it takes the caption's size and the form repaints
// what lay under the old one, so the window shows what a repaint of the whole form shows.
TEST_F(FormsLabel, NewCaptionRepaintsWhatLayUnderTheOldOne) {
  HWND form = form_->hWnd();
  HWND label = form_->Control(L"Label1");
  // Each after the one before: as wide with other glyphs, longer, shorter, none.
  for (const wchar_t* caption :
       {L"WWWWWWWWWW", L"MMMMMMMMMM", L"旺旺:", L"状态:", L"状态状态状态状态:", L"W", L""}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(caption)));
    form_->SetText(L"Label1", caption);
    testsupport::PumpUntilIdle();
    const RECT r = testsupport::RectInParent(label);
    EXPECT_EQ(r.right - r.left, testsupport::TextExtentInOwnFont(label).cx);
    const testsupport::Image shown = FormOnScreen(form);
    RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    testsupport::PumpUntilIdle();
    EXPECT_TRUE(testsupport::SameImage(shown, FormOnScreen(form)));
  }
}

}  // namespace
