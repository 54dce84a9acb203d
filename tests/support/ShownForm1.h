#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "Form1.h"
#include "support/StandIn.h"
#include "support/WindowTest.h"

namespace testsupport {

// The main window's design at 96 DPI, in pixels (15 twips each).
inline constexpr PixelRect kForm1Design[] = {
    {L"Text1", 48, 13, 201, 18},   {L"Text2", 48, 37, 201, 18}, {L"Command1", 168, 64, 81, 22},
    {L"Command3", 48, 64, 73, 22}, {L"Label1", 16, 16, 30, 12}, {L"Label2", 16, 40, 30, 12},
};

// A test with the main window shown and active. Tests that make it query (any move of the focus
// out of the account box does) pass needsStandIn and are skipped without the stand-in server.
class ShownForm1 : public testing::Test {
 protected:
  explicit ShownForm1(bool needsStandIn = false) : needsStandIn_(needsStandIn) {}

  void SetUp() override {
    if (needsStandIn_ && !StandInRuns()) {
      GTEST_SKIP() << "needs the stand-in status server (tests/standin/status_server.py --run)";
    }
    form_ = std::make_unique<Form1>();
    form_->Show();
    SetForegroundWindow(form_->hWnd());
    PumpPending(100);
  }
  void TearDown() override {
    if (form_) form_->Unload();
    PumpPending();
  }

  std::unique_ptr<Form1> form_;

 private:
  bool needsStandIn_;
};

}  // namespace testsupport
