#include "base/NumberText.h"

namespace base {

std::wstring DecimalText(std::int64_t value) {
  // Works on the magnitude as unsigned, so the most negative value has one too. It is divided by
  // ten 16 bits at a time: a 32-bit program then needs no 64-bit division routine.
  std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  wchar_t digits[20];
  int n = 0;
  do {
    std::uint64_t quotient = 0;
    std::uint32_t remainder = 0;
    for (int shift = 48; shift >= 0; shift -= 16) {
      const std::uint32_t part =
          remainder << 16 | static_cast<std::uint32_t>(magnitude >> shift & 0xFFFF);
      quotient |= std::uint64_t{part / 10} << shift;
      remainder = part % 10;
    }
    digits[n++] = static_cast<wchar_t>(L'0' + remainder);
    magnitude = quotient;
  } while (magnitude != 0);
  std::wstring text;
  if (value < 0) text += L'-';
  while (n > 0) text += digits[--n];
  return text;
}

}  // namespace base
