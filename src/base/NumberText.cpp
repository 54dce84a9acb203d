#include "base/NumberText.h"

namespace base {

std::wstring DecimalText(std::int64_t value) {
  // Works on the magnitude as unsigned, so the most negative value has one too.
  std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  wchar_t digits[20];
  int n = 0;
  do {
    digits[n++] = static_cast<wchar_t>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  std::wstring text;
  if (value < 0) text += L'-';
  while (n > 0) text += digits[--n];
  return text;
}

std::wstring HexText(std::uint64_t value, int minDigits) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text;
  for (int shift = 60; shift >= 0; shift -= 4) {
    unsigned digit = static_cast<unsigned>(value >> shift) & 0xF;
    if (digit != 0 || !text.empty() || shift < 4 * minDigits || shift == 0) text += kDigits[digit];
  }
  return text;
}

}  // namespace base
