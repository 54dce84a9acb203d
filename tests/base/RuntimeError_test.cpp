#include "base/RuntimeError.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <type_traits>

namespace {

using base::RuntimeError;

// Errors cross the boundaries that Windows owns, where nothing may be raised, even out of memory.
static_assert(std::is_nothrow_copy_constructible_v<RuntimeError> &&
              std::is_nothrow_copy_assignable_v<RuntimeError> &&
              std::is_nothrow_constructible_v<RuntimeError, int>);

RuntimeError Caught(auto&& raise) {
  try {
    raise();
  } catch (...) {
    return base::CurrentErrorAsRuntimeError();
  }
  return RuntimeError(0, L"nothing raised");
}

TEST(RuntimeError, ReportCarriesNumberAndMessage) {
  EXPECT_EQ(base::FormatReport(RuntimeError(RuntimeError::kOverflow)), L"运行时错误 '6':\n\n溢出");
  EXPECT_EQ(base::FormatReport(RuntimeError(1001, L"状态服务器没有应答")),
            L"运行时错误 '1001':\n\n状态服务器没有应答");
}

TEST(RuntimeError, WhateverCrossesABoundaryBecomesARunTimeError) {
  EXPECT_EQ(Caught([] { throw RuntimeError(RuntimeError::kObjectNotSet); }).number(), 91);
  EXPECT_EQ(Caught([] { throw std::bad_alloc(); }).number(), RuntimeError::kOutOfMemory);
  EXPECT_EQ(Caught([] { throw std::logic_error("x"); }).number(), RuntimeError::kInvalidCall);
  EXPECT_EQ(Caught([] { throw 42; }).number(), RuntimeError::kInvalidCall);
}

}  // namespace
