#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>

#include "forms/Form.h"
#include "support/WindowTest.h"

// A small form of the tests' own, to check the forms layer apart from the program's two windows:
// a text box, two command buttons and a label, in that tab order.
namespace testsupport {

// clang-format off
inline constexpr std::array<forms::ControlDesign, 4> kSampleControls = {{
    {.name = L"Text1", .kind = forms::ControlKind::TextBox, .caption = L"text",
     .left = 240, .top = 240, .width = 2400, .height = 270, .tabIndex = 0},
    {.name = L"Command1", .kind = forms::ControlKind::CommandButton, .caption = L"One",
     .left = 240, .top = 720, .width = 1095, .height = 330, .tabIndex = 1},
    {.name = L"Command2", .kind = forms::ControlKind::CommandButton, .caption = L"Two",
     .left = 1560, .top = 720, .width = 1095, .height = 330, .tabIndex = 2},
    {.name = L"Label1", .kind = forms::ControlKind::Label, .caption = L"WWWWWWWWWW",
     .left = 240, .top = 1200, .width = 1800, .height = 180, .tabIndex = 3},
}};
// clang-format on

inline constexpr forms::FormDesign kSampleDesign = {
    .caption = L"Sample",
    .clientWidth = 2880,
    .clientHeight = 1560,
    .minButton = true,
    .maxButton = false,
    .startUpPosition = forms::StartUpPosition::CenterOwner,
    .iconId = 0,
};

class SampleForm : public forms::DesignedForm<kSampleControls> {
 public:
  explicit SampleForm(const forms::Form* owner = nullptr) : DesignedForm(kSampleDesign, owner) {
    On(L"Command1", forms::Event::Click, &SampleForm::Command1_Click);
    On(L"Command2", forms::Event::Click, &SampleForm::Command2_Click);
  }

  int clicks[2] = {0, 0};
  std::function<void()> onCommand1;  // runs inside Command1's Click

 private:
  void Command1_Click() {
    ++clicks[0];
    if (onCommand1) onCommand1();
  }
  void Command2_Click() { ++clicks[1]; }
};

// A test with a sample form shown and active.
using ShownSampleForm = ShownForm<SampleForm>;

}  // namespace testsupport
