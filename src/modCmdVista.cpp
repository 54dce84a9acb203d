#include "modCmdVista.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <tuple>
#include <utility>

#include "base/Checked.h"
#include "base/ScopedWin.h"
#include "forms/Form.h"

namespace modCmdVista {
namespace {

using base::CheckedAdd;
using base::CheckedSub;
using std::int32_t;

// One line, centred both ways, clipped to the rectangle; ampersands mark mnemonics.
constexpr UINT kCaptionFormat = DT_SINGLELINE | DT_VCENTER | DT_CENTER;

// The window property that holds a hooked window's replaced procedure.
constexpr wchar_t kPreviousProcProp[] = L"modCmdVista.PrevWndProc";

// The caption buffer of a draw request: 255 characters, of which GetWindowTextW fills at most 254.
constexpr int kCaptionBuffer = 255;

// Stands for the system's COLOR_BTNFACE, read when the pixel is set.
constexpr COLORREF kButtonFace = CLR_INVALID;

enum Face { kNormal, kPressed, kFocused, kDisabled };

// The corner pixels, in the order they are set; the same in every face, only the colours differ.
// A negative coordinate counts from the far edge: x = -3 is W - 3, y = -1 is H - 1.
struct CornerPixel {
  std::int8_t x;
  std::int8_t y;
  std::array<COLORREF, 4> colour;  // by Face
};

// clang-format off
constexpr CornerPixel kCornerPixels[36] = {
    //      normal              pressed             focused              disabled
    // Outer corners: 1 to 20, set after the outer border.
    { 0,  0, {kButtonFace,        kButtonFace,        kButtonFace,         kButtonFace}},
    { 1,  0, {RGB(144, 144, 144), RGB(57, 89, 113),   RGB(160, 190, 212),  RGB(183, 197, 190)}},
    { 2,  0, {RGB(119, 119, 119), RGB(46, 96, 134),   RGB(86, 143, 186),   RGB(175, 180, 183)}},
    { 0,  1, {RGB(135, 136, 136), RGB(51, 86, 113),   RGB(158, 188, 211),  RGB(177, 181, 174)}},
    { 0,  2, {RGB(117, 117, 117), RGB(44, 95, 134),   RGB(83, 142, 185),   RGB(174, 179, 182)}},
    {-3,  0, {RGB(119, 119, 119), RGB(46, 96, 134),   RGB(86, 143, 186),   RGB(175, 180, 183)}},
    {-2,  0, {RGB(144, 144, 144), RGB(57, 89, 113),   RGB(160, 190, 212),  RGB(183, 197, 190)}},
    {-1,  0, {kButtonFace,        kButtonFace,        kButtonFace,         kButtonFace}},
    {-1,  1, {RGB(135, 136, 136), RGB(51, 86, 113),   RGB(158, 188, 211),  RGB(177, 181, 174)}},
    {-1,  2, {RGB(117, 117, 117), RGB(44, 95, 134),   RGB(83, 142, 185),   RGB(174, 179, 182)}},
    { 0, -3, {RGB(117, 117, 117), RGB(45, 97, 136),   RGB(83, 142, 185),   RGB(174, 179, 182)}},
    { 0, -2, {RGB(136, 136, 136), RGB(71, 110, 140),  RGB(158, 188, 211),  RGB(177, 181, 174)}},
    { 0, -1, {kButtonFace,        kButtonFace,        kButtonFace,         kButtonFace}},
    { 1, -1, {RGB(134, 134, 134), RGB(75, 117, 147),  RGB(155, 187, 210),  RGB(183, 197, 190)}},
    { 2, -1, {RGB(117, 117, 117), RGB(46, 100, 140),  RGB(81, 140, 184),   RGB(175, 180, 183)}},
    {-1, -3, {RGB(117, 117, 117), RGB(45, 97, 136),   RGB(83, 142, 185),   RGB(174, 179, 182)}},
    {-1, -2, {RGB(136, 136, 136), RGB(71, 110, 140),  RGB(158, 188, 211),  RGB(177, 181, 174)}},
    {-3, -1, {RGB(117, 117, 117), RGB(46, 100, 140),  RGB(81, 140, 184),   RGB(175, 180, 183)}},
    {-2, -1, {RGB(134, 134, 134), RGB(75, 117, 147),  RGB(155, 187, 210),  RGB(183, 197, 190)}},
    {-1, -1, {kButtonFace,        kButtonFace,        kButtonFace,         kButtonFace}},
    // Inner corners: 21 to 36, set after the inner frames.
    { 1,  1, {RGB(145, 145, 145), RGB(58, 104, 138),  RGB(58, 147, 194),   RGB(192, 195, 198)}},
    { 2,  1, {RGB(232, 232, 232), RGB(134, 157, 171), RGB(59, 201, 242),   RGB(241, 242, 242)}},
    { 1,  2, {RGB(234, 234, 234), RGB(134, 157, 171), RGB(59, 202, 242),   RGB(242, 242, 243)}},
    { 2,  2, {RGB(250, 250, 250), RGB(186, 203, 213), RGB(106, 222, 251),  RGB(251, 251, 251)}},
    {-3,  1, {RGB(232, 232, 232), RGB(149, 171, 184), RGB(59, 201, 242),   RGB(241, 242, 242)}},
    {-2,  1, {RGB(145, 145, 145), RGB(58, 104, 138),  RGB(58, 147, 194),   RGB(192, 195, 198)}},
    {-3,  2, {RGB(250, 250, 250), RGB(186, 203, 213), RGB(106, 222, 251),  RGB(251, 251, 251)}},
    {-2,  2, {RGB(234, 234, 234), RGB(149, 171, 184), RGB(59, 202, 242),   RGB(242, 242, 243)}},
    { 1, -3, {RGB(226, 226, 226), RGB(85, 146, 181),  RGB(52, 195, 236),   RGB(242, 242, 243)}},
    { 2, -3, {RGB(236, 236, 236), RGB(109, 181, 220), RGB(88, 207, 239),   RGB(251, 251, 251)}},
    { 1, -2, {RGB(143, 143, 143), RGB(47, 100, 138),  RGB(56, 145, 193),   RGB(192, 195, 198)}},
    { 2, -2, {RGB(228, 228, 228), RGB(99, 172, 211),  RGB(51, 196, 237),   RGB(243, 243, 244)}},
    {-3, -3, {RGB(236, 236, 236), RGB(109, 181, 220), RGB(88, 207, 239),   RGB(251, 251, 251)}},
    {-2, -3, {RGB(226, 226, 226), RGB(85, 146, 181),  RGB(52, 195, 236),   RGB(242, 242, 243)}},
    {-3, -2, {RGB(228, 228, 228), RGB(99, 172, 211),  RGB(51, 196, 237),   RGB(243, 243, 244)}},
    {-2, -2, {RGB(143, 143, 143), RGB(47, 100, 138),  RGB(56, 145, 193),   RGB(192, 195, 198)}},
};
// clang-format on
constexpr size_t kOuterCorners = 20;

// W and H of the item rectangle as received.
struct Size {
  int32_t w;
  int32_t h;
};

Size SizeOf(const RECT& rect) {
  return {CheckedSub(rect.right, rect.left), CheckedSub(rect.bottom, rect.top)};
}

// The rectangle `inset` pixels inside the face on every side.
RECT Inset(Size size, int32_t inset) {
  return {inset, inset, CheckedSub(size.w, inset), CheckedSub(size.h, inset)};
}

// Six bands between x = 2 and W - 2. Band 1 starts at y = 2 and ends at steps[0]; bands 2 to 5
// each end at their top plus their step; band 6 ends at H - 2. The rectangles are kept as
// computed, also empty or upside down.
std::array<RECT, 6> Bands(Size size, const std::array<int32_t, 5>& steps) {
  const int32_t right = CheckedSub(size.w, 2);
  std::array<RECT, 6> bands;
  bands[0] = {2, 2, right, steps[0]};
  for (size_t i = 1; i < 5; ++i) {
    const int32_t top = bands[i - 1].bottom;
    bands[i] = {2, top, right, CheckedAdd(top, steps[i])};
  }
  bands[5] = {2, bands[4].bottom, right, CheckedSub(size.h, 2)};
  return bands;
}

// The normal and focused faces: bands of h = floor((H - 4) / 6 + 1/2) rows, a floor toward
// minus infinity (H = 0 gives h = -1); band 1 ends at h itself.
std::array<RECT, 6> EvenBands(Size size) {
  const int32_t h = base::FloorDiv(CheckedSub(size.h, 4) + 3, 6);
  return Bands(size, {h, h, h, h, h});
}

// The pressed face: the upper bands are taller, floor((H - 4) / 6) + 2, + 2 and + 1 rows, the
// lower two h rows as above.
std::array<RECT, 6> PressedBands(Size size) {
  const int32_t sixth = base::FloorDiv(CheckedSub(size.h, 4), 6);
  const int32_t h = base::FloorDiv(CheckedSub(size.h, 4) + 3, 6);
  return Bands(size, {sixth + 2, sixth + 2, sixth + 1, h, h});
}

// What a face's steps draw on: the DC itself, or a strip of the face's rows in memory.
class Surface {
 public:
  // Covers the area as FillRect does, an upside-down side mirrored.
  virtual void Fill(const RECT& area, COLORREF colour) = 0;
  // Row y from column `from` up to `to`, which is left out, as LineTo draws it.
  virtual void Line(int32_t from, int32_t to, int32_t y, COLORREF colour) = 0;
  virtual void Pixel(int32_t x, int32_t y, COLORREF colour) = 0;

