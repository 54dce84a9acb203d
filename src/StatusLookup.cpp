#include "StatusLookup.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include "base/CodePage.h"
#include "base/NumberText.h"
#include "base/RuntimeError.h"
#include "base/ScopedWin.h"
#include "base/SystemDll.h"
#include "version.h"

namespace status {
namespace {

constexpr char kAddressPrefix[] = "http://amos.alicdn.com/online.ww?v=2&uid=";
constexpr char kAddressSuffix[] = "&s=1";
// The status server reads the account in the code page of Chinese Windows, whatever the user's.
constexpr unsigned kAccountCodePage = 936;
constexpr char kUserAgent[] = PELLUCOR_PRODUCT "/" PELLUCOR_VERSION_TEXT;
constexpr DWORD kHttpOk = 200;
constexpr int kMostRedirects = 5;
// One byte more than the online answer tells a longer one; the rest is never read.
constexpr DWORD kMostBytesRead = kOnlineAnswerSize + 1;

// Every request: a fresh answer, kept nowhere (no cache, no cookies), no dialog box, and
// redirects left to the lookup, which follows a few of them to web addresses only.
// https://learn.microsoft.com/en-us/windows/win32/wininet/api-flags
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES |
                                INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT;

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

[[noreturn]] void FailLookup(const std::wstring& why) {
  throw base::RuntimeError(kLookupFailed, why);
}

std::wstring ErrorText(DWORD error) {
  return L"（错误 " + base::DecimalText(error) + L"）";
}

// An address from the network, shown in a message: its bytes as they are, cut at some length.
std::wstring AddressText(const std::string& address) {
  constexpr size_t kMostShown = 200;
  std::wstring text;
  for (size_t i = 0; i < std::min(address.size(), kMostShown); ++i) {
    text += static_cast<wchar_t>(static_cast<unsigned char>(address[i]));
  }
  return address.size() > kMostShown ? text + L"…" : text;
}

// Holds a critical section from construction to destruction.
class Lock {
 public:
  explicit Lock(CRITICAL_SECTION& section) : section_(section) { EnterCriticalSection(&section); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  ~Lock() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION& section_;
};

template <typename Function>
Function LoadFunction(HMODULE module, const char* name) {
  const auto function = base::SystemFunction<Function>(module, name);
  if (!function) FailLookup(L"wininet.dll 中没有 " + std::wstring(name, name + strlen(name)));
  return function;
}

// What the lookups need from WinINet, and the process's one internet session, with the system's
// proxy settings. WinINet is loaded by the first worker (once the program is idle, or at the first
// lookup) rather than imported: start-up has no use for it and the DLLs it brings along. Neither
// is ever let go: a request given up on may still be ending inside it as the program ends.
struct Internet {
  decltype(&InternetCloseHandle) closeHandle;
  decltype(&InternetCombineUrlA) combineUrl;
  decltype(&InternetCrackUrlA) crackUrl;
  decltype(&InternetConnectA) connect;
  decltype(&HttpOpenRequestA) openRequest;
  decltype(&HttpSendRequestA) sendRequest;
  decltype(&HttpQueryInfoA) queryInfo;
  decltype(&InternetReadFile) readFile;
  decltype(&InternetSetOptionA) setOption;
  HINTERNET session = nullptr;

  // Opens it once for the process; a failure is the caller's lookup's, and the next one tries
  // again. Opening sends nothing and connects nowhere.
  static const Internet& Get() {
    static CRITICAL_SECTION* const section = [] {
      static CRITICAL_SECTION made;
      InitializeCriticalSection(&made);
      return &made;
    }();
    static Internet* opened = nullptr;
    Lock lock(*section);
    if (!opened) opened = new Internet(Open());
    return *opened;
  }

