#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// The online-status lookup: asks the messenger provider's status server about one account and
// decides by the size of the answer.
namespace status {

// The size in bytes of the server's answer for an account that is online; any other size
// means offline.
inline constexpr std::uint64_t kOnlineAnswerSize = 4944;

// How long a lookup waits for the server's answer, in milliseconds.
inline constexpr std::uint32_t kAnswerTimeoutMs = 10'000;

// A lookup given up on (at the time limit, or by its wait) lets go of the server within a
// second. One that WinINet carries (an https: address, a proxy only WinINet can find or log on
// to) may wait on under Wine, where closing its request does not end the wait, until the
// request's own timeouts (kAnswerTimeoutMs). While this many lookups given up on still run, a
// further lookup fails at once with kLookupFailed and sends nothing.
inline constexpr int kMostLookupsGivenUp = 4;

// The lookup's run-time error numbers, above those of the forms layer.
// No usable answer arrived; the message says why.
inline constexpr int kLookupFailed = 1001;
// The account holds a character code page 936 cannot carry, so it cannot be sent.
inline constexpr int kAccountNotSendable = 1002;

constexpr bool IsOnlineAnswer(std::uint64_t answerSize) {
  return answerSize == kOnlineAnswerSize;
}

// The address that asks for the account's status: the account goes out as bytes of code page
// 936, whatever the system's ANSI code page, every byte but A-Z a-z 0-9 - . _ ~ percent-encoded.
// Throws base::RuntimeError kAccountNotSendable when code page 936 cannot carry the account.
std::string StatusAddress(std::wstring_view account);

// How the caller waits for the lookup: `ended` is an event the lookup sets when its outcome is
// known; true once it is set, false when the time is up. It may end the lookup by throwing; the
// lookup is then given up on, as after the time limit.
using WaitForAnswer = std::function<bool(void* ended, std::uint32_t timeoutMs)>;

// Asks the server whether the account is online now, on a thread of the system's pool: one GET of
// StatusAddress(account) through the proxy Windows is set to use (and one more for each redirect
// followed, at most five, to http: and https: addresses only), with a head of at most 64 KB, its
// answer counted in memory and stored nowhere. Waits for the answer through `wait`, for at most
// kAnswerTimeoutMs. Throws base::RuntimeError: kAccountNotSendable (nothing is sent),
// kLookupFailed (no usable answer; the message says why); and whatever `wait` throws.
bool IsOnline(std::wstring_view account, const WaitForAnswer& wait);

// A lookup the caller does not wait for: it runs as IsOnline's does while the caller goes on,
// and is given up on when this goes before the lookup has ended.
class PendingLookup {
 public:
  // Starts it. Throws as IsOnline does before it sends anything.
  explicit PendingLookup(std::wstring_view account);
  PendingLookup(const PendingLookup&) = delete;
  PendingLookup& operator=(const PendingLookup&) = delete;
  ~PendingLookup();

  // Set when the outcome is known.
  void* Ended() const;
  // The outcome once Ended is set, or its failure thrown as IsOnline throws it. Before that,
  // the lookup is given up on and fails as after the time limit.
  bool Online();

 private:
  std::shared_ptr<struct Lookup> lookup_;
};

// Prepares the lookups once the calling thread is idle (its messages handled, its windows
// painted): a thread loads WinINet and Windows Sockets and opens the internet session, which
// sends nothing and connects nowhere, so that the first lookup pays no loading. For the
// user-interface thread, as its first window is loaded.
void PrepareWhenIdle();

}  // namespace status
