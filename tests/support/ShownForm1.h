#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "Form1.h"
#include "frmAbout.h"
#include "support/StandIn.h"
#include "support/WindowTest.h"

namespace testsupport {

// A test with the main window shown and active. Tests that make it query (any move of the focus
// out of the account box does) pass needsStandIn and are skipped without the stand-in server.
class ShownForm1 : public ShownForm<Form1> {
 protected:
  explicit ShownForm1(bool needsStandIn = false) : needsStandIn_(needsStandIn) {}

  void SetUp() override {
    if (needsStandIn_ && !StandInRuns()) {
      GTEST_SKIP() << "needs the stand-in status server (tests/standin/status_server.py --run)";
    }
    ShownForm::SetUp();
  }

 private:
  bool needsStandIn_;
};

// The About window shown beside the main window, as the About action makes it, but modeless.
class AboutShown : public ShownForm1 {
 protected:
  void SetUp() override {
    ShownForm1::SetUp();
    if (IsSkipped()) return;
    about_ = std::make_unique<frmAbout>(*form_);
    about_->Show();
    PumpUntilIdle();
  }
  void TearDown() override {
    if (about_) about_->Unload();
    ShownForm1::TearDown();
  }
  std::unique_ptr<frmAbout> about_;
};

}  // namespace testsupport
