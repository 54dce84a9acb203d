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

// A small forms layer over raw Win32: a form and its controls are declared as data (the design
// tables, in twips), created in a loop and scaled by the screen's DPI; control notifications are
// routed to event handlers of the form; errors raised by a handler end it and are reported.
namespace forms {

enum class ControlKind { TextBox, CommandButton, Label, PictureBox };

// The colour that means "the control's default".
inline constexpr COLORREF kDefaultColor = CLR_INVALID;

// One control as the form's design gives it. Positions and sizes are in twips from the
// top-left corner of the client area (1440 twips to the inch; 15 to the pixel at 96 DPI).
struct ControlDesign {
  std::wstring_view name;
  ControlKind kind;
  std::wstring_view caption;  // the initial text of a text box, the caption otherwise
  int left, top, width, height;
  int tabIndex;
  COLORREF backColor = kDefaultColor;
};

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

// Twips to pixels at the given DPI.
int TwipsToPixels(int twips, int dpi);

// The font of every text of a form: "宋体" 9 points, regular, GB2312, at the given DPI.
base::Font DefaultFont(int dpi, BYTE quality = DEFAULT_QUALITY);

class Form {
 public:
  Form(const FormDesign& design, std::span<const ControlDesign> controls);
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  virtual ~Form();

  // Loads the form (creates its window and controls, raises Load) if it is not loaded, and shows
  // it. The first focusable control in tab order gets the focus.
  void Show();
  // Raises Unload and, unless it was cancelled, destroys the window.
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

  // Whether the program ends when this form's window goes (true for the start-up form).
  void SetEndsProgram(bool ends) { endsProgram_ = ends; }

 protected:
  // Event procedures of the form.
  virtual void Form_Load() {}
  virtual void Form_Unload(int& cancel) { (void)cancel; }

  // Routes an event of a control to a handler of the form.
  void On(std::wstring_view control, Event event, std::function<void()> handler);

 private:
  struct ControlState;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
  static LRESULT CALLBACK TextBoxProc(HWND box, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                      DWORD_PTR form) noexcept;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void Create();
  void CreateControl(ControlState& control, int dpi, HINSTANCE instance);
  void PlaceWindow(int dpi);
  ControlState* Find(std::wstring_view name) const;
  ControlState* FindById(int id) const;
  const ControlState& Require(std::wstring_view name) const;
  void OnCommand(int id, int code);
  LRESULT OnControlColour(HDC dc, HWND control, bool edit);
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  void OnActivate(bool active);

  FormDesign design_;
  std::vector<std::unique_ptr<ControlState>> controls_;
  HWND hwnd_ = nullptr;
  base::Font font_;
  base::Icon icon_;
  HWND focusBeforeDeactivation_ = nullptr;
  bool endsProgram_ = false;
};

// Runs the program: shows the start-up form and dispatches messages until it is unloaded.
int Run(Form& startUpForm);

// Dispatches one message as the program's loop does, the forms' keyboard navigation (Tab,
// Shift+Tab) included.
void Dispatch(MSG& msg);

// Reports an error later, from the message loop, in a box owned by form: for errors caught where
// a message box must not open (inside painting). While one report is waiting for a form, further
// ones for it are dropped, so a failure that repeats on every paint is reported once.
void ReportLater(HWND form, const base::RuntimeError& error) noexcept;

}  // namespace forms