 private:
  static Internet Open() {
    HMODULE dll = base::LoadSystemDll(L"wininet.dll");
    if (!dll) FailLookup(L"无法加载 wininet.dll" + ErrorText(GetLastError()));
    Internet net{
        LoadFunction<decltype(&InternetCloseHandle)>(dll, "InternetCloseHandle"),
        LoadFunction<decltype(&InternetCombineUrlA)>(dll, "InternetCombineUrlA"),
        LoadFunction<decltype(&InternetCrackUrlA)>(dll, "InternetCrackUrlA"),
        LoadFunction<decltype(&InternetConnectA)>(dll, "InternetConnectA"),
        LoadFunction<decltype(&HttpOpenRequestA)>(dll, "HttpOpenRequestA"),
        LoadFunction<decltype(&HttpSendRequestA)>(dll, "HttpSendRequestA"),
        LoadFunction<decltype(&HttpQueryInfoA)>(dll, "HttpQueryInfoA"),
        LoadFunction<decltype(&InternetReadFile)>(dll, "InternetReadFile"),
        LoadFunction<decltype(&InternetSetOptionA)>(dll, "InternetSetOptionA"),
    };
    const auto open = LoadFunction<decltype(&InternetOpenA)>(dll, "InternetOpenA");
    net.session = open(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!net.session) FailLookup(L"无法打开网络会话" + ErrorText(GetLastError()));
    return net;
  }
};

// One lookup, shared by the waiting caller and the worker that runs it: a caller that gives up on
// it lets go first. The caller fills `address` before handing it over; the worker alone writes the
// outcome and then sets `ended`, and the caller reads it only after that. `request` (the request
// under way) and `givenUp` are the pool's, under its lock.
struct Lookup {
  std::string address;
  base::KernelHandle ended{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::optional<bool> online;
  std::optional<base::RuntimeError> failure;
  HINTERNET request = nullptr;
  bool givenUp = false;
};

// A worker thread, shared by its thread and the pool (Workers). Its fields but `wake` are the
// pool's, read and written under its lock.
struct Worker {
  base::KernelHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};  // a lookup is handed over
  std::shared_ptr<Lookup> next;     // handed over and not yet taken
  std::shared_ptr<Lookup> current;  // taken, its outcome not yet known
  bool givenUp = false;             // its caller gave up on the lookup: it ends after it
};

DWORD WINAPI RunWorker(void* parameter) noexcept;

// The threads that run the lookups. One worker lives on between lookups and takes the next one.
// A caller that gives up on its lookup (at the time limit, or on a close request) closes the
// request under way, which Windows documents as ending the worker's wait. Under Wine it ends only a
// wait that has not begun: one for an answer already asked for runs on until the request's
// timeouts (kAnswerTimeoutMs) end it, and kMostLookupsGivenUp bounds how many workers may be busy
// so. Either way the worker then ends, and the next lookup gets another one. A caller that finds no
// worker waiting (the first lookup, or lookups from several threads at once) starts one.
class Workers {
 public:
  // Never destroyed: workers may still use it while the program's statics are destroyed.
  static Workers& Instance() {
    static Workers* workers = new Workers;
    return *workers;
  }

  // Starts the waiting worker unless there is one. Quietly does nothing on failure: the next
  // lookup tries again, and reports.
  void WarmUp() noexcept {
    try {
      Lock lock(section_);
      if (!waiting_) waiting_ = NewWorker();
    } catch (...) {
    }
  }

  // Hands the lookup over to the waiting worker, or to a new one. Fails the lookup, before
  // anything is sent, when kMostLookupsGivenUp workers are still busy with lookups given up on.
  std::shared_ptr<Worker> Start(std::shared_ptr<Lookup> lookup) {
    Lock lock(section_);
    std::shared_ptr<Worker> worker = std::move(waiting_);
    if (!worker) {
      if (givenUp_ >= kMostLookupsGivenUp) {
        FailLookup(L"前 " + base::DecimalText(givenUp_) +
                   L" 次查询仍在等待状态服务器的应答，请稍后再试");
      }
      worker = NewWorker();
    }
    worker->current = lookup;
    worker->next = std::move(lookup);
    SetEvent(worker->wake.get());
    return worker;
  }

  // The caller no longer waits for the worker's lookup: its request is closed, which cuts short
  // whatever the worker waits for, and the worker ends after it.
  void GiveUp(Worker& worker) noexcept {
    HINTERNET request;
    {
      Lock lock(section_);
      if (!worker.current || worker.givenUp) return;
      worker.givenUp = true;
      ++givenUp_;
      worker.current->givenUp = true;
      request = std::exchange(worker.current->request, nullptr);
    }
    Close(request);
  }

  // For the worker's thread: waits for its next lookup.
  std::shared_ptr<Lookup> Next(Worker& worker) noexcept {
    for (;;) {
      WaitForSingleObject(worker.wake.get(), INFINITE);
      Lock lock(section_);
      if (worker.next) return std::move(worker.next);
    }
  }

