// Renders the four button faces with a real caption in the program's font, enlarged with
// nearest-neighbour scaling, as 24-bit BMP files in the current folder (normal.bmp,
// pressed.bmp, focused.bmp, disabled.bmp). scripts/render-faces.sh turns them into PNGs.
//
//   render_faces [scale]      scale: 1 to 16, default 4

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/ScopedWin.h"
#include "forms/Form.h"
#include "modCmdVista.h"

namespace {

constexpr int kWidth = 81;
constexpr int kHeight = 22;

struct Face {
  const char* file;
  void (*paint)(HDC, const RECT&, const std::wstring&);
};

constexpr Face kFaces[] = {
    {"normal.bmp", modCmdVista::PaintNormalFace},
    {"pressed.bmp", modCmdVista::PaintPressedFace},
    {"focused.bmp", modCmdVista::PaintFocusedFace},
    {"disabled.bmp", modCmdVista::PaintDisabledFace},
};

// Paints one face the way DrawButton does, into a 32-bpp top-down DIB over the button-face
// colour; returns its pixels as 0x00RRGGBB.
std::vector<DWORD> PaintFace(const Face& face) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = -kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  const base::MemoryDc dc(CreateCompatibleDC(nullptr));
  void* bits = nullptr;
  const base::Bitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return {};
  const base::ScopedSelectObject selectBitmap(dc.get(), bitmap.get());
  const base::Font font = forms::DefaultFont(96);
  const base::ScopedSelectObject selectFont(dc.get(), font.get());

  RECT all{0, 0, kWidth, kHeight};
  FillRect(dc.get(), &all, GetSysColorBrush(COLOR_BTNFACE));
  SetBkMode(dc.get(), TRANSPARENT);
  // As DrawButton delivers it: one NUL per double-byte character after the text.
  const std::wstring caption(L"查询\0\0", 4);
  face.paint(dc.get(), {0, 0, kWidth, kHeight}, caption);
  GdiFlush();
  const DWORD* p = static_cast<const DWORD*>(bits);
  return std::vector<DWORD>(p, p + kWidth * kHeight);
}

// A bottom-up 24-bit BMP, each source pixel repeated scale times in both directions.
bool WriteScaledBmp(const char* path, const std::vector<DWORD>& pixels, int scale) {
  const int width = kWidth * scale;
  const int height = kHeight * scale;
  const int stride = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER header{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(header);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(stride) * height;
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;

  std::vector<unsigned char> rows(static_cast<size_t>(stride) * height, 0);
  for (int y = 0; y < height; ++y) {
    unsigned char* row = &rows[static_cast<size_t>(height - 1 - y) * stride];
    for (int x = 0; x < width; ++x) {
      const DWORD p = pixels[static_cast<size_t>(y / scale) * kWidth + x / scale];
      row[3 * x + 0] = p & 0xFF;          // blue
      row[3 * x + 1] = (p >> 8) & 0xFF;   // green
      row[3 * x + 2] = (p >> 16) & 0xFF;  // red
    }
  }
  FILE* out = std::fopen(path, "wb");
  if (!out) return false;
  const bool ok = std::fwrite(&file, sizeof(file), 1, out) == 1 &&
                  std::fwrite(&header, sizeof(header), 1, out) == 1 &&
                  std::fwrite(rows.data(), rows.size(), 1, out) == 1;
  return std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  const int scale = argc > 1 ? std::atoi(argv[1]) : 4;
  if (scale < 1 || scale > 16) {
    std::fprintf(stderr, "usage: render_faces [scale 1-16]\n");
    return 2;
  }
  for (const Face& face : kFaces) {
    const std::vector<DWORD> pixels = PaintFace(face);
    if (pixels.empty() || !WriteScaledBmp(face.file, pixels, scale)) {
      std::fprintf(stderr, "render_faces: could not write %s\n", face.file);
      return 1;
    }
    std::printf("%s\n", face.file);
  }
  return 0;
}
