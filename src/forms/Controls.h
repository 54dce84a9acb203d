#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

#include "base/ScopedWin.h"
#include "forms/Messages.h"

// The controls of a form. Each kind is one class that knows its window class and styles and
// answers the notifications its form reflects to it (commands, colours, the mouse pointer), so
// the form itself holds no per-kind logic.
namespace forms {

class Form;
// An event procedure: a member of the form that handles the event.
using EventProcedure = void (Form::*)();

enum class ControlKind { TextBox, CommandButton, Label, PictureBox };

// The colour that means "the control's default".
inline constexpr COLORREF kDefaultColour = CLR_INVALID;

// One control as the form's design gives it. Positions and sizes are in twips from the
// top-left corner of the client area (1440 twips to the inch; 15 to the pixel at 96 DPI).
struct ControlDesign {
  std::wstring_view name;
  ControlKind kind;
  std::wstring_view caption = {};  // the initial text of a text box, the caption otherwise
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int tabIndex = 0;
  COLORREF backColour = kDefaultColour;
  COLORREF foreColour = kDefaultColour;
  bool fontUnderline = false;  // a label's own font: the form's, underlined
  int mouseIcon = 0;           // a system pointer (IDC_*) shown over a label; 0: the default one
  int picture = 0;             // a picture box's icon resource
};

// The font of every text of a form: "宋体" 9 points, regular, GB2312, at the given DPI.
base::Font DefaultFont(int dpi, BYTE quality = DEFAULT_QUALITY, bool underline = false);

// Twips to pixels at the given DPI.
int TwipsToPixels(int twips, int dpi);

// What a control is created with: its form's window, DPI and font.
struct FormContext {
  HWND form;
  HINSTANCE instance;
  int dpi;
  HFONT font;
};

class Control {
 public:
  static std::unique_ptr<Control> Make(const ControlDesign& design, int id);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control() = default;

  const ControlDesign& design() const { return design_; }
  int id() const { return id_; }
  HWND hwnd() const { return hwnd_; }

  // Creates the control's window on the form, at its place in the design; it goes with the form.
  void Create(const FormContext& form);
  // The form moved to a screen of another DPI: the control takes its place, size and font there,
  // as at its creation.
  void Rescale(const FormContext& form);
  // The form's window is gone, and with it the control's.
  void Destroyed() { hwnd_ = nullptr; }

  virtual void SetText(std::wstring_view text);

  // The pointer shown over the control: its own image, or null for its window class's.
  HCURSOR MouseIcon() const { return mouseIcon_; }
  void SetMouseIcon(HCURSOR pointer) { mouseIcon_ = pointer; }

  // Notifications the form reflects to the control that sent them.
  // Whether a WM_COMMAND notification code is this control's Click.
  virtual bool IsClick(WORD /*code*/) const { return false; }
  // WM_CTLCOLOR*: sets up dc and returns the brush to paint with, or null for the default.
  // By default the design's back colour, if it gives one.
  virtual HBRUSH Colours(HDC dc);
  // Whether Enter presses the control when it has the focus (a command button).
  virtual bool PressedByEnter() const { return false; }

  EventProcedure onClick = nullptr;
  EventProcedure onLostFocus = nullptr;
  EventProcedure onChange = nullptr;  // a text box's text changed
  int enterPresses = 0;  // the id of the button Enter presses while this control has the focus
  int namedAfter = 0;    // the id of the label whose caption screen readers call it by

 protected:
  Control(const ControlDesign& design, int id) : design_(design), id_(id) {}

  virtual const wchar_t* ClassName() const = 0;
  virtual DWORD Style() const = 0;
  virtual DWORD ExStyle() const { return 0; }
  // Makes what the control keeps for the form's DPI (a font of its own), before its size is
  // taken: at its creation and on each move to a screen of another DPI. Returns the font it
  // replaced, which the control may still show until it takes the new one.
  virtual base::Font Scale(const FormContext& /*form*/) { return {}; }
  // Before the window exists: the size it is created at, in pixels (the design's, scaled).
  virtual SIZE CreationSize(const FormContext& form) const;
  // The font the control shows its text in: the form's, unless Scale made one of its own.
  virtual HFONT Font(const FormContext& form) const { return form.font; }
  // After the window exists.
  virtual void Created(const FormContext& /*form*/) {}

  const ControlDesign& design_;

 private:
  int id_;
  HWND hwnd_ = nullptr;
  HCURSOR mouseIcon_ = nullptr;  // shared system pointers only: never destroyed
  base::Brush backBrush_;
};

}  // namespace forms
