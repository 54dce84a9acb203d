#pragma once

#include <cstdint>
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

// The lookup's run-time error numbers, above those of the forms layer.
// No usable answer arrived; the message says why.
inline constexpr int kLookupFailed = 1001;
// The account holds a character the ANSI code page cannot carry, so it cannot be sent.
inline constexpr int kAccountNotSendable = 1002;

constexpr bool IsOnlineAnswer(std::uint64_t answer_size) {
  return answer_size == kOnlineAnswerSize;
}

// The address that asks for the account's status, in the ANSI code page: the account goes out
// as code-page bytes, every byte but A-Z a-z 0-9 - . _ ~ percent-encoded. Throws
// base::RuntimeError kAccountNotSendable when the code page cannot carry the account.
std::string StatusAddress(std::wstring_view account);

// Asks the server whether the account is online now. Blocks the calling thread for at most
// kAnswerTimeoutMs. Throws base::RuntimeError: kAccountNotSendable (nothing is sent),
// kLookupFailed (no usable answer; the message says why), kFileNotFound (the answer vanished).
bool IsOnline(std::wstring_view account);

}  // namespace status
