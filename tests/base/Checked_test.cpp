#include "base/Checked.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using base::RuntimeError;

int ErrorNumberOf(auto&& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

TEST(Checked, SubtractionOverflowRaisesError6) {
  EXPECT_EQ(base::CheckedSub(INT_MIN + 3, 3), INT_MIN);
  EXPECT_EQ(ErrorNumberOf([] { base::CheckedSub(INT_MIN + 2, 3); }), 6);
  EXPECT_EQ(ErrorNumberOf([] { base::CheckedSub(INT_MAX, -1); }), 6);
  EXPECT_EQ(ErrorNumberOf([] { base::CheckedAdd(INT_MAX, 1); }), 6);
}

TEST(Checked, FloorDivRoundsTowardMinusInfinity) {
  EXPECT_EQ(base::FloorDiv(-1, 6), -1);
  EXPECT_EQ(base::FloorDiv(-6, 6), -1);
  EXPECT_EQ(base::FloorDiv(-7, 6), -2);
  EXPECT_EQ(base::FloorDiv(21, 6), 3);
  EXPECT_EQ(base::FloorDiv(INT_MIN, 6), -357913942);
}

}  // namespace
