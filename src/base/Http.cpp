#include "base/Http.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/SystemDll.h"

namespace base {
namespace {

using Kind = HttpError::Kind;

// A chunk-size line longer than this is no chunk-size line.
constexpr std::size_t kMostLineBytes = 1024;
constexpr int kReceiveBytes = 4096;

[[noreturn]] void Fail(Kind kind, unsigned long error = 0) {
  throw HttpError{kind, error};
}

// What the GETs need of Windows Sockets: loaded from the system folder and started once for the
// process, never stopped (a given-up GET may still be ending as the program ends).
struct Sockets {
  decltype(&::getaddrinfo) getAddrInfo;
  decltype(&::freeaddrinfo) freeAddrInfo;
  decltype(&::socket) open;
  decltype(&::closesocket) close;
  decltype(&::ioctlsocket) control;
  decltype(&::connect) connect;
  decltype(&::getsockopt) option;
  decltype(&::select) select;
  decltype(&::send) send;
  decltype(&::recv) receive;
  decltype(&::WSAGetLastError) lastError;

  static const Sockets& Get() {
    static const Sockets sockets = Start();
    return sockets;
  }

 private:
  static Sockets Start() {
    const HMODULE dll = LoadSystemDll(L"ws2_32.dll");
    Sockets s;
    decltype(&::WSAStartup) startup;
    const bool complete = SetSystemFunction(startup, dll, "WSAStartup") &&
                          SetSystemFunction(s.getAddrInfo, dll, "getaddrinfo") &&
                          SetSystemFunction(s.freeAddrInfo, dll, "freeaddrinfo") &&
                          SetSystemFunction(s.open, dll, "socket") &&
                          SetSystemFunction(s.close, dll, "closesocket") &&
                          SetSystemFunction(s.control, dll, "ioctlsocket") &&
                          SetSystemFunction(s.connect, dll, "connect") &&
                          SetSystemFunction(s.option, dll, "getsockopt") &&
                          SetSystemFunction(s.select, dll, "select") &&
                          SetSystemFunction(s.send, dll, "send") &&
                          SetSystemFunction(s.receive, dll, "recv") &&
                          SetSystemFunction(s.lastError, dll, "WSAGetLastError");
    if (!complete) Fail(Kind::Unavailable, dll ? ERROR_PROC_NOT_FOUND : GetLastError());
    WSADATA data;
    if (const int error = startup(MAKEWORD(2, 2), &data)) {
      Fail(Kind::Unavailable, static_cast<unsigned long>(error));
    }
    return s;
  }
};

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

// A number of `base` (10 or 16) that is the whole of `text`, or nothing.
std::optional<std::uint64_t> Number(std::string_view text, unsigned base) {
  if (text.empty() || text.size() > 15) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    const char l = Lower(c);
    const unsigned digit = l >= '0' && l <= '9'   ? unsigned(l - '0')
                           : l >= 'a' && l <= 'f' ? unsigned(l - 'a' + 10)
                                                  : 16;
    if (digit >= base) return std::nullopt;
    value = value * base + digit;
  }
  return value;
}

// `pattern` with '*' for any run of characters, matching the whole of `text`, case aside.
bool Matches(std::string_view pattern, std::string_view text) {
  if (pattern.empty()) return text.empty();
  if (pattern.front() == '*') {
    for (std::size_t skip = 0; skip <= text.size(); ++skip) {
      if (Matches(pattern.substr(1), text.substr(skip))) return true;
    }
    return false;
  }
  return !text.empty() && Lower(pattern.front()) == Lower(text.front()) &&
         Matches(pattern.substr(1), text.substr(1));
}

// Calls `each` with every item of a list separated by semicolons or blanks.
template <typename Each>
void ForEachItem(std::string_view list, Each each) {
  while (!list.empty()) {
    const std::size_t end = std::min(list.find_first_of("; \t\r\n"), list.size());
    if (end > 0) each(list.substr(0, end));
    list.remove_prefix(std::min(end + 1, list.size()));
  }
}

std::string_view WithoutScheme(std::string_view address) {
  if (const std::size_t at = address.find("://"); at != std::string_view::npos) {
    address.remove_prefix(at + 3);
  }
  while (!address.empty() && address.back() == '/') address.remove_suffix(1);
  return address;
}

// "name" and "port" of "name:port", "[name]:port" or "name" (port 80).
std::pair<std::string, std::string> NameAndPort(std::string_view authority) {
  authority.remove_prefix(authority.rfind('@') + 1);  // no user name, should one be there
  const std::size_t colon = authority.rfind(':');
  const bool port = colon != std::string_view::npos && authority.find(']', colon) == authority.npos;
  std::string_view name = authority.substr(0, port ? colon : authority.size());
  if (name.size() > 1 && name.front() == '[') name = name.substr(1, name.size() - 2);
  return {std::string(name), port ? std::string(authority.substr(colon + 1)) : "80"};
}

class SocketAnswer final : public HttpAnswer {
 public:
  explicit SocketAnswer(const std::atomic<int>& stop) : net_(Sockets::Get()), stop_(stop) {}
  ~SocketAnswer() override {
    if (socket_ != INVALID_SOCKET) net_.close(socket_);
  }

