// The real program, started under the same Wine: closing it while a lookup waits, or after one.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/RunningProgram.h"
#include "support/StandIn.h"
#include "support/WindowTest.h"

namespace {

using testsupport::RunningProgram;

// No end is faster than this bound by chance: a lookup left to itself waits 10 s.
constexpr DWORD kEndBoundMs = 5000;

class Closing : public testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::StandInRuns() || testsupport::ProgramUnderTest().empty())
      GTEST_SKIP() << "needs the stand-in status server and PELLUCOR_EXE";
    // A prefix made by a build from before the lookup kept nothing may hold some already.
    profileFilesBefore_ = testsupport::ProfileFilesHolding("uid=");
  }
  void TearDown() override {
    // No cache entry, history or cookie keeps a status address once the programs have gone.
    EXPECT_EQ(testsupport::ProfileFilesHolding("uid="), profileFilesBefore_);
  }

  // Brings a started program to the front and leaves the account box by Tab, which asks once,
  // so that a press of the query button then asks once; waits for the answer when `answered`.
  static bool TabbedOut(const RunningProgram& program, bool answered = true) {
    if (!program.controls().readout || !program.controls().query) return false;
    // Asked again until it is so: a program started after it may take the front meanwhile.
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    const DWORD id = GetWindowThreadProcessId(program.window(), nullptr);
    if (!testsupport::PumpUntil([&] {
          SetForegroundWindow(program.window());
          return GetGUIThreadInfo(id, &thread) && thread.hwndFocus == program.controls().account;
        })) {
      return false;
    }
    testsupport::PressKey(VK_TAB);
    return !answered || testsupport::PumpUntil([&] { return program.ReadOut() == L"在线"; }, 10000);
  }

  // Waits for the program's report of a failed lookup (error 1001) and confirms it: the state
  // box stays empty, and the program takes input again.
  static void ConfirmFailureReport(const RunningProgram& program) {
    HWND box = nullptr;
    ASSERT_TRUE(
        testsupport::PumpUntil([&] { return (box = program.ReportBox()) != nullptr; }, 15000));
    wchar_t text[512] = {};
    EXPECT_TRUE(testsupport::PumpUntil([&] { return GetDlgItemTextW(box, 0xFFFF, text, 512); }));
    EXPECT_NE(std::wstring(text).find(L"'1001'"), std::wstring::npos);
    EXPECT_EQ(program.ReadOut(), L"") << "the earlier answer must not stand";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return !IsWindow(box); }));
    EXPECT_EQ(program.ReadOut(), L"") << "the program takes input again";
  }

  std::vector<std::wstring> profileFilesBefore_;
};

// While a query waits for a server that never answers, a real Alt+F4 and the end of the Windows
// session end the program at once, with no report. (Every way of asking to close ends the wait:
// FormsWait, in the forms layer.)
TEST_F(Closing, DuringALookup) {
  using Request = void (*)(HWND main);
  const std::pair<const char*, Request> cases[] = {
      {"Alt+F4", [](HWND) { testsupport::PressKey(VK_F4, VK_MENU); }},
      {"session end",
       [](HWND main) {
         DWORD_PTR allowed = 0;
         SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 2000, &allowed);
         EXPECT_TRUE(allowed) << "the program must not stop the session from ending";
         SendNotifyMessageW(main, WM_ENDSESSION, TRUE, 0);
       }},
  };
  for (const auto& [name, request] : cases) {
    SCOPED_TRACE(name);
    RunningProgram program(testsupport::ProgramUnderTest());
    ASSERT_TRUE(TabbedOut(program));
    ASSERT_TRUE(program.Ask(L"silent"));
    request(program.window());
    bool reported = false;
    EXPECT_TRUE(program.WaitForEnd(kEndBoundMs, &reported)) << "the program did not end";
    EXPECT_FALSE(reported) << "a report box opened";
  }
}

// Three programs side by side, each with a query that fails and is reported: one against a
// server that keeps the connection open, one against an answer that trickles in until 11 s (both
// time out), one with nothing listening where the proxy should be. After the report each takes
// input again and ends at once when closed; the second shows no late answer: its request was
// closed at the time limit.
TEST_F(Closing, AfterTheFailureReport) {
  RunningProgram held(testsupport::ProgramUnderTest()), late(testsupport::ProgramUnderTest());
  ASSERT_TRUE(TabbedOut(held));
  ASSERT_TRUE(TabbedOut(late));
  ASSERT_TRUE(held.Ask(L"silent"));
  ASSERT_TRUE(late.Ask(L"trickle-11"));
  RunningProgram refused(testsupport::ProgramUnderTest(), L"http://127.0.0.1:9");
  ASSERT_TRUE(TabbedOut(refused, false));
  for (const RunningProgram* program : {&refused, &held, &late})
    ASSERT_NO_FATAL_FAILURE(ConfirmFailureReport(*program));
  EXPECT_TRUE(refused.Close(kEndBoundMs)) << "the program did not end";
  EXPECT_TRUE(held.Close(kEndBoundMs)) << "the program did not end";
  EXPECT_EQ(late.ReadOut(), L"") << "a late answer appeared";
  EXPECT_TRUE(late.Close(kEndBoundMs)) << "the program did not end";
}

}  // namespace
