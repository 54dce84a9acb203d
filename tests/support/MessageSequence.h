#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Expected message sequences, as Wine's own conformance tests check them: the messages that
// reach named windows of this thread are recorded in order and compared with a table; on a
// mismatch both sequences are dumped.
namespace testsupport {

enum MessageFlags {
  kSent = 1,    // sent to the window procedure (SendMessage and its kin)
  kPosted = 2,  // taken off the queue (posted messages, input, WM_PAINT)
  kWParam = 4,  // wParam must match too
};

struct Message {
  const char* window;  // as named with MessageSequence::Name
  UINT message;
  int flags;
  WPARAM wParam = 0;
};

class MessageSequence {
 public:
  // Records the given messages from now on; one sequence records at a time.
  explicit MessageSequence(std::vector<UINT> messages);
  ~MessageSequence();
  MessageSequence(const MessageSequence&) = delete;
  MessageSequence& operator=(const MessageSequence&) = delete;

  // Names a window; messages to windows without a name are left out. A window may be named
  // after its messages were recorded (a modal window, known only once it is up).
  void Name(HWND window, const char* name);

  // Compares what was recorded since the last comparison with `expected`, and starts afresh.
  testing::AssertionResult Matches(const std::vector<Message>& expected);

 private:
  struct Seen {
    HWND window;
    UINT message;
    int flags;
    WPARAM wParam;
  };
  static LRESULT CALLBACK OnSent(int code, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK OnTaken(int code, WPARAM wp, LPARAM lp);
  void Record(HWND window, UINT message, int flags, WPARAM wParam);

  std::vector<UINT> messages_;
  std::vector<std::pair<HWND, std::string>> names_;
  std::vector<Seen> seen_;
  HHOOK sent_;
  HHOOK taken_;
};

}  // namespace testsupport
