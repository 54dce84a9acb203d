#pragma once

#include "forms/Form.h"

// The About window: the program's title and version, its author, three contact links that open
// in the shell, a date and a picture, with an OK button. It is shown modally by the main window.
class frmAbout : public forms::Form {
 public:
  // mainForm is the main window's single instance, whose icon this window shows.
  explicit frmAbout(const forms::Form& mainForm);

  // The contact addresses, fixed text of the program (each label shows the text inside its own).
  static constexpr wchar_t kHomepage[] = L"http://tolvarin.example.com";
  static constexpr wchar_t kQqNumber[] = L"20080820";
  static constexpr wchar_t kEmail[] = L"orlith@example.net";

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
