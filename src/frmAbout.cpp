#include "frmAbout.h"

#include <shellapi.h>

#include <array>
#include <string>

#include "base/Ansi.h"
#include "modCmdVista.h"
#include "resource.h"
#include "version.h"

namespace {

using forms::ControlDesign;
using forms::ControlKind;

constexpr forms::FormDesign kFrmAbout = {
    .caption = L"关于",
    .clientWidth = 4890,
    .clientHeight = 2400,
    .minButton = false,
    .maxButton = false,
    .startUpPosition = forms::StartUpPosition::CenterOwner,
    .iconId = 0,  // the main window's icon is copied in at every load
};

constexpr COLORREF kLinkColour = RGB(0, 0, 255);
constexpr int kHandPointer = 32649;  // IDC_HAND: the link labels' pointer image

// clang-format off
constexpr std::array<ControlDesign, 11> kFrmAboutControls = {{
    {.name = L"Label1", .kind = ControlKind::Label, .caption = L"Pellucor " PELLUCOR_VERSION_SHORT,
     .left = 1080, .top = 120, .width = 1980, .height = 180, .tabIndex = 0},
    {.name = L"Label2", .kind = ControlKind::Label, .caption = L"作者:orlith",
     .left = 1080, .top = 480, .width = 990, .height = 180, .tabIndex = 1},
    {.name = L"Command1", .kind = ControlKind::CommandButton, .caption = L"确定",
     .left = 1800, .top = 1920, .width = 1215, .height = 330, .tabIndex = 2},
    {.name = L"Label3", .kind = ControlKind::Label, .caption = L"主页:",
     .left = 1080, .top = 720, .width = 450, .height = 180, .tabIndex = 3},
    {.name = L"Label4", .kind = ControlKind::Label, .caption = frmAbout::kHomepage,
     .left = 1560, .top = 720, .width = 2340, .height = 180, .tabIndex = 4,
     .foreColor = kLinkColour, .fontUnderline = true, .mouseIcon = kHandPointer},
    {.name = L"Label5", .kind = ControlKind::Label, .caption = L"Q  Q:",
     .left = 1080, .top = 960, .width = 450, .height = 180, .tabIndex = 5},
    {.name = L"Label6", .kind = ControlKind::Label, .caption = frmAbout::kQqNumber,
     .left = 1560, .top = 960, .width = 810, .height = 180, .tabIndex = 6,
     .foreColor = kLinkColour, .fontUnderline = true},
    {.name = L"Label7", .kind = ControlKind::Label, .caption = L"邮箱:",
     .left = 1080, .top = 1200, .width = 450, .height = 180, .tabIndex = 7},
    {.name = L"Label8", .kind = ControlKind::Label, .caption = frmAbout::kEmail,
     .left = 1560, .top = 1200, .width = 1260, .height = 180, .tabIndex = 8,
     .foreColor = kLinkColour, .fontUnderline = true},
    {.name = L"Label9", .kind = ControlKind::Label, .caption = L"2008-08-20",
     .left = 1080, .top = 1560, .width = 900, .height = 180, .tabIndex = 9},
    {.name = L"Picture1", .kind = ControlKind::PictureBox,
     .left = 240, .top = 120, .width = 540, .height = 540, .tabIndex = 10,
     .backColor = RGB(224, 224, 224), .picture = IDI_ABOUT},
}};
// clang-format on

// One call of the shell for a link; every string converted for the ANSI call, the empty ones
// passed as empty strings. Its result is not examined: a link nobody can open does nothing.
void OpenLink(HWND owner, const wchar_t* operation, const std::wstring& file, int show) {
  ShellExecuteA(owner, base::ToAnsi(operation).c_str(), base::ToAnsi(file).c_str(), "", "", show);
}

}  // namespace

frmAbout::frmAbout(const forms::Form& mainForm)
    : Form(kFrmAbout, kFrmAboutControls), mainForm_(mainForm) {
  On(L"Command1", forms::Event::Click, [this] { Command1_Click(); });
  On(L"Label4", forms::Event::Click, [this] { Label4_Click(); });
  On(L"Label6", forms::Event::Click, [this] { Label6_Click(); });
  On(L"Label8", forms::Event::Click, [this] { Label8_Click(); });
}

void frmAbout::Form_Load() {
  modCmdVista::HookForm(hWnd());
  SetIcon(mainForm_.Icon());
  SetMouseIcon(L"Label6", MouseIcon(L"Label4"));
  SetMouseIcon(L"Label8", MouseIcon(L"Label4"));
}

void frmAbout::Form_Unload(int& /*cancel*/) {
  modCmdVista::UnhookForm(hWnd());
}

void frmAbout::Command1_Click() {
  Unload();
}

void frmAbout::Label4_Click() {
  OpenLink(hWnd(), L"open", kHomepage, SW_SHOWNORMAL);
}

void frmAbout::Label6_Click() {
  OpenLink(nullptr, L"",
           std::wstring(L"tencent://message?uin=") + kQqNumber + L"&Site=好人&Menu=yes", SW_SHOW);
}

void frmAbout::Label8_Click() {
  OpenLink(hWnd(), L"open", std::wstring(L"mailto:") + kEmail, SW_SHOWNORMAL);
}
