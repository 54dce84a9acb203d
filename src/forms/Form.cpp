#include "forms/Form.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

namespace forms {
namespace {

constexpr wchar_t kFormClass[] = L"forms.Form";
constexpr wchar_t kPendingReportProp[] = L"forms.PendingReport";
constexpr int kFirstControlId = 100;
constexpr UINT_PTR kTextBoxSubclassId = 1;

// Messages a form posts to itself, to run an event outside the notification that caused it.
constexpr UINT kMsgReportLater = WM_APP + 1;  // a report waits under kPendingReportProp
constexpr UINT kMsgLostFocus = WM_APP + 2;    // wParam: the id of the control that lost it

constexpr int kFontPoints = 9;
constexpr wchar_t kFontFace[] = L"宋体";

int ScreenDpi() {
  base::WindowDc screen(nullptr);
  return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

// The title of report boxes: the executable's name without its extension.
std::wstring ProgramTitle() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name = path;
  name = name.substr(name.find_last_of(L"\\/") + 1);
  return name.substr(0, name.find_last_of(L'.'));
}

void RegisterFormClass(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));     // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);  // read from the system
  wc.lpszClassName = kFormClass;
  RegisterClassExW(&wc);  // fails harmlessly when already registered
}

}  // namespace

int TwipsToPixels(int twips, int dpi) {
  return MulDiv(twips, dpi, 1440);
}

base::Font DefaultFont(int dpi, BYTE quality) {
  return base::Font(CreateFontW(-MulDiv(kFontPoints, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                quality, DEFAULT_PITCH | FF_DONTCARE, kFontFace));
}

struct Form::ControlState {
  ControlState(const ControlDesign* s, int i) : design(s), id(i) {}
  const ControlDesign* design;
  int id;
  HWND hwnd = nullptr;
  base::Brush backBrush;
  std::function<void()> onClick;
  std::function<void()> onLostFocus;
};

Form::Form(const FormDesign& design, std::span<const ControlDesign> controls) : design_(design) {
  std::vector<const ControlDesign*> ordered;
  for (const ControlDesign& c : controls) ordered.push_back(&c);
  // Creation order is tab order: the dialog manager walks the z-order.
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
  int id = kFirstControlId;
  for (const ControlDesign* c : ordered) {
    controls_.push_back(std::make_unique<ControlState>(c, id++));
  }
}

Form::~Form() {
  if (hwnd_) DestroyWindow(hwnd_);
}

HWND Form::hWnd() const {
  if (!hwnd_) throw base::RuntimeError(base::RuntimeError::kObjectNotSet);
  return hwnd_;
}

Form::ControlState* Form::Find(std::wstring_view name) const {
  for (auto& c : controls_)
    if (c->design->name == name) return c.get();
  return nullptr;
}

Form::ControlState* Form::FindById(int id) const {
  for (auto& c : controls_)
    if (c->id == id) return c.get();
  return nullptr;
}

const Form::ControlState& Form::Require(std::wstring_view name) const {
  ControlState* c = Find(name);
  if (!c || !c->hwnd) throw base::RuntimeError(base::RuntimeError::kObjectNotSet);
  return *c;
}

HWND Form::Control(std::wstring_view name) const {
  return Require(name).hwnd;
}

std::wstring Form::Text(std::wstring_view name) const {
  HWND h = Control(name);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
  return text;
}

void Form::SetText(std::wstring_view name, std::wstring_view text) {
  SetWindowTextW(Control(name), std::wstring(text).c_str());
}

void Form::On(std::wstring_view control, Event event, std::function<void()> handler) {
  ControlState* c = Find(control);
  if (!c) return;
  (event == Event::Click ? c->onClick : c->onLostFocus) = std::move(handler);
}

void Form::RunEvent(const std::function<void()>& procedure) noexcept {
  try {
    procedure();
  } catch (...) {
    Report(base::CurrentErrorAsRuntimeError());
  }
}

void Form::Report(const base::RuntimeError& error) noexcept {
  try {
    MessageBoxW(hwnd_, base::FormatReport(error).c_str(), ProgramTitle().c_str(),
                MB_OK | MB_ICONERROR);
  } catch (...) {
    MessageBoxW(hwnd_, L"内存不足", nullptr, MB_OK | MB_ICONERROR);
  }
}

void Form::Show() {
  if (!hwnd_) {
    Create();
    Form_Load();
  }
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  for (auto& c : controls_) {
    if (c->hwnd && (GetWindowLongW(c->hwnd, GWL_STYLE) & WS_TABSTOP)) {
      SetFocus(c->hwnd);
      break;
    }
  }
}

void Form::Unload() {
  if (!hwnd_) return;
  int cancel = 0;
  Form_Unload(cancel);
  if (cancel == 0 && hwnd_) DestroyWindow(hwnd_);
}

void Form::Create() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterFormClass(instance, &Form::WindowProc);
  int dpi = ScreenDpi();

  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
  if (design_.minButton) style |= WS_MINIMIZEBOX;
  if (design_.maxButton) style |= WS_MAXIMIZEBOX;
  HWND owner =
      design_.startUpPosition == StartUpPosition::CenterOwner ? GetActiveWindow() : nullptr;
  CreateWindowExW(0, kFormClass, std::wstring(design_.caption).c_str(), style, CW_USEDEFAULT,
                  CW_USEDEFAULT, 0, 0, owner, nullptr, instance, this);
  if (!hwnd_) throw base::RuntimeError(base::RuntimeError::kOutOfMemory);

  font_ = DefaultFont(dpi);
  if (design_.iconId != 0) {
    icon_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(design_.iconId),
                                              IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
  }
  for (auto& c : controls_) CreateControl(*c, dpi, instance);
  PlaceWindow(dpi);
}

