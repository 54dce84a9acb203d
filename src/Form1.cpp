#include "Form1.h"

#include <functional>

#include "StatusLookup.h"
#include "forms/Wait.h"
#include "modCmdVista.h"
#include "resource.h"

namespace {

constexpr forms::FormDesign kForm1 = {
    .caption = L"Pellucor",
    .clientWidth = 4275,
    .clientHeight = 1605,
    .minButton = true,
    .maxButton = false,
    .startUpPosition = forms::StartUpPosition::CenterScreen,
    .iconId = IDI_PELLUCOR,
};

constexpr wchar_t kOnline[] = L"在线";
constexpr wchar_t kOffline[] = L"离线";

}  // namespace

Form1::Form1() : DesignedForm(kForm1) {
  On(L"Command1", forms::Event::Click, [this] { Command1_Click(); });
  On(L"Text1", forms::Event::LostFocus, [this] { Text1_LostFocus(); });
  On(L"Command3", forms::Event::Click, [this] { Command3_Click(); });
  PressOnEnter(L"Text1", L"Command1");  // type an account and press Enter: it is asked about
  // The labels stand left of the boxes but come after them in tab order.
  NameAfter(L"Text1", L"Label1");
  NameAfter(L"Text2", L"Label2");
}

// The buttons are painted by the skin from here to the unload. Once the window has painted and
// waits for the user, the lookup gets ready.
void Form1::Form_Load() {
  modCmdVista::HookForm(hWnd());
  status::PrepareWhenIdle();
}

void Form1::Form_Unload(int& /*cancel*/) {
  modCmdVista::UnhookForm(hWnd());
}

// The query action. An answer for another account goes as the query starts. The answer for the
// same account stays until the new one replaces it: asked twice in a row (leaving the account box
// for "查询" asks too), the box does not flicker empty between the two. A failed lookup leaves
// no answer standing.
void Form1::Command1_Click() {
  std::wstring account = Text(L"Text1");
  if (answered_ != account) SetText(L"Text2", L"");
  answered_.reset();
  bool online;
  try {
    online = CheckOnline(account) != 0;
  } catch (...) {
    SetText(L"Text2", L"");
    throw;
  }
  SetText(L"Text2", online ? kOnline : kOffline);
  answered_ = std::move(account);
}

void Form1::Text1_LostFocus() {
  Command1_Click();
}

// The About action: the About window, shown modally; returns when it has been unloaded.
void Form1::Command3_Click() {
  if (!about_) about_ = std::make_unique<frmAbout>(*this);
  about_->Show(forms::Display::Modal);
}

// The window stays blocked while the lookup waits, but a request to close it ends the lookup.
std::int16_t Form1::CheckOnline(const std::wstring& account) {
  forms::BlockingWait wait(hWnd());
  return status::IsOnline(account, std::ref(wait)) ? -1 : 0;
}
