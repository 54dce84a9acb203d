#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "CommandLine.h"
#include "StatusLookup.h"
#include "forms/Form.h"
#include "frmAbout.h"

// The main window's controls as its design gives them.
// clang-format off
inline constexpr std::array<forms::ControlDesign, 6> kForm1Controls = {{
    {.name = L"Text1", .kind = forms::ControlKind::TextBox, .caption = L"tolvarin",
     .left = 720, .top = 195, .width = 3015, .height = 270, .tabIndex = 0},
    {.name = L"Text2", .kind = forms::ControlKind::TextBox, .caption = L"",
     .left = 720, .top = 555, .width = 3015, .height = 270, .tabIndex = 1,
     .backColour = RGB(255, 255, 255)},
    {.name = L"Command1", .kind = forms::ControlKind::CommandButton, .caption = L"查询",
     .left = 2520, .top = 960, .width = 1215, .height = 330, .tabIndex = 2},
    {.name = L"Label1", .kind = forms::ControlKind::Label, .caption = L"旺旺:",
     .left = 240, .top = 240, .width = 450, .height = 180, .tabIndex = 3},
    {.name = L"Label2", .kind = forms::ControlKind::Label, .caption = L"状态:",
     .left = 240, .top = 600, .width = 450, .height = 180, .tabIndex = 4},
    {.name = L"Command3", .kind = forms::ControlKind::CommandButton, .caption = L"关于",
     .left = 720, .top = 960, .width = 1095, .height = 330, .tabIndex = 5},
}};
// clang-format on

// The main window: an account box, a read-out box, the query button and the About button. Its
// window menu holds the watch and the desktop shortcut.
class Form1 : public forms::DesignedForm<kForm1Controls> {
 public:
  explicit Form1(StartOptions options = {});

  // The items of the window menu.
  static constexpr UINT kWatchItem = 0x0100;     // 在线时提醒
  static constexpr UINT kShortcutItem = 0x0110;  // 创建桌面快捷方式
  // A desktop shortcut could not be made.
  static constexpr int kShortcutNotMade = 1003;

 protected:
  void Form_Load() override;
  void Form_Unload(int& cancel) override;
  void Form_MenuClick(UINT id) override;
  void Form_Timer(UINT_PTR id) override;
  void Form_Signalled(bool signalled) override;

 private:
  void Command1_Click();
  void Text1_LostFocus();
  void Text1_Change();
  void Command3_Click();

  // Asks the provider's status server whether the account is online: -1 (True) or 0 (False).
  std::int16_t CheckOnline(const std::wstring& account);
  void ShowAnswer(const std::wstring& account, bool online);

  // The watch asks about the account in the box at once and then every watchSeconds, without
  // blocking the window, until the answer is 在线; it ends then, or when the account changes.
  void StartWatch();
  void StopWatch();
  void AskForTheWatch();
  void WatchFailed();
  void CreateShortcut();

  StartOptions options_;
  std::unique_ptr<frmAbout> about_;       // the About window's single instance, made on first use
  std::optional<std::wstring> answered_;  // the account whose answer the read-out box shows
  bool watching_ = false;
  int watchFailures_ = 0;                               // in a row
  std::unique_ptr<status::PendingLookup> watchLookup_;  // the watch's lookup under way
};
