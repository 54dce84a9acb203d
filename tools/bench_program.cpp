// Times Pellucor from the outside, each figure beside a baseline measured in the same run,
// interleaved, as medians (scripts/bench.sh). Prints rows of a Markdown table:
//   start-up      process start until the main window answers a message, beside bare_window.exe
//   memory        private bytes of the idle main window, beside bare_window.exe
//   first query   the first click on "查询" after start-up until "在线" is set, each run in a new
//                 process, beside plain_lookup.exe (the plain design's synchronous download) and
//                 socket_lookup.exe (the same window, whose query is one GET over a bare socket)
//   query         later clicks until "在线" is set, beside plain_lookup.exe, socket_lookup.exe,
//                 URLDownloadToFileA of the same address alone and one HTTP GET over a bare socket
//   close         WM_CLOSE while a query waits for a silent server, until the process has ended,
//                 beside bare_window.exe closed
//   waiting       processor time while a query waits 10 s for a silent server, beside
//                 bare_window.exe idle as long
// The queries go to the stand-in status server that http_proxy names
// (tests/standin/status_server.py), whose request log STANDIN_LOG names. A query's answer is seen
// by a hook in the clicked program (answer_hook.dll, beside this program) at the instant the
// program sets "在线". socket_lookup.exe is taken from beside this program too.
//
//   bench_program PELLUCOR.EXE BARE_WINDOW.EXE PLAIN_LOOKUP.EXE [runs]   runs: 3 to 99, default 15
// (fewer than 9 only to try the benchmark out: its medians then say little)
// Any two programs with a window can be compared for start-up and memory; the rest needs
// programs with Pellucor's main window. With BENCH_STARTUP_ONLY=1 in the environment only the
// start-up and memory rows run (`BENCH_STARTUP_ONLY=1 scripts/bench.sh program`), for A/B
// timings of start-up.

#include <winsock2.h>
#include <windows.h>
#include <psapi.h>
#include <urlmon.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "StatusLookup.h"
#include "support/WinePath.h"

namespace {

constexpr wchar_t kAccount[] = L"tolvarin";  // online at the stand-in
constexpr wchar_t kSilent[] = L"silent";     // never answered by the stand-in
constexpr DWORD kPatienceMs = 20'000;        // for anything that should take well under a second
// How long a started program sits idle before it is measured or clicked: a person does not click
// sooner, and a program may prepare itself once it is idle.
constexpr DWORD kSettleMs = 500;
constexpr int kWaitRuns = 3;  // 10 s each

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return double(counter.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "bench_program: %s (error %lu)\n", what, GetLastError());
  std::exit(1);
}

// The hook that tells when a program shows "在线" (tools/answer_hook.cpp).
struct AnswerWatch {
  HMODULE hook_module = nullptr;
  HOOKPROC hook = nullptr;
  const wchar_t* event_name = nullptr;  // and the process id
};

// A file beside this program.
std::wstring Beside(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring self(path, length);
  return self.substr(0, self.find_last_of(L"\\/") + 1) + name;
}

AnswerWatch LoadAnswerWatch() {
  const std::wstring dll = Beside(L"answer_hook.dll");
  AnswerWatch watch;
  watch.hook_module = LoadLibraryW(dll.c_str());
  if (!watch.hook_module) Fail("no answer_hook.dll beside the benchmark");
  watch.hook = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void (*)()>(GetProcAddress(watch.hook_module, "AnswerShown")));
  watch.event_name = reinterpret_cast<const wchar_t*>(
      reinterpret_cast<void*>(GetProcAddress(watch.hook_module, "kAnswerShownEvent")));
  if (!watch.hook || !watch.event_name) Fail("answer_hook.dll lacks its hook");
  return watch;
}

// A path from the command line, as Wine opens it.
std::wstring WindowsPath(const char* path) {
  return testsupport::WindowsPath(std::wstring(path, path + strlen(path)));
}

struct WindowSearch {
  DWORD pid;
  const wchar_t* kind;  // a window class, or null for any
  HWND found;
};

