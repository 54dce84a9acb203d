#pragma once

#include <cstdint>
#include <string>

// Numbers as text for messages, without the C library's printf engine (which costs the program
// a fifth of its size for these few calls).
namespace base {

// Decimal digits, with a leading '-' when negative: "-42".
std::wstring DecimalText(std::int64_t value);

}  // namespace base
