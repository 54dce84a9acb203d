#pragma once

#include <algorithm>
#include <string>
#include <string_view>

// Paths handed over from the Unix side (environment variables set by CMake and the scripts), as
// the Windows side opens them: Wine shows the Unix root as drive Z:. A Windows path is kept.
// Needs nothing but the standard library, so the tools use it too.
namespace testsupport {

template <typename Char>
std::basic_string<Char> WindowsPathOf(std::basic_string_view<Char> path) {
  std::basic_string<Char> windows(path);
  if (!windows.empty() && windows.front() == Char('/')) {
    std::replace(windows.begin(), windows.end(), Char('/'), Char('\\'));
    windows.insert(0, {Char('Z'), Char(':')});
  }
  return windows;
}

inline std::string WindowsPath(std::string_view path) {
  return WindowsPathOf(path);
}

inline std::wstring WindowsPath(std::wstring_view path) {
  return WindowsPathOf(path);
}

}  // namespace testsupport
