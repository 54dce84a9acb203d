#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/RuntimeError.h"
#include "base/ScopedWin.h"
#include "forms/Controls.h"

// A small forms layer over raw Win32: a form and its controls are declared as data (the design
// tables, in twips), created in a loop and scaled by the form's DPI; control notifications are
// routed to event handlers of the form; errors raised by a handler end it and are reported.
namespace forms {

enum class StartUpPosition { CenterScreen, CenterOwner };

// WM_DPICHANGED (Windows 8.1 and later), sent to a per-monitor aware window that moved to a screen
// of another DPI: wParam holds the new DPI, lParam points to the window's suggested rectangle.
// https://learn.microsoft.com/en-us/windows/win32/hidpi/wm-dpichanged
inline constexpr UINT kWmDpiChanged = 0x02E0;

// The window itself as the design gives it; sizes in twips.
struct FormDesign {
  std::wstring_view caption;
  int clientWidth, clientHeight;
  bool minButton, maxButton;
  StartUpPosition startUpPosition;
  int iconId;  // resource id of the window's icon, 0 for none
};

enum class Event { Click, LostFocus, Change };

// How a form is shown: modeless, or modal — its owner takes no input until it is unloaded.
enum class Display { Modeless, Modal };

class Form {
 public:
  // owner: the form this one is shown over (centred on it, and disabled while this one is shown
  // modal), or null.
  Form(const FormDesign& design, std::span<const ControlDesign> controls,
       const Form* owner = nullptr);
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  virtual ~Form();

  // Loads the form (creates its window and controls, raises Load) if it is not loaded, and shows
  // it. The first focusable control in tab order gets the focus. Shown modal, it disables its
  // owner and returns when it has been unloaded.
  void Show(Display display = Display::Modeless);
  // Raises Unload and, unless it was cancelled, destroys the window. A modal form's owner takes
  // input again first, so that the activation goes back to it.
  void Unload();
  bool IsLoaded() const { return hwnd_ != nullptr; }

  HWND hWnd() const;

  // The control made from a row of the form's design table (see DesignedForm, which names it).
  HWND Control(const ControlDesign& control) const;
  std::wstring Text(const ControlDesign& control) const;
  void SetText(const ControlDesign& control, std::wstring_view text);
  // The image shown as the pointer over a control with a custom pointer (a shared system
  // pointer, never destroyed).
  HCURSOR MouseIcon(const ControlDesign& control) const;
  void SetMouseIcon(const ControlDesign& control, HCURSOR pointer);

  // Runs a piece of an event procedure: a run-time error ends it and is reported, at once or,
  // where no message box may open, from the message loop.
  enum class ReportWhen { Now, FromTheLoop };
  template <typename Procedure>
  void RunEvent(const Procedure& procedure, ReportWhen when = ReportWhen::Now) noexcept {
    const bool waitedBefore = std::exchange(waited_, false);
    try {
      procedure();
    } catch (...) {
      EventFailed(when);
    }
    waited_ = waitedBefore;
  }

  // For an event procedure: waits for a kernel object while the form stays blocked (see
  // forms/Wait.h), with the busy pointer over it. True when the object is signalled, false when
  // the time is up. A request to close the form made meanwhile ends the wait by throwing
  // CloseRequested, and the form closes once the procedure has ended. Should the procedure end
  // with an error, the input that queued up meanwhile is dropped.
  bool Wait(HANDLE object, DWORD timeoutMs);

  // Reports an error in a message box owned by this form.
  void Report(const base::RuntimeError& error) noexcept;
  // Reports an error later, from the message loop, in a box owned by this form: for errors caught
  // where a message box must not open (inside painting, while the focus moves). A button pressed
  // as the error came lets go unclicked first. While one report waits, further ones are dropped,
  // so a failure that repeats on every paint is reported once.
  void ReportLater(const base::RuntimeError& error) noexcept;

  // The form whose window this is, or null for any other window (of another thread too).
  static Form* Of(HWND window) noexcept;

  // The window's icon, owned by the form; setting it takes a copy.
  HICON Icon() const { return icon_.get(); }
  void SetIcon(HICON icon);

  // Whether the program ends when this form's window goes (true for the start-up form).
  void SetEndsProgram(bool ends) { endsProgram_ = ends; }

  void SetCaption(std::wstring_view caption);
  // An item of the window's menu (the title bar's icon, Alt+Space), above its separator; its
  // click raises Form_MenuClick. The id is a multiple of 16 below 0xF000, as the system's are.
  void AddMenuItem(UINT id, const wchar_t* caption);
  void CheckMenuItem(UINT id, bool checked);
  // Raises Form_Timer with the id every `ms` milliseconds, until StopTimer.
  void StartTimer(UINT_PTR id, UINT ms);
  void StopTimer(UINT_PTR id);
  // Raises Form_Signalled once, on the form's thread, when the object is signalled (true) or
  // after timeoutMs (false), in place of any wait asked for before; StopWaiting forgets it.
  void WhenSignalled(HANDLE object, DWORD timeoutMs);
  void StopWaiting() noexcept;

 protected:
  // Event procedures of the form.
  virtual void Form_Load() {}
  virtual void Form_Unload(int& cancel) { (void)cancel; }
  virtual void Form_MenuClick(UINT /*id*/) {}
  virtual void Form_Timer(UINT_PTR /*id*/) {}
  virtual void Form_Signalled(bool /*signalled*/) {}

