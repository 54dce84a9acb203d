#pragma once

#include <array>

#include "forms/Form.h"
#include "resource.h"
#include "version.h"

// The contact addresses, fixed text of the program (each link label shows the text inside its
// own address).
inline constexpr wchar_t kAboutHomepage[] = L"http://tolvarin.example.com";
inline constexpr wchar_t kAboutQqNumber[] = L"20080820";
inline constexpr wchar_t kAboutEmail[] = L"orlith@example.net";

// The link labels' colour and pointer image (IDC_HAND, which is no constant expression).
inline constexpr COLORREF kAboutLinkColour = RGB(0, 0, 255);
inline constexpr int kAboutLinkPointer = 32649;

// The About window's controls as its design gives them.

// clang-format off
inline constexpr std::array<forms::ControlDesign, 11> kFrmAboutControls = {{
    {.name = L"Label1", .kind = forms::ControlKind::Label,
     .caption = L"Pellucor " PELLUCOR_VERSION_SHORT,
     .left = 1080, .top = 120, .width = 1980, .height = 180, .tabIndex = 0},
    {.name = L"Label2", .kind = forms::ControlKind::Label, .caption = L"作者:orlith",
     .left = 1080, .top = 480, .width = 990, .height = 180, .tabIndex = 1},
    {.name = L"Command1", .kind = forms::ControlKind::CommandButton, .caption = L"确定",
     .left = 1800, .top = 1920, .width = 1215, .height = 330, .tabIndex = 2},
    {.name = L"Label3", .kind = forms::ControlKind::Label, .caption = L"主页:",
     .left = 1080, .top = 720, .width = 450, .height = 180, .tabIndex = 3},
    {.name = L"Label4", .kind = forms::ControlKind::Label, .caption = kAboutHomepage,
     .left = 1560, .top = 720, .width = 2340, .height = 180, .tabIndex = 4,
     .foreColour = kAboutLinkColour, .fontUnderline = true, .mouseIcon = kAboutLinkPointer},
    {.name = L"Label5", .kind = forms::ControlKind::Label, .caption = L"Q  Q:",
     .left = 1080, .top = 960, .width = 450, .height = 180, .tabIndex = 5},
    {.name = L"Label6", .kind = forms::ControlKind::Label, .caption = kAboutQqNumber,
     .left = 1560, .top = 960, .width = 810, .height = 180, .tabIndex = 6,
     .foreColour = kAboutLinkColour, .fontUnderline = true},
    {.name = L"Label7", .kind = forms::ControlKind::Label, .caption = L"邮箱:",
     .left = 1080, .top = 1200, .width = 450, .height = 180, .tabIndex = 7},
    {.name = L"Label8", .kind = forms::ControlKind::Label, .caption = kAboutEmail,
     .left = 1560, .top = 1200, .width = 1260, .height = 180, .tabIndex = 8,
     .foreColour = kAboutLinkColour, .fontUnderline = true},
    {.name = L"Label9", .kind = forms::ControlKind::Label, .caption = L"2008-08-20",
     .left = 1080, .top = 1560, .width = 900, .height = 180, .tabIndex = 9},
    {.name = L"Picture1", .kind = forms::ControlKind::PictureBox,
     .left = 240, .top = 120, .width = 540, .height = 540, .tabIndex = 10,
     .backColour = RGB(224, 224, 224), .picture = IDI_ABOUT},
}};
// clang-format on

// The About window: the program's title and version, its author, three contact links that open
// in the shell, a date and a picture, with an OK button. It is shown modally by the main window.
class frmAbout : public forms::DesignedForm<kFrmAboutControls> {
 public:
  // mainForm is the main window's single instance, whose icon this window shows.
  explicit frmAbout(const forms::Form& mainForm);

 protected:
  void Form_Load() override;
  void Form_Unload(int& cancel) override;

 private:
  void Command1_Click();
  void Label4_Click();
  void Label6_Click();
  void Label8_Click();

  const forms::Form& mainForm_;
};