  // The one-pixel border inside the area, as FrameRect draws it; nothing for an empty area.
  void Frame(const RECT& area, COLORREF colour) {
    if (area.right <= area.left || area.bottom <= area.top) return;
    Fill({area.left, area.top, area.left + 1, area.bottom}, colour);
    Fill({area.right - 1, area.top, area.right, area.bottom}, colour);
    Fill({area.left, area.top, area.right, area.top + 1}, colour);
    Fill({area.left, area.bottom - 1, area.right, area.bottom}, colour);
  }

 protected:
  ~Surface() = default;
};

// The DC itself, one call per step: fills with the DC's own brush and the line with its own pen,
// so that a paint makes and frees no drawing object. Puts back the brush and its colour.
class DcSurface final : public Surface {
 public:
  explicit DcSurface(HDC dc) noexcept
      : dc_(dc), select_(dc, GetStockObject(DC_BRUSH)), colourBefore_(GetDCBrushColor(dc)) {}
  DcSurface(const DcSurface&) = delete;
  DcSurface& operator=(const DcSurface&) = delete;
  ~DcSurface() { SetDCBrushColor(dc_, colourBefore_); }

  void Fill(const RECT& area, COLORREF colour) override {
    SetDCBrushColor(dc_, colour);
    PatBlt(dc_, area.left, area.top, Span(area.left, area.right), Span(area.top, area.bottom),
           PATCOPY);
  }