  // For the worker's thread: the request it is about to send, which a caller giving up closes.
  // False, with the request closed, when the lookup has been given up on already.
  bool Hold(Lookup& lookup, HINTERNET request) noexcept {
    {
      Lock lock(section_);
      if (!lookup.givenUp) {
        lookup.request = request;
        return true;
      }
    }
    Close(request);
    return false;
  }

  // For the worker's thread: done with the request, unless its caller has closed it already.
  void LetGo(Lookup& lookup) noexcept {
    HINTERNET request;
    {
      Lock lock(section_);
      request = std::exchange(lookup.request, nullptr);
    }
    Close(request);
  }

  bool GivenUp(const Lookup& lookup) noexcept {
    Lock lock(section_);
    return lookup.givenUp;
  }

  // For the worker's thread, when its lookup's outcome is known: whether it stays for the next
  // lookup (its lookup was not given up on, it can work, and no other worker waits) or ends.
  bool Ended(const std::shared_ptr<Worker>& worker, bool canWork) noexcept {
    Lock lock(section_);
    worker->current.reset();
    if (worker->givenUp) {
      --givenUp_;
      return false;
    }
    if (!canWork || waiting_) return false;
    waiting_ = worker;
    return true;
  }

 private:
  Workers() { InitializeCriticalSection(&section_); }

  // Outside the lock: closing may take a while, as WinINet reads on through what has already
  // arrived of an answer of known length, to keep its connection for another request. The
  // internet is open: a lookup holds a request only after opening it.
  static void Close(HINTERNET request) noexcept {
    if (request) Internet::Get().closeHandle(request);
  }

  // A new worker thread, waiting for a lookup. Under the lock.
  std::shared_ptr<Worker> NewWorker() {
    auto worker = std::make_shared<Worker>();
    auto reference = std::make_unique<std::shared_ptr<Worker>>(worker);
    base::KernelHandle thread;
    if (worker->wake) {
      thread.reset(CreateThread(nullptr, 0, RunWorker, reference.get(), 0, nullptr));
    }
    if (!thread) FailLookup(L"无法启动查询" + ErrorText(GetLastError()));
    reference.release();  // the thread owns it now
    return worker;
  }

  CRITICAL_SECTION section_;
  std::shared_ptr<Worker> waiting_;  // the worker that takes the next lookup
  int givenUp_ = 0;                  // workers still busy with lookups given up on
};

// One GET of an address, on the worker's thread. Its handles are closed when it goes (its
// request by the caller instead, should the caller give up on the lookup first).
class Request {
 public:
  Request(const Internet& net, Lookup& lookup) : net_(net), lookup_(lookup) {}
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;
  ~Request() {
    Workers::Instance().LetGo(lookup_);
    if (connection_) net_.closeHandle(connection_);
  }

  // Sends it and waits for the answer's head.
  void Send(const std::string& address) {
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;  // point into it
    const bool cracked = net_.crackUrl(address.c_str(), 0, 0, &parts);
    if (!cracked ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
      FailLookup(L"状态服务器重定向到了 http: 或 https: 以外的地址：" + AddressText(address));
    }
    const std::string host(parts.lpszHostName, parts.dwHostNameLength);
    std::string path = std::string(parts.lpszUrlPath, parts.dwUrlPathLength) +
                       std::string(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    path = path.substr(0, path.find('#'));  // the fragment stays with the client
    connection_ = net_.connect(net_.session, host.c_str(), parts.nPort, nullptr, nullptr,
                               INTERNET_SERVICE_HTTP, 0, 0);
    if (!connection_) FailLookup(L"无法连接状态服务器" + ErrorText(GetLastError()));
    const DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0;
    request_ = net_.openRequest(connection_, "GET", path.empty() ? "/" : path.c_str(), nullptr,
                                nullptr, nullptr, kRequestFlags | secure, 0);
    if (!request_) FailLookup(L"无法建立请求" + ErrorText(GetLastError()));
    // A backstop for a lookup given up on, whose closed request may wait on (see Workers). Set on
    // the request itself: Wine takes none of them from the session.
    DWORD timeout = kAnswerTimeoutMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
      net_.setOption(request_, option, &timeout, sizeof timeout);
    }
    if (!Workers::Instance().Hold(lookup_, request_)) GaveUp();
    if (!net_.sendRequest(request_, nullptr, 0, nullptr, 0)) {
      const DWORD error = GetLastError();
      FailIfGivenUp();
      if (error == ERROR_INTERNET_CANNOT_CONNECT || error == ERROR_INTERNET_NAME_NOT_RESOLVED) {
        FailLookup(L"无法连接状态服务器" + ErrorText(error));
      }
      FailLookup(L"状态服务器没有应答" + ErrorText(error));
    }
  }

