#pragma once

#include <cstdint>
#include <string>

// Numbers as text for messages, without the C library's printf engine (which costs the program
// a fifth of its size for these few calls).
namespace base {

// Decimal digits, with a leading '-' when negative: "-42".
std::wstring DecimalText(std::int64_t value);

// Upper-case hexadecimal digits, zero-padded to at least min_digits, without a prefix:
// HexText(0x80004005, 8) is "80004005".
std::wstring HexText(std::uint64_t value, int minDigits = 1);

}  // namespace base
