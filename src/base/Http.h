#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// HTTP GETs bounded in what they take from the server: a head of at most kMostHeadBytes, a body
// read only as far as the caller asks, and every wait given up within kSliceMs of the caller
// saying so. Windows Sockets come from the system folder when first needed.
namespace base {

// The longest answer head taken, as Windows' own HTTP client takes by default.
inline constexpr std::size_t kMostHeadBytes = 64 * 1024;
// How long a wait for the server goes on before it asks again whether to stop.
inline constexpr unsigned kSliceMs = 100;

// Why an exchange failed, with the system's error number where there is one.
struct HttpError {
  enum class Kind {
    CannotConnect,
    NoAnswer,
    BadAnswer,
    HeadTooLong,
    CutShort,
    Stopped,
    Unavailable,  // the system's networking could not be loaded or started
  };
  Kind kind;
  unsigned long systemError = 0;
};

// One answer under way: its head has come, its body is read in pieces as it arrives. Whatever
// fails throws HttpError.
class HttpAnswer {
 public:
  HttpAnswer() = default;
  HttpAnswer(const HttpAnswer&) = delete;
  HttpAnswer& operator=(const HttpAnswer&) = delete;
  virtual ~HttpAnswer() = default;

  virtual unsigned Status() = 0;
  virtual std::string Location() = 0;                 // empty when it gives none
  virtual std::optional<std::uint64_t> Length() = 0;  // as announced, when it is
  // What has arrived of the body, at most `most` bytes (waiting for some); 0 at its end.
  virtual std::size_t Read(char* into, std::size_t most) = 0;
};

// Loads and starts Windows Sockets for the process, once; sends nothing. Throws HttpError.
void PrepareSockets();

// A GET of an http: address over a socket of its own: connects to `proxy` ("name:port", which
// forwards it) or else to the address's host, sends the request (HTTP/1.1, `headers` being more
// header lines, each ending in "\r\n"; the connection closed after it) and reads the answer's
// head. `stop` is looked at before every wait, and no wait is longer than kSliceMs: once another
// thread sets it to anything but 0, the exchange ends with HttpError::Kind::Stopped. Only the
// lookup of a name cannot be cut short.
std::unique_ptr<HttpAnswer> SocketGet(std::string_view address, std::string_view proxy,
                                      std::string_view headers, const std::atomic<int>& stop);

// The HTTP proxy that Windows' settings name for an http: address on `host`: "name:port", or
// empty for none. `proxies` is the list as Windows keeps it ("name:port", or
// "http=name:port;https=name:port"), `bypass` the hosts asked directly ("<local>;*.example.com").
std::string ProxyFor(std::string_view proxies, std::string_view bypass, std::string_view host);

}  // namespace base