  void Line(int32_t from, int32_t to, int32_t y, COLORREF colour) override {
    const base::ScopedSelectObject select(dc_, GetStockObject(DC_PEN));
    const COLORREF before = SetDCPenColor(dc_, colour);
    MoveToEx(dc_, from, y, nullptr);
    LineTo(dc_, to, y);
    SetDCPenColor(dc_, before);
  }

  void Pixel(int32_t x, int32_t y, COLORREF colour) override { SetPixelV(dc_, x, y, colour); }

 private:
  // to - from as the system takes it from a rectangle: modulo 2^32 when it does not fit.
  static int Span(LONG from, LONG to) {
    return static_cast<int>(static_cast<std::uint32_t>(to) - static_cast<std::uint32_t>(from));
  }

  HDC dc_;
  base::ScopedSelectObject select_;
  COLORREF colourBefore_;
};

// The pixels of a strip, on the stack: less than a page, as every frame of the program is (see
// CMakeLists.txt): 3.5 KB, an 81 x 22 button in two strips.
constexpr int32_t kStripPixels = 896;
// The largest face drawn in memory: 256 x 256 pixels.
constexpr int64_t kFacePixelsInMemory = 256 * 256;

// Rows `top` to `top + rows - 1` of a face W pixels wide, in memory (at most kStripPixels): each
// step covers the pixels its call would cover on the DC, and the strip is then set on the DC in
// one call instead of some forty. Only for faces whose steps cover every pixel of their W x H
// and none outside, so that nothing beneath shows through and nothing is lost.
class StripSurface final : public Surface {
 public:
  StripSurface(int32_t w, int32_t top, int32_t rows) noexcept
      : w_(w), top_(top), bottom_(top + rows) {}

