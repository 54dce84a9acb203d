#include "base/Ansi.h"

#include <windows.h>

namespace base {
namespace {

int Length(size_t size) {
  return static_cast<int>(size);
}

std::string WideToBytes(UINT code_page, std::wstring_view text, DWORD flags, BOOL* used_default) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(code_page, flags, text.data(), Length(text.size()), nullptr, 0,
                              nullptr, used_default);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(code_page, flags, text.data(), Length(text.size()), out.data(), n, nullptr,
                      used_default);
  return out;
}

std::wstring BytesToWide(UINT code_page, std::string_view text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(code_page, 0, text.data(), Length(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), Length(text.size()), out.data(), n);
  return out;
}

}  // namespace

std::string ToAnsi(std::wstring_view text) {
  return WideToBytes(CP_ACP, text, 0, nullptr);
}

std::optional<std::string> ToAnsiExact(std::wstring_view text) {
  return ToCodePageExact(CP_ACP, text);
}

std::optional<std::string> ToCodePageExact(unsigned code_page, std::wstring_view text) {
  BOOL used_default = FALSE;
  std::string out = WideToBytes(code_page, text, WC_NO_BEST_FIT_CHARS, &used_default);
  if (used_default) return std::nullopt;
  // The default character may itself be a character of the text ("?"): a round trip tells.
  if (BytesToWide(code_page, out) != text) return std::nullopt;
  return out;
}

std::wstring FromAnsi(std::string_view text) {
  return BytesToWide(CP_ACP, text);
}

}  // namespace base
