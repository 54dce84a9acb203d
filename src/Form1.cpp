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

// name, kind, text, Left, Top, Width, Height (twips), tab index
constexpr std::array<ControlDesign, 6> kForm1Controls = {{
    {L"Text1", ControlKind::TextBox, L"tolvarin", 720, 195, 3015, 270, 0},
    {L"Text2", ControlKind::TextBox, L"", 720, 555, 3015, 270, 1, RGB(255, 255, 255)},
    {L"Command1", ControlKind::CommandButton, L"查询", 2520, 960, 1215, 330, 2},
    {L"Label1", ControlKind::Label, L"旺旺:", 240, 240, 450, 180, 3},
    {L"Label2", ControlKind::Label, L"状态:", 240, 600, 450, 180, 4},
    {L"Command3", ControlKind::CommandButton, L"关于", 720, 960, 1095, 330, 5},
}};

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

void Form1::Command3_Click() {}

std::int16_t Form1::CheckOnline(const std::wstring& account) {
  return status::IsOnline(account) ? -1 : 0;
}
