#include "support/PixelCanvas.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <utility>

namespace testsupport {

Image::Image(int width, int height, POINT origin, COLORREF fill)
    : width_(width),
      height_(height),
      origin_(origin),
      pixels_(static_cast<size_t>(width) * static_cast<size_t>(height), fill) {}

RECT Image::Bounds() const {
  return {-origin_.x, -origin_.y, width_ - origin_.x, height_ - origin_.y};
}

bool Image::Contains(long long x, long long y) const {
  const long long gx = x + origin_.x;
  const long long gy = y + origin_.y;
  return gx >= 0 && gx < width_ && gy >= 0 && gy < height_;
}

COLORREF Image::At(int x, int y) const {
  return pixels_[static_cast<size_t>(y + origin_.y) * width_ + (x + origin_.x)];
}

void Image::Set(long long x, long long y, COLORREF colour) {
  if (!Contains(x, y)) return;
  pixels_[static_cast<size_t>(y + origin_.y) * width_ + static_cast<size_t>(x + origin_.x)] =
      colour;
}

void Image::FillRect(const RECT& r, COLORREF colour) {
  // An upside-down side is covered as a mirrored blit covers it: from the far edge, excluded,
  // to the near edge, included.
  const auto span = [](long long from, long long to) {
    return from <= to ? std::pair(from, to) : std::pair(to + 1, from + 1);
  };
  const RECT b = Bounds();
  const auto [x0, x1] = span(r.left, r.right);
  const auto [y0, y1] = span(r.top, r.bottom);
  for (long long y = std::max<long long>(y0, b.top); y < std::min<long long>(y1, b.bottom); ++y) {
    for (long long x = std::max<long long>(x0, b.left); x < std::min<long long>(x1, b.right); ++x) {
      Set(x, y, colour);
    }
  }
}

void Image::FrameRect(const RECT& r, COLORREF colour) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  FillRect({r.left, r.top, r.right, r.top + 1}, colour);
  FillRect({r.left, r.bottom - 1, r.right, r.bottom}, colour);
  FillRect({r.left, r.top, r.left + 1, r.bottom}, colour);
  FillRect({r.right - 1, r.top, r.right, r.bottom}, colour);
}

void Image::HorizontalLine(long long x0, long long x1, long long y, COLORREF colour) {
  if (x0 < x1) {
    for (long long x = x0; x < x1; ++x) Set(x, y, colour);
  } else {
    for (long long x = x0; x > x1; --x) Set(x, y, colour);
  }
}

Canvas::Canvas(int width, int height, POINT origin, COLORREF sentinel)
    : width_(width), height_(height), origin_(origin), dc_(CreateCompatibleDC(nullptr)) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  bits_ = static_cast<const DWORD*>(bits);
  previousBitmap_ = SelectObject(dc_.get(), bitmap_.get());
  // A DIB pixel is 0x00RRGGBB; a COLORREF is 0x00BBGGRR.
  const DWORD fill = (GetRValue(sentinel) << 16) | (GetGValue(sentinel) << 8) | GetBValue(sentinel);
  std::fill_n(static_cast<DWORD*>(bits), static_cast<size_t>(width) * height, fill);
  SetViewportOrgEx(dc_.get(), origin.x, origin.y, nullptr);
}

Canvas::~Canvas() {
  if (previousBitmap_) SelectObject(dc_.get(), previousBitmap_);
}

Image Canvas::Snapshot() const {
  GdiFlush();
  Image image(width_, height_, origin_, 0);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const DWORD p = bits_[static_cast<size_t>(y) * width_ + x];
      image.Set(x - origin_.x, y - origin_.y, RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    }
  }
  return image;
}

std::string ColourName(COLORREF colour) {
  char text[32];
  std::snprintf(text, sizeof text, "RGB(%u, %u, %u)", GetRValue(colour), GetGValue(colour),
                GetBValue(colour));
  return text;
}

testing::AssertionResult SameImage(const Image& got, const Image& expected) {
  if (got.width() != expected.width() || got.height() != expected.height() ||
      got.origin().x != expected.origin().x || got.origin().y != expected.origin().y) {
    return testing::AssertionFailure() << "images differ in size or origin";
  }
  constexpr int kShown = 12;
  int differing = 0;
  std::ostringstream out;
  const RECT b = got.Bounds();
  for (int y = b.top; y < b.bottom; ++y) {
    for (int x = b.left; x < b.right; ++x) {
      if (got.At(x, y) == expected.At(x, y)) continue;
      if (differing++ < kShown) {
        out << "\n  at (" << x << ", " << y << ") got " << ColourName(got.At(x, y)) << " expected "
            << ColourName(expected.At(x, y));
      }
    }
  }
  if (differing == 0) return testing::AssertionSuccess();
  return testing::AssertionFailure() << differing << " pixels differ:" << out.str();
}

long GdiObjectsInUse() {
  const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (counted != 0) return static_cast<long>(counted);
  // Wine's handle table holds 65536 entries; stop well beyond that in case it grows.
  constexpr long kTableSize = 65536;
  constexpr long kLimit = 4 * kTableSize;
  std::vector<HBRUSH> made;
  made.reserve(kTableSize);
  while (static_cast<long>(made.size()) < kLimit) {
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    if (!brush) break;
    made.push_back(brush);
  }
  const long free = static_cast<long>(made.size());
  for (HBRUSH brush : made) DeleteObject(brush);
  return free < kLimit ? kTableSize - free : -1;
}

}  // namespace testsupport
