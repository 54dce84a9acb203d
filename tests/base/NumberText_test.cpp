#include "base/NumberText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

TEST(NumberText, Decimal) {
  const std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  const std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ(base::DecimalText(0), L"0");
  EXPECT_EQ(base::DecimalText(7), L"7");
  EXPECT_EQ(base::DecimalText(-1), L"-1");
  EXPECT_EQ(base::DecimalText(4944), L"4944");
  EXPECT_EQ(base::DecimalText(4294967295), L"4294967295");  // a DWORD error code stays positive
  EXPECT_EQ(base::DecimalText(kMax), L"9223372036854775807");
  EXPECT_EQ(base::DecimalText(kMin), L"-9223372036854775808");
}

}  // namespace
