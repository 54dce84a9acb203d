#include "forms/Program.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "forms/SampleForm.h"
#include "modCmdVista.h"
#include "support/PixelCanvas.h"
#include "support/WindowTest.h"

namespace {

using testsupport::MessageBoxWatcher;
using testsupport::PumpUntil;
using testsupport::PumpUntilIdle;

using FormsReport = testsupport::ShownSampleForm;

// Errors raised inside a paint are reported later, from the message loop, and once however often
// the paint fails meanwhile: the skin's painters, hooked on the form, raise them here.
TEST_F(FormsReport, PaintErrorIsReportedOnceOutsideThePaint) {
  modCmdVista::HookForm(form_->hWnd());
  MessageBoxWatcher boxes;
  testsupport::Canvas canvas(40, 40, {4, 4}, RGB(255, 0, 255));
  HWND button = form_->Control(L"Command1");
  const RECT overflowing = {INT_MIN + 10, 0, 81, 22};  // W does not fit in 32 bits
  for (int paint = 0; paint < 2; ++paint) {
    EXPECT_EQ(testsupport::SendDrawRequest(form_->hWnd(), button, canvas.dc(), overflowing, 0), 1);
  }
  EXPECT_TRUE(boxes.texts().empty()) << "no message box from inside a paint";
  EXPECT_TRUE(PumpUntil([&] { return !boxes.texts().empty(); }));
  PumpUntilIdle();
  ASSERT_EQ(boxes.texts().size(), 1u);
  EXPECT_NE(boxes.texts()[0].find(L"'6'"), std::wstring::npos) << "overflow";
  EXPECT_TRUE(form_->IsLoaded());
  modCmdVista::UnhookForm(form_->hWnd());
}

}  // namespace
