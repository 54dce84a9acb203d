#include "base/WinInet.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "base/SystemDll.h"

namespace base {
namespace {

using Kind = HttpError::Kind;

// Every request: a fresh answer, kept nowhere (no cache, no cookies), no dialog box, and
// redirects left to the caller.
// https://learn.microsoft.com/en-us/windows/win32/wininet/api-flags
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES |
                                INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT;

[[noreturn]] void Fail(Kind kind, unsigned long error) {
  throw HttpError{kind, error};
}

class WinInetAnswer final : public HttpAnswer {
 public:
  WinInetAnswer(const Internet& net, const std::atomic<int>& stop, std::atomic<HINTERNET>& request)
      : net_(net), stop_(stop), shared_(request) {}
  ~WinInetAnswer() override {
    CloseRequest(net_, shared_);
    if (connection_) net_.closeHandle(connection_);
  }

  // Sends the request and waits for the answer's head.
  void Send(const URL_COMPONENTSA& parts, DWORD timeoutMs) {
    const std::string host(parts.lpszHostName, parts.dwHostNameLength);
    std::string path = std::string(parts.lpszUrlPath, parts.dwUrlPathLength) +
                       std::string(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    path = path.substr(0, path.find('#'));  // the fragment stays with the client
    connection_ = net_.connect(net_.session, host.c_str(), parts.nPort, nullptr, nullptr,
                               INTERNET_SERVICE_HTTP, 0, 0);
    if (!connection_) Fail(Kind::CannotConnect);
    const DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0;
    request_ = net_.openRequest(connection_, "GET", path.empty() ? "/" : path.c_str(), nullptr,
                                nullptr, nullptr, kRequestFlags | secure, 0);
    if (!request_) Fail(Kind::CannotConnect);
    // Set on the request itself: Wine takes none of them from the session.
    DWORD timeout = timeoutMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
      net_.setOption(request_, option, &timeout, sizeof timeout);
    }
    shared_ = request_;
    if (stop_.load() != 0) Fail(Kind::Stopped);
    if (!net_.sendRequest(request_, nullptr, 0, nullptr, 0)) {
      const DWORD error = GetLastError();
      Fail(error == ERROR_INTERNET_CANNOT_CONNECT || error == ERROR_INTERNET_NAME_NOT_RESOLVED
               ? Kind::CannotConnect
               : Kind::NoAnswer,
           error);
    }
  }

  unsigned Status() override {
    DWORD status = 0, size = sizeof status;
    if (!net_.queryInfo(request_, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr)) {
      Fail(Kind::BadAnswer);
    }
    return status;
  }

  std::string Location() override {
    std::string location(INTERNET_MAX_URL_LENGTH, '\0');
    DWORD size = static_cast<DWORD>(location.size());
    if (!net_.queryInfo(request_, HTTP_QUERY_LOCATION, location.data(), &size, nullptr)) size = 0;
    location.resize(size);
    return location;
  }

  // The Content-Length, or nothing when the answer announces none (or none below 4 GB).
  std::optional<std::uint64_t> Length() override {
    DWORD length = 0, size = sizeof length;
    if (!net_.queryInfo(request_, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length,
                        &size, nullptr)) {
      return std::nullopt;
    }
    return length;
  }

  std::size_t Read(char* into, std::size_t most) override {
    DWORD available = 0, n = 0;
    if (!net_.dataAvailable(request_, &available, 0, 0)) Fail(Kind::CutShort);
    if (stop_.load() != 0) Fail(Kind::Stopped);
    if (available > 0 &&
        !net_.readFile(request_, into, static_cast<DWORD>(std::min<std::size_t>(available, most)),
                       &n)) {
      Fail(Kind::CutShort);
    }
    return n;
  }

 private:
  // Once stopped, the request may have been closed under this thread: whatever failed since
  // means only that.
  [[noreturn]] void Fail(Kind kind, DWORD error = GetLastError()) const {
    throw HttpError{stop_.load() == 0 ? kind : Kind::Stopped, error};
  }

