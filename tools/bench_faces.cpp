// Times the four button faces against the system's own push button (DrawFrameControl and
// DrawText), 81 x 22 pixels with a two-character caption, into a memory DC and into the DC of
// a window on screen (scripts/bench.sh). The painters take turns, round after round; prints the
// median microseconds per paint of each face beside the system's button as Markdown table rows.
//
//   bench_faces [paints [rounds]]   paints per measurement, 100 to 1000000, default 2000;
//                                   rounds 9 to 99, default 11

#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

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
  int baseline;  // the painter it is compared with, or -1 for a baseline
};

void SystemPush(HDC dc, RECT& rect, UINT state) {
  DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | state);
  DrawTextA(dc, kCaptionAnsi, 4, &rect, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

const Painter kPainters[] = {
    {"normal face", [](HDC dc, RECT& r) { modCmdVista::PaintNormalFace(dc, r, kCaption); }, 4},
    {"pressed face", [](HDC dc, RECT& r) { modCmdVista::PaintPressedFace(dc, r, kCaption); }, 5},
    {"focused face", [](HDC dc, RECT& r) { modCmdVista::PaintFocusedFace(dc, r, kCaption); }, 4},
    {"disabled face", [](HDC dc, RECT& r) { modCmdVista::PaintDisabledFace(dc, r, kCaption); }, 4},
    {"system push button", [](HDC dc, RECT& r) { SystemPush(dc, r, 0); }, -1},
    {"system push button, pushed", [](HDC dc, RECT& r) { SystemPush(dc, r, DFCS_PUSHED); }, -1},
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

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void Run(const char* target, HDC dc, int paints, int rounds) {
  const base::Font font = forms::DefaultFont(96);
  const base::ScopedSelectObject select(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  constexpr int kPainterCount = static_cast<int>(std::size(kPainters));
  std::vector<double> times[kPainterCount];
  for (int round = 0; round < rounds; ++round) {
    for (int k = 0; k < kPainterCount; ++k) {
      const int p = (round + k) % kPainterCount;
      times[p].push_back(Measure(dc, kPainters[p], paints));
    }
  }
  for (int p = 0; p < kPainterCount; ++p) {
    const int b = kPainters[p].baseline;
    if (b < 0) continue;
    // The ratio is the median of each round's ratio: the load of a shared machine drifts.
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round)
      ratios.push_back(times[p][round] / times[b][round]);
    std::printf("| face painting, %s: %s | %.2f µs | %s: %.2f µs | %.2f× |\n", target,
                kPainters[p].name, Median(times[p]), kPainters[b].name, Median(times[b]),
                Median(ratios));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int paints = argc > 1 ? std::atoi(argv[1]) : 2000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 11;
  if (paints < 100 || paints > 1000000 || rounds < 9 || rounds > 99) {
    std::fprintf(stderr, "usage: bench_faces [paints 100-1000000 [rounds 9-99]]\n");
    return 2;
  }

  {
    const base::WindowDc screen(nullptr);
    const base::MemoryDc dc(CreateCompatibleDC(screen.get()));
    const base::Bitmap bitmap(CreateCompatibleBitmap(screen.get(), kWidth, kHeight));
    const base::ScopedSelectObject select(dc.get(), bitmap.get());
    Run("memory DC", dc.get(), paints, rounds);
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
    Run("window DC", dc.get(), paints, rounds);
  }
  DestroyWindow(window);
  return 0;
}
