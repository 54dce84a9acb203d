#include "support/MessageSequence.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace testsupport {
namespace {

MessageSequence* currentSequence = nullptr;  // the hooks' callbacks have no context

std::string MessageName(UINT message) {
  static const std::pair<UINT, const char*> kNames[] = {
      {WM_DESTROY, "WM_DESTROY"},       {WM_ACTIVATE, "WM_ACTIVATE"},
      {WM_SETFOCUS, "WM_SETFOCUS"},     {WM_ENABLE, "WM_ENABLE"},
      {WM_CLOSE, "WM_CLOSE"},           {WM_KEYDOWN, "WM_KEYDOWN"},
      {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"}, {WM_COMMAND, "WM_COMMAND"},
      {WM_SYSCOMMAND, "WM_SYSCOMMAND"}, {WM_NCLBUTTONDOWN, "WM_NCLBUTTONDOWN"},
      {DM_GETDEFID, "DM_GETDEFID"},
  };
  for (const auto& [number, name] : kNames)
    if (number == message) return name;
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%04X", message);
  return hex;
}

std::string Describe(const std::string& window, UINT message, int flags, WPARAM wParam) {
  std::string text = "  " + window + " " + MessageName(message);
  text += (flags & kSent) ? " sent" : " posted";
  if (flags & kWParam) text += " wParam " + std::to_string(wParam);
  return text + "\n";
}

// What was seen is dumped with its wParam always.
constexpr int kSeen = kWParam;

}  // namespace

MessageSequence::MessageSequence(std::vector<UINT> messages) : messages_(std::move(messages)) {
  currentSequence = this;
  sent_ = SetWindowsHookExW(WH_CALLWNDPROC, &OnSent, nullptr, GetCurrentThreadId());
  taken_ = SetWindowsHookExW(WH_GETMESSAGE, &OnTaken, nullptr, GetCurrentThreadId());
}

MessageSequence::~MessageSequence() {
  UnhookWindowsHookEx(sent_);
  UnhookWindowsHookEx(taken_);
  currentSequence = nullptr;
}

void MessageSequence::Name(HWND window, const char* name) {
  names_.emplace_back(window, name);
}

LRESULT CALLBACK MessageSequence::OnSent(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && currentSequence) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
    currentSequence->Record(call->hwnd, call->message, kSent, call->wParam);
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK MessageSequence::OnTaken(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && wp == PM_REMOVE && currentSequence) {
    const auto* msg = reinterpret_cast<const MSG*>(lp);
    currentSequence->Record(msg->hwnd, msg->message, kPosted, msg->wParam);
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

void MessageSequence::Record(HWND window, UINT message, int flags, WPARAM wParam) {
  if (std::find(messages_.begin(), messages_.end(), message) == messages_.end()) return;
  seen_.push_back({window, message, flags, wParam});
}

testing::AssertionResult MessageSequence::Matches(const std::vector<Message>& expected) {
  std::vector<Seen> got;
  std::string gotText;
  for (const Seen& s : seen_) {
    auto named = std::find_if(names_.begin(), names_.end(),
                              [&](const auto& n) { return n.first == s.window; });
    if (named == names_.end()) continue;
    got.push_back(s);
    gotText += Describe(named->second, s.message, s.flags | kSeen, s.wParam);
  }
  seen_.clear();
  bool same = got.size() == expected.size();
  std::string expectedText;
  size_t i = 0;
  for (const Message& e : expected) {
    expectedText += Describe(e.window, e.message, e.flags, e.wParam);
    if (!same) continue;
    const Seen& g = got[i++];
    auto named = std::find_if(names_.begin(), names_.end(),
                              [&](const auto& n) { return n.first == g.window; });
    same = named->second == e.window && g.message == e.message &&
           (g.flags & (kSent | kPosted)) == (e.flags & (kSent | kPosted)) &&
           (!(e.flags & kWParam) || g.wParam == e.wParam);
  }
  if (same) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "messages differ\nexpected:\n"
                                     << expectedText << "got:\n"
                                     << gotText;
}

}  // namespace testsupport
