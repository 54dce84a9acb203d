#include "frmAbout.h"

#include <shellapi.h>

#include <string>

#include "base/SystemDll.h"
#include "modCmdVista.h"

namespace {

constexpr forms::FormDesign kFrmAbout = {
    .caption = L"关于",
    .clientWidth = 4890,
    .clientHeight = 2400,
    .minButton = false,
    .maxButton = false,
    .startUpPosition = forms::StartUpPosition::CenterOwner,
    .iconId = 0,  // the main window's icon is copied in at every load
};

// The shell, loaded at the first link's click rather than imported: it brings shlwapi and
// shcore with it, and every start would load the three for a click that seldom comes. It stays
// loaded. Null when it cannot be loaded.
decltype(&ShellExecuteW) LoadShellExecute() {
  return base::SystemFunction<decltype(&ShellExecuteW)>(base::LoadSystemDll(L"shell32.dll"),
                                                        "ShellExecuteW");
}

// One call of the shell for a link, in UTF-16 (the QQ link carries Chinese, which the ANSI code
// page of a system of another language lacks); the empty strings are passed as empty strings.
// Its result is not examined: a link nobody can open does nothing.
void OpenLink(HWND owner, const wchar_t* operation, const std::wstring& file, int show) {
  static const decltype(&ShellExecuteW) shellExecute = LoadShellExecute();
  if (!shellExecute) return;
  shellExecute(owner, operation, file.c_str(), L"", L"", show);
}

}  // namespace

frmAbout::frmAbout(const forms::Form& mainForm)
    : DesignedForm(kFrmAbout, &mainForm), mainForm_(mainForm) {
  On(L"Command1", forms::Event::Click, &frmAbout::Command1_Click);
  On(L"Label4", forms::Event::Click, &frmAbout::Label4_Click);
  On(L"Label6", forms::Event::Click, &frmAbout::Label6_Click);
  On(L"Label8", forms::Event::Click, &frmAbout::Label8_Click);
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
  OpenLink(hWnd(), L"open", kAboutHomepage, SW_SHOWNORMAL);
}

void frmAbout::Label6_Click() {
  OpenLink(nullptr, L"",
           std::wstring(L"tencent://message?uin=") + kAboutQqNumber + L"&Site=好人&Menu=yes",
           SW_SHOW);
}

void frmAbout::Label8_Click() {
  OpenLink(hWnd(), L"open", std::wstring(L"mailto:") + kAboutEmail, SW_SHOWNORMAL);
}
