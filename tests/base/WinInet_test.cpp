#include "base/WinInet.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr wchar_t kConnections[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
constexpr wchar_t kSettings[] = L"DefaultConnectionSettings";

// Whether a proxy script or its discovery is seen in the default connection's settings, whatever
// their length (a long bypass list makes them longer than a kilobyte). The user's own settings
// are put back.
TEST(WinInetProxy, ScriptOrDiscoverySeenInSettingsOfAnyLength) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kConnections, 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  DWORD size = 0;
  const bool had =
      RegQueryValueExW(key, kSettings, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
  std::vector<BYTE> saved(size);
  if (had) RegQueryValueExW(key, kSettings, nullptr, nullptr, saved.data(), &size);
  const base::Internet net = base::OpenInternet("test");
  struct Case {
    DWORD flags;
    size_t bytes;
    bool foundByWinInet;
  } cases[] = {
      {PROXY_TYPE_DIRECT, 64, false},
      {PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY, 4096, false},
      {PROXY_TYPE_DIRECT | PROXY_TYPE_AUTO_DETECT, 64, true},
      {PROXY_TYPE_DIRECT | PROXY_TYPE_AUTO_PROXY_URL, 4096, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.flags << ", " << c.bytes << " bytes");
    std::vector<DWORD> blob(c.bytes / sizeof(DWORD));
    blob[0] = 0x46, blob[2] = c.flags;  // the version, a count, the flags
    RegSetValueExW(key, kSettings, 0, REG_BINARY, reinterpret_cast<const BYTE*>(blob.data()),
                   static_cast<DWORD>(c.bytes));
    EXPECT_EQ(base::ReadProxySettings(net).foundByWinInet, c.foundByWinInet);
  }
  if (had) {
    RegSetValueExW(key, kSettings, 0, REG_BINARY, saved.data(), size);
  } else {
    RegDeleteValueW(key, kSettings);
  }
  RegCloseKey(key);
  net.closeHandle(net.session);
}

}  // namespace
