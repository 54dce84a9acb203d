// Times the four button faces against the system's own push button (DrawFrameControl and
// DrawText), 81 x 22 pixels with a two-character caption, into a memory DC and into the DC of
// a window on screen. Prints microseconds per paint.
//
//   bench_faces [paints]      paints per measurement, 100 to 1000000, default 20000

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/ScopedWin.h"
#include "forms/Form.h"
#include "modCmdVista.h"

namespace {

constexpr int kWidth = 81;
constexpr int kHeight = 22;
const std::wstring kCaption(L"查询\0\0", 4);  // as DrawButton delivers it
const char kCaptionAnsi[] = "\xB2\xE9\xD1\xAF";

struct Painter {
  const char* name;
  void (*paint)(HDC, RECT&);
};

void SystemPush(HDC dc, RECT& rect, UINT state) {
  DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | state);
  DrawTextA(dc, kCaptionAnsi, 4, &rect, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

const Painter kPainters[] = {
    {"normal face", [](HDC dc, RECT& r) { modCmdVista::PaintNormalFace(dc, r, kCaption); }},
    {"pressed face", [](HDC dc, RECT& r) { modCmdVista::PaintPressedFace(dc, r, kCaption); }},
    {"focused face", [](HDC dc, RECT& r) { modCmdVista::PaintFocusedFace(dc, r, kCaption); }},
    {"disabled face", [](HDC dc, RECT& r) { modCmdVista::PaintDisabledFace(dc, r, kCaption); }},
    {"system push button", [](HDC dc, RECT& r) { SystemPush(dc, r, 0); }},
    {"system push button, pushed", [](HDC dc, RECT& r) { SystemPush(dc, r, DFCS_PUSHED); }},
};

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// Microseconds per paint over `paints` paints, after a short warm-up.
double Measure(HDC dc, const Painter& painter, int paints) {
  for (int i = 0; i < paints / 100; ++i) {
    RECT r{0, 0, kWidth, kHeight};
    painter.paint(dc, r);
  }
  GdiFlush();
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  for (int i = 0; i < paints; ++i) {
    RECT r{0, 0, kWidth, kHeight};
    painter.paint(dc, r);
  }
  GdiFlush();
  QueryPerformanceCounter(&end);
  return Seconds(start, end) * 1e6 / paints;
}

void Run(const char* target, HDC dc, int paints) {
  const base::Font font = forms::DefaultFont(96);
  const base::ScopedSelectObject select(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  for (const Painter& painter : kPainters) {
    std::printf("%-12s %-28s %8.2f us\n", target, painter.name, Measure(dc, painter, paints));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int paints = argc > 1 ? std::atoi(argv[1]) : 20000;
  if (paints < 100 || paints > 1000000) {
    std::fprintf(stderr, "usage: bench_faces [paints 100-1000000]\n");
    return 2;
  }
  std::printf("%d paints of %d x %d per line\n", paints, kWidth, kHeight);

  {
    const base::WindowDc screen(nullptr);
    const base::MemoryDc dc(CreateCompatibleDC(screen.get()));
    const base::Bitmap bitmap(CreateCompatibleBitmap(screen.get(), kWidth, kHeight));
    const base::ScopedSelectObject select(dc.get(), bitmap.get());
    Run("memory DC", dc.get(), paints);
  }

  HWND window =
      CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 10, 10, kWidth,
                      kHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window) {
    std::fprintf(stderr, "bench_faces: no window\n");
    return 1;
  }
  UpdateWindow(window);
  {
    const base::WindowDc dc(window);
    Run("window DC", dc.get(), paints);
  }
  DestroyWindow(window);
  return 0;
}