void Form::CreateControl(ControlState& c, int dpi, HINSTANCE instance) {
  const ControlDesign& s = *c.design;
  const wchar_t* cls = L"STATIC";
  DWORD style = WS_CHILD | WS_VISIBLE;
  DWORD exStyle = 0;
  switch (s.kind) {
    case ControlKind::TextBox:
      cls = L"EDIT";
      style |= WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT;
      exStyle = WS_EX_CLIENTEDGE;
      break;
    case ControlKind::CommandButton:
      cls = L"BUTTON";
      style |= WS_TABSTOP | BS_OWNERDRAW;  // the graphical style: painted by the form
      break;
    case ControlKind::Label:
      style |= SS_LEFT | SS_NOTIFY;
      break;
    case ControlKind::PictureBox:
      style |= WS_TABSTOP | SS_ICON | SS_NOTIFY;
      break;
  }
  int x = TwipsToPixels(s.left, dpi), y = TwipsToPixels(s.top, dpi);
  int w = TwipsToPixels(s.width, dpi), h = TwipsToPixels(s.height, dpi);
  c.hwnd = CreateWindowExW(exStyle, cls, std::wstring(s.caption).c_str(), style, x, y, w, h, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
  SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  if (s.backColor != kDefaultColor) c.backBrush.reset(CreateSolidBrush(s.backColor));

  if (s.kind == ControlKind::Label) {
    // A label sizes itself to its caption in its font.
    base::WindowDc dc(c.hwnd);
    base::ScopedSelectObject selected(dc.get(), font_.get());
    RECT r = {0, 0, 0, 0};
    std::wstring caption(s.caption);
    DrawTextW(dc.get(), caption.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    SetWindowPos(c.hwnd, nullptr, 0, 0, r.right, r.bottom, SWP_NOMOVE | SWP_NOZORDER);
  }
  if (s.kind == ControlKind::TextBox) {
    SetWindowSubclass(c.hwnd, &TextBoxProc, kTextBoxSubclassId, reinterpret_cast<DWORD_PTR>(hwnd_));
  }
}

// LostFocus is raised only when the focus moves to another control of the same form, not when
// the form itself is deactivated; it runs from the message loop, outside WM_KILLFOCUS.
LRESULT CALLBACK Form::TextBoxProc(HWND box, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                   DWORD_PTR form) noexcept {
  if (msg == WM_KILLFOCUS) {
    HWND next = reinterpret_cast<HWND>(wp);
    HWND owner = reinterpret_cast<HWND>(form);
    if (next && IsChild(owner, next)) {
      PostMessageW(owner, kMsgLostFocus, static_cast<WPARAM>(GetDlgCtrlID(box)), 0);
    }
  }
  return DefSubclassProc(box, msg, wp, lp);
}

void Form::PlaceWindow(int dpi) {
  DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE));
  RECT r = {0, 0, TwipsToPixels(design_.clientWidth, dpi),
            TwipsToPixels(design_.clientHeight, dpi)};
  AdjustWindowRectEx(&r, style, FALSE, 0);
  int w = r.right - r.left, h = r.bottom - r.top;
  RECT area;
  HWND owner = GetWindow(hwnd_, GW_OWNER);
  if (design_.startUpPosition == StartUpPosition::CenterOwner && owner) {
    GetWindowRect(owner, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  int x = area.left + (area.right - area.left - w) / 2;
  int y = area.top + (area.bottom - area.top - h) / 2;
  SetWindowPos(hwnd_, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_NCCREATE) {
    auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    form->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!form) return DefWindowProcW(hwnd, msg, wp, lp);
  // No exception crosses this frame: Windows owns the frames above it.
  try {
    return form->HandleMessage(msg, wp, lp);
  } catch (...) {
    ReportLater(hwnd, base::CurrentErrorAsRuntimeError());
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = hwnd_;
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp));
      return 0;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_CTLCOLOREDIT:
      return OnControlColour(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp), true);
    case WM_CTLCOLORSTATIC:
      return OnControlColour(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp), false);
    case WM_ACTIVATE:
      OnActivate(LOWORD(wp) != WA_INACTIVE);
      return 0;
    case WM_CLOSE:
      RunEvent([this] { Unload(); });
      return 0;
    case kMsgLostFocus:
      if (ControlState* c = FindById(static_cast<int>(wp)); c && c->onLostFocus) {
        RunEvent(c->onLostFocus);
      }
      return 0;
    case kMsgReportLater:
      if (std::unique_ptr<base::RuntimeError> pending{
              static_cast<base::RuntimeError*>(RemovePropW(hwnd, kPendingReportProp))}) {
        Report(*pending);
      }
      return 0;
    case WM_NCDESTROY:
      delete static_cast<base::RuntimeError*>(RemovePropW(hwnd, kPendingReportProp));
      hwnd_ = nullptr;
      for (auto& c : controls_) c->hwnd = nullptr;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      if (endsProgram_) PostQuitMessage(0);
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void Form::OnCommand(int id, int code) {
  ControlState* c = FindById(id);
  if (!c || !c->onClick) return;
  bool click = (c->design->kind == ControlKind::CommandButton && code == BN_CLICKED) ||
               (c->design->kind != ControlKind::CommandButton &&
                c->design->kind != ControlKind::TextBox && code == STN_CLICKED);
  if (click) RunEvent(c->onClick);
}

