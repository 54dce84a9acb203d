#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "forms/Form.h"
#include "frmAbout.h"

// The main window: an account box, a read-out box, the query button and the About button.
class Form1 : public forms::Form {
 public:
  Form1();

 protected:
  void Form_Load() override;
  void Form_Unload(int& cancel) override;

 private:
  void Command1_Click();
  void Text1_LostFocus();
  void Command3_Click();

  // Asks the provider's status server whether the account is online: -1 (True) or 0 (False).
  static std::int16_t CheckOnline(const std::wstring& account);

  std::unique_ptr<frmAbout> about_;  // the About window's single instance, made on first use
};
