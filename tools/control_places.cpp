// Prints where the controls of a top-level window lie on the screen, for the scripts that drive
// the program from X (scripts/screenshots.sh), whose windows have no X windows of their own: one
// line per control, "class left top width height caption", the caption in UTF-8.
//
//   control_places TITLE   the first visible top-level window of that title; fails if none

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  out.pop_back();  // the NUL
  return out;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
  wchar_t className[64] = {};
  wchar_t caption[256] = {};
  RECT r{};
  GetClassNameW(control, className, 64);
  GetWindowTextW(control, caption, 256);
  GetWindowRect(control, &r);
  std::printf("%s %ld %ld %ld %ld %s\n", Utf8(className).c_str(), r.left, r.top, r.right - r.left,
              r.bottom - r.top, Utf8(caption).c_str());
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: control_places TITLE\n");
    return 2;
  }
  HWND window = FindWindowExW(nullptr, nullptr, nullptr, argv[1]);
  while (window && !IsWindowVisible(window))
    window = FindWindowExW(nullptr, window, nullptr, argv[1]);
  if (!window) {
    std::fprintf(stderr, "control_places: no window of that title\n");
    return 1;
  }
  _setmode(_fileno(stdout), _O_BINARY);  // the lines as written: UTF-8, no carriage returns
  EnumChildWindows(window, PrintControl, 0);
  return 0;
}