  DWORD Status() const {
    DWORD status = 0, size = sizeof status;
    if (!net_.queryInfo(request_, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr)) {
      FailIfGivenUp();
      FailLookup(L"状态服务器的应答无法识别" + ErrorText(GetLastError()));
    }
    return status;
  }

  // The address a redirect points to, made whole against `address` (the one asked for).
  std::string Location(const std::string& address) const {
    std::string location(INTERNET_MAX_URL_LENGTH, '\0');
    DWORD size = static_cast<DWORD>(location.size());
    if (!net_.queryInfo(request_, HTTP_QUERY_LOCATION, location.data(), &size, nullptr)) {
      FailIfGivenUp();
      FailLookup(L"状态服务器的重定向没有给出地址");
    }
    location.resize(size);
    std::string whole(INTERNET_MAX_URL_LENGTH, '\0');
    size = static_cast<DWORD>(whole.size());
    if (!net_.combineUrl(address.c_str(), location.c_str(), whole.data(), &size, 0)) {
      FailLookup(L"状态服务器重定向到了无效的地址：" + AddressText(location));
    }
    whole.resize(size);
    return whole;
  }

  // Whether the answer means online: it does only at exactly kOnlineAnswerSize bytes, so an
  // answer announced longer is not read, and one is read no further than a byte past that size.
  bool AnswerMeansOnline() {
    const std::optional<std::uint64_t> announced = AnnouncedLength();
    if (announced && *announced > kOnlineAnswerSize) return false;
    char buffer[kMostBytesRead];
    DWORD received = 0;
    while (received < kMostBytesRead) {
      DWORD n = 0;
      if (!net_.readFile(request_, buffer + received, kMostBytesRead - received, &n)) {
        const DWORD error = GetLastError();
        FailIfGivenUp();
        FailLookup(L"读取状态服务器的应答时出错" + ErrorText(error) + L"：收到 " +
                   base::DecimalText(received) + L" 字节");
      }
      if (n == 0) {
        readToEnd_ = true;
        break;
      }
      received += n;
    }
    FailIfGivenUp();
    if (received > kOnlineAnswerSize) return false;
    if (announced && *announced != received) {
      FailLookup(L"状态服务器的应答与其声明的长度不符：收到 " + base::DecimalText(received) +
                 L" 字节，应为 " + base::DecimalText(static_cast<std::uint32_t>(*announced)) +
                 L" 字节");
    }
    return status::IsOnlineAnswer(received);
  }

  // Whether the answer was read to its end. Closing a request with more to come may take long: the
  // rest of an answer of known length is read on, to keep the connection (see Workers::Close).
  bool ReadToEnd() const { return readToEnd_; }