  void Fill(const RECT& area, COLORREF colour) override {
    const auto [left, right] = Covered(area.left, area.right, 0, w_);
    const auto [top, bottom] = Covered(area.top, area.bottom, top_, bottom_);
    for (int32_t y = top; y < bottom; ++y) std::fill(Row(y) + left, Row(y) + right, Dib(colour));
  }

  void Line(int32_t from, int32_t to, int32_t y, COLORREF colour) override {
    Fill({from, y, to, y + 1}, colour);  // leftwards, it covers what a mirrored fill covers
  }

  void Pixel(int32_t x, int32_t y, COLORREF colour) override {
    if (x >= 0 && x < w_ && y >= top_ && y < bottom_) Row(y)[x] = Dib(colour);
  }

  // Sets the strip on the DC at its place in the face.
  void SetOn(HDC dc) const {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w_;
    info.bmiHeader.biHeight = top_ - bottom_;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const auto rows = static_cast<UINT>(bottom_ - top_);
    SetDIBitsToDevice(dc, 0, top_, static_cast<DWORD>(w_), rows, 0, 0, 0, rows, pixels_.data(),
                      &info, DIB_RGB_COLORS);
  }

 private:
  // What of [from, to) lies within [low, high); an upside-down side covers from the far edge,
  // left out, to the near edge, taken in, as a mirrored blit does.
  static std::pair<int32_t, int32_t> Covered(int64_t from, int64_t to, int32_t low, int32_t high) {
    if (to < from) std::tie(from, to) = std::pair(to + 1, from + 1);
    return {static_cast<int32_t>(std::clamp<int64_t>(from, low, high)),
            static_cast<int32_t>(std::clamp<int64_t>(to, low, high))};
  }

  // A DIB pixel is 0x00RRGGBB; a COLORREF is 0x00BBGGRR.
  static DWORD Dib(COLORREF colour) {
    return (DWORD{GetRValue(colour)} << 16) | (DWORD{GetGValue(colour)} << 8) | GetBValue(colour);
  }

  DWORD* Row(int32_t y) { return pixels_.data() + static_cast<size_t>(y - top_) * w_; }