BOOL CALLBACK FindWindowOfProcess(HWND window, LPARAM lparam) {
  auto* search = reinterpret_cast<WindowSearch*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != search->pid || !IsWindowVisible(window)) return TRUE;
  wchar_t kind[64] = {};
  GetClassNameW(window, kind, 64);
  if (search->kind && lstrcmpW(kind, search->kind) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

// A program started by the benchmark, closed and waited for when this goes.
class Started {
 public:
  explicit Started(const std::wstring& exe) : started_at_(Now()) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::wstring command = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process_)) {
      Fail("cannot start a program");
    }
    // Until its main window exists and answers: the thread is then in its message loop.
    while (Now() - started_at_ < kPatienceMs) {
      window_ = FindOwnWindow();
      DWORD_PTR result;
      if (window_ && SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result)) break;
      window_ = nullptr;
      Sleep(1);
    }
    if (!window_) Fail("the started program shows no window");
    start_ms_ = Now() - started_at_;
  }
  Started(const Started&) = delete;
  Started& operator=(const Started&) = delete;
  ~Started() {
    if (answer_hook_) UnhookWindowsHookEx(answer_hook_);
    if (answer_shown_) CloseHandle(answer_shown_);
    PostMessageW(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.hProcess, kPatienceMs) != WAIT_OBJECT_0) {
      std::fprintf(stderr, "bench_program: a program did not close; ended it\n");
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, kPatienceMs);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }

  HWND window() const { return window_; }
  double start_ms() const { return start_ms_; }

  // Lets the started program sit idle for a moment.
  void Settle() const {
    WaitForInputIdle(process_.hProcess, kPatienceMs);
    Sleep(kSettleMs);
  }

  // From now on, the program's "在线" sets the event returned, which is the program's own.
  HANDLE WatchAnswers(const AnswerWatch& watch) {
    const std::wstring name =
        std::wstring(watch.event_name) + L"-" + std::to_wstring(process_.dwProcessId);
    answer_shown_ = CreateEventW(nullptr, FALSE, FALSE, name.c_str());
    answer_hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, watch.hook, watch.hook_module,
                                     GetWindowThreadProcessId(window_, nullptr));
    if (!answer_shown_ || !answer_hook_) Fail("cannot watch the program's answers");
    return answer_shown_;
  }

  // Private bytes of the idle program (after Settle).
  double PrivateKiB() const {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process_.hProcess,
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters)) {
      Fail("no memory figures");
    }
    // The same figure on Windows; Wine fills only the older field for another process.
    const SIZE_T bytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    return double(bytes) / 1024;
  }

  // The processor time the program has used, in milliseconds, as the system's process list
  // gives it (Wine answers GetProcessTimes for another process with the caller's own times).
  double CpuMs() const {
    static const auto query =
        reinterpret_cast<decltype(&NtQuerySystemInformation)>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<char> list(1 << 20);
    ULONG needed = 0;
    while (query(SystemProcessInformation, list.data(), ULONG(list.size()), &needed) != 0) {
      if (list.size() > (64u << 20)) Fail("no process list");
      list.resize(list.size() * 2);
    }
    for (size_t at = 0;;) {
      const auto* process = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(&list[at]);
      if (HandleToUlong(process->UniqueProcessId) == process_.dwProcessId)
        return double(process->KernelTime.QuadPart + process->UserTime.QuadPart) / 10000;
      if (!process->NextEntryOffset) Fail("the program is not in the process list");
      at += process->NextEntryOffset;
    }
  }

  // Asks the program to close; the milliseconds until its process has ended.
  double CloseAndTime() const {
    const double start = Now();
    PostMessageW(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.hProcess, kPatienceMs) != WAIT_OBJECT_0)
      Fail("the program did not end when asked to close");
    return Now() - start;
  }

  // Its visible top-level window of a class (any, when null): any program can be measured.
  HWND FindOwnWindow(const wchar_t* kind = nullptr) const {
    WindowSearch search = {process_.dwProcessId, kind, nullptr};
    EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

 private:
  double started_at_;
  double start_ms_ = 0;
  PROCESS_INFORMATION process_ = {};
  HWND window_ = nullptr;
  HHOOK answer_hook_ = nullptr;
  HANDLE answer_shown_ = nullptr;
};