  const Internet& net_;
  const std::atomic<int>& stop_;
  std::atomic<HINTERNET>& shared_;
  HINTERNET connection_ = nullptr;
  HINTERNET request_ = nullptr;
};

}  // namespace

Internet OpenInternet(const char* userAgent) {
  const HMODULE dll = LoadSystemDll(L"wininet.dll");
  if (!dll) Fail(Kind::Unavailable, GetLastError());
  Internet net;
  decltype(&InternetOpenA) open;
  if (!(SetSystemFunction(net.closeHandle, dll, "InternetCloseHandle") &&
        SetSystemFunction(net.combineUrl, dll, "InternetCombineUrlA") &&
        SetSystemFunction(net.crackUrl, dll, "InternetCrackUrlA") &&
        SetSystemFunction(net.connect, dll, "InternetConnectA") &&
        SetSystemFunction(net.openRequest, dll, "HttpOpenRequestA") &&
        SetSystemFunction(net.sendRequest, dll, "HttpSendRequestA") &&
        SetSystemFunction(net.queryInfo, dll, "HttpQueryInfoA") &&
        SetSystemFunction(net.dataAvailable, dll, "InternetQueryDataAvailable") &&
        SetSystemFunction(net.readFile, dll, "InternetReadFile") &&
        SetSystemFunction(net.setOption, dll, "InternetSetOptionA") &&
        SetSystemFunction(open, dll, "InternetOpenA") &&
        SetSystemFunction(net.queryOption, dll, "InternetQueryOptionA"))) {
    Fail(Kind::Unavailable, ERROR_PROC_NOT_FOUND);
  }
  net.session = open(userAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!net.session) Fail(Kind::Unavailable, GetLastError());
  return net;
}

// The static settings come from the session, which took them as it opened. Whether Windows finds
// the proxy by a script or by asking the network ("use a script", "automatically detect") is read
// where WinINet reads it: the flags of the default connection's settings, the third of their
// numbers. (Asking WinINet for these per connection takes Wine some 20 ms and 120 KB.)
// https://learn.microsoft.com/en-us/windows/win32/wininet/setting-and-retrieving-internet-options
ProxySettings ReadProxySettings(const Internet& net) {
  ProxySettings settings;
  char buffer[2048];
  DWORD size = sizeof buffer;
  if (!net.queryOption(net.session, INTERNET_OPTION_PROXY, buffer, &size)) {
    settings.foundByWinInet = true;  // unknown: WinINet knows
    return settings;
  }
  // The ANSI call's strings, whatever UNICODE makes of the structure's.
  struct Answer {
    DWORD accessType;
    const char* proxies;
    const char* bypass;
  };
  const auto* answer = reinterpret_cast<const Answer*>(buffer);
  if (answer->accessType == INTERNET_OPEN_TYPE_PROXY) {
    if (answer->proxies) settings.proxies = answer->proxies;
    if (answer->bypass) settings.bypass = answer->bypass;
  }
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER,
                    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections",
                    0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    // The version, a count, the flags, then the proxy's names, the bypass list and the script's
    // address, which may be long: read whole, as the registry gives a value only whole.
    constexpr wchar_t kValue[] = L"DefaultConnectionSettings";
    std::string blob;
    DWORD flags = 0;
    size = 0;
    LSTATUS read = RegQueryValueExW(key, kValue, nullptr, nullptr, nullptr, &size);
    if (read == ERROR_SUCCESS && size >= 3 * sizeof flags) {
      blob.resize(size);
      read = RegQueryValueExW(key, kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(blob.data()),
                              &size);
      std::memcpy(&flags, blob.data() + 2 * sizeof flags, sizeof flags);
    }
    // Settings that cannot be read are WinINet's to find.
    settings.foundByWinInet = (read != ERROR_SUCCESS && read != ERROR_FILE_NOT_FOUND) ||
                              (read == ERROR_SUCCESS && size >= 3 * sizeof flags &&
                               (flags & (PROXY_TYPE_AUTO_PROXY_URL | PROXY_TYPE_AUTO_DETECT)) != 0);
    RegCloseKey(key);
  }
  return settings;
}

std::unique_ptr<HttpAnswer> WinInetGet(const Internet& net, const URL_COMPONENTSA& parts,
                                       DWORD timeoutMs, const std::atomic<int>& stop,
                                       std::atomic<HINTERNET>& request) {
  auto answer = std::make_unique<WinInetAnswer>(net, stop, request);
  answer->Send(parts, timeoutMs);
  return answer;
}

void CloseRequest(const Internet& net, std::atomic<HINTERNET>& request) noexcept {
  if (HINTERNET taken = request.exchange(nullptr)) net.closeHandle(taken);
}

}  // namespace base
