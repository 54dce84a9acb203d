// The real program, started under the same Wine: closing it while a lookup waits, or after one.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/ScopedWin.h"
#include "support/StandIn.h"
#include "support/WinePath.h"
#include "support/WindowTest.h"

namespace {

// The program under test: PELLUCOR_EXE, set by tests/CMakeLists.txt.
std::wstring ProgramPath() {
  const wchar_t* named = _wgetenv(L"PELLUCOR_EXE");
  return testsupport::WindowsPath(named ? named : L"");
}

struct WindowSearch {
  DWORD pid;
  const wchar_t* cls;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<WindowSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  if (pid == search->pid && std::wstring(cls) == search->cls && IsWindowVisible(hwnd)) {
    search->found.push_back(hwnd);
  }
  return TRUE;
}

// One run of Pellucor.exe against the stand-in, its main window and its controls. It starts
// with the read-out box focused (Tab), so that a press of the query button runs one query.
class RunningPellucor {
 public:
  // proxy: another http_proxy for the program, or null for the stand-in's.
  explicit RunningPellucor(const wchar_t* proxy = nullptr) {
    std::wstring command = L"\"" + ProgramPath() + L"\"";
    std::vector<wchar_t> environment = Environment(proxy);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &info)) {
      return;
    }
    process_.reset(info.hProcess);
    CloseHandle(info.hThread);
    pid_ = info.dwProcessId;
    testsupport::PumpUntil([&] { return (main_ = TopWindow(L"forms.Form")) != nullptr; }, 15000);
    for (HWND child = GetWindow(main_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      wchar_t cls[16] = {};
      GetClassNameW(child, cls, 16);
      if (std::wstring(cls) == L"Edit") edits_.push_back(child);
      if (std::wstring(cls) == L"Button" && !query_) query_ = child;
    }
    if (!Started()) return;
    SetForegroundWindow(main_);
    testsupport::PumpUntil([&] { return GetForegroundWindow() == main_; });
    testsupport::PressKey(VK_TAB);
  }
  ~RunningPellucor() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.get(), 1);
      WaitForSingleObject(process_.get(), 5000);
    }
  }

  bool Started() const { return main_ && edits_.size() == 2 && query_; }
  HWND main() const { return main_; }

  // The program's first visible top-level window of a class, or null.
  HWND TopWindow(const wchar_t* cls) const {
    WindowSearch search{pid_, cls, {}};
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found.empty() ? nullptr : search.found.front();
  }
  HWND ReportBox() const { return TopWindow(L"#32770"); }

  // The read-out box's text, or nullopt when the program does not answer within 2 s.
  std::optional<std::wstring> ReadOut() const {
    wchar_t text[64] = {};
    DWORD_PTR copied;
    if (!SendMessageTimeoutW(edits_[1], WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text), SMTO_BLOCK,
                             2000, &copied)) {
      return std::nullopt;
    }
    return std::wstring(text);
  }

  // Types the account and presses the query button; the query waits on the program's side.
  void Query(const wchar_t* account) {
    DWORD_PTR result;
    SendMessageTimeoutW(edits_[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(account), SMTO_BLOCK,
                        2000, &result);
    PostMessageW(query_, BM_CLICK, 0, 0);
  }

  // A screen point on the close box of the main window, found by asking the window.
  POINT CloseBox() const {
    RECT r;
    GetWindowRect(main_, &r);
    for (int y = r.top; y < r.top + 40; ++y) {
      for (int x = r.right - 1; x > r.right - 60; --x) {
        DWORD_PTR hit = 0;
        SendMessageTimeoutW(main_, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_BLOCK, 2000, &hit);
        if (hit == HTCLOSE) return {x, y};
      }
    }
    return {-1, -1};
  }

  // Waits at most timeoutMs for the program to end; whether it ended. Notes whether a report
  // box opened meanwhile.
  bool WaitForEnd(DWORD timeoutMs, bool* reported = nullptr) {
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(process_.get(), 10) == WAIT_TIMEOUT) {
      if (reported && ReportBox()) *reported = true;
      if (GetTickCount() - start > timeoutMs) return false;
    }
    return true;
  }

 private:
  static std::vector<wchar_t> Environment(const wchar_t* proxy) {
    std::vector<wchar_t> block;
    wchar_t* all = GetEnvironmentStringsW();
    for (const wchar_t* v = all; *v; v += wcslen(v) + 1) {
      std::wstring entry = v;
      if (proxy && _wcsnicmp(v, L"http_proxy=", 11) == 0)
        entry = L"http_proxy=" + std::wstring(proxy);
      block.insert(block.end(), entry.begin(), entry.end());
      block.push_back(L'\0');
    }
    FreeEnvironmentStringsW(all);
    block.push_back(L'\0');
    return block;
  }

  base::KernelHandle process_;
  DWORD pid_ = 0;
  HWND main_ = nullptr;
  HWND query_ = nullptr;
  std::vector<HWND> edits_;
};

