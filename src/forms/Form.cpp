#include "forms/Form.h"

#include <cstdlib>
#include <utility>

#include "base/SystemDll.h"
#include "forms/Program.h"
#include "forms/Wait.h"

namespace forms {
namespace {

constexpr wchar_t kFormClass[] = L"forms.Form";
constexpr int kFirstControlId = 100;

// The DPI Windows gives the window: its screen's, where the program is aware of each screen's
// DPI (Windows 10 1607 and later; 8.1 through shcore), else the system's, as for no window.
// https://learn.microsoft.com/en-us/windows/win32/api/winuser/nf-winuser-getdpiforwindow
// https://learn.microsoft.com/en-us/windows/win32/api/shellscalingapi/nf-shellscalingapi-getdpiformonitor
int ScreenDpi(HWND window) {
  // Declared by hand: the headers show them to no program that runs on Windows XP.
  using DpiForWindow = UINT(WINAPI*)(HWND);
  using DpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  UINT dpi = 0, unused;
  if (window) {
    if (const auto forWindow = base::SystemFunction<DpiForWindow>(GetModuleHandleW(L"user32.dll"),
                                                                  "GetDpiForWindow")) {
      dpi = forWindow(window);
    } else if (const auto forMonitor = base::SystemFunction<DpiForMonitor>(
                   base::LoadSystemDll(L"shcore.dll"), "GetDpiForMonitor")) {
      const HMONITOR screen = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
      if (FAILED(forMonitor(screen, 0 /* MDT_EFFECTIVE_DPI */, &unused, &dpi))) dpi = 0;
    }
  }
  if (dpi != 0) return static_cast<int>(dpi);
  base::WindowDc screen(nullptr);
  return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

void RegisterFormClass(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);  // read from the system
  wc.lpszClassName = kFormClass;
  RegisterClassExW(&wc);  // fails harmlessly when already registered
}

DWORD FormStyle(const FormDesign& design) {
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
  if (design.minButton) style |= WS_MINIMIZEBOX;
  if (design.maxButton) style |= WS_MAXIMIZEBOX;
  return style;
}

}  // namespace

int Run(Form& startUpForm) {
  startUpForm.SetEndsProgram(true);
  startUpForm.RunEvent([&] { startUpForm.Show(); });
  if (!startUpForm.IsLoaded()) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
  return static_cast<int>(msg.wParam);
}

Form::Form(const FormDesign& design, std::span<const ControlDesign> controls, const Form* owner)
    : design_(design), owner_(owner), controls_(controls.size()) {
  // Creation order is tab order: the dialog manager walks the z-order. A control's place is the
  // number of controls before it in tab order, the design's order breaking ties. (Counted, not
  // sorted: a stable sort's merge code was 4 KiB of the program.)
  for (const ControlDesign& c : controls) {
    size_t place = 0;
    for (const ControlDesign& other : controls) {
      place += other.tabIndex < c.tabIndex || (other.tabIndex == c.tabIndex && &other < &c);
    }
    controls_[place] = Control::Make(c, kFirstControlId + static_cast<int>(place));
  }
}

Form::~Form() {
  if (hwnd_) DestroyWindow(hwnd_);
}

HWND Form::hWnd() const {
  if (!hwnd_) throw base::RuntimeError(base::RuntimeError::kObjectNotSet);
  return hwnd_;
}

forms::Control* Form::Find(const ControlDesign& design) const {
  for (auto& c : controls_)
    if (&c->design() == &design) return c.get();
  return nullptr;
}

forms::Control* Form::FindById(int id) const {
  for (auto& c : controls_)
    if (c->id() == id) return c.get();
  return nullptr;
}

forms::Control& Form::Require(const ControlDesign& design) const {
  forms::Control* c = Find(design);
  if (!c || !c->hwnd()) throw base::RuntimeError(base::RuntimeError::kObjectNotSet);
  return *c;
}

HWND Form::Control(const ControlDesign& control) const {
  return Require(control).hwnd();
}

std::wstring Form::Text(const ControlDesign& control) const {
  HWND h = Control(control);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
  return text;
}

void Form::SetText(const ControlDesign& control, std::wstring_view text) {
  Require(control).SetText(text);
}

void Form::On(const ControlDesign& control, Event event, EventProcedure procedure) {
  forms::Control* c = Find(control);
  if (!c) throw base::RuntimeError(base::RuntimeError::kInvalidCall);
  (event == Event::Click       ? c->onClick
   : event == Event::LostFocus ? c->onLostFocus
                               : c->onChange) = procedure;
}

void Form::PressOnEnter(const ControlDesign& box, const ControlDesign& button) {
  forms::Control* b = Find(box);
  forms::Control* pressed = Find(button);
  if (!b || !pressed) throw base::RuntimeError(base::RuntimeError::kInvalidCall);
  b->enterPresses = pressed->id();
}

void Form::NameAfter(const ControlDesign& control, const ControlDesign& label) {
  forms::Control* named = Find(control);
  forms::Control* by = Find(label);
  if (!named || !by) throw base::RuntimeError(base::RuntimeError::kInvalidCall);
  named->namedAfter = by->id();
}

bool Form::Wait(HANDLE object, DWORD timeoutMs) {
  waited_ = waiting_ = true;
  closeRequested_ = false;
  // The busy pointer from now; the one before it when the wait ends.
  struct Waiting {
    Form& form;
    HCURSOR previous;
    ~Waiting() {
      form.waiting_ = false;
      SetCursor(previous ? previous : LoadCursorW(nullptr, IDC_ARROW));
    }
  } waiting{*this, SetCursor(LoadCursorW(nullptr, IDC_WAIT))};
  return WaitPolling(hWnd(), object, timeoutMs, closeRequested_);
}

void Form::EventFailed(ReportWhen when) noexcept {
  if (waited_) DropInputQueuedMeanwhile();
  try {
    throw;
  } catch (const CloseRequested&) {
    // The user asked to close while the procedure waited: nothing to report, the form goes.
    if (hwnd_) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
  } catch (...) {
    if (when == ReportWhen::Now) {
      Report(base::CurrentErrorAsRuntimeError());
    } else {
      ReportLater(base::CurrentErrorAsRuntimeError());
    }
  }
}

void Form::Report(const base::RuntimeError& error) noexcept {
  forms::Report(hwnd_, error);
}

void Form::ReportLater(const base::RuntimeError& error) noexcept {
  if (!hwnd_ || pendingReport_) return;
  try {
    pendingReport_ = std::make_unique<base::RuntimeError>(error);
    if (!PostMessageW(hwnd_, kMsgReportLater, 0, 0)) pendingReport_.reset();
  } catch (...) {
    // Out of memory while reporting: nothing more can be said.
  }
}

// Only this thread's windows are looked into: a form's data lives in its own process.
Form* Form::Of(HWND window) noexcept {
  if (!window || GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId() ||
      GetClassLongPtrW(window, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(&Form::WindowProc)) {
    return nullptr;
  }
  return reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Form::Show(Display display) {
  Load();
  if (display == Display::Modal) {
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    if (owner && IsWindowEnabled(owner)) {
      EnableWindow(owner, FALSE);
      disabledOwner_ = owner;
    }
  }
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  FocusFirstControl();
  if (display == Display::Modal) {
    shownModal_ = true;
    RunModalLoop([this] { return !IsLoaded(); });
    Unload();  // the program is ending (WM_QUIT)
  }
}

void Form::FocusFirstControl() {
  for (auto& c : controls_) {
    if (c->hwnd() && (GetWindowLongW(c->hwnd(), GWL_STYLE) & WS_TABSTOP)) {
      SetFocus(c->hwnd());
      break;
    }
  }
}

void Form::Unload() {
  if (!hwnd_) return;
  int cancel = 0;
  Form_Unload(cancel);
  if (cancel != 0 || !hwnd_) return;
  shownModal_ = false;
  if (disabledOwner_) EnableWindow(std::exchange(disabledOwner_, nullptr), TRUE);
  DestroyWindow(hwnd_);
}

void Form::SetIcon(HICON icon) {
  base::Icon previous = std::exchange(icon_, base::Icon(icon ? CopyIcon(icon) : nullptr));
  ShowIcon();  // before the previous icon goes
}

void Form::ShowIcon() {
  if (!hwnd_) return;
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
}

HCURSOR Form::MouseIcon(const ControlDesign& control) const {
  return Require(control).MouseIcon();
}

void Form::SetMouseIcon(const ControlDesign& control, HCURSOR pointer) {
  Require(control).SetMouseIcon(pointer);
}

void Form::SetCaption(std::wstring_view caption) {
  SetWindowTextW(hWnd(), std::wstring(caption).c_str());
}

// Above the separator that comes before Close (Wine adds items of its own after Close).
void Form::AddMenuItem(UINT id, const wchar_t* caption) {
  const HMENU menu = GetSystemMenu(hWnd(), FALSE);
  const int count = GetMenuItemCount(menu);
  int at = 0;
  while (at < count && GetMenuItemID(menu, at) != SC_CLOSE) ++at;
  if (at > 0 && (GetMenuState(menu, static_cast<UINT>(at - 1), MF_BYPOSITION) & MF_SEPARATOR)) {
    --at;
  }
  InsertMenuW(menu, static_cast<UINT>(at), MF_BYPOSITION | MF_STRING, id, caption);
}

void Form::CheckMenuItem(UINT id, bool checked) {
  ::CheckMenuItem(GetSystemMenu(hWnd(), FALSE), id, checked ? MF_CHECKED : MF_UNCHECKED);
}

void Form::StartTimer(UINT_PTR id, UINT ms) {
  if (!SetTimer(hWnd(), id, ms, nullptr))
    throw base::RuntimeError(base::RuntimeError::kOutOfMemory);
}

void Form::StopTimer(UINT_PTR id) {
  if (hwnd_) KillTimer(hwnd_, id);
}

namespace {

// On a thread of the system's pool: hands the end of a wait over to the form's thread.
void CALLBACK PostSignalled(void* wait, BOOLEAN timedOut) noexcept {
  const auto* posted = static_cast<const std::pair<HWND, WPARAM>*>(wait);
  PostMessageW(posted->first, kMsgSignalled, posted->second, !timedOut);
}

}  // namespace

// https://learn.microsoft.com/en-us/windows/win32/api/winbase/nf-winbase-registerwaitforsingleobject
void Form::WhenSignalled(HANDLE object, DWORD timeoutMs) {
  StopWaiting();
  signalled_ = {hWnd(), ++waits_};
  if (!RegisterWaitForSingleObject(&wait_, object, PostSignalled, &signalled_, timeoutMs,
                                   WT_EXECUTEONLYONCE)) {
    wait_ = nullptr;
    throw base::RuntimeError(base::RuntimeError::kOutOfMemory);
  }
}

// Waits for a callback under way to end, so that none runs later.
void Form::StopWaiting() noexcept {
  if (wait_) UnregisterWaitEx(std::exchange(wait_, nullptr), INVALID_HANDLE_VALUE);
}

void Form::Load() {
  if (hwnd_) return;
  Create();
  Form_Load();
}

// The window is made at its final place and size, and its controls before it is shown. A form
// shown over another takes its owner's DPI. Any other takes the DPI of the screen it lands on,
// which Windows tells only once the window is there: until then it is laid out at the system's.
void Form::Create() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterFormClass(instance, &Form::WindowProc);
  const HWND owner = owner_ && owner_->IsLoaded() ? owner_->hWnd() : nullptr;
  const HWND centreOn = design_.startUpPosition == StartUpPosition::CenterOwner ? owner : nullptr;
  dpi_ = owner ? owner_->dpi_ : ScreenDpi(nullptr);
  RECT r = PlacementRect(centreOn);
  CreateWindowExW(0, kFormClass, std::wstring(design_.caption).c_str(), FormStyle(design_), r.left,
                  r.top, r.right - r.left, r.bottom - r.top, owner, nullptr, instance, this);
  if (!hwnd_) throw base::RuntimeError(base::RuntimeError::kOutOfMemory);
  if (const int screenDpi = owner ? dpi_ : ScreenDpi(hwnd_); screenDpi != dpi_) {
    dpi_ = screenDpi;
    r = PlacementRect(centreOn);
    SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

  font_ = DefaultFont(dpi_);
  if (design_.iconId != 0) {
    icon_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(design_.iconId),
                                              IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
    ShowIcon();
  }
  const FormContext context = {hwnd_, instance, dpi_, font_.get()};
  for (auto& c : controls_) c->Create(context);
}

// The window's rectangle: its client area as designed at the form's DPI, centred on its owner or
// on the screen. Around it, the frame the window has (at its screen's DPI), or before the window
// exists, the system's.
RECT Form::PlacementRect(HWND owner) const {
  RECT r = {0, 0, TwipsToPixels(design_.clientWidth, dpi_),
            TwipsToPixels(design_.clientHeight, dpi_)};
  if (RECT window, client;
      hwnd_ && GetWindowRect(hwnd_, &window) && GetClientRect(hwnd_, &client)) {
    r.right += window.right - window.left - client.right;
    r.bottom += window.bottom - window.top - client.bottom;
  } else {
    AdjustWindowRectEx(&r, FormStyle(design_), FALSE, 0);
  }
  const int w = r.right - r.left, h = r.bottom - r.top;
  RECT area;
  if (owner) {
    GetWindowRect(owner, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  const int x = area.left + (area.right - area.left - w) / 2;
  const int y = area.top + (area.bottom - area.top - h) / 2;
  return {x, y, x + w, y + h};
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
    form->ReportLater(base::CurrentErrorAsRuntimeError());
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

// clang-format off
LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:        return OnCommand(wp, lp);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: return OnControlColour(msg, wp, lp);
    case WM_ACTIVATE:       return OnActivate(LOWORD(wp), HIWORD(wp) != 0);
    case WM_SETFOCUS:       return OnSetFocus();
    case WM_SYSCOMMAND:     return OnSysCommand(wp, lp);
    case DM_GETDEFID:       return OnGetDefId();
    case WM_SETCURSOR:      return OnSetCursor(wp, lp);
    case WM_CLOSE:          return OnClose();
    case WM_ENDSESSION:     return OnEndSession(wp != 0);
    case kWmDpiChanged:     return OnDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
    case kMsgLostFocus:     return OnLostFocus(wp, lp);
    case kMsgReportLater:   return OnReportLater();
    case WM_TIMER:          return OnTimer(wp);
    case kMsgSignalled:     return OnSignalled(wp, lp != 0);
    case WM_NCDESTROY:      return OnNcDestroy(wp, lp);
    default:                return DefWindowProcW(hwnd_, msg, wp, lp);
  }
}
// clang-format on

// What would run an event procedure while one waits (a screen reader, answered during the wait,
// may press a button or move the focus) runs after the wait, as input queued meanwhile.
bool Form::PostedAgainAfterTheWait(UINT msg, WPARAM wp, LPARAM lp) {
  if (!waiting_) return false;
  PostMessageW(hwnd_, msg, wp, lp);
  return true;
}

LRESULT Form::OnCommand(WPARAM wp, LPARAM lp) {
  if (PostedAgainAfterTheWait(WM_COMMAND, wp, lp)) return 0;
  const int id = LOWORD(wp);
  if (id == IDCANCEL && shownModal_) {  // Esc closes a modal form as its close box does
    RunEvent([this] { Unload(); });
    return 0;
  }
  forms::Control* c = FindById(id);
  if (c && c->onClick && c->IsClick(HIWORD(wp))) RunEvent([&] { (this->*c->onClick)(); });
  if (c && c->onChange && HIWORD(wp) == EN_CHANGE) RunEvent([&] { (this->*c->onChange)(); });
  return 0;
}

// Each control chooses its own colours; the rest is the system's default.
LRESULT Form::OnControlColour(UINT msg, WPARAM wp, LPARAM lp) {
  forms::Control* c = FindById(GetDlgCtrlID(reinterpret_cast<HWND>(lp)));
  if (HBRUSH brush = c ? c->Colours(reinterpret_cast<HDC>(wp)) : nullptr) {
    return reinterpret_cast<LRESULT>(brush);
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

// While an event procedure waits, the busy pointer over the whole form. Else a control with a
// pointer image of its own shows it over its client area.
LRESULT Form::OnSetCursor(WPARAM wp, LPARAM lp) {
  const HWND control = reinterpret_cast<HWND>(wp);
  HCURSOR pointer = nullptr;
  if (waiting_) {
    pointer = LoadCursorW(nullptr, IDC_WAIT);
  } else if (LOWORD(lp) == HTCLIENT && control != hwnd_) {
    if (forms::Control* c = FindById(GetDlgCtrlID(control))) pointer = c->MouseIcon();
  }
  if (!pointer) return DefWindowProcW(hwnd_, WM_SETCURSOR, wp, lp);
  SetCursor(pointer);
  return TRUE;
}

// The focus is saved as the form is deactivated or minimised, and restored as it is activated
// (not while minimised) or, restored, gets the focus itself.
LRESULT Form::OnActivate(WORD state, bool minimised) {
  if (state == WA_INACTIVE) {
    SaveFocus();
  } else if (!minimised) {
    RestoreFocus();
  }
  return 0;
}

LRESULT Form::OnSetFocus() {
  RestoreFocus();
  return 0;
}

LRESULT Form::OnSysCommand(WPARAM wp, LPARAM lp) {
  if ((wp & 0xFFF0) < 0xF000) {  // an item of the form's own
    RunEvent([this, id = static_cast<UINT>(wp & 0xFFF0)] { Form_MenuClick(id); });
    return 0;
  }
  if ((wp & 0xFFF0) == SC_MINIMIZE) SaveFocus();
  return DefWindowProcW(hwnd_, WM_SYSCOMMAND, wp, lp);
}

// Enter: the focused command button is the default one, or the button Enter in the focused box
// presses. Only asked, never set: no button takes the default button's style.
LRESULT Form::OnGetDefId() {
  if (forms::Control* c = FindById(GetDlgCtrlID(GetFocus()))) {
    const int id = c->PressedByEnter() ? c->id() : c->enterPresses;
    if (id != 0) return MAKELRESULT(id, DC_HASDEFID);
  }
  return 0;
}

LRESULT Form::OnClose() {
  if (waiting_) {  // an event procedure waits: it ends first
    closeRequested_ = true;
    return 0;
  }
  RunEvent([this] { Unload(); });
  return 0;
}

// The session ends: Windows may end the process as soon as this returns, so the program ends
// here, through the runtime's exit, as it ends after its loop.
// https://learn.microsoft.com/en-us/windows/win32/shutdown/wm-endsession
LRESULT Form::OnEndSession(bool ending) {
  if (ending && endsProgram_) {
    RunEvent([this] { Unload(); });
    std::exit(0);
  }
  return 0;
}

// The focus is still on its way to the next control (a pressed button, say, has yet to take the
// mouse): a report waits for the message loop.
LRESULT Form::OnLostFocus(WPARAM wp, LPARAM lp) {
  if (PostedAgainAfterTheWait(kMsgLostFocus, wp, lp)) return 0;
  if (forms::Control* c = FindById(static_cast<int>(wp)); c && c->onLostFocus) {
    RunEvent([&] { (this->*c->onLostFocus)(); }, ReportWhen::FromTheLoop);
  }
  return 0;
}

LRESULT Form::OnReportLater() {
  if (std::unique_ptr<base::RuntimeError> pending = std::move(pendingReport_)) {
    EndPressUnclicked();
    Report(*pending);
  }
  return 0;
}

LRESULT Form::OnTimer(UINT_PTR id) {
  RunEvent([this, id] { Form_Timer(id); });
  return 0;
}

LRESULT Form::OnSignalled(WPARAM wait, bool signalled) {
  if (wait != waits_ || !wait_) return 0;  // an earlier wait's, or one forgotten
  StopWaiting();
  RunEvent([this, signalled] { Form_Signalled(signalled); });
  return 0;
}

LRESULT Form::OnNcDestroy(WPARAM wp, LPARAM lp) {
  StopWaiting();
  const HWND hwnd = std::exchange(hwnd_, nullptr);
  pendingReport_.reset();
  for (auto& c : controls_) c->Destroyed();
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  if (endsProgram_) PostQuitMessage(0);
  return DefWindowProcW(hwnd, WM_NCDESTROY, wp, lp);
}

// On a screen of another DPI the window takes the rectangle Windows suggests, and its controls
// their places, sizes and fonts there, as at its start; the buttons' faces follow their sizes.
// The icons keep their images, as at the start.
LRESULT Form::OnDpiChanged(int dpi, const RECT& suggested) {
  dpi_ = dpi;
  base::Font font = DefaultFont(dpi);
  const FormContext context = {hwnd_, GetModuleHandleW(nullptr), dpi, font.get()};
  for (auto& c : controls_) c->Rescale(context);
  font_ = std::move(font);  // the controls have let go of the one before
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  return 0;
}

// The focus comes back to the control that had it when the form is activated again or restored.
void Form::SaveFocus() {
  HWND focus = GetFocus();
  if (focus && IsChild(hwnd_, focus)) savedFocus_ = focus;
}

void Form::RestoreFocus() {
  HWND control = savedFocus_;
  if (control && IsWindow(control) && IsChild(hwnd_, control) && IsWindowEnabled(control)) {
    SetFocus(control);
  }
}

}  // namespace forms