std::wstring TextOf(HWND control) {
  wchar_t text[64] = {};
  DWORD_PTR result;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                           kPatienceMs, &result)) {
    return L"";
  }
  return text;
}

// The main window's controls that a query uses: the account, the read-out box and "查询".
struct QueryControls {
  HWND account = nullptr, readout = nullptr, query = nullptr;
};

QueryControls FindQueryControls(HWND form) {
  QueryControls found;
  for (HWND c = GetWindow(form, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t kind[32] = {};
    GetClassNameW(c, kind, 32);
    if (lstrcmpiW(kind, L"Edit") == 0) (found.account ? found.readout : found.account) = c;
    if (lstrcmpiW(kind, L"Button") == 0 && TextOf(c) == L"查询") found.query = c;
  }
  if (!found.account || !found.readout || !found.query) Fail("the main window lacks a control");
  return found;
}

void SetText(HWND control, const wchar_t* text) {
  DWORD_PTR result;
  SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                      kPatienceMs, &result);
}

// Presses and releases "查询" as the mouse does, by messages posted to the button.
void Click(const QueryControls& form) {
  RECT r;
  GetClientRect(form.query, &r);
  const LPARAM centre = MAKELPARAM(r.right / 2, r.bottom / 2);
  PostMessageW(form.query, WM_LBUTTONDOWN, MK_LBUTTON, centre);
  PostMessageW(form.query, WM_LBUTTONUP, 0, centre);
}

void SendMouse(DWORD flags, LONG x = 0, LONG y = 0) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = x;
  input.mi.dy = y;
  input.mi.dwFlags = flags;
  if (SendInput(1, &input, sizeof input) != 1) Fail("cannot send mouse input");
}

// Puts the mouse pointer on "查询", as a person does before clicking.
void PointAt(const QueryControls& form) {
  RECT r;
  GetWindowRect(form.query, &r);
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
            MulDiv((r.left + r.right) / 2, 65536, GetSystemMetrics(SM_CXSCREEN)),
            MulDiv((r.top + r.bottom) / 2, 65536, GetSystemMetrics(SM_CYSCREEN)));
}

// Presses and releases "查询" until the program sets "在线" in the read-out box, which sets
// `shown` (Started::WatchAnswers); milliseconds. With the pointer on the button (PointAt), the
// click is real input; otherwise it is posted to the button.
double ClickToAnswer(const QueryControls& form, HANDLE shown, bool pointed = false) {
  SetText(form.readout, L"");
  ResetEvent(shown);
  const double start = Now();
  if (pointed) {
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
  } else {
    Click(form);
  }
  if (WaitForSingleObject(shown, kPatienceMs) != WAIT_OBJECT_0) Fail("no answer shown");
  const double ms = Now() - start;
  if (TextOf(form.readout) != L"在线") Fail("the answer is not in the read-out box");
  return ms;
}

// How many requests for the silent account the stand-in has logged (STANDIN_LOG).
int SilentRequests() {
  const char* log = std::getenv("STANDIN_LOG");
  if (!log) Fail("STANDIN_LOG names no request log");
  FILE* file = std::fopen(testsupport::WindowsPath(std::string_view(log)).c_str(), "rb");
  if (!file) return 0;
  int count = 0;
  char line[4096];
  while (std::fgets(line, sizeof line, file)) count += strstr(line, "uid=silent&") != nullptr;
  std::fclose(file);
  return count;
}

// Asks about the silent account and returns once the stand-in has the request: the program
// then waits for an answer that does not come.
void QuerySilentServer(const QueryControls& form) {
  SetText(form.account, kSilent);
  const int before = SilentRequests();
  Click(form);
  const double start = Now();
  while (SilentRequests() == before) {
    if (Now() - start > kPatienceMs) Fail("the silent query never reached the stand-in");
    Sleep(1);
  }
}

