#include "base/Ansi.h"

#include <windows.h>

namespace base {
namespace {

int Length(size_t size) {
  return static_cast<int>(size);
}

std::string WideToAnsi(std::wstring_view text, DWORD flags, BOOL* used_default) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, flags, text.data(), Length(text.size()), nullptr, 0, nullptr,
                              used_default);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, flags, text.data(), Length(text.size()), out.data(), n, nullptr,
                      used_default);
  return out;
}

}  // namespace

std::string ToAnsi(std::wstring_view text) {
  return WideToAnsi(text, 0, nullptr);
}

std::optional<std::string> ToAnsiExact(std::wstring_view text) {
  BOOL used_default = FALSE;
  std::string out = WideToAnsi(text, WC_NO_BEST_FIT_CHARS, &used_default);
  if (used_default) return std::nullopt;
  // The default character may itself be a character of the text ("?"): a round trip tells.
  if (FromAnsi(out) != text) return std::nullopt;
  return out;
}

std::wstring FromAnsi(std::string_view text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), Length(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), Length(text.size()), out.data(), n);
  return out;
}

}  // namespace base
