// The floor of the query benchmark (scripts/bench.sh): the window of plain_lookup.exe, whose query
// is one HTTP GET over a socket of its own, synchronously on the user-interface thread, through
// the proxy that http_proxy names (http://HOST:PORT), else straight to the status server. It
// decides by the length of the answer's body, as the plain design does by the file's. Nothing is
// loaded at the first query: Winsock is imported and started with the program.

#include <winsock2.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "QueryWindow.h"

namespace {

constexpr char kHost[] = "amos.alicdn.com";
constexpr char kPathPrefix[] = "/online.ww?v=2&uid=";
constexpr long long kOnlineBodySize = 4944;

// The proxy's host and port from http_proxy, or the status server's own.
void Server(std::string& host, u_short& port) {
  const char* proxy = std::getenv("http_proxy");
  host = kHost;
  port = 80;
  if (!proxy || !*proxy) return;
  std::string rest = proxy;
  if (const size_t scheme = rest.find("://"); scheme != std::string::npos)
    rest.erase(0, scheme + 3);
  rest = rest.substr(0, rest.find('/'));
  const size_t colon = rest.rfind(':');
  host = rest.substr(0, colon);
  if (colon != std::string::npos) port = static_cast<u_short>(std::atoi(rest.c_str() + colon + 1));
}

// The body's length of one GET of the address, or -1 when there is no whole answer.
long long BodySize(const std::string& path) {
  std::string host;
  u_short port;
  Server(host, port);
  const bool proxied = host != kHost;
  const hostent* found = gethostbyname(host.c_str());
  if (!found) return -1;
  sockaddr_in to = {};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  std::memcpy(&to.sin_addr, found->h_addr_list[0], sizeof to.sin_addr);
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return -1;
  long long size = -1;
  if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
    const std::string request = "GET " + (proxied ? "http://" + std::string(kHost) : "") + path +
                                " HTTP/1.1\r\nHost: " + kHost + "\r\nConnection: close\r\n\r\n";
    send(s, request.data(), static_cast<int>(request.size()), 0);
    std::string answer;
    char buffer[8192];
    for (int n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, n);
    const size_t body = answer.find("\r\n\r\n");
    if (body != std::string::npos) size = static_cast<long long>(answer.size() - body - 4);
  }
  closesocket(s);
  return size;
}

void Command1_Click(const querywindow::Boxes& boxes) {
  const long long size = BodySize(kPathPrefix + querywindow::AccountInAnsi(boxes) + "&s=1");
  SetWindowTextW(boxes.readout, size == kOnlineBodySize ? L"在线" : L"离线");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
  const int code = querywindow::Run(instance, show, L"Socket lookup", Command1_Click);
  WSACleanup();
  return code;
}
