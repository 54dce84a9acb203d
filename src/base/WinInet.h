#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <memory>
#include <string>

#include "base/Http.h"

// Windows' own HTTP client, WinINet, for what a GET over a socket of one's own does not do: https:,
// and a proxy that Windows finds by a script or by asking the network, or that asks to be logged on
// to. Loaded from the system folder when first needed, rather than imported (start-up has no use
// for it and the DLLs it brings along), and never let go: a request given up on may still be
// ending inside it as the program ends.
namespace base {

// What the GETs need of WinINet, and an internet session with the proxy settings Windows has.
struct Internet {
  decltype(&InternetCloseHandle) closeHandle;
  decltype(&InternetCombineUrlA) combineUrl;
  decltype(&InternetCrackUrlA) crackUrl;
  decltype(&InternetConnectA) connect;
  decltype(&HttpOpenRequestA) openRequest;
  decltype(&HttpSendRequestA) sendRequest;
  decltype(&HttpQueryInfoA) queryInfo;
  decltype(&InternetQueryDataAvailable) dataAvailable;
  decltype(&InternetReadFile) readFile;
  decltype(&InternetSetOptionA) setOption;
  decltype(&InternetQueryOptionA) queryOption;
  HINTERNET session;
};

// Loads WinINet and opens a session that takes the system's proxy settings. Sends nothing and
// connects nowhere. Throws HttpError.
Internet OpenInternet(const char* userAgent);

// The proxy settings of the connection Windows uses by default.
struct ProxySettings {
  // A proxy script, or its discovery: which proxy an address takes, WinINet alone can tell.
  bool foundByWinInet = false;
  std::string proxies, bypass;  // else the settings, as Windows keeps them (see ProxyFor)
};
ProxySettings ReadProxySettings(const Internet& net);

// A GET of an http: or https: address through WinINet, as InternetCrackUrlA parts it: a fresh
// answer, kept nowhere (no cache, no cookie), no dialog box, no redirect followed, the head waited
// for at most `timeoutMs` between two bytes. While it runs, its request is in `request`, where
// another thread may take it and close it (CloseRequest) to end a wait on it: Windows documents
// that closing does so; Wine does not, and the wait runs on until the timeout. The body is read
// as it arrives, looking at `stop` between pieces, as SocketGet does. Throws HttpError.
std::unique_ptr<HttpAnswer> WinInetGet(const Internet& net, const URL_COMPONENTSA& parts,
                                       DWORD timeoutMs, const std::atomic<int>& stop,
                                       std::atomic<HINTERNET>& request);

// Closes the request unless another thread has taken it already; whoever takes it closes it.
void CloseRequest(const Internet& net, std::atomic<HINTERNET>& request) noexcept;

}  // namespace base
