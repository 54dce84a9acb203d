#include "Form1.h"

#include <mmsystem.h>

#include "base/Shortcut.h"
#include "base/SystemDll.h"
#include "modCmdVista.h"
#include "resource.h"

namespace {

constexpr wchar_t kCaption[] = L"Pellucor";

constexpr forms::FormDesign kForm1 = {
    .caption = kCaption,
    .clientWidth = 4275,
    .clientHeight = 1605,
    .minButton = true,
    .maxButton = false,
    .startUpPosition = forms::StartUpPosition::CenterScreen,
    .iconId = IDI_PELLUCOR,
};

constexpr wchar_t kOnline[] = L"在线";
constexpr wchar_t kOffline[] = L"离线";

constexpr UINT_PTR kStartTimer = 1;  // once the window is up and idle
constexpr UINT_PTR kWatchTimer = 2;
// Failures in a row after which the watch ends, and the last one is reported.
constexpr int kWatchFailuresShown = 3;

// Tells that the account has come online, as a messenger would: the taskbar button flashes until
// the window is activated, and the system's notification sound plays. The sound is winmm's, loaded
// for it from the system folder; where Windows has no notification sound, its default one plays.
void Alert(HWND window) {
  FLASHWINFO flash = {sizeof flash, window, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
  FlashWindowEx(&flash);
  static const auto playSound =
      base::SystemFunction<decltype(&PlaySoundW)>(base::LoadSystemDll(L"winmm.dll"), "PlaySoundW");
  if (playSound) playSound(L"SystemNotification", nullptr, SND_ALIAS | SND_ASYNC);
}

}  // namespace

Form1::Form1(StartOptions options) : DesignedForm(kForm1), options_(std::move(options)) {
  On(L"Command1", forms::Event::Click, &Form1::Command1_Click);
  On(L"Text1", forms::Event::LostFocus, &Form1::Text1_LostFocus);
  On(L"Text1", forms::Event::Change, &Form1::Text1_Change);
  On(L"Command3", forms::Event::Click, &Form1::Command3_Click);
  PressOnEnter(L"Text1", L"Command1");  // type an account and press Enter: it is asked about
  // The labels stand left of the boxes but come after them in tab order.
  NameAfter(L"Text1", L"Label1");
  NameAfter(L"Text2", L"Label2");
}

// The buttons are painted by the skin from here to the unload. Once the window has painted and
// waits for the user, the lookup gets ready.
// An account given on the command line is asked about once the window is up, as Enter would, or
// watched.
void Form1::Form_Load() {
  modCmdVista::HookForm(hWnd());
  status::PrepareWhenIdle();
  AddMenuItem(kWatchItem, L"在线时提醒");
  AddMenuItem(kShortcutItem, L"创建桌面快捷方式");
  if (options_.account) SetText(L"Text1", *options_.account);
  if (options_.account || options_.watch) StartTimer(kStartTimer, USER_TIMER_MINIMUM);
}

void Form1::Form_Unload(int& /*cancel*/) {
  StopWatch();
  modCmdVista::UnhookForm(hWnd());
}

void Form1::Form_MenuClick(UINT id) {
  if (id == kWatchItem) watching_ ? StopWatch() : StartWatch();
  if (id == kShortcutItem) CreateShortcut();
}

// The watch skips its turn while its lookup runs; a lookup the user starts holds the window, and
// with it the watch's turns.
void Form1::Form_Timer(UINT_PTR id) {
  if (id == kStartTimer) {
    StopTimer(kStartTimer);
    options_.watch ? StartWatch() : Command1_Click();
  } else if (!watchLookup_) {
    AskForTheWatch();
  }
}

// The query action. An answer for another account goes as the query starts. The answer for the
// same account stays until the new one replaces it: asked twice in a row (leaving the account box
// for "查询" asks too), the box does not flicker empty between the two. A failed lookup leaves
// no answer standing.
void Form1::Command1_Click() {
  std::wstring account = Text(L"Text1");
  if (answered_ != account) SetText(L"Text2", L"");
  answered_.reset();
  bool online;
  try {
    online = CheckOnline(account) != 0;
  } catch (...) {
    SetText(L"Text2", L"");
    throw;
  }
  ShowAnswer(account, online);
  if (online) StopWatch();
}

void Form1::ShowAnswer(const std::wstring& account, bool online) {
  SetText(L"Text2", online ? kOnline : kOffline);
  answered_ = account;
}

void Form1::Text1_LostFocus() {
  Command1_Click();
}

void Form1::Text1_Change() {
  StopWatch();
}

void Form1::StartWatch() {
  watching_ = true;
  watchFailures_ = 0;
  CheckMenuItem(kWatchItem, true);
  wchar_t caption[1024];  // wsprintfW writes no more
  wsprintfW(caption, L"%s - 等待 %s 上线", kCaption, Text(L"Text1").c_str());
  SetCaption(caption);
  StartTimer(kWatchTimer, options_.watchSeconds * 1000);
  AskForTheWatch();
}

void Form1::StopWatch() {
  if (!watching_) return;
  watching_ = false;
  StopTimer(kWatchTimer);
  StopWaiting();
  watchLookup_.reset();  // given up on
  CheckMenuItem(kWatchItem, false);
  SetCaption(kCaption);
}

// The watch's lookup, whose end the form is told of; it waits for it no longer than a lookup the
// user starts waits.
void Form1::AskForTheWatch() {
  try {
    watchLookup_ = std::make_unique<status::PendingLookup>(Text(L"Text1"));
    WhenSignalled(watchLookup_->Ended(), status::kAnswerTimeoutMs);
  } catch (...) {
    WatchFailed();
  }
}

void Form1::Form_Signalled(bool /*signalled*/) {
  try {
    const bool online = watchLookup_->Online();
    watchLookup_.reset();
    watchFailures_ = 0;
    ShowAnswer(Text(L"Text1"), online);
    if (online) {
      StopWatch();
      Alert(hWnd());
    }
  } catch (...) {
    WatchFailed();
  }
}

// For a catch block: a failed watch lookup opens no box and leaves the state box empty. The
// third in a row ends the watch and is reported.
void Form1::WatchFailed() {
  watchLookup_.reset();
  SetText(L"Text2", L"");
  answered_.reset();
  if (++watchFailures_ < kWatchFailuresShown) return;
  StopWatch();
  throw;
}

// A shortcut on the user's desktop named after the account in the box, which starts this program
// with that account. One of that name is replaced only when the user says so.
void Form1::CreateShortcut() {
  const std::wstring account = Text(L"Text1");
  // The name is cut at 100 characters; the account in the arguments is whole.
  wchar_t program[MAX_PATH], desktop[MAX_PATH] = {}, file[MAX_PATH + 128], message[512];
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  base::DesktopFolder(desktop);
  if (!*desktop) throw base::RuntimeError(kShortcutNotMade, L"找不到桌面文件夹");
  wsprintfW(file, L"%s\\%.100s.lnk", desktop, base::FileNameFor(account).c_str());
  wsprintfW(message, L"%s\n\n已经存在。要替换它吗？", file);
  if (GetFileAttributesW(file) != INVALID_FILE_ATTRIBUTES &&
      MessageBoxW(hWnd(), message, kCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
    return;
  }
  const HRESULT result = base::SaveShortcut(file, program, (L"\"" + account + L"\"").c_str());
  wsprintfW(message,
            FAILED(result) ? L"无法创建快捷方式 %s（错误 %lu）" : L"桌面快捷方式已创建：\n%s", file,
            static_cast<DWORD>(result));
  if (FAILED(result)) throw base::RuntimeError(kShortcutNotMade, message);
  MessageBoxW(hWnd(), message, kCaption, MB_OK | MB_ICONINFORMATION);
}

// The About action: the About window, shown modally; returns when it has been unloaded.
void Form1::Command3_Click() {
  if (!about_) about_ = std::make_unique<frmAbout>(*this);
  about_->Show(forms::Display::Modal);
}

// The window stays blocked while the lookup waits, but a request to close it ends the lookup.
std::int16_t Form1::CheckOnline(const std::wstring& account) {
  const auto wait = [this](void* ended, std::uint32_t timeoutMs) { return Wait(ended, timeoutMs); };
  return status::IsOnline(account, wait) ? -1 : 0;
}
