// Times Pellucor from the outside, each figure beside a baseline measured in the same run,
// interleaved, as medians (scripts/bench.sh), and prints them as rows of a Markdown table. The
// baselines: bare_window.exe, a bare window; plain_lookup.exe, the plain design's lookup (a
// synchronous download on the window's own thread, without Pellucor's checks); socket_lookup.exe
// (beside this program), the same window, whose query is one GET over a bare socket.
// The queries go to the stand-in status server that http_proxy names, whose request log
// STANDIN_LOG names. A hook in the clicked program (answer_hook.dll, beside this program) tells
// the instant the program sets "在线".
//
//   bench_program PELLUCOR.EXE BARE_WINDOW.EXE PLAIN_LOOKUP.EXE [runs]   runs: 3 to 99, default 15
// With BENCH_STARTUP_ONLY=1 only the start-up and memory rows run, for A/B timings of start-up.
// Each measurement is a function below, run by main in order; tests/support drives the programs.

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "support/RunningProgram.h"
#include "support/StandIn.h"
#include "support/WinePath.h"

namespace {

using testsupport::QueryControls;
using testsupport::RunningProgram;

constexpr wchar_t kAccount[] = L"tolvarin";  // online at the stand-in
constexpr wchar_t kSilent[] = L"silent";     // never answered by the stand-in
constexpr DWORD kPatienceMs = RunningProgram::kPatienceMs;
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

// The medians of both, and the median of the ratios of the runs taken side by side: the load of
// a shared machine drifts, and a ratio of neighbours sees less of it (none where one is zero).
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

// A file beside this program.
std::wstring Beside(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  const std::wstring self(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  return self.substr(0, self.find_last_of(L"\\/") + 1) + name;
}

// The programs that are measured and compared (Windows paths).
struct Programs {
  std::wstring pellucor, bare, plain, socket;
};

// The hook that tells when a program shows "在线" (tools/answer_hook.cpp).
struct AnswerWatch {
  HMODULE hookModule = nullptr;
  HOOKPROC hook = nullptr;
  const wchar_t* eventName = nullptr;  // and the process id
};

AnswerWatch LoadAnswerWatch() {
  AnswerWatch watch;
  watch.hookModule = LoadLibraryW(Beside(L"answer_hook.dll").c_str());
  if (!watch.hookModule) Fail("no answer_hook.dll beside the benchmark");
  watch.hook = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void (*)()>(GetProcAddress(watch.hookModule, "AnswerShown")));
  watch.eventName = reinterpret_cast<const wchar_t*>(
      reinterpret_cast<void*>(GetProcAddress(watch.hookModule, "kAnswerShownEvent")));
  if (!watch.hook || !watch.eventName) Fail("answer_hook.dll lacks its hook");
  return watch;
}

// Presses and releases "查询" as the mouse does, by messages posted to the button.
void Click(const QueryControls& form) {
  RECT r;
  GetClientRect(form.query, &r);
  const LPARAM centre = MAKELPARAM(r.right / 2, r.bottom / 2);
  PostMessageW(form.query, WM_LBUTTONDOWN, MK_LBUTTON, centre);
  PostMessageW(form.query, WM_LBUTTONUP, 0, centre);
}

// A program started by the benchmark, which stops when the program shows no window; closed and
// waited for when this goes.
class Started : public RunningProgram {
 public:
  explicit Started(const std::wstring& exe, const wchar_t* arguments = nullptr)
      : RunningProgram(exe, nullptr, arguments) {
    if (!window()) Fail("the started program shows no window");
  }
  ~Started() {
    if (answerHook_) UnhookWindowsHookEx(answerHook_);
  }

  // The main window's controls that a query uses: the account, the read-out box and "查询".
  const QueryControls& form() const {
    if (!controls().account || !controls().readout || !controls().query)
      Fail("the main window lacks a control");
    return controls();
  }

  void Settle() const {
    WaitForInputIdle(process(), kPatienceMs);
    Sleep(kSettleMs);
  }

  // From now on, the program's "在线" sets the event returned, which is the program's own.
  HANDLE WatchAnswers(const AnswerWatch& watch) {
    const std::wstring name = std::wstring(watch.eventName) + L"-" + std::to_wstring(id());
    answerShown_.reset(CreateEventW(nullptr, FALSE, FALSE, name.c_str()));
    answerHook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, watch.hook, watch.hookModule,
                                    GetWindowThreadProcessId(window(), nullptr));
    if (!answerShown_ || !answerHook_) Fail("cannot watch the program's answers");
    return answerShown_.get();
  }