  // Sends the request and reads the answer's head.
  void Send(std::string_view address, std::string_view proxy, std::string_view headers) {
    // http://authority/path?query#fragment
    address = address.substr(0, address.find('#'));
    const std::size_t start = address.find("//") + 2;
    const std::size_t end = std::min(address.find_first_of("/?", start), address.size());
    const std::string_view authority = address.substr(start, end - start);
    const auto [name, port] = NameAndPort(proxy.empty() ? authority : proxy);
    Connect(name, port);
    std::string request = "GET ";
    if (!proxy.empty()) request += address.substr(0, end);  // to a proxy, the whole address
    if (end == address.size() || address[end] != '/') request += '/';
    request.append(address.substr(end)).append(" HTTP/1.1\r\nHost: ").append(authority);
    request.append("\r\n").append(headers).append("Connection: close\r\n\r\n");
    Write(request);
    ReadHead();
  }

  unsigned Status() override { return status_; }
  std::string Location() override { return location_; }
  std::optional<std::uint64_t> Length() override { return chunked_ ? std::nullopt : length_; }

  std::size_t Read(char* into, std::size_t most) override {
    if (ended_ || most == 0) return 0;
    std::uint64_t left = UINT64_MAX;  // of the body, or of its current chunk
    if (chunked_) {
      if (chunkLeft_ == 0 && !NextChunk()) return 0;
      left = chunkLeft_;
    } else if (length_) {
      left = *length_ - delivered_;
    }
    if (left == 0 || (pending_.empty() && !Receive(Kind::CutShort))) {
      if (chunked_) Fail(Kind::CutShort);  // closed inside a chunk
      ended_ = true;  // at its announced end, by the close, or closed short of it
      return 0;
    }
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(
        {static_cast<std::uint64_t>(most), left, static_cast<std::uint64_t>(pending_.size())}));
    std::memcpy(into, pending_.data(), n);
    pending_.erase(0, n);
    delivered_ += n;
    if (chunked_) chunkLeft_ -= n;
    return n;
  }

 private:
  // Waits until the socket can be read from, or written to (or has failed to connect: Windows
  // tells that among the exceptions).
  void Wait(bool writing) {
    for (;;) {
      if (stop_.load() != 0) Fail(Kind::Stopped);
      fd_set ready, failed;
      FD_ZERO(&ready);
      FD_ZERO(&failed);
      FD_SET(socket_, &ready);
      FD_SET(socket_, &failed);
      timeval slice = {0, static_cast<long>(kSliceMs * 1000)};
      const int n = writing ? net_.select(0, nullptr, &ready, &failed, &slice)
                            : net_.select(0, &ready, nullptr, nullptr, &slice);
      if (n > 0) return;
      if (n < 0) Fail(Kind::NoAnswer, static_cast<unsigned long>(net_.lastError()));
    }
  }

  // Each address of the name in turn, until one takes the connection.
  void Connect(const std::string& name, const std::string& port) {
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (const int error = net_.getAddrInfo(name.c_str(), port.c_str(), &hints, &found)) {
      Fail(Kind::CannotConnect, static_cast<unsigned long>(error));
    }
    const std::unique_ptr<addrinfo, decltype(net_.freeAddrInfo)> addresses(found,
                                                                           net_.freeAddrInfo);
    unsigned long error = WSAECONNREFUSED;
    for (const addrinfo* a = found; a; a = a->ai_next) {
      socket_ = net_.open(a->ai_family, a->ai_socktype, a->ai_protocol);
      u_long nonBlocking = 1;
      if (socket_ == INVALID_SOCKET || net_.control(socket_, FIONBIO, &nonBlocking) != 0) {
        error = static_cast<unsigned long>(net_.lastError());
      } else if (net_.connect(socket_, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) {
        return;
      } else if ((error = static_cast<unsigned long>(net_.lastError())) == WSAEWOULDBLOCK) {
        Wait(/*writing=*/true);
        int result = 0, size = sizeof result;
        net_.option(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&result), &size);
        if (result == 0) return;
        error = static_cast<unsigned long>(result);
      }
      if (socket_ != INVALID_SOCKET) net_.close(std::exchange(socket_, INVALID_SOCKET));
    }
    Fail(Kind::CannotConnect, error);
  }

  void Write(std::string_view data) {
    while (!data.empty()) {
      const int n = net_.send(socket_, data.data(), static_cast<int>(data.size()), 0);
      if (n > 0) {
        data.remove_prefix(static_cast<std::size_t>(n));
      } else if (const int error = net_.lastError(); error == WSAEWOULDBLOCK) {
        Wait(/*writing=*/true);
      } else {
        Fail(Kind::NoAnswer, static_cast<unsigned long>(error));
      }
    }
  }

