#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/RuntimeError.h"
#include "base/ScopedWin.h"
#include "forms/Controls.h"

// A small forms layer over raw Win32: a form and its controls are declared as data (the design
// tables, in twips), created in a loop and scaled by the screen's DPI; control notifications are
// routed to event handlers of the form; errors raised by a handler end it and are reported.
namespace forms {

enum class StartUpPosition { CenterScreen, CenterOwner };

// The window itself as the design gives it; sizes in twips.
struct FormDesign {
  std::wstring_view caption;
  int clientWidth, clientHeight;
  bool minButton, maxButton;
  StartUpPosition startUpPosition;
  int iconId;  // resource id of the window's icon, 0 for none
};

enum class Event { Click, LostFocus };

// How a form is shown: modeless, or modal — its owner takes no input until it is unloaded.
enum class Display { Modeless, Modal };

class Form {
 public:
  Form(const FormDesign& design, std::span<const ControlDesign> controls);
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  virtual ~Form();

  // Loads the form (creates its window and controls, raises Load) if it is not loaded, and shows
  // it. The first focusable control in tab order gets the focus. Shown modal, it disables its
  // owner (the window that was active when it was made) and returns when it has been unloaded.
  void Show(Display display = Display::Modeless);
  // Raises Unload and, unless it was cancelled, destroys the window. A modal form's owner takes
  // input again first, so that the activation goes back to it.
  void Unload();
  bool IsLoaded() const { return hwnd_ != nullptr; }

  HWND hWnd() const;
  HWND Control(std::wstring_view name) const;
  std::wstring Text(std::wstring_view name) const;
  void SetText(std::wstring_view name, std::wstring_view text);

  // Runs a piece of an event procedure: a run-time error ends it and is reported.
  void RunEvent(const std::function<void()>& procedure) noexcept;

  // Reports an error in a message box owned by this form.
  void Report(const base::RuntimeError& error) noexcept;

  // The window's icon, owned by the form; setting it takes a copy.
  HICON Icon() const { return icon_.get(); }
  void SetIcon(HICON icon);

  // The image shown as the pointer over a control with a custom pointer (a shared system
  // pointer, never destroyed).
  HCURSOR MouseIcon(std::wstring_view control) const;
  void SetMouseIcon(std::wstring_view control, HCURSOR pointer);

  // Whether the program ends when this form's window goes (true for the start-up form).
  void SetEndsProgram(bool ends) { endsProgram_ = ends; }

 protected:
  // Event procedures of the form.
  virtual void Form_Load() {}
  virtual void Form_Unload(int& cancel) { (void)cancel; }

  // Routes an event of a control to a handler of the form. A name the form does not declare is
  // a mistake in the program: run-time error 5.
  void On(std::wstring_view control, Event event, std::function<void()> handler);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void Load();
  void Create();
  RECT PlacementRect(int dpi, HWND owner) const;
  forms::Control* Find(std::wstring_view name) const;
  forms::Control* FindById(int id) const;
  forms::Control& Require(std::wstring_view name) const;
  void OnCommand(int id, int code);
  LRESULT OnControlColour(UINT msg, HDC dc, HWND control);
  void SaveFocus();
  void RestoreFocus();
  void ShowIcon();
  bool OnSetCursor(HWND control, UINT hitTest);
  void FocusFirstControl();

  FormDesign design_;
  std::vector<std::unique_ptr<forms::Control>> controls_;  // in tab order
  HWND hwnd_ = nullptr;
  base::Font font_;
  base::Icon icon_;
  HWND savedFocus_ = nullptr;
  HWND disabledOwner_ = nullptr;  // while shown modal
  bool shownModal_ = false;
  bool endsProgram_ = false;
};

// Runs the program: shows the start-up form and dispatches messages until it is unloaded.
int Run(Form& startUpForm);

}  // namespace forms
