#include "base/Http.h"

#include <gtest/gtest.h>

namespace {

// The proxy an http: address takes, as Windows' settings name it.
TEST(HttpProxy, FollowsTheListAndTheBypass) {
  struct Case {
    const char *proxies, *bypass, *host, *proxy;
  };
  const Case cases[] = {
      {"", "", "example.com", ""},
      {"cache:8080", "", "example.com", "cache:8080"},
      {"cache", "", "example.com", "cache:80"},
      {"http://cache:8080/", "", "example.com", "cache:8080"},
      {"https=secure:443;http=plain:3128", "", "example.com", "plain:3128"},
      {"ftp=files:21", "", "example.com", ""},  // none for http:
      {"cache:8080", "<local>", "intranet", ""},
      {"cache:8080", "<local>", "example.com", "cache:8080"},
      {"cache:8080", "*.EXAMPLE.com; other", "status.example.com", ""},
      {"cache:8080", "*.example.com", "example.com", "cache:8080"},
      {"cache:8080", "10.*;127.0.0.1", "127.0.0.1", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.proxies << " | " << c.bypass << " | " << c.host);
    EXPECT_EQ(base::ProxyFor(c.proxies, c.bypass, c.host), c.proxy);
  }
}

}  // namespace