  // Private bytes of the idle program (after Settle).
  double PrivateKiB() const {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    auto* figures = reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters);
    if (!GetProcessMemoryInfo(process(), figures, sizeof counters)) Fail("no memory figures");
    // The same figure on Windows; Wine fills only the older field for another process.
    const SIZE_T bytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    return double(bytes) / 1024;
  }

  // The program's entry in the system's process list, which has its threads and processor time
  // (Wine answers GetProcessTimes for another process with the caller's own times).
  SYSTEM_PROCESS_INFORMATION Entry() const {
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
      const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(&list[at]);
      if (HandleToUlong(entry->UniqueProcessId) == id()) return *entry;
      if (!entry->NextEntryOffset) Fail("the program is not in the process list");
      at += entry->NextEntryOffset;
    }
  }
  double CpuMs() const {  // milliseconds
    const SYSTEM_PROCESS_INFORMATION entry = Entry();
    return double(entry.KernelTime.QuadPart + entry.UserTime.QuadPart) / 10000;
  }

  // Asks about the silent account and returns once the stand-in has the request: the program
  // then waits for an answer that does not come.
  void QuerySilentServer() const {
    if (!testsupport::StandInRuns()) Fail("STANDIN_LOG names no request log");
    // Pressed as the mouse does: the press also moves the focus out of the account box.
    if (!Ask(kSilent, kPatienceMs, [&] { Click(form()); }))
      Fail("the silent query never reached the stand-in");
  }

 private:
  HHOOK answerHook_ = nullptr;
  base::KernelHandle answerShown_;
};

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
  testsupport::SetText(form.readout, L"", kPatienceMs);
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
  if (testsupport::TextOf(form.readout, kPatienceMs) != L"在线")
    Fail("the answer is not in the read-out box");
  return ms;
}

// Start-up and idle memory, beside a bare window, the two programs in turn; one start of each
// first, uncounted.
void StartUpAndMemory(const Programs& programs, int runs) {
  std::vector<double> startUp[2], memory[2];
  for (int i = -1; i < runs; ++i) {
    for (int which : {i & 1, 1 - (i & 1)}) {
      const double start = Now();  // until the program's window answers
      Started started(which == 0 ? programs.pellucor : programs.bare);
      if (i < 0) continue;
      startUp[which].push_back(Now() - start);
      started.Settle();
      memory[which].push_back(started.PrivateKiB());
    }
  }
  Row("start-up: process start until the main window answers", "ms", startUp[0], "bare window",
      startUp[1]);
  Row("private memory of the idle main window", "KiB", memory[0], "bare window", memory[1]);
}

// The first query of a new process, beside the plain design's and the bare socket's, in turns
// that rotate which goes first. The press also moves the focus out of the account box, which
// queries too: the first answer is the one timed. The click is real mouse input, so the
// programs see the press, the focus leaving the box and the release in the order a person's
// click gives them.
void FirstQuery(const Programs& programs, int runs, const AnswerWatch& watch) {
  std::vector<double> first[3];
  const std::wstring* exes[] = {&programs.pellucor, &programs.plain, &programs.socket};
  for (int i = 0; i < runs; ++i) {
    for (int k = 0; k < 3; ++k) {
      const int which = (i + k) % 3;
      Started started(*exes[which]);
      const QueryControls& form = started.form();
      PointAt(form);
      started.Settle();
      first[which].push_back(ClickToAnswer(form, started.WatchAnswers(watch), true));
    }
  }
  const char firstQuery[] = "first query after start-up: \"查询\" clicked until \"在线\" is set";
  Row(firstQuery, "ms", first[0], "plain design's lookup", first[1]);
  Row(firstQuery, "ms", first[0], "one GET over a bare socket, same window", first[2]);
}

// Later queries, beside the plain design's and the bare socket's window, in turn.
void LaterQueries(const Programs& programs, int runs, const AnswerWatch& watch) {
  std::vector<double> click, plainClick, socketClick;
  Started pellucor(programs.pellucor), plain(programs.plain), floor(programs.socket);
  for (const Started* started : {&pellucor, &plain, &floor}) {
    started->Settle();
    testsupport::SetText(started->form().account, kAccount, kPatienceMs);
  }
  const HANDLE shown = pellucor.WatchAnswers(watch), plainShown = plain.WatchAnswers(watch),
               socketShown = floor.WatchAnswers(watch);
  // Uncounted: the first press also moves the focus out of the account box, which queries too.
  for (int i = -2; i < runs; ++i) {
    const std::function<void()> steps[] = {
        [&] { click.push_back(ClickToAnswer(pellucor.form(), shown)); },
        [&] { plainClick.push_back(ClickToAnswer(plain.form(), plainShown)); },
        [&] { socketClick.push_back(ClickToAnswer(floor.form(), socketShown)); },
    };
    for (int k = 0; k < 3; ++k) steps[(i + 3 + k) % 3]();
    if (i < 0) {
      Sleep(kSettleMs);  // lets the focus queries finish
      click.clear(), plainClick.clear(), socketClick.clear();
    }
  }
  const char later[] = "later queries: \"查询\" clicked until \"在线\" is set";
  Row(later, "ms", click, "plain design's lookup", plainClick);
  Row(later, "ms", click, "one GET over a bare socket, same window", socketClick);
}