 private:
  // The Content-Length, or nothing when the answer announces none (or none a number can hold).
  std::optional<std::uint64_t> AnnouncedLength() const {
    char text[32];
    DWORD size = sizeof text;
    if (!net_.queryInfo(request_, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr) || size == 0) {
      return std::nullopt;
    }
    std::uint64_t length = 0;
    for (DWORD i = 0; i < size; ++i) {
      if (text[i] < '0' || text[i] > '9' || length > (UINT64_MAX - 9) / 10) return std::nullopt;
      length = length * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return length;
  }

  // Once the caller has given up, the request has been closed under the worker: whatever the
  // worker got from it since means nothing.
  [[noreturn]] static void GaveUp() { FailLookup(L"查询已放弃"); }
  void FailIfGivenUp() const {
    if (Workers::Instance().GivenUp(lookup_)) GaveUp();
  }

  const Internet& net_;
  Lookup& lookup_;
  HINTERNET connection_ = nullptr;
  HINTERNET request_ = nullptr;
  bool readToEnd_ = false;
};

bool IsRedirect(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Asks for the lookup's address, follows up to kMostRedirects redirects, and tells whether the
// answer means online. The last request is left in `request`, to be closed once the outcome has
// been handed over.
bool Ask(const Internet& net, Lookup& lookup, std::unique_ptr<Request>& request) {
  std::string address = lookup.address;
  for (int redirects = 0;; ++redirects) {
    request.reset();
    request = std::make_unique<Request>(net, lookup);
    request->Send(address);
    const DWORD status = request->Status();
    if (IsRedirect(status)) {
      if (redirects == kMostRedirects) {
        FailLookup(L"状态服务器重定向超过 " + base::DecimalText(kMostRedirects) + L" 次");
      }
      address = request->Location(address);
    } else if (status == 0) {  // the connection closed without a word
      FailLookup(L"状态服务器没有应答");
    } else if (status != kHttpOk) {
      FailLookup(L"状态服务器返回 HTTP " + base::DecimalText(status));
    } else {
      return request->AnswerMeansOnline();
    }
  }
}

// A worker thread: owns its reference to the worker. It opens the internet session unless it is
// open (the worker started ahead of the lookups does only that before its first lookup), then
// runs the lookups handed to it. When opening fails, the failure is the answer to its first
// lookup, and it ends.
DWORD WINAPI RunWorker(void* parameter) noexcept {
  std::unique_ptr<std::shared_ptr<Worker>> self(static_cast<std::shared_ptr<Worker>*>(parameter));
  Workers& workers = Workers::Instance();
  const Internet* net = nullptr;
  std::optional<base::RuntimeError> broken;
  try {
    net = &Internet::Get();
  } catch (...) {
    broken = base::CurrentErrorAsRuntimeError();
  }
  for (;;) {
    std::shared_ptr<Lookup> lookup = workers.Next(**self);
    std::unique_ptr<Request> request;
    try {
      if (broken) throw *broken;
      lookup->online = Ask(*net, *lookup, request);
    } catch (...) {
      lookup->failure = base::CurrentErrorAsRuntimeError();
    }
    // Free again before the outcome is handed over, so that the caller's next lookup finds it
    // waiting; it takes that lookup once its request is closed. A worker whose request still has
    // an answer to come does not stay: closing it may take as long as the rest takes to arrive,
    // and the next lookup must not wait for that.
    const bool stays = workers.Ended(*self, !broken && (!request || request->ReadToEnd()));
    SetEvent(lookup->ended.get());
    request.reset();
    if (!stays) return 0;
  }
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

bool WaitPlainly(void* ended, std::uint32_t timeoutMs) {
  switch (WaitForSingleObject(ended, timeoutMs)) {
    case WAIT_OBJECT_0:
      return true;
    case WAIT_TIMEOUT:
      return false;
    default:
      FailLookup(L"等待查询时出错" + ErrorText(GetLastError()));
  }
}

// The lookup runs on a worker thread so that a server that never answers cannot hold the caller
// for more than kAnswerTimeoutMs; how the caller's window behaves meanwhile is up to the wait it
// passes. A lookup given up on has its request closed, and its worker ends soon after.
bool IsOnline(std::wstring_view account, const WaitForDownload& wait) {
  auto lookup = std::make_shared<Lookup>();
  lookup->address = StatusAddress(account);
  if (!lookup->ended) FailLookup(L"无法启动查询" + ErrorText(GetLastError()));
  Workers& workers = Workers::Instance();
  std::shared_ptr<Worker> worker = workers.Start(lookup);
  bool ended;
  try {
    ended = wait(lookup->ended.get(), kAnswerTimeoutMs);
  } catch (...) {
    workers.GiveUp(*worker);
    throw;
  }
  if (!ended) {
    workers.GiveUp(*worker);
    FailLookup(L"状态服务器在 " + base::DecimalText(kAnswerTimeoutMs / 1000) + L" 秒内没有应答");
  }
  if (lookup->failure) throw *lookup->failure;
  if (!lookup->online) FailLookup(L"在线状态查询失败");
  return *lookup->online;
}

// Runs once the thread that set the timer has nothing else to do: timer messages come after
// every other message, painting included.
// https://learn.microsoft.com/en-us/windows/win32/api/winuser/nf-winuser-getmessage
void CALLBACK PrepareNow(HWND, UINT, UINT_PTR timer, DWORD) noexcept {
  KillTimer(nullptr, timer);
  Workers::Instance().WarmUp();
}

void PrepareWhenIdle() {
  SetTimer(nullptr, 0, USER_TIMER_MINIMUM, PrepareNow);
}

}  // namespace status
