#include "forms/Controls.h"

#include <string>
#include <utility>

#include "base/RuntimeError.h"
#include "forms/Accessible.h"

namespace forms {
namespace {

constexpr int kFontPoints = 9;
constexpr wchar_t kFontFace[] = L"宋体";
constexpr int kPictureSize = 32;  // a picture box shows the 32 x 32 image of its icon

// A one-line text box. It raises LostFocus when the focus moves to another control of its form
// (not when the form is deactivated), as the focus leaves: for a click on a button, before the
// button is drawn pressed, and before the click, which waits in the queue meanwhile. A report
// of the event's error waits for the message loop (Form).
class TextBox final : public Control {
 public:
  using Control::Control;

 private:
  const wchar_t* ClassName() const override { return L"EDIT"; }
  DWORD Style() const override { return WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT; }
  DWORD ExStyle() const override { return WS_EX_CLIENTEDGE; }

  void Created(const FormContext&) override {
    // The edit class keeps GWLP_USERDATA free for its owner.
    SetWindowLongPtrW(hwnd(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  }

  static LRESULT CALLBACK Proc(HWND box, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    auto* self = reinterpret_cast<TextBox*>(GetWindowLongPtrW(box, GWLP_USERDATA));
    const WNDPROC previous = self->previous_;
    if (msg == WM_KILLFOCUS) {
      const HWND next = reinterpret_cast<HWND>(wp);
      const HWND form = GetParent(box);
      if (next && IsChild(form, next)) {
        const LRESULT result = CallWindowProcW(previous, box, msg, wp, lp);
        SendMessageW(form, kMsgLostFocus, static_cast<WPARAM>(self->id()), 0);
        return result;
      }
    } else if (msg == WM_GETOBJECT && self->namedAfter != 0) {
      const HWND label = GetDlgItem(GetParent(box), self->namedAfter);
      if (const LRESULT answer = AnswerNamedAfterLabel(box, label, wp, lp)) return answer;
    } else if (msg == WM_NCDESTROY) {
      SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      SetWindowLongPtrW(box, GWLP_USERDATA, 0);
    }
    return CallWindowProcW(previous, box, msg, wp, lp);
  }

  WNDPROC previous_ = nullptr;
};

// A command button in the graphical style: owner-drawn, so its form's skin paints it (a form
// without a skin leaves it blank).
class CommandButton final : public Control {
 public:
  using Control::Control;

  bool IsClick(WORD code) const override { return code == BN_CLICKED; }
  bool PressedByEnter() const override { return true; }

 private:
  const wchar_t* ClassName() const override { return L"BUTTON"; }
  DWORD Style() const override { return WS_TABSTOP | BS_OWNERDRAW; }
};

// A label: sizes itself to its caption, shows the form's background behind its text, and may
// have a font, a colour and a pointer of its own (a link).
class Label final : public Control {
 public:
  using Control::Control;

  bool IsClick(WORD code) const override { return code == STN_CLICKED; }

  // Transparent: the text only, over whatever the form painted behind it.
  HBRUSH Colours(HDC dc) override {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(
        dc, design_.foreColour != kDefaultColour ? design_.foreColour : GetSysColor(COLOR_BTNTEXT));
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  }

  // A transparent label does not erase its old caption itself: the form repaints what lay
  // under it, before and after the label takes the size of its new caption.
  void SetText(std::wstring_view text) override {
    const HWND form = GetParent(hwnd());
    RECT before;
    GetWindowRect(hwnd(), &before);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&before), 2);
    Control::SetText(text);
    const SIZE size = Measure(text, font());
    SetWindowPos(hwnd(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    RedrawWindow(form, &before, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
  }

 private:
  const wchar_t* ClassName() const override { return L"STATIC"; }
  DWORD Style() const override { return SS_LEFT | SS_NOTIFY; }

  // A label's own font is the form's, underlined, made again at each DPI.
  base::Font Scale(const FormContext& form) override {
    if (!design_.fontUnderline) return {};
    return std::exchange(ownFont_, DefaultFont(form.dpi, DEFAULT_QUALITY, true));
  }

  SIZE CreationSize(const FormContext& form) const override {
    return Measure(design_.caption, Font(form));
  }

  HFONT Font(const FormContext& form) const override {
    return ownFont_ ? ownFont_.get() : form.font;
  }

  void Created(const FormContext&) override {
    if (design_.mouseIcon != 0) {
      SetMouseIcon(LoadCursorW(nullptr, MAKEINTRESOURCEW(design_.mouseIcon)));
    }
  }

  HFONT font() const { return reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)); }

  // The caption's extent on one line in the font.
  static SIZE Measure(std::wstring_view caption, HFONT font) {
    base::WindowDc screen(nullptr);
    base::ScopedSelectObject selected(screen.get(), font);
    RECT r = {0, 0, 0, 0};
    const std::wstring text(caption);
    DrawTextW(screen.get(), text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    return {r.right, r.bottom};
  }

  base::Font ownFont_;
};

// A picture box showing an icon: sizes itself to the picture inside a sunken two-pixel border,
// on its own background colour. It takes the focus.
class PictureBox final : public Control {
 public:
  using Control::Control;

  bool IsClick(WORD code) const override { return code == STN_CLICKED; }

 private:
  const wchar_t* ClassName() const override { return L"STATIC"; }
  DWORD Style() const override { return WS_TABSTOP | SS_ICON | SS_NOTIFY; }
  DWORD ExStyle() const override { return WS_EX_CLIENTEDGE; }

  SIZE CreationSize(const FormContext&) const override {
    RECT r = {0, 0, kPictureSize, kPictureSize};
    AdjustWindowRectEx(&r, WS_CHILD | Style(), FALSE, ExStyle());
    return {r.right - r.left, r.bottom - r.top};
  }

  void Created(const FormContext& form) override {
    if (design_.picture == 0) return;
    picture_.reset(
        static_cast<HICON>(LoadImageW(form.instance, MAKEINTRESOURCEW(design_.picture), IMAGE_ICON,
                                      kPictureSize, kPictureSize, LR_DEFAULTCOLOR)));
    SendMessageW(hwnd(), STM_SETICON, reinterpret_cast<WPARAM>(picture_.get()), 0);
    // Setting the icon sizes the box to it already; the border is kept as created.
    const SIZE size = CreationSize(form);
    SetWindowPos(hwnd(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
  }

  base::Icon picture_;
};

}  // namespace

int TwipsToPixels(int twips, int dpi) {
  return MulDiv(twips, dpi, 1440);
}

base::Font DefaultFont(int dpi, BYTE quality, bool underline) {
  return base::Font(CreateFontW(-MulDiv(kFontPoints, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE,
                                underline ? TRUE : FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, quality, DEFAULT_PITCH | FF_DONTCARE,
                                kFontFace));
}

std::unique_ptr<Control> Control::Make(const ControlDesign& design, int id) {
  switch (design.kind) {
    case ControlKind::TextBox:
      return std::unique_ptr<Control>(new TextBox(design, id));
    case ControlKind::CommandButton:
      return std::unique_ptr<Control>(new CommandButton(design, id));
    case ControlKind::Label:
      return std::unique_ptr<Control>(new Label(design, id));
    case ControlKind::PictureBox:
      return std::unique_ptr<Control>(new PictureBox(design, id));
  }
  return nullptr;
}

SIZE Control::CreationSize(const FormContext& form) const {
  return {TwipsToPixels(design_.width, form.dpi), TwipsToPixels(design_.height, form.dpi)};
}

void Control::Create(const FormContext& form) {
  Scale(form);
  const SIZE size = CreationSize(form);
  hwnd_ =
      CreateWindowExW(ExStyle(), ClassName(), std::wstring(design_.caption).c_str(),
                      WS_CHILD | WS_VISIBLE | Style(), TwipsToPixels(design_.left, form.dpi),
                      TwipsToPixels(design_.top, form.dpi), size.cx, size.cy, form.form,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), form.instance, nullptr);
  if (!hwnd_) throw base::RuntimeError(base::RuntimeError::kOutOfMemory);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font(form)), FALSE);
  if (design_.backColour != kDefaultColour) backBrush_.reset(CreateSolidBrush(design_.backColour));
  Created(form);
}

void Control::Rescale(const FormContext& form) {
  // A label's own font is made again first; the one before goes once the label has let go of it.
  const base::Font previous = Scale(form);
  const SIZE size = CreationSize(form);
  SetWindowPos(hwnd_, nullptr, TwipsToPixels(design_.left, form.dpi),
               TwipsToPixels(design_.top, form.dpi), size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font(form)), TRUE);
}

HBRUSH Control::Colours(HDC dc) {
  if (!backBrush_) return nullptr;
  SetBkColor(dc, design_.backColour);
  return backBrush_.get();
}

void Control::SetText(std::wstring_view text) {
  SetWindowTextW(hwnd_, std::wstring(text).c_str());
}

}  // namespace forms
