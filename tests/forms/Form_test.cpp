#include "forms/Form.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "forms/SampleForm.h"
#include "modCmdVista.h"
#include "support/MessageSequence.h"
#include "support/PixelCanvas.h"
#include "support/WindowTest.h"

namespace {

using testsupport::kPosted;
using testsupport::kSent;
using testsupport::kWParam;
using testsupport::MessageBoxWatcher;
using testsupport::MessageSequence;
using testsupport::PumpUntil;
using testsupport::PumpUntilIdle;
using testsupport::SampleForm;

using FormsModal = testsupport::ShownSampleForm;

// Shown modal over its owner, a form disables the owner, and on every way of closing enables it
// again before its window goes, so that the activation goes back to the owner.
TEST_F(FormsModal, OwnerWaitsAndTakesInputAgainBeforeTheModalWindowGoes) {
  HWND owner = form_->hWnd();
  struct Way {
    const char* name;
    std::function<void(SampleForm& modal)> close;
  } ways[] = {
      {"close box", [](SampleForm& modal) { PostMessageW(modal.hWnd(), WM_CLOSE, 0, 0); }},
      {"Esc",
       [](SampleForm& modal) { PostMessageW(modal.Control(L"Text1"), WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"unloaded by its own button",
       [](SampleForm& modal) {
         modal.onCommand1 = [&modal] { modal.Unload(); };
         SendMessageW(modal.Control(L"Command1"), BM_CLICK, 0, 0);
       }},
      {"the program ends", [](SampleForm&) { PostQuitMessage(3); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    SampleForm modal(form_.get());
    MessageSequence sequence({WM_ENABLE, WM_DESTROY});
    sequence.Name(owner, "owner");
    bool quitPostedAgain = false;
    testsupport::WhileModal(
        owner,
        [&] {
          modal.Show(forms::Display::Modal);
          MSG quit;
          quitPostedAgain = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        },
        [&](HWND window) {
          sequence.Name(window, "modal");
          EXPECT_EQ(window, modal.hWnd());
          EXPECT_FALSE(IsWindowEnabled(owner));
          EXPECT_EQ(GetActiveWindow(), window);
          EXPECT_EQ(GetFocus(), modal.Control(L"Text1")) << "the first control in tab order";
          RECT inner, outer;
          GetWindowRect(window, &inner);
          GetWindowRect(owner, &outer);
          EXPECT_NEAR(inner.left + inner.right, outer.left + outer.right, 2) << "centred";
          EXPECT_NEAR(inner.top + inner.bottom, outer.top + outer.bottom, 2);
          way.close(modal);
        });
    EXPECT_TRUE(sequence.Matches({
        {"owner", WM_ENABLE, kSent | kWParam, FALSE},
        {"owner", WM_ENABLE, kSent | kWParam, TRUE},
        {"modal", WM_DESTROY, kSent},
    }));
    EXPECT_FALSE(modal.IsLoaded());
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
    EXPECT_EQ(quitPostedAgain, std::string(way.name) == "the program ends")
        << "a WM_QUIT that ends the modal loop is posted again for the program's own loop";
  }
}

using FormsDefaultButton = testsupport::ShownSampleForm;

// Enter goes to the dialog manager, which asks the form for its default button: the focused
// command button, or none. A focused text box leaves Enter to IDOK, which no control has.
TEST_F(FormsDefaultButton, EnterPressesTheFocusedCommandButtonOnly) {
  HWND form = form_->hWnd();
  const WPARAM id1 = static_cast<WPARAM>(GetDlgCtrlID(form_->Control(L"Command1")));
  const WPARAM id2 = static_cast<WPARAM>(GetDlgCtrlID(form_->Control(L"Command2")));
  struct Case {
    SampleForm::Name focus;
    const char* name;
    LRESULT defId;
    WPARAM command;
    int clicks[2];
  } cases[] = {
      {L"Text1", "Text1", 0, IDOK, {0, 0}},
      {L"Command1", "Command1", MAKELRESULT(id1, DC_HASDEFID), MAKEWPARAM(id1, BN_CLICKED), {1, 0}},
      {L"Command2", "Command2", MAKELRESULT(id2, DC_HASDEFID), MAKEWPARAM(id2, BN_CLICKED), {1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND focus = form_->Control(c.focus);
    SetFocus(focus);
    PumpUntilIdle();
    EXPECT_EQ(SendMessageW(form, DM_GETDEFID, 0, 0), c.defId);
    MessageSequence sequence({WM_KEYDOWN, DM_GETDEFID, WM_COMMAND});
    sequence.Name(form, "form");
    sequence.Name(focus, c.name);
    PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 0);
    PumpUntilIdle();
    EXPECT_TRUE(sequence.Matches({
        {c.name, WM_KEYDOWN, kPosted},
        {"form", DM_GETDEFID, kSent},
        {"form", WM_COMMAND, kSent | kWParam, c.command},
    }));
    EXPECT_EQ(form_->clicks[0], c.clicks[0]);
    EXPECT_EQ(form_->clicks[1], c.clicks[1]);
  }
}

using FormsFocus = testsupport::ShownSampleForm;

// The focus comes back to the control that had it when the form is activated again after
// another window, and when it is restored after being minimised.
TEST_F(FormsFocus, ComesBackToTheControlThatHadIt) {
  HWND form = form_->hWnd();
  HWND command2 = form_->Control(L"Command2");
  SampleForm other;
  struct Way {
    const char* name;
    std::function<void()> leave, comeBack;
    std::vector<UINT> messages;
    std::vector<testsupport::Message> expected;
  } ways[] = {
      {"another window active",
       [&] { other.Show(); },
       [&] {
         other.Unload();
         // The foreground, not only the active window: the X focus then follows at once, and
         // does not leave the form later, as the other window's going may make it.
         SetForegroundWindow(form);
         PumpUntil([&] { return GetForegroundWindow() == form; });
       },
       {WM_ACTIVATE, WM_SETFOCUS},
       {
           {"form", WM_ACTIVATE, kSent | kWParam, WA_INACTIVE},
           {"form", WM_ACTIVATE, kSent | kWParam, WA_ACTIVE},
           {"Command2", WM_SETFOCUS, kSent},
       }},
      // Restored, the form itself gets the focus first and hands it on.
      {"minimised and restored",
       [&] { SendMessageW(form, WM_SYSCOMMAND, SC_MINIMIZE, 0); },
       [&] { SendMessageW(form, WM_SYSCOMMAND, SC_RESTORE, 0); },
       {WM_SETFOCUS},
       {
           {"form", WM_SETFOCUS, kSent},
           {"Command2", WM_SETFOCUS, kSent},
       }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    SetFocus(command2);
    PumpUntilIdle();
    MessageSequence sequence(way.messages);
    sequence.Name(form, "form");
    sequence.Name(command2, "Command2");
    sequence.Name(form_->Control(L"Text1"), "Text1");
    way.leave();
    PumpUntilIdle();
    way.comeBack();
    PumpUntilIdle();
    EXPECT_EQ(GetFocus(), command2);
    EXPECT_TRUE(sequence.Matches(way.expected));
  }
}

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