// A close request while a query waits for a server that never answers, beside a bare window
// closed, in turn.
void CloseDuringQuery(const Programs& programs, int runs) {
  std::vector<double> close[2];
  for (int i = 0; i < runs; ++i) {
    for (int which : {i & 1, 1 - (i & 1)}) {
      Started started(which == 0 ? programs.pellucor : programs.bare);
      started.Settle();
      if (which == 0) started.QuerySilentServer();
      const double start = Now();
      if (!started.Close(kPatienceMs)) Fail("the program did not end when asked to close");
      close[which].push_back(Now() - start);
    }
  }
  Row("close during a query: WM_CLOSE until the process has ended", "ms", close[0],
      "bare window closed", close[1]);
}

// The processor time of a query's 10 s wait for a silent server, beside a bare window idle for
// as long, both at once.
void ProcessorTimeWhileWaiting(const Programs& programs) {
  std::vector<double> cpu[2];
  for (int i = 0; i < kWaitRuns; ++i) {
    Started pellucor(programs.pellucor), idle(programs.bare);
    pellucor.Settle();
    pellucor.QuerySilentServer();
    const double before[2] = {pellucor.CpuMs(), idle.CpuMs()};
    HWND report = nullptr;
    const auto reported = [&] { return (report = pellucor.ReportBox()) != nullptr; };
    if (!testsupport::PumpUntil(reported, kPatienceMs, 10))
      Fail("the silent query went unreported");
    cpu[0].push_back(pellucor.CpuMs() - before[0]);
    cpu[1].push_back(idle.CpuMs() - before[1]);
    PostMessageW(report, WM_COMMAND, IDOK, 0);
  }
  Row("processor time while a query waits 10 s for a silent server", "ms", cpu[0],
      "bare window idle as long", cpu[1]);
}

// Idle memory once the command line's account is answered, the watch on and off, in turn, when
// the system's pool has let its idle threads go (Wine: 5 s on), as between the watch's turns.
void WatchMemory(const Programs& programs, int runs) {
  std::vector<double> memory[2];
  for (int i = 0; i < runs; ++i) {
    for (int which : {i & 1, 1 - (i & 1)}) {
      Started started(programs.pellucor, which == 0 ? L"/w offline" : L"offline");
      if (!testsupport::PumpUntil([&] { return started.ReadOut() == L"离线"; }, kPatienceMs))
        Fail("the command line's account was not answered");
      testsupport::PumpUntil([&] { return started.Entry().NumberOfThreads == 1; }, kPatienceMs);
      memory[which].push_back(started.PrivateKiB());
    }
  }
  Row("idle memory once answered 离线, the watch on", "KiB", memory[0], "the watch off", memory[1]);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 4 ? std::atoi(argv[4]) : 15;
  if (argc < 4 || runs < 3 || runs > 99) {
    std::fputs("usage: bench_program PELLUCOR.EXE BARE_WINDOW.EXE PLAIN_LOOKUP.EXE [runs 3-99]\n",
               stderr);
    return 2;
  }
  // Paths from the command line, as Wine opens them.
  const auto path = [](const char* p) {
    return testsupport::WindowsPath(std::wstring(p, p + strlen(p)));
  };
  const Programs programs = {path(argv[1]), path(argv[2]), path(argv[3]),
                             Beside(L"socket_lookup.exe")};
  StartUpAndMemory(programs, runs);
  if (const char* only = std::getenv("BENCH_STARTUP_ONLY"); only && *only == '1') return 0;
  const AnswerWatch watch = LoadAnswerWatch();
  FirstQuery(programs, runs, watch);
  LaterQueries(programs, runs, watch);
  CloseDuringQuery(programs, runs);
  ProcessorTimeWhileWaiting(programs);
  WatchMemory(programs, runs);
  return 0;
}