double DownloadAlone(const std::string& address) {
  char folder[MAX_PATH], path[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  GetTempFileNameA(folder, "bch", 0, path);
  const double start = Now();
  HRESULT hr = URLDownloadToFileA(nullptr, address.c_str(), path, 0, nullptr);
  const double ms = Now() - start;
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  GetFileAttributesExA(path, GetFileExInfoStandard, &data);
  DeleteFileA(path);
  if (FAILED(hr) || data.nFileSizeLow != status::kOnlineAnswerSize) Fail("download failed");
  return ms;
}

// One GET through the proxy over a socket of our own: the floor for any lookup.
double BareGet(const sockaddr_in& proxy, const std::string& address) {
  const std::string request =
      "GET " + address + " HTTP/1.1\r\nHost: amos.alicdn.com\r\nConnection: close\r\n\r\n";
  const double start = Now();
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET || connect(s, reinterpret_cast<const sockaddr*>(&proxy), sizeof proxy))
    Fail("cannot reach the stand-in");
  send(s, request.data(), int(request.size()), 0);
  std::string answer;
  char buffer[8192];
  for (int n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, n);
  closesocket(s);
  const double ms = Now() - start;
  const size_t body = answer.find("\r\n\r\n");
  if (body == std::string::npos || answer.size() - body - 4 != status::kOnlineAnswerSize)
    Fail("bare GET got no whole answer");
  return ms;
}

