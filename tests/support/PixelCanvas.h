#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "base/ScopedWin.h"

// Pixel-exact checks of GDI drawing: a canvas to draw on, images of what is expected, and a
// comparison that names every differing pixel.
namespace testsupport {

// A grid of COLORREF values addressed in logical coordinates: logical (0, 0) lies at
// `origin` in the grid, so drawing at small negative coordinates stays visible.
class Image {
 public:
  Image(int width, int height, POINT origin, COLORREF fill);

  int width() const { return width_; }
  int height() const { return height_; }
  POINT origin() const { return origin_; }
  // The logical rectangle the grid covers.
  RECT Bounds() const;

  COLORREF At(int x, int y) const;
  bool Contains(long long x, long long y) const;
  void Set(long long x, long long y, COLORREF colour);  // outside the grid: nothing

  // The platform's drawing as the expectations model it (as Wine's GDI does it): FillRect
  // fills nothing for an empty rectangle, and where right < left it covers the columns
  // right + 1 to left (likewise rows); FrameRect draws nothing for an empty or upside-down
  // rectangle; a one-pixel line leaves out its end point.
  void FillRect(const RECT& r, COLORREF colour);
  void FrameRect(const RECT& r, COLORREF colour);
  void HorizontalLine(long long x0, long long x1, long long y, COLORREF colour);

 private:
  int width_;
  int height_;
  POINT origin_;
  std::vector<COLORREF> pixels_;
};

// A 32-bpp top-down DIB section selected into a memory DC, prefilled with a sentinel so that
// stray writes show. The DC's viewport origin puts logical (0, 0) at `origin`.
class Canvas {
 public:
  Canvas(int width, int height, POINT origin, COLORREF sentinel);
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  ~Canvas();

  HDC dc() const { return dc_.get(); }
  // What the canvas holds now, in the same logical coordinates.
  Image Snapshot() const;

 private:
  int width_;
  int height_;
  POINT origin_;
  base::MemoryDc dc_;
  base::Bitmap bitmap_;
  HGDIOBJ previousBitmap_ = nullptr;
  const DWORD* bits_ = nullptr;
};

// "RGB(r, g, b)" for messages.
std::string ColourName(COLORREF colour);

// Equal size and origin and every pixel equal; otherwise the first differing pixels, each as
// "at (x, y) got RGB(...) expected RGB(...)", and their count.
testing::AssertionResult SameImage(const Image& got, const Image& expected);

// GDI objects the process holds. Where GetGuiResources answers 0 (Wine does not count), it is
// the size of the process's GDI handle table minus the handles still free: brushes are made
// until creation fails and then deleted. -1 if neither works.
long GdiObjectsInUse();

}  // namespace testsupport
