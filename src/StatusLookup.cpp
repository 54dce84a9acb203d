#include "StatusLookup.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <memory>
#include <optional>
#include <utility>

#include "base/CodePage.h"
#include "base/Http.h"
#include "base/RuntimeError.h"
#include "base/ScopedWin.h"
#include "base/WinInet.h"
#include "version.h"

namespace status {
namespace {

using base::HttpError;
using Kind = HttpError::Kind;

constexpr char kAddressPrefix[] = "http://amos.alicdn.com/online.ww?v=2&uid=";
constexpr char kAddressSuffix[] = "&s=1";
// The status server reads the account in the code page of Chinese Windows, whatever the user's.
constexpr unsigned kAccountCodePage = 936;
constexpr char kUserAgent[] = PELLUCOR_PRODUCT "/" PELLUCOR_VERSION_TEXT;
// What a GET over the lookup's own socket says besides the address: who asks, and that no cache
// on the way may answer for the server.
constexpr char kHeaders[] = "User-Agent: " PELLUCOR_PRODUCT "/" PELLUCOR_VERSION_TEXT
                            "\r\nPragma: no-cache\r\nCache-Control: no-cache\r\n";
constexpr unsigned kHttpOk = 200;
constexpr unsigned kProxyLogOn = 407;
constexpr int kMostRedirects = 5;
// One byte more than the online answer tells a longer one; the rest is never read.
constexpr std::size_t kMostBytesRead = kOnlineAnswerSize + 1;

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

bool IsRedirect(unsigned status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Fails the lookup with a message made as wsprintfW makes one (no longer than it writes). Its
// arguments are 32 bits wide at either width of the program: %u and %lu, never a size_t.
[[noreturn]] void FailLookup(const wchar_t* format, ...) {
  wchar_t message[1024];
  va_list arguments;
  va_start(arguments, format);
  wvsprintfW(message, format, arguments);
  va_end(arguments);
  throw base::RuntimeError(kLookupFailed, message);
}

// Fails the lookup with a message that shows an address from the network: its bytes as they
// are, cut at some length.
[[noreturn]] void FailLookup(const wchar_t* why, const std::string& address) {
  constexpr size_t kMostShown = 200;
  std::wstring message = why;
  for (size_t i = 0; i < std::min(address.size(), kMostShown); ++i) {
    message += static_cast<wchar_t>(static_cast<unsigned char>(address[i]));
  }
  if (address.size() > kMostShown) message += L"…";
  throw base::RuntimeError(kLookupFailed, std::move(message));
}

[[noreturn]] void FailExchange(const HttpError& error) {
  static constexpr const wchar_t* kWhy[] = {
      L"无法连接状态服务器",            // CannotConnect
      L"状态服务器没有应答",            // NoAnswer
      L"状态服务器的应答无法识别",      // BadAnswer
      L"状态服务器的应答头超过 64 KB",  // HeadTooLong
      L"读取状态服务器的应答时出错",    // CutShort
      L"查询已放弃",                    // Stopped
      L"无法使用 Windows 的网络功能",   // Unavailable
  };
  FailLookup(error.systemError ? L"%s（错误 %lu）" : L"%s", kWhy[static_cast<int>(error.kind)],
             error.systemError);
}

// Opened once for the process, by the first call that succeeds; opening sends nothing and
// connects nowhere. A failure is the caller's lookup's, and the next one tries again.
const base::Internet& Net() {
  static const base::Internet net = base::OpenInternet(kUserAgent);
  return net;
}

// Read with the first lookup (see base::ReadProxySettings).
const base::ProxySettings& Proxies() {
  static const base::ProxySettings proxies = base::ReadProxySettings(Net());
  return proxies;
}

}  // namespace

// One lookup, shared by the caller and its thread, and settled by `state`: the thread takes it
// from running to done once it has written the outcome, the caller from running to given up when
// it waits no longer. Whoever moves it first decides: a lookup given up on has no outcome, and
// one done is not given up on.
struct Lookup {
  enum State { kRunning, kDone, kGivenUp };
  std::string address;
  std::atomic<int> state{kRunning};
  // The WinINet request under way, which a caller giving up closes to end the thread's wait on
  // it (base::CloseRequest).
  std::atomic<HINTERNET> request{nullptr};
  base::KernelHandle ended{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::optional<bool> online;
  std::optional<base::RuntimeError> failure;

  bool Running() const { return state.load() == kRunning; }
};

namespace {

// Lookups given up on whose threads still run.
std::atomic<int> lookupsGivenUp{0};

// The answer for an address: over a socket of the lookup's own for http:, where it lets go of
// the server as soon as the lookup is given up on; else through WinINet.
std::unique_ptr<base::HttpAnswer> Get(Lookup& lookup, const std::string& address) {
  const base::Internet& net = Net();
  URL_COMPONENTSA parts = {};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;  // point into it
  if (!net.crackUrl(address.c_str(), 0, 0, &parts) ||
      (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
    FailLookup(L"状态服务器重定向到了 http: 或 https: 以外的地址：", address);
  }
  if (const base::ProxySettings& settings = Proxies();
      parts.nScheme == INTERNET_SCHEME_HTTP && !settings.foundByWinInet) {
    const std::string proxy = base::ProxyFor(settings.proxies, settings.bypass,
                                             {parts.lpszHostName, parts.dwHostNameLength});
    auto answer = base::SocketGet(address, proxy, kHeaders, lookup.state);
    // A proxy that asks who is asking: WinINet may know how to log on to it.
    if (proxy.empty() || answer->Status() != kProxyLogOn) return answer;
  }
  return base::WinInetGet(net, parts, kAnswerTimeoutMs, lookup.state, lookup.request);
}

// The address a redirect points to, made whole against `address` (the one asked for).
std::string RedirectedAddress(const std::string& address, const std::string& location) {
  if (location.empty()) FailLookup(L"状态服务器的重定向没有给出地址");
  std::string whole(INTERNET_MAX_URL_LENGTH, '\0');
  DWORD size = static_cast<DWORD>(whole.size());
  if (!Net().combineUrl(address.c_str(), location.c_str(), whole.data(), &size, 0)) {
    FailLookup(L"状态服务器重定向到了无效的地址：", location);
  }
  whole.resize(size);
  return whole;
}

// Whether the answer means online: it does only at exactly kOnlineAnswerSize bytes, so an
// answer announced longer is not read, and one is read no further than a byte past that size.
bool AnswerMeansOnline(base::HttpAnswer& answer) {
  const std::optional<std::uint64_t> announced = answer.Length();
  if (announced && *announced > kOnlineAnswerSize) return false;
  std::string buffer(kMostBytesRead, '\0');
  std::size_t received = 0;
  while (received < kMostBytesRead) {
    std::size_t n;
    try {
      n = answer.Read(buffer.data() + received, kMostBytesRead - received);
    } catch (const HttpError& e) {
      if (e.kind == Kind::Stopped) throw;
      FailLookup(e.systemError ? L"读取状态服务器的应答时出错：收到 %u 字节（错误 %lu）"
                               : L"读取状态服务器的应答时出错：收到 %u 字节",
                 static_cast<unsigned>(received), e.systemError);
    }
    if (n == 0) break;
    received += n;
  }
  if (received > kOnlineAnswerSize) return false;
  if (announced && *announced != received) {
    FailLookup(L"状态服务器的应答与其声明的长度不符：收到 %u 字节，应为 %u 字节",
               static_cast<unsigned>(received), static_cast<unsigned>(*announced));
  }
  return IsOnlineAnswer(received);
}

// Asks for the lookup's address, follows up to kMostRedirects redirects, and tells whether the
// answer means online. The last answer is left in `answer`, to be let go of once the outcome has
// been handed over: closing WinINet's request may wait for the rest of it.
bool Ask(Lookup& lookup, std::unique_ptr<base::HttpAnswer>& answer) {
  std::string address = lookup.address;
  for (int redirects = 0;; ++redirects) {
    answer.reset();
    answer = Get(lookup, address);
    const unsigned status = answer->Status();
    if (IsRedirect(status)) {
      if (redirects == kMostRedirects) {
        FailLookup(L"状态服务器重定向超过 %d 次", kMostRedirects);
      }
      address = RedirectedAddress(address, answer->Location());
    } else if (status == 0) {  // the connection closed without a word
      FailLookup(L"状态服务器没有应答");
    } else if (status != kHttpOk) {
      FailLookup(L"状态服务器返回 HTTP %u", status);
    } else {
      return AnswerMeansOnline(*answer);
    }
  }
}

// A lookup's thread: owns its reference to the lookup, writes the outcome and hands it over,
// unless the caller has given up on it by then.
DWORD WINAPI RunLookup(void* parameter) noexcept {
  const std::unique_ptr<std::shared_ptr<Lookup>> self(
      static_cast<std::shared_ptr<Lookup>*>(parameter));
  Lookup& lookup = **self;
  std::unique_ptr<base::HttpAnswer> answer;
  try {
    try {
      lookup.online = Ask(lookup, answer);
    } catch (const HttpError& e) {
      FailExchange(e);
    }
  } catch (...) {
    lookup.failure = base::CurrentErrorAsRuntimeError();
  }
  int running = Lookup::kRunning;
  const bool done = lookup.state.compare_exchange_strong(running, Lookup::kDone);
  if (done) SetEvent(lookup.ended.get());
  answer.reset();
  if (!done) --lookupsGivenUp;
  return 0;
}

// A lookup on a thread of its own, one of the system's pool: Wine takes longer to start a thread
// (a millisecond and more) than a lookup over loopback takes. Fails before anything is sent when
// the account cannot be sent, or when kMostLookupsGivenUp lookups given up on still run.
// https://learn.microsoft.com/en-us/windows/win32/api/threadpoollegacyapiset/nf-threadpoollegacyapiset-queueuserworkitem
std::shared_ptr<Lookup> Start(std::wstring_view account) {
  auto lookup = std::make_shared<Lookup>();
  lookup->address = StatusAddress(account);
  if (const int stuck = lookupsGivenUp.load(); stuck >= kMostLookupsGivenUp) {
    FailLookup(L"前 %d 次查询仍在等待状态服务器的应答，请稍后再试", stuck);
  }
  auto reference = std::make_unique<std::shared_ptr<Lookup>>(lookup);
  if (!lookup->ended || !QueueUserWorkItem(RunLookup, reference.get(), WT_EXECUTELONGFUNCTION)) {
    FailLookup(L"无法启动查询（错误 %lu）", GetLastError());
  }
  reference.release();  // the thread owns it now
  return lookup;
}

// The caller waits no longer: true when it gave the lookup up, false when the lookup was done
// first, and its outcome stands.
bool GiveUp(Lookup& lookup) noexcept {
  int running = Lookup::kRunning;
  if (!lookup.state.compare_exchange_strong(running, Lookup::kGivenUp)) return false;
  ++lookupsGivenUp;
  // A lookup holds a request only once WinINet is open.
  if (lookup.request.load()) base::CloseRequest(Net(), lookup.request);
  return true;
}

// Prepares the lookups on a thread of the pool the lookups run on. A failure says nothing: the
// first lookup tries again, and reports.
DWORD WINAPI Prepare(void*) noexcept {
  try {
    Net();
    base::PrepareSockets();
  } catch (...) {
  }
  return 0;
}

}  // namespace

std::string StatusAddress(std::wstring_view account) {
  std::optional<std::string> bytes = base::ToCodePageExact(kAccountCodePage, account);
  if (!bytes) {
    throw base::RuntimeError(kAccountNotSendable, L"账号中有代码页 936 无法表示的字符，无法查询");
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string address = kAddressPrefix;
  for (unsigned char c : *bytes) {
    if (IsUnreserved(c)) {
      address += static_cast<char>(c);
    } else {
      address += '%';
      address += kHex[c >> 4];
      address += kHex[c & 0xF];
    }
  }
  address += kAddressSuffix;
  return address;
}

PendingLookup::PendingLookup(std::wstring_view account) : lookup_(Start(account)) {}

PendingLookup::~PendingLookup() {
  GiveUp(*lookup_);
}

void* PendingLookup::Ended() const {
  return lookup_->ended.get();
}

bool PendingLookup::Online() {
  if (GiveUp(*lookup_)) FailLookup(L"状态服务器在 %u 秒内没有应答", kAnswerTimeoutMs / 1000);
  if (lookup_->failure) throw *lookup_->failure;
  if (!lookup_->online) FailLookup(L"在线状态查询失败");
  return *lookup_->online;
}

// The lookup runs on a thread of its own so that a server that never answers cannot hold the
// caller for more than kAnswerTimeoutMs; how the caller's window behaves meanwhile is up to the
// wait it passes. Should the wait throw, the lookup is given up on as it goes.
bool IsOnline(std::wstring_view account, const WaitForAnswer& wait) {
  PendingLookup lookup(account);
  wait(lookup.Ended(), kAnswerTimeoutMs);
  return lookup.Online();
}

// Runs once the thread that set the timer has nothing else to do: timer messages come after
// every other message, painting included.
// https://learn.microsoft.com/en-us/windows/win32/api/winuser/nf-winuser-getmessage
void CALLBACK PrepareNow(HWND, UINT, UINT_PTR timer, DWORD) noexcept {
  KillTimer(nullptr, timer);
  QueueUserWorkItem(Prepare, nullptr, WT_EXECUTELONGFUNCTION);
}

void PrepareWhenIdle() {
  SetTimer(nullptr, 0, USER_TIMER_MINIMUM, PrepareNow);
}

}  // namespace status
