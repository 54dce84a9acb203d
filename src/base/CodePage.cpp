#include "base/CodePage.h"

#include <windows.h>

namespace base {
namespace {

int Length(size_t size) {
  return static_cast<int>(size);
}

std::string WideToBytes(UINT codePage, std::wstring_view text, BOOL* usedDefault) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), Length(text.size()),
                              nullptr, 0, nullptr, usedDefault);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), Length(text.size()), out.data(),
                      n, nullptr, usedDefault);
  return out;
}

std::wstring BytesToWide(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(codePage, 0, text.data(), Length(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), Length(text.size()), out.data(), n);
  return out;
}

}  // namespace

std::optional<std::string> ToCodePageExact(unsigned codePage, std::wstring_view text) {
  BOOL usedDefault = FALSE;
  std::string out = WideToBytes(codePage, text, &usedDefault);
  if (usedDefault) return std::nullopt;
  // The default character may itself be a character of the text ("?"): a round trip tells.
  if (BytesToWide(codePage, out) != text) return std::nullopt;
  return out;
}

}  // namespace base
