#pragma once

#include <cstdint>

#include "base/RuntimeError.h"

// 32-bit signed arithmetic with an overflow test, as the program's coordinate arithmetic is
// done: a result outside the range raises run-time error 6 (overflow).
namespace base {

inline std::int32_t CheckedAdd(std::int32_t a, std::int32_t b) {
  std::int32_t r;
  if (__builtin_add_overflow(a, b, &r)) throw RuntimeError(RuntimeError::kOverflow);
  return r;
}

inline std::int32_t CheckedSub(std::int32_t a, std::int32_t b) {
  std::int32_t r;
  if (__builtin_sub_overflow(a, b, &r)) throw RuntimeError(RuntimeError::kOverflow);
  return r;
}

// floor(a / b) for integers, rounding toward minus infinity (not toward zero); b > 0.
constexpr std::int32_t FloorDiv(std::int32_t a, std::int32_t b) {
  std::int32_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

}  // namespace base