  // Adds what arrives to pending_; false when the server has closed the connection.
  bool Receive(Kind failure) {
    for (;;) {
      if (stop_.load() != 0) Fail(Kind::Stopped);
      const std::size_t had = pending_.size();
      pending_.resize(had + kReceiveBytes);
      const int n = net_.receive(socket_, pending_.data() + had, kReceiveBytes, 0);
      pending_.resize(had + static_cast<std::size_t>(n > 0 ? n : 0));
      if (n > 0) return true;
      if (n == 0) return false;
      if (const int error = net_.lastError(); error != WSAEWOULDBLOCK) {
        Fail(failure, static_cast<unsigned long>(error));
      }
      Wait(/*writing=*/false);
    }
  }

  // The head, after any interim (1xx) ones; what follows it stays pending for the body.
  void ReadHead() {
    for (;;) {
      std::size_t end;
      while ((end = pending_.find("\r\n\r\n")) == std::string::npos) {
        if (pending_.size() > kMostHeadBytes) Fail(Kind::HeadTooLong);
        if (!Receive(Kind::NoAnswer)) Fail(pending_.empty() ? Kind::NoAnswer : Kind::BadAnswer);
      }
      if (end + 4 > kMostHeadBytes) Fail(Kind::HeadTooLong);
      ParseHead(std::string_view(pending_).substr(0, end + 2));
      pending_.erase(0, end + 4);
      if (status_ >= 200) return;
    }
  }

  void ParseHead(std::string_view head) {
    // "HTTP/1.1 200 OK"
    if (head.substr(0, 5) != "HTTP/" || head.find(' ') == std::string_view::npos) {
      Fail(Kind::BadAnswer);
    }
    const std::optional<std::uint64_t> status = Number(head.substr(head.find(' ') + 1, 3), 10);
    if (!status || *status < 100) Fail(Kind::BadAnswer);
    status_ = static_cast<unsigned>(*status);
    length_.reset();
    chunked_ = false;
    location_.clear();
    for (std::size_t at = head.find('\n'); at != std::string_view::npos;) {
      const std::size_t end = head.find('\n', at + 1);
      const std::string_view line = head.substr(
          at + 1, end == std::string_view::npos ? std::string_view::npos : end - at - 1);
      at = end;
      const std::size_t colon = line.find(':');
      if (colon == std::string_view::npos) continue;
      const std::string_view name = line.substr(0, colon), value = Trimmed(line.substr(colon + 1));
      if (SameText(name, "Content-Length")) {
        length_ = Number(value, 10);
      } else if (SameText(name, "Transfer-Encoding")) {
        chunked_ = value.size() >= 7 && SameText(value.substr(value.size() - 7), "chunked");
      } else if (SameText(name, "Location")) {
        location_ = value;
      }
    }
  }

  // Reads up to the next chunk's data; false after the last chunk (its trailer is not read).
  bool NextChunk() {
    if (delivered_ > 0) ReadLine();  // the line break after the chunk before
    const std::string line = ReadLine();
    const std::optional<std::uint64_t> size = Number(Trimmed(line.substr(0, line.find(';'))), 16);
    if (!size) Fail(Kind::BadAnswer);
    chunkLeft_ = *size;
    if (chunkLeft_ == 0) ended_ = true;
    return !ended_;
  }

  std::string ReadLine() {
    std::size_t end;
    while ((end = pending_.find('\n')) == std::string::npos) {
      if (pending_.size() > kMostLineBytes) Fail(Kind::BadAnswer);
      if (!Receive(Kind::CutShort)) Fail(Kind::CutShort);
    }
    std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    return line;
  }

  const Sockets& net_;
  const std::atomic<int>& stop_;
  SOCKET socket_ = INVALID_SOCKET;
  std::string pending_;  // received, not yet taken
  unsigned status_ = 0;
  std::string location_;
  std::optional<std::uint64_t> length_;
  bool chunked_ = false;
  std::uint64_t chunkLeft_ = 0;
  std::uint64_t delivered_ = 0;
  bool ended_ = false;
};

}  // namespace

void PrepareSockets() {
  Sockets::Get();
}

std::unique_ptr<HttpAnswer> SocketGet(std::string_view address, std::string_view proxy,
                                      std::string_view headers, const std::atomic<int>& stop) {
  auto answer = std::make_unique<SocketAnswer>(stop);
  answer->Send(address, proxy, headers);
  return answer;
}

std::string ProxyFor(std::string_view proxies, std::string_view bypass, std::string_view host) {
  bool direct = false;
  ForEachItem(bypass, [&](std::string_view item) {
    item = WithoutScheme(item);
    direct = direct ||
             (item == "<local>" ? host.find('.') == std::string_view::npos : Matches(item, host));
  });
  std::string_view proxy;
  ForEachItem(proxies, [&](std::string_view item) {
    const std::size_t equals = item.find('=');
    if (equals == std::string_view::npos) {
      if (proxy.empty()) proxy = item;
    } else if (SameText(item.substr(0, equals), "http")) {
      proxy = item.substr(equals + 1);
    }
  });
  proxy = WithoutScheme(proxy);
  if (direct || proxy.empty()) return {};
  std::string chosen(proxy);
  if (chosen.find(':') == std::string::npos) chosen += ":80";
  return chosen;
}

}  // namespace base
