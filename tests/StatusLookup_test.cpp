#include "StatusLookup.h"

#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/RuntimeError.h"
#include "base/ScopedWin.h"
#include "support/StandIn.h"
#include "support/WindowTest.h"

namespace {

using base::RuntimeError;

// A lookup whose caller waits for it plainly, blocking its thread.
bool IsOnline(std::wstring_view account) {
  return status::IsOnline(account, [](void* ended, std::uint32_t timeoutMs) {
    return WaitForSingleObject(ended, timeoutMs) == WAIT_OBJECT_0;
  });
}

// The address of an account, written out by hand.
std::string AddressOf(const std::string& encodedAccount) {
  return "http://amos.alicdn.com/online.ww?v=2&uid=" + encodedAccount + "&s=1";
}

TEST(StatusLookupAddress, EncodesEveryByteButTheUnreserved) {
  struct Case {
    const wchar_t* account;
    const char* encoded;
  };
  const Case cases[] = {
      {L"tolvarin", "tolvarin"},     {L"", ""},
      {L"a b&c=d", "a%20b%26c%3Dd"}, {L"#x?y/z+%", "%23x%3Fy%2Fz%2B%25"},
      {L"张三", "%D5%C5%C8%FD"},  // code page 936 bytes, upper-case hex
      {L"AZaz09-._~", "AZaz09-._~"}, {L" tolvarin\t", "%20tolvarin%09"},  // not trimmed
  };
  for (const Case& c : cases) {
    EXPECT_EQ(status::StatusAddress(c.account), AddressOf(c.encoded)) << "account " << c.encoded;
  }
}

TEST(StatusLookupAddress, RefusesWhatTheCodePageCannotCarry) {
  for (const wchar_t* account : {L"\uD55C", L"ok\U0001F600", L"\u0151"}) {
    try {
      status::StatusAddress(account);
      ADD_FAILURE() << "no error for an account the code page lacks";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), status::kAccountNotSendable);
      EXPECT_FALSE(e.message().empty());
    }
  }
}

using testsupport::StandInLinesHolding;

long RequestsFor(const std::string& account) {
  return StandInLinesHolding("uid=" + account + "&");
}

// A wait that gives the lookup up once the stand-in has seen `lines` more lines holding the text.
struct GaveUp {};
status::WaitForAnswer GiveUpOnceSeen(const std::string& text, long lines = 1) {
  return [text, lines, seen = StandInLinesHolding(text)](void*, std::uint32_t) -> bool {
    testsupport::PumpUntil([&] { return StandInLinesHolding(text) >= seen + lines; });
    throw GaveUp{};
  };
}

// The private bytes of this process.
double PrivateMegabytes() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  return double(counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage) / 1048576;
}

// Against tests/standin/status_server.py, which plays the status server as an HTTP proxy and
// logs every request line to the file named by STANDIN_LOG. See that script for the accounts.
class StatusLookupServer : public testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::StandInRuns()) {
      GTEST_SKIP() << "needs the stand-in status server (status_server.py --run)";
    }
  }

  // The request line the proxy got for an address, with the default port written or not.
  static bool IsRequestFor(const std::string& line, const std::string& address) {
    std::string withPort = address;
    withPort.insert(std::string("http://amos.alicdn.com").size(), ":80");
    return line == "GET " + address + " HTTP/1.1" || line == "GET " + withPort + " HTTP/1.1";
  }

  // The lookup's failure, or nothing when it succeeded.
  static std::optional<RuntimeError> FailureOf(const wchar_t* account) {
    try {
      IsOnline(account);
    } catch (const RuntimeError& e) {
      return e;
    }
    return std::nullopt;
  }
};

TEST_F(StatusLookupServer, AnswerSizeDecides) {
  struct Case {
    const wchar_t* account;
    const char* encoded;
    bool online;
  };
  const Case cases[] = {
      {L"online", "online", true},
      {L"set-cookie", "set-cookie", true},  // the stand-in fails every request that sends it back
      {L"张三", "%D5%C5%C8%FD", true},
      {L"offline", "offline", false},
      {L"size-4943", "size-4943", false},
      {L"size-4945", "size-4945", false},
      {L"", "", false},
      {L"gzip", "gzip", true},  // compressed only for a request that accepts it: none does
      {L"size-10mb", "size-10mb", false},
      {L"size-100mb", "size-100mb", false},            // read no further than the head
      {L"no-length-100mb", "no-length-100mb", false},  // read no further than one byte too many
      {L"chunked", "chunked", true},
      {L"no-length", "no-length", true},
      {L"redirect", "redirect", true},  // the page it moved to answers 4944 bytes
      {L"   ", "%20%20%20", false},
      {L" online ", "%20online%20", false},          // not trimmed: another account
      {L"a\r\nb\x01\x7F", "a%0D%0Ab%01%7F", false},  // no line break reaches the request
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.encoded);
    size_t requests = testsupport::StandInRequestLines().size();
    EXPECT_EQ(IsOnline(c.account), c.online);
    std::vector<std::string> log = testsupport::StandInRequestLines();
    ASSERT_GT(log.size(), requests) << "no request";
    EXPECT_TRUE(IsRequestFor(log[requests], AddressOf(c.encoded))) << "got " << log[requests];
    EXPECT_EQ(log.size(), requests + (c.encoded == std::string("redirect") ? 2 : 1));
  }
  // What went out of the endless answer before the program closed it: far from all, though more
  // than the program read, as the sockets' buffers hold some 70 KB on Linux's loopback.
  std::vector<std::string> sent;
  EXPECT_TRUE(testsupport::PumpUntil(
      [&] { return !(sent = testsupport::StandInRequestLines(true)).empty(); }));
  EXPECT_LT(std::stoll(sent.at(0).substr(7)), 512 * 1024) << sent.at(0);
}