  // Routes an event of a control to a procedure of the form.
  void On(const ControlDesign& control, Event event, EventProcedure procedure);
  // Enter in the box presses the button as a click does. The focus stays in the box, and the
  // button is not made a default button: it keeps its own faces.
  void PressOnEnter(const ControlDesign& box, const ControlDesign& button);
  // Screen readers call the control by the label's caption (see AnswerNamedAfterLabel).
  void NameAfter(const ControlDesign& control, const ControlDesign& label);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
  // For RunEvent's catch block: reports the error that ended the event procedure.
  void EventFailed(ReportWhen when) noexcept;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void Load();
  void Create();
  RECT PlacementRect(HWND owner) const;
  forms::Control* Find(const ControlDesign& design) const;
  forms::Control* FindById(int id) const;
  forms::Control& Require(const ControlDesign& design) const;
  void FocusFirstControl();
  void SaveFocus();
  void RestoreFocus();
  void ShowIcon();
  bool PostedAgainAfterTheWait(UINT msg, WPARAM wp, LPARAM lp);

  // The messages the form answers, one handler each.
  LRESULT OnCommand(WPARAM wp, LPARAM lp);
  LRESULT OnControlColour(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnActivate(WORD state, bool minimised);
  LRESULT OnSetFocus();
  LRESULT OnSysCommand(WPARAM wp, LPARAM lp);
  LRESULT OnGetDefId();
  LRESULT OnSetCursor(WPARAM wp, LPARAM lp);
  LRESULT OnClose();
  LRESULT OnEndSession(bool ending);
  LRESULT OnDpiChanged(int dpi, const RECT& suggested);
  LRESULT OnLostFocus(WPARAM wp, LPARAM lp);
  LRESULT OnReportLater();
  LRESULT OnTimer(UINT_PTR id);
  LRESULT OnSignalled(WPARAM wait, bool signalled);
  LRESULT OnNcDestroy(WPARAM wp, LPARAM lp);

  FormDesign design_;
  const Form* owner_;
  std::vector<std::unique_ptr<forms::Control>> controls_;  // in tab order
  HWND hwnd_ = nullptr;
  int dpi_ = 0;  // the DPI the form is laid out at, its own (see Create and OnDpiChanged)
  base::Font font_;
  base::Icon icon_;
  HWND savedFocus_ = nullptr;
  HWND disabledOwner_ = nullptr;  // while shown modal
  bool shownModal_ = false;
  bool endsProgram_ = false;
  std::unique_ptr<base::RuntimeError> pendingReport_;  // left by ReportLater for the loop
  HANDLE wait_ = nullptr;              // asked for by WhenSignalled, and not yet over
  std::pair<HWND, WPARAM> signalled_;  // what its callback posts: to the window, the wait's number
  bool waiting_ = false;               // an event procedure waits (Wait)
  bool waited_ = false;                // the event procedure that runs has waited
  bool closeRequested_ = false;        // a WM_CLOSE came to the form while it waited
  WPARAM waits_ = 0;  // how many have been asked for: tells the last from an earlier one
};

// Where a control stands in a design table, found when the program is built: for a name the
// table does not hold, the throw is no constant expression and the build fails there.
template <size_t N>
consteval const ControlDesign& DesignedControl(const std::array<ControlDesign, N>& controls,
                                               std::wstring_view name) {
  for (const ControlDesign& c : controls) {
    if (c.name == name) return c;
  }
  throw "the form's design has no control of this name";
}

// A control of one form, named as the form's design table names it and checked when the
// program is built. It is made from the name itself: Text(L"Text1").
template <const auto& kControls>
class ControlName {
 public:
  consteval ControlName(const wchar_t* name) : design_(&DesignedControl(kControls, name)) {}
  const ControlDesign& design() const { return *design_; }

 private:
  const ControlDesign* design_;
};

// A form made from its design table, whose controls are named at compile time: a misspelt name
// in an event binding or a property access fails the build.
template <const auto& kControls>
class DesignedForm : public Form {
 public:
  using Name = ControlName<kControls>;

  explicit DesignedForm(const FormDesign& design, const Form* owner = nullptr)
      : Form(design, kControls, owner) {}

  HWND Control(Name control) const { return Form::Control(control.design()); }
  std::wstring Text(Name control) const { return Form::Text(control.design()); }
  void SetText(Name control, std::wstring_view text) { Form::SetText(control.design(), text); }
  HCURSOR MouseIcon(Name control) const { return Form::MouseIcon(control.design()); }
  void SetMouseIcon(Name control, HCURSOR pointer) {
    Form::SetMouseIcon(control.design(), pointer);
  }

 protected:
  // On(L"Command1", Event::Click, &Form1::Command1_Click)
  template <typename Derived>
  void On(Name control, Event event, void (Derived::*procedure)()) {
    Form::On(control.design(), event, static_cast<EventProcedure>(procedure));
  }
  void PressOnEnter(Name box, Name button) { Form::PressOnEnter(box.design(), button.design()); }
  void NameAfter(Name control, Name label) { Form::NameAfter(control.design(), label.design()); }
};

// Runs the program: shows the start-up form and dispatches messages until it is unloaded.
int Run(Form& startUpForm);

}  // namespace forms
