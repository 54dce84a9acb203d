#include "forms/Wait.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/ScopedWin.h"
#include "forms/SampleForm.h"
#include "support/MessageSequence.h"
#include "support/WindowTest.h"

namespace {

using testsupport::kPosted;
using testsupport::kSent;
using testsupport::kWParam;
using testsupport::Message;
using testsupport::MessageSequence;
using testsupport::SampleForm;

DWORD WINAPI SendClose(void* form) {
  SendMessageW(static_cast<HWND>(form), WM_CLOSE, 0, 0);
  return 0;
}

// Asks the form for its caption over and over, as another program may while the form waits, and
// posts it a close request among the questions; until the form has gone (at most 5 s).
DWORD WINAPI AskAndPostClose(void* form) {
  const HWND hwnd = static_cast<HWND>(form);
  const DWORD start = GetTickCount();
  for (int asked = 0; IsWindow(hwnd) && GetTickCount() - start < 5000; ++asked) {
    wchar_t caption[64];
    DWORD_PTR length;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(caption), SMTO_NORMAL, 1000,
                        &length);
    if (asked == 50) PostMessageW(hwnd, WM_CLOSE, 0, 0);
  }
  return 0;
}

// A child window that asks its form to close when it is painted: inside a wait, the request
// arrives while the wait looks through the queue.
LRESULT CALLBACK PostCloseWhenPainted(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_PAINT) return DefWindowProcW(hwnd, msg, wp, lp);
  PAINTSTRUCT paint;
  BeginPaint(hwnd, &paint);
  EndPaint(hwnd, &paint);
  PostMessageW(GetParent(hwnd), WM_CLOSE, 0, 0);
  return 0;
}

void AddChildThatClosesWhenPainted(HWND form) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = &PostCloseWhenPainted;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"WaitTest.PostCloseWhenPainted";
  RegisterClassW(&wc);  // fails harmlessly when registered already
  CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 8, 8, form, nullptr,
                  wc.hInstance, nullptr);
}

// An event procedure waits for an object that comes after 5 s, unless the wait ends first; each
// way of asking to close the form, made before the wait or while it runs, ends the wait at once,
// and the form goes without a report. The request is taken off the queue by the wait (or noted,
// when sent), and the form closes through a WM_CLOSE of its own.
TEST(FormsWait, CloseRequestEndsTheWaitAndTheForm) {
  struct Way {
    const char* name;
    std::function<void(SampleForm& form)> request;  // before the click that starts the wait
    Message taken;
  } ways[] = {
      {"WM_CLOSE",
       [](SampleForm& f) { PostMessageW(f.hWnd(), WM_CLOSE, 0, 0); },
       {"form", WM_CLOSE, kPosted}},
      {"SC_CLOSE",
       [](SampleForm& f) { PostMessageW(f.hWnd(), WM_SYSCOMMAND, SC_CLOSE, 0); },
       {"form", WM_SYSCOMMAND, kPosted | kWParam, SC_CLOSE}},
      // Bit 29 of lParam: the Alt key is down.
      {"Alt+F4",
       [](SampleForm& f) { PostMessageW(f.Control(L"Command1"), WM_SYSKEYDOWN, VK_F4, 1 << 29); },
       {"Command1", WM_SYSKEYDOWN, kPosted | kWParam, VK_F4}},
      {"close box",
       [](SampleForm& f) { PostMessageW(f.hWnd(), WM_NCLBUTTONDOWN, HTCLOSE, 0); },
       {"form", WM_NCLBUTTONDOWN, kPosted | kWParam, HTCLOSE}},
      {"WM_CLOSE posted while the wait paints",
       [](SampleForm& f) { AddChildThatClosesWhenPainted(f.hWnd()); },
       {"form", WM_CLOSE, kPosted}},
      {"WM_CLOSE sent by another thread",
       [](SampleForm& f) {
         CloseHandle(CreateThread(nullptr, 0, &SendClose, f.hWnd(), 0, nullptr));
       },
       {"form", WM_CLOSE, kSent}},
      {"WM_CLOSE posted among messages sent by another thread",
       [](SampleForm& f) {
         CloseHandle(CreateThread(nullptr, 0, &AskAndPostClose, f.hWnd(), 0, nullptr));
       },
       {"form", WM_CLOSE, kPosted}},
  };
  testsupport::MessageBoxWatcher boxes;
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    SampleForm form;
    form.Show();
    HWND command1 = form.Control(L"Command1");
    const WPARAM clicked = MAKEWPARAM(GetDlgCtrlID(command1), BN_CLICKED);
    SetFocus(command1);
    testsupport::PumpUntilIdle();
    std::string outcome = "closed";
    const base::KernelHandle late(CreateWaitableTimerW(nullptr, TRUE, nullptr));
    LARGE_INTEGER due;
    due.QuadPart = -50'000'000;  // 5 s from now, in 100 ns
    SetWaitableTimer(late.get(), &due, 0, nullptr, nullptr, FALSE);
    form.onCommand1 = [&] { outcome = form.Wait(late.get(), 10000) ? "signalled" : "timed out"; };
    MessageSequence sequence(
        {WM_COMMAND, WM_CLOSE, WM_SYSCOMMAND, WM_SYSKEYDOWN, WM_NCLBUTTONDOWN});
    sequence.Name(form.hWnd(), "form");
    sequence.Name(command1, "Command1");
    way.request(form);
    SendMessageW(command1, BM_CLICK, 0, 0);
    EXPECT_EQ(outcome, "closed");
    EXPECT_TRUE(testsupport::PumpUntil([&] { return !form.IsLoaded(); }));
    EXPECT_TRUE(sequence.Matches({
        {"form", WM_COMMAND, kSent | kWParam, clicked},
        way.taken,
        {"form", WM_CLOSE, kPosted},
    }));
  }
  testsupport::PumpUntilIdle();
  EXPECT_TRUE(boxes.texts().empty());
}

}  // namespace