TEST_F(StatusLookupServer, UnusableAnswersAreErrors) {
  const long loops = RequestsFor("redirect-loop");
  struct Case {
    const wchar_t* account;
    const wchar_t* messageHolds;
    size_t requests = 1;
    int number = status::kLookupFailed;
  };
  const Case cases[] = {
      {L"\uD55C", L"936", 0, status::kAccountNotSendable},  // Hangul: not sent at all
      {L"redirect-loop", L"5 次", 6},  // the first request and five redirects followed
      {L"redirect-ftp", L"ftp://amos.alicdn.com/online"},
      {L"error-404", L"404"},  // its body is 4944 bytes: status, not size, must decide
      {L"error-500", L"500"},
      {L"dropped", L"没有应答"},  // closed without a word
      {L"truncated", L"2000"},    // 2000 of the 4944 announced bytes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.account)));
    const size_t requests = testsupport::StandInRequestLines().size();
    std::optional<RuntimeError> failure = FailureOf(c.account);
    EXPECT_EQ(testsupport::StandInRequestLines().size(), requests + c.requests);
    ASSERT_TRUE(failure.has_value()) << "the lookup succeeded";
    EXPECT_EQ(failure->number(), c.number);
    EXPECT_NE(failure->message().find(c.messageHolds), std::wstring::npos)
        << testing::PrintToString(failure->message());
  }
  EXPECT_EQ(RequestsFor("redirect-loop"), loops + 6);  // none more since
}

// Servers that never end their answer: a lookup given up on lets go of each within 2 s, the
// program stays small, and the next lookup answers. A head that never ends fails the lookup itself.
TEST_F(StatusLookupServer, ServersThatNeverEndAreLetGo) {
  for (const char* account : {"trickle-head", "trickle-body", "endless-head"}) {
    SCOPED_TRACE(account);
    const std::string closed = std::string("# closed ") + account;
    const long closedBefore = StandInLinesHolding(closed, /*notes=*/true);
    const double before = PrivateMegabytes();
    const std::wstring wide(account, account + strlen(account));
    if (closed.ends_with("endless-head")) {
      std::optional<RuntimeError> failure = FailureOf(wide.c_str());
      ASSERT_TRUE(failure.has_value());
      EXPECT_NE(failure->message().find(L"64 KB"), std::wstring::npos)
          << testing::PrintToString(failure->message());
    } else {
      EXPECT_THROW(status::IsOnline(wide, GiveUpOnceSeen("uid=" + std::string(account))), GaveUp);
    }
    EXPECT_TRUE(testsupport::PumpUntil(
        [&] { return StandInLinesHolding(closed, /*notes=*/true) > closedBefore; }, 2000))
        << "still connected 2 s after the lookup ended";
    EXPECT_LT(PrivateMegabytes() - before, 64);
    EXPECT_TRUE(IsOnline(L"online"));
  }
}

// A lookup that WinINet carries (here for a proxy that asks to be logged on to) may wait on once
// given up on: under Wine, closing its request does not end the wait. Past kMostLookupsGivenUp
// such lookups a lookup fails before it sends anything. Each ends at its request's timeout (10 s).
TEST_F(StatusLookupServer, LookupsGivenUpOnAreBounded) {
  for (int i = 0; i < status::kMostLookupsGivenUp; ++i) {
    EXPECT_THROW(status::IsOnline(L"logon-silent", GiveUpOnceSeen("uid=logon-silent&", 2)), GaveUp);
  }
  const size_t requests = testsupport::StandInRequestLines().size();
  bool waited = false;
  try {
    status::IsOnline(L"online", [&](void*, std::uint32_t) {
      waited = true;
      return false;
    });
    ADD_FAILURE() << "a lookup past the bound ran";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), status::kLookupFailed);
  }
  EXPECT_FALSE(waited) << "the lookup past the bound was started";
  EXPECT_EQ(testsupport::StandInRequestLines().size(), requests) << "it sent something";

  EXPECT_TRUE(testsupport::PumpUntil(
      [] {
        try {
          return IsOnline(L"online");
        } catch (const RuntimeError&) {  // still bounded: nothing sent
          return false;
        }
      },
      30000))
      << "a lookup given up on did not end";
}

// Slow servers, run side by side: one that keeps the connection open without a word (and closes
// it after 15 s) and two whose answers trickle in, finishing at 9 s and at 11 s. The lookup waits
// 10 s.
TEST_F(StatusLookupServer, SlowServers) {
  struct Case {
    const wchar_t* account;
    bool answered;
    std::optional<RuntimeError> failure = std::nullopt;
    bool online = false;
  };
  Case cases[] = {{L"silent", false}, {L"trickle-9", true}, {L"trickle-11", false}};
  std::vector<std::thread> lookups;
  for (Case& c : cases) {
    lookups.emplace_back([&c] {
      try {
        c.online = IsOnline(c.account);
      } catch (const RuntimeError& e) {
        c.failure = e;
      }
    });
  }
  for (std::thread& lookup : lookups) lookup.join();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.account)));
    if (c.answered) {
      EXPECT_FALSE(c.failure.has_value()) << testing::PrintToString(c.failure->message());
      EXPECT_TRUE(c.online);
    } else {
      ASSERT_TRUE(c.failure.has_value()) << "answered after the time limit";
      EXPECT_EQ(c.failure->number(), status::kLookupFailed);
      EXPECT_NE(c.failure->message().find(L"10 秒"), std::wstring::npos);
    }
  }
}

}  // namespace