  int32_t w_;
  int32_t top_;
  int32_t bottom_;
  std::array<DWORD, kStripPixels> pixels_;
};

// A face: its colours and bands, and where its caption goes.
struct Style {
  Face face;                           // its colours in the corner table, and its extra step
  std::array<RECT, 6> (*bands)(Size);  // none for the flat face
  std::array<COLORREF, 6> bandColours;
  COLORREF outer;
  COLORREF inner;
  COLORREF extra;        // pressed: the bottom line; focused: the focus frame; disabled: the fill
  int32_t captionInset;  // the caption's rectangle is (0, inset, W, H - inset)
  COLORREF text;
};

constexpr Style kNormalStyle = {
    .face = kNormal,
    .bands = EvenBands,
    .bandColours = {RGB(242, 242, 242), RGB(240, 240, 240), RGB(236, 236, 236), RGB(219, 219, 219),
                    RGB(216, 216, 216), RGB(209, 209, 209)},
    .outer = RGB(112, 112, 112),
    .inner = RGB(252, 252, 252),
    .extra = 0,
    .captionInset = 0,
    .text = RGB(0, 0, 0)};
constexpr Style kPressedStyle = {
    .face = kPressed,
    .bands = PressedBands,
    .bandColours = {RGB(225, 242, 251), RGB(216, 238, 250), RGB(201, 231, 247), RGB(152, 209, 239),
                    RGB(140, 202, 235), RGB(127, 194, 229)},
    .outer = RGB(44, 98, 139),
    .inner = RGB(186, 203, 213),
    .extra = RGB(104, 178, 218),
    .captionInset = 1,
    .text = RGB(0, 0, 0)};
constexpr Style kFocusedStyle = {
    .face = kFocused,
    .bands = EvenBands,
    .bandColours = {RGB(238, 243, 245), RGB(235, 240, 242), RGB(233, 238, 241), RGB(213, 223, 229),
                    RGB(208, 220, 227), RGB(202, 215, 222)},
    .outer = RGB(60, 127, 177),
    .inner = RGB(64, 215, 252),
    .extra = RGB(210, 238, 246),
    .captionInset = 1,
    .text = RGB(0, 0, 0)};
constexpr Style kDisabledStyle = {.face = kDisabled,
                                  .bands = nullptr,
                                  .bandColours = {},
                                  .outer = RGB(173, 178, 181),
                                  .inner = RGB(252, 252, 252),
                                  .extra = RGB(244, 244, 244),
                                  .captionInset = 0,
                                  .text = RGB(131, 131, 131)};

// A face as its steps take it: W and H, the bands of a banded face, the rectangle as received.
struct Layout {
  Size size;
  std::array<RECT, 6> bands;
  RECT received;
};

int32_t FromEdge(std::int8_t offset, int32_t extent) {
  return offset < 0 ? CheckedSub(extent, -offset) : offset;
}

// Sets corner pixels [first, last) of the table in the face's colours. Each coordinate is
// computed as its pixel comes, so an overflow stops at that pixel.
void SetCornerPixels(Surface& surface, Size size, Face face, size_t first, size_t last) {
  for (size_t i = first; i < last; ++i) {
    const CornerPixel& pixel = kCornerPixels[i];
    const int32_t x = FromEdge(pixel.x, size.w);
    const int32_t y = FromEdge(pixel.y, size.h);
    const COLORREF colour = pixel.colour[face];
    surface.Pixel(x, y, colour == kButtonFace ? GetSysColor(COLOR_BTNFACE) : colour);
  }
}

// The steps of a face, in their order: the bands, the outer border, the outer corners, the inner
// border, the face's extra step and the inner corners.
void TakeSteps(Surface& surface, const Layout& face, const Style& style) {
  const Size size = face.size;
  if (style.bands) {
    for (size_t i = 0; i < face.bands.size(); ++i) {
      surface.Fill(face.bands[i], style.bandColours[i]);
    }
    surface.Frame(Inset(size, 0), style.outer);
  } else {
    // The flat face: its fill and outer border take the item rectangle as received, the rest
    // is laid out from the origin like the other faces.
    surface.Fill(face.received, style.extra);
    surface.Frame(face.received, style.outer);
  }
  SetCornerPixels(surface, size, style.face, 0, kOuterCorners);
  surface.Frame(Inset(size, 1), style.inner);
  if (style.face == kPressed) {
    // The light line along the inner bottom edge, from column 2 to column W - 3.
    const int32_t y = CheckedSub(size.h, 2);
    surface.Line(2, CheckedSub(size.w, 2), y, style.extra);
  } else if (style.face == kFocused) {
    surface.Frame(Inset(size, 2), style.extra);
  }
  SetCornerPixels(surface, size, style.face, kOuterCorners, std::size(kCornerPixels));
}

// Whether a face's steps cover exactly its W x H pixels from the origin: for a banded face the
// bands, right side up, then tile the rows between the two frames, and the flat face's fill
// starts at the origin; and W and H are 4 or more, so that the corners lie inside.
bool Solid(const Layout& face, const Style& style) {
  if (face.size.w < 4 || face.size.h < 4) return false;
  if (!style.bands) return face.received.left == 0 && face.received.top == 0;
  for (const RECT& band : face.bands) {
    if (band.top > band.bottom) return false;
  }
  return true;
}

// Takes a face's steps in memory, strip by strip, where they cover exactly its pixels, it is
// not too large and the DC's units are its pixels, left to right; else one by one on the DC.
void Draw(HDC dc, const Layout& face, const Style& style) {
  const Size size = face.size;
  if (Solid(face, style) && size.w <= kStripPixels &&
      int64_t{size.w} * size.h <= kFacePixelsInMemory && GetMapMode(dc) == MM_TEXT &&
      GetGraphicsMode(dc) == GM_COMPATIBLE && GetLayout(dc) == 0) {
    const int32_t rows = kStripPixels / size.w;
    for (int32_t top = 0; top < size.h; top += rows) {
      StripSurface strip(size.w, top, std::min(rows, size.h - top));
      TakeSteps(strip, face, style);
      strip.SetOn(dc);
    }
  } else {
    DcSurface onDc(dc);
    TakeSteps(onDc, face, style);
  }
}

// The face, then the caption up to its first NUL, drawn as UTF-16: no code page stands between
// its characters and the font's glyphs, so it reads the same on a system of any language.
void Paint(HDC dc, const RECT& rect, const std::wstring& caption, const Style& style) {
  const Size size = SizeOf(rect);
  Draw(dc, {size, style.bands ? style.bands(size) : std::array<RECT, 6>{}, rect}, style);
  RECT area{0, style.captionInset, size.w, CheckedSub(size.h, style.captionInset)};
  SetTextColor(dc, style.text);
  DrawTextW(dc, caption.c_str(), -1, &area, kCaptionFormat);
}

}  // namespace

void PaintNormalFace(HDC dc, const RECT& rect, const std::wstring& caption) {
  Paint(dc, rect, caption, kNormalStyle);
}

void PaintPressedFace(HDC dc, const RECT& rect, const std::wstring& caption) {
  Paint(dc, rect, caption, kPressedStyle);
}

void PaintFocusedFace(HDC dc, const RECT& rect, const std::wstring& caption) {
  Paint(dc, rect, caption, kFocusedStyle);
}

void PaintDisabledFace(HDC dc, const RECT& rect, const std::wstring& caption) {
  Paint(dc, rect, caption, kDisabledStyle);
}

// The procedure goes in through the Unicode function and the replaced one is called through
// CallWindowProcW, so the form stays a Unicode window while hooked: its title and every other
// text pass the hook as UTF-16, never through the ANSI code page, which on a system of another
// language lacks the program's Chinese. A procedure set with one character set must be chained
// with the same (see CallWindowProc in the platform's documentation).
void HookForm(HWND form) {
  if (GetPropW(form, kPreviousProcProp)) return;  // hooked already: chaining to itself would loop
  const LONG_PTR previous =
      SetWindowLongPtrW(form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SkinWindowProc));
  if (previous == 0) return;  // not a window of this thread
  if (!SetPropW(form, kPreviousProcProp, reinterpret_cast<HANDLE>(previous))) {
    SetWindowLongPtrW(form, GWLP_WNDPROC, previous);
    throw base::RuntimeError(base::RuntimeError::kOutOfMemory);
  }
}

