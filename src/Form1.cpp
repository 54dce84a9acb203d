#include "Form1.h"

#include <array>

#include "StatusLookup.h"
#include "modCmdVista.h"
#include "resource.h"

namespace {

using forms::ControlDesign;
using forms::ControlKind;

constexpr forms::FormDesign kForm1 = {
    .caption = L"Pellucor",
    .clientWidth = 4275,
    .clientHeight = 1605,
    .minButton = true,
    .maxButton = false,
    .startUpPosition = forms::StartUpPosition::CenterScreen,
    .iconId = IDI_PELLUCOR,
};

// clang-format off
constexpr std::array<ControlDesign, 6> kForm1Controls = {{
    {.name = L"Text1", .kind = ControlKind::TextBox, .caption = L"tolvarin",
     .left = 720, .top = 195, .width = 3015, .height = 270, .tabIndex = 0},
    {.name = L"Text2", .kind = ControlKind::TextBox, .caption = L"",
     .left = 720, .top = 555, .width = 3015, .height = 270, .tabIndex = 1,
     .backColor = RGB(255, 255, 255)},
    {.name = L"Command1", .kind = ControlKind::CommandButton, .caption = L"查询",
     .left = 2520, .top = 960, .width = 1215, .height = 330, .tabIndex = 2},
    {.name = L"Label1", .kind = ControlKind::Label, .caption = L"旺旺:",
     .left = 240, .top = 240, .width = 450, .height = 180, .tabIndex = 3},
    {.name = L"Label2", .kind = ControlKind::Label, .caption = L"状态:",
     .left = 240, .top = 600, .width = 450, .height = 180, .tabIndex = 4},
    {.name = L"Command3", .kind = ControlKind::CommandButton, .caption = L"关于",
     .left = 720, .top = 960, .width = 1095, .height = 330, .tabIndex = 5},
}};
// clang-format on

constexpr wchar_t kOnline[] = L"在线";
constexpr wchar_t kOffline[] = L"离线";

}  // namespace

Form1::Form1() : Form(kForm1, kForm1Controls) {
  On(L"Command1", forms::Event::Click, [this] { Command1_Click(); });
  On(L"Text1", forms::Event::LostFocus, [this] { Text1_LostFocus(); });
  On(L"Command3", forms::Event::Click, [this] { Command3_Click(); });
}

// The buttons are painted by the skin from here to the unload.
void Form1::Form_Load() {
  modCmdVista::HookForm(hWnd());
}

void Form1::Form_Unload(int& /*cancel*/) {
  modCmdVista::UnhookForm(hWnd());
}

// The query action.
void Form1::Command1_Click() {
  std::wstring account = Text(L"Text1");
  // A failed lookup must not leave the answer of an earlier query standing.
  SetText(L"Text2", L"");
  SetText(L"Text2", CheckOnline(account) != 0 ? kOnline : kOffline);
}

void Form1::Text1_LostFocus() {
  Command1_Click();
}

// The About action: the About window, shown modally; returns when it has been unloaded.
void Form1::Command3_Click() {
  if (!about_) about_ = std::make_unique<frmAbout>(*this);
  about_->Show(forms::Display::Modal);
}

std::int16_t Form1::CheckOnline(const std::wstring& account) {
  return status::IsOnline(account) ? -1 : 0;
}