// Waits until the stand-in has seen a request for the account.
bool RequestArrives(const std::string& account) {
  return testsupport::PumpUntil(
      [&] {
        for (const std::string& line : testsupport::StandInRequestLines()) {
          if (line.find("uid=" + account + "&") != std::string::npos) return true;
        }
        return false;
      },
      5000);
}

// The text of a report box, once it has one.
std::wstring BoxText(HWND box) {
  wchar_t text[512] = {};
  testsupport::PumpUntil([&] { return GetDlgItemTextW(box, 0xFFFF, text, 512) > 0; });
  return text;
}

// No end is faster than this bound by chance: a lookup left to itself waits 10 s.
constexpr DWORD kEndBoundMs = 5000;

class Closing : public testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::StandInRuns() || ProgramPath().empty()) {
      GTEST_SKIP() << "needs the stand-in status server and PELLUCOR_EXE";
    }
    temp_files_before_ = testsupport::TempFiles();
  }
  void TearDown() override {
    EXPECT_EQ(testsupport::TempFiles(), temp_files_before_) << "the temp folder changed";
    // No cache entry, history or cookie keeps a status address once the programs have gone.
    EXPECT_EQ(testsupport::ProfileFilesHolding("uid="), std::vector<std::wstring>{});
  }

  // A started program that has answered its first query.
  static bool Ready(RunningPellucor& program) {
    return program.Started() &&
           testsupport::PumpUntil([&] { return program.ReadOut() == L"在线"; }, 10000);
  }

  std::set<std::wstring> temp_files_before_;
};

// While a query waits for a server that never answers, each way of asking to close ends the
// program at once, with no report.
TEST_F(Closing, DuringALookup) {
  struct Case {
    const char* name;
    void (*request)(RunningPellucor&);
  };
  const Case cases[] = {
      {"Alt+F4", [](RunningPellucor&) { testsupport::PressKey(VK_F4, VK_MENU); }},
      {"close box", [](RunningPellucor& p) { testsupport::ClickAt(p.CloseBox()); }},
      {"WM_CLOSE", [](RunningPellucor& p) { PostMessageW(p.main(), WM_CLOSE, 0, 0); }},
      {"SC_CLOSE sent",
       [](RunningPellucor& p) { SendNotifyMessageW(p.main(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"session end",
       [](RunningPellucor& p) {
         DWORD_PTR allowed = 0;
         SendMessageTimeoutW(p.main(), WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 2000, &allowed);
         EXPECT_TRUE(allowed) << "the program must not stop the session from ending";
         SendNotifyMessageW(p.main(), WM_ENDSESSION, TRUE, 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunningPellucor program;
    ASSERT_TRUE(Ready(program));
    POINT closeBox = program.CloseBox();
    ASSERT_NE(closeBox.x, -1);
    program.Query(L"silent");
    ASSERT_TRUE(RequestArrives("silent"));
    c.request(program);
    bool reported = false;
    EXPECT_TRUE(program.WaitForEnd(kEndBoundMs, &reported)) << "the program did not end";
    EXPECT_FALSE(reported) << "a report box opened";
  }
}

// Two programs side by side, each with a query that times out and is reported: one against a
// server that keeps the connection open, one against an answer that trickles in until 11 s.
// After the report each takes input again and ends at once when closed; the second shows no late
// answer: its request was closed at the time limit.
TEST_F(Closing, AfterTheTimeoutReport) {
  RunningPellucor held, late;
  ASSERT_TRUE(Ready(held));
  ASSERT_TRUE(Ready(late));
  held.Query(L"silent");
  late.Query(L"trickle-11");
  for (RunningPellucor* program : {&held, &late}) {
    HWND box = nullptr;
    ASSERT_TRUE(
        testsupport::PumpUntil([&] { return (box = program->ReportBox()) != nullptr; }, 15000));
    EXPECT_NE(BoxText(box).find(L"'1001'"), std::wstring::npos);
    EXPECT_EQ(program->ReadOut(), L"") << "the earlier answer must not stand";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return !IsWindow(box); }));
    EXPECT_EQ(program->ReadOut(), L"") << "the program takes input again";
  }

  PostMessageW(held.main(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(held.WaitForEnd(kEndBoundMs)) << "the program did not end";

  EXPECT_EQ(late.ReadOut(), L"") << "a late answer appeared";
  PostMessageW(late.main(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(late.WaitForEnd(kEndBoundMs)) << "the program did not end";
}

// Nothing listens where the proxy should be: the query is reported and the program goes on.
TEST_F(Closing, RefusedConnection) {
  RunningPellucor program(L"http://127.0.0.1:9");
  ASSERT_TRUE(program.Started());
  HWND box = nullptr;
  ASSERT_TRUE(
      testsupport::PumpUntil([&] { return (box = program.ReportBox()) != nullptr; }, 10000));
  EXPECT_NE(BoxText(box).find(L"'1001'"), std::wstring::npos);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(testsupport::PumpUntil([&] { return !IsWindow(box); }));
  EXPECT_EQ(program.ReadOut(), L"") << "the program answers again";
  PostMessageW(program.main(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForEnd(kEndBoundMs));
}

}  // namespace