sockaddr_in ProxyAddress() {
  const char* proxy = std::getenv("http_proxy");  // http://127.0.0.1:PORT
  const char* port = proxy ? strrchr(proxy, ':') : nullptr;
  if (!port || !strstr(proxy, "127.0.0.1")) Fail("http_proxy names no stand-in on 127.0.0.1");
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(std::atoi(port + 1)));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// The medians of both, and the median of the ratios of the runs taken side by side: the load
// of a shared machine drifts, and a ratio of neighbours sees less of it. No ratio where the
// baseline is nothing.
void Row(const char* what, const char* unit, const std::vector<double>& ours, const char* baseline,
         const std::vector<double>& theirs) {
  std::vector<double> ratios;
  for (size_t i = 0; i < ours.size() && i < theirs.size(); ++i)
    if (theirs[i] > 0) ratios.push_back(ours[i] / theirs[i]);
  char ratio[32] = "—";
  if (ratios.size() * 2 > ours.size()) std::snprintf(ratio, sizeof ratio, "%.2f×", Median(ratios));
  std::printf("| %s | %.1f %s | %s: %.1f %s | %s |\n", what, Median(ours), unit, baseline,
              Median(theirs), unit, ratio);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 4 ? std::atoi(argv[4]) : 15;
  if (argc < 4 || runs < 3 || runs > 99) {
    std::fprintf(
        stderr, "usage: bench_program PELLUCOR.EXE BARE_WINDOW.EXE PLAIN_LOOKUP.EXE [runs 3-99]\n");
    return 2;
  }
  const std::wstring program = WindowsPath(argv[1]), bare = WindowsPath(argv[2]),
                     plain = WindowsPath(argv[3]), socket = Beside(L"socket_lookup.exe");

  // Start-up and idle memory, the two programs in turn; one start of each first, uncounted.
  std::vector<double> start[2], memory[2];
  for (int i = -1; i < runs; ++i) {
    for (int which : {i & 1, 1 - (i & 1)}) {
      Started started(which == 0 ? program : bare);
      if (i < 0) continue;
      start[which].push_back(started.start_ms());
      started.Settle();
      memory[which].push_back(started.PrivateKiB());
    }
  }
  Row("start-up: process start until the main window answers", "ms", start[0], "bare window",
      start[1]);
  Row("private memory of the idle main window", "KiB", memory[0], "bare window", memory[1]);
  if (const char* only = std::getenv("BENCH_STARTUP_ONLY"); only && *only == '1') return 0;

  // The first query of a new process, beside the plain design's and the bare socket's, in turns
  // that rotate which goes first. The press also moves the focus out of the account box, which
  // queries too: the first answer is the one timed. The click is real mouse input, so the
  // programs see the press, the focus leaving the box and the release in the order a person's
  // click gives them.
  const AnswerWatch watch = LoadAnswerWatch();
  std::vector<double> first[3];
  for (int i = 0; i < runs; ++i) {
    for (int k = 0; k < 3; ++k) {
      const int which = (i + k) % 3;
      Started started(which == 0 ? program : which == 1 ? plain : socket);
      const QueryControls form = FindQueryControls(started.window());
      PointAt(form);
      started.Settle();
      first[which].push_back(ClickToAnswer(form, started.WatchAnswers(watch), true));
    }
  }
  const char first_query[] = "first query after start-up: \"查询\" clicked until \"在线\" is set";
  Row(first_query, "ms", first[0], "literal reference", first[1]);
  Row(first_query, "ms", first[0], "one GET over a bare socket, same window", first[2]);

  // Later queries, beside the plain design's, the bare socket's window, the download alone and the
  // bare GET, in turn.
  const sockaddr_in proxy = ProxyAddress();
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) Fail("no sockets");
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) Fail("no COM");
  const std::string address = status::StatusAddress(kAccount);
  std::vector<double> click, reference, socket_click, download, get;
  {
    Started pellucor(program), literal(plain), floor(socket);
    pellucor.Settle();
    literal.Settle();
    floor.Settle();
    const HANDLE shown = pellucor.WatchAnswers(watch), plain_shown = literal.WatchAnswers(watch),
                 socket_shown = floor.WatchAnswers(watch);
    const QueryControls form = FindQueryControls(pellucor.window()),
                        plain_form = FindQueryControls(literal.window()),
                        socket_form = FindQueryControls(floor.window());
    SetText(form.account, kAccount);
    SetText(plain_form.account, kAccount);
    SetText(socket_form.account, kAccount);
    // Uncounted: the first press also moves the focus out of the account box, which queries once
    // more, and loads the download service into this process.
    for (int i = -2; i < runs; ++i) {
      const std::function<void()> steps[] = {
          [&] { click.push_back(ClickToAnswer(form, shown)); },
          [&] { reference.push_back(ClickToAnswer(plain_form, plain_shown)); },
          [&] { socket_click.push_back(ClickToAnswer(socket_form, socket_shown)); },
          [&] { download.push_back(DownloadAlone(address)); },
          [&] { get.push_back(BareGet(proxy, address)); },
      };
      for (int k = 0; k < 5; ++k) steps[(i + 5 + k) % 5]();
      if (i < 0) {
        Sleep(kSettleMs);  // lets the focus queries finish
        click.clear(), reference.clear(), socket_click.clear(), download.clear(), get.clear();
      }
    }
  }
  const char later[] = "later queries: \"查询\" clicked until \"在线\" is set";
  Row(later, "ms", click, "literal reference", reference);
  Row(later, "ms", click, "one GET over a bare socket, same window", socket_click);
  Row(later, "ms", click, "URLDownloadToFileA alone", download);
  Row(later, "ms", click, "one GET over a bare socket", get);
  CoUninitialize();
  WSACleanup();

  // A close request while a query waits for a server that never answers, beside a bare window
  // closed, in turn.
  std::vector<double> close[2];
  for (int i = 0; i < runs; ++i) {
    for (int which : {i & 1, 1 - (i & 1)}) {
      Started started(which == 0 ? program : bare);
      started.Settle();
      if (which == 0) QuerySilentServer(FindQueryControls(started.window()));
      close[which].push_back(started.CloseAndTime());
    }
  }
  Row("close during a query: WM_CLOSE until the process has ended", "ms", close[0],
      "bare window closed", close[1]);

  // The processor time of a query's 10 s wait for a silent server, beside a bare window idle
  // for as long, both at once.
  std::vector<double> cpu[2];
  for (int i = 0; i < kWaitRuns; ++i) {
    Started pellucor(program), idle(bare);
    pellucor.Settle();
    QuerySilentServer(FindQueryControls(pellucor.window()));
    const double before[2] = {pellucor.CpuMs(), idle.CpuMs()};
    const double started_at = Now();
    HWND report = nullptr;
    while (!(report = pellucor.FindOwnWindow(L"#32770"))) {
      if (Now() - started_at > kPatienceMs) Fail("the silent query was not reported");
      Sleep(10);
    }
    cpu[0].push_back(pellucor.CpuMs() - before[0]);
    cpu[1].push_back(idle.CpuMs() - before[1]);
    PostMessageW(report, WM_COMMAND, IDOK, 0);
  }
  Row("processor time while a query waits 10 s for a silent server", "ms", cpu[0],
      "bare window idle as long", cpu[1]);
  return 0;
}