void UnhookForm(HWND form) {
  const HANDLE previous = RemovePropW(form, kPreviousProcProp);
  if (previous) SetWindowLongPtrW(form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
}

LRESULT CALLBACK SkinWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  const auto previous = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kPreviousProcProp));
  switch (msg) {
    case WM_DESTROY:
      // Destroyed while still hooked: restore first, then let the message go on.
      UnhookForm(hwnd);
      break;
    case WM_DRAWITEM: {
      const DRAWITEMSTRUCT& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (item.CtlType != ODT_BUTTON) break;
      try {
        DrawButton(item.hwndItem, item.hDC, item.rcItem, item.itemState);
      } catch (...) {
        // Never across Windows' frames, and never a message box from inside a paint.
        if (forms::Form* form = forms::Form::Of(hwnd)) {
          form->ReportLater(base::CurrentErrorAsRuntimeError());
        }
      }
      return 1;
    }
  }
  return previous ? CallWindowProcW(previous, hwnd, msg, wp, lp)
                  : DefWindowProcW(hwnd, msg, wp, lp);
}

void DrawButton(HWND item, HDC dc, const RECT& rect, UINT state) {
  SetBkMode(dc, TRANSPARENT);
  std::wstring caption(kCaptionBuffer, L'\0');
  caption.resize(
      static_cast<size_t>(std::max(GetWindowTextW(item, caption.data(), kCaptionBuffer), 0)));

  if (state & ODS_DISABLED) {
    PaintDisabledFace(dc, rect, caption);
  } else if (state & ODS_SELECTED) {
    PaintPressedFace(dc, rect, caption);
  } else if (state & ODS_FOCUS) {
    PaintFocusedFace(dc, rect, caption);
  } else {
    PaintNormalFace(dc, rect, caption);
  }
}

}  // namespace modCmdVista