LRESULT Form::OnControlColour(HDC dc, HWND control, bool edit) {
  ControlState* c = FindById(GetDlgCtrlID(control));
  if (edit) {
    if (c && c->backBrush) {
      SetBkColor(dc, c->design->backColor);
      return reinterpret_cast<LRESULT>(c->backBrush.get());
    }
    return DefWindowProcW(hwnd_, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
  }
  // Labels are transparent: the form's background shows behind their text.
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

// Owner-drawn buttons of a form that no skin paints: the system's push button.
void Form::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_BUTTON) return;
  RECT r = item.rcItem;
  UINT state = DFCS_BUTTONPUSH;
  if (item.itemState & ODS_SELECTED) state |= DFCS_PUSHED;
  if (item.itemState & ODS_DISABLED) state |= DFCS_INACTIVE;
  DrawFrameControl(item.hDC, &r, DFC_BUTTON, state);
  wchar_t caption[256] = {};
  GetWindowTextW(item.hwndItem, caption, 256);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC,
               GetSysColor(item.itemState & ODS_DISABLED ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  DrawTextW(item.hDC, caption, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  if (item.itemState & ODS_FOCUS) {
    InflateRect(&r, -3, -3);
    DrawFocusRect(item.hDC, &r);
  }
}

// The focus comes back to the control that had it when the form is activated again.
void Form::OnActivate(bool active) {
  if (!active) {
    HWND focus = GetFocus();
    focusBeforeDeactivation_ = (focus && IsChild(hwnd_, focus)) ? focus : nullptr;
  } else if (focusBeforeDeactivation_ && IsWindow(focusBeforeDeactivation_)) {
    SetFocus(focusBeforeDeactivation_);
  }
}

int Run(Form& startUpForm) {
  startUpForm.SetEndsProgram(true);
  startUpForm.RunEvent([&] { startUpForm.Show(); });
  if (!startUpForm.IsLoaded()) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
  return static_cast<int>(msg.wParam);
}

void Dispatch(MSG& msg) {
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root && IsDialogMessageW(root, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void ReportLater(HWND form, const base::RuntimeError& error) noexcept {
  if (!IsWindow(form) || GetPropW(form, kPendingReportProp)) return;
  try {
    auto pending = std::make_unique<base::RuntimeError>(error);
    if (SetPropW(form, kPendingReportProp, pending.get()) &&
        PostMessageW(form, kMsgReportLater, 0, 0)) {
      pending.release();
    } else {
      RemovePropW(form, kPendingReportProp);
    }
  } catch (...) {
    // Out of memory while reporting: nothing more can be said.
  }
}

}  // namespace forms
