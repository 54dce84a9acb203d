#include "modCmdVista.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "base/RuntimeError.h"
#include "base/ScopedWin.h"
#include "forms/Form.h"
#include "support/PixelCanvas.h"

namespace {

using testsupport::Canvas;
using testsupport::Image;
using testsupport::SameImage;

constexpr COLORREF kSentinel = RGB(255, 0, 255);
constexpr int kMargin = 8;
constexpr COLORREF kFace = CLR_INVALID;  // the system's COLOR_BTNFACE

// ---- The four faces as designed, typed from their tables ----------------------------------

enum FaceIndex { kNormal, kPressed, kFocused, kDisabled };

struct FaceDesign {
  const char* name;
  void (*paint)(HDC, const RECT&, const std::wstring&);
  std::array<COLORREF, 6> bands;  // not used by the disabled face
  COLORREF outer;
  COLORREF inner;
  COLORREF extra;                    // pressed: bottom line; focused: focus frame; disabled: fill
  std::array<COLORREF, 36> corners;  // pixels 1 to 36
  LONG captionInset;                 // the caption rectangle is (0, inset, W, H - inset)
  COLORREF text;
};

// clang-format off
const FaceDesign kDesigns[] = {
    {"normal", modCmdVista::PaintNormalFace,
     {RGB(242, 242, 242), RGB(240, 240, 240), RGB(236, 236, 236), RGB(219, 219, 219), RGB(216, 216, 216), RGB(209, 209, 209)},
     RGB(112, 112, 112), RGB(252, 252, 252), 0,
     {kFace, RGB(144, 144, 144), RGB(119, 119, 119), RGB(135, 136, 136), RGB(117, 117, 117), RGB(119, 119, 119), RGB(144, 144, 144), kFace, RGB(135, 136, 136), RGB(117, 117, 117), RGB(117, 117, 117), RGB(136, 136, 136), kFace, RGB(134, 134, 134), RGB(117, 117, 117), RGB(117, 117, 117), RGB(136, 136, 136), RGB(117, 117, 117), RGB(134, 134, 134), kFace,
      RGB(145, 145, 145), RGB(232, 232, 232), RGB(234, 234, 234), RGB(250, 250, 250), RGB(232, 232, 232), RGB(145, 145, 145), RGB(250, 250, 250), RGB(234, 234, 234), RGB(226, 226, 226), RGB(236, 236, 236), RGB(143, 143, 143), RGB(228, 228, 228), RGB(236, 236, 236), RGB(226, 226, 226), RGB(228, 228, 228), RGB(143, 143, 143)},
     0, RGB(0, 0, 0)},
    {"pressed", modCmdVista::PaintPressedFace,
     {RGB(225, 242, 251), RGB(216, 238, 250), RGB(201, 231, 247), RGB(152, 209, 239), RGB(140, 202, 235), RGB(127, 194, 229)},
     RGB(44, 98, 139), RGB(186, 203, 213), RGB(104, 178, 218),
     {kFace, RGB(57, 89, 113), RGB(46, 96, 134), RGB(51, 86, 113), RGB(44, 95, 134), RGB(46, 96, 134), RGB(57, 89, 113), kFace, RGB(51, 86, 113), RGB(44, 95, 134), RGB(45, 97, 136), RGB(71, 110, 140), kFace, RGB(75, 117, 147), RGB(46, 100, 140), RGB(45, 97, 136), RGB(71, 110, 140), RGB(46, 100, 140), RGB(75, 117, 147), kFace,
      RGB(58, 104, 138), RGB(134, 157, 171), RGB(134, 157, 171), RGB(186, 203, 213), RGB(149, 171, 184), RGB(58, 104, 138), RGB(186, 203, 213), RGB(149, 171, 184), RGB(85, 146, 181), RGB(109, 181, 220), RGB(47, 100, 138), RGB(99, 172, 211), RGB(109, 181, 220), RGB(85, 146, 181), RGB(99, 172, 211), RGB(47, 100, 138)},
     1, RGB(0, 0, 0)},
    {"focused", modCmdVista::PaintFocusedFace,
     {RGB(238, 243, 245), RGB(235, 240, 242), RGB(233, 238, 241), RGB(213, 223, 229), RGB(208, 220, 227), RGB(202, 215, 222)},
     RGB(60, 127, 177), RGB(64, 215, 252), RGB(210, 238, 246),
     {kFace, RGB(160, 190, 212), RGB(86, 143, 186), RGB(158, 188, 211), RGB(83, 142, 185), RGB(86, 143, 186), RGB(160, 190, 212), kFace, RGB(158, 188, 211), RGB(83, 142, 185), RGB(83, 142, 185), RGB(158, 188, 211), kFace, RGB(155, 187, 210), RGB(81, 140, 184), RGB(83, 142, 185), RGB(158, 188, 211), RGB(81, 140, 184), RGB(155, 187, 210), kFace,
      RGB(58, 147, 194), RGB(59, 201, 242), RGB(59, 202, 242), RGB(106, 222, 251), RGB(59, 201, 242), RGB(58, 147, 194), RGB(106, 222, 251), RGB(59, 202, 242), RGB(52, 195, 236), RGB(88, 207, 239), RGB(56, 145, 193), RGB(51, 196, 237), RGB(88, 207, 239), RGB(52, 195, 236), RGB(51, 196, 237), RGB(56, 145, 193)},
     1, RGB(0, 0, 0)},
    {"disabled", modCmdVista::PaintDisabledFace,
     {},
     RGB(173, 178, 181), RGB(252, 252, 252), RGB(244, 244, 244),
     {kFace, RGB(183, 197, 190), RGB(175, 180, 183), RGB(177, 181, 174), RGB(174, 179, 182), RGB(175, 180, 183), RGB(183, 197, 190), kFace, RGB(177, 181, 174), RGB(174, 179, 182), RGB(174, 179, 182), RGB(177, 181, 174), kFace, RGB(183, 197, 190), RGB(175, 180, 183), RGB(174, 179, 182), RGB(177, 181, 174), RGB(175, 180, 183), RGB(183, 197, 190), kFace,
      RGB(192, 195, 198), RGB(241, 242, 242), RGB(242, 242, 243), RGB(251, 251, 251), RGB(241, 242, 242), RGB(192, 195, 198), RGB(251, 251, 251), RGB(242, 242, 243), RGB(242, 242, 243), RGB(251, 251, 251), RGB(192, 195, 198), RGB(243, 243, 244), RGB(251, 251, 251), RGB(242, 242, 243), RGB(243, 243, 244), RGB(192, 195, 198)},
     0, RGB(131, 131, 131)},
};
// clang-format on
constexpr FaceIndex kFaces[] = {kNormal, kPressed, kFocused, kDisabled};

struct Point {
  long long x, y;
};

// The 36 corner pixels, in the order the tables set them. In 64 bits, so that sizes at the
// edge of the 32-bit range have their coordinates too.
std::array<Point, 36> CornerCoordinates(long long w, long long h) {
  return {{{0, 0},         {1, 0},         {2, 0},         {0, 1},         {0, 2},
           {w - 3, 0},     {w - 2, 0},     {w - 1, 0},     {w - 1, 1},     {w - 1, 2},
           {0, h - 3},     {0, h - 2},     {0, h - 1},     {1, h - 1},     {2, h - 1},
           {w - 1, h - 3}, {w - 1, h - 2}, {w - 3, h - 1}, {w - 2, h - 1}, {w - 1, h - 1},
           {1, 1},         {2, 1},         {1, 2},         {2, 2},         {w - 3, 1},
           {w - 2, 1},     {w - 3, 2},     {w - 2, 2},     {1, h - 3},     {2, h - 3},
           {1, h - 2},     {2, h - 2},     {w - 3, h - 3}, {w - 2, h - 3}, {w - 3, h - 2},
           {w - 2, h - 2}}};
}

// Bottoms of bands 1 to 5 with the design's own arithmetic: double precision and floor.
std::array<LONG, 5> BandBottoms(FaceIndex face, LONG h) {
  const double sixth = (h - 4) / 6.0;
  if (face == kPressed) {
    const double b1 = std::floor(sixth + 2);
    const double b2 = b1 + std::floor(sixth + 2);
    const double b3 = b2 + std::floor(sixth + 1);
    const double b4 = b3 + std::floor(sixth + 0.5);
    const double b5 = b4 + std::floor(sixth + 0.5);
    return {LONG(b1), LONG(b2), LONG(b3), LONG(b4), LONG(b5)};
  }
  const double band = std::floor(sixth + 0.5);
  return {LONG(band), LONG(2 * band), LONG(3 * band), LONG(4 * band), LONG(5 * band)};
}

void SetCorners(Image& image, const FaceDesign& design, LONG w, LONG h, int first, int last) {
  const auto at = CornerCoordinates(w, h);
  for (int i = first; i < last; ++i) {
    const COLORREF colour = design.corners[i];
    image.Set(at[i].x, at[i].y, colour == kFace ? GetSysColor(COLOR_BTNFACE) : colour);
  }
}

// The face as designed over a canvas that holds only the sentinel: the caption left out.
Image ExpectedFace(FaceIndex face, const RECT& received, const Image& blank) {
  const FaceDesign& design = kDesigns[face];
  const LONG w = received.right - received.left;
  const LONG h = received.bottom - received.top;
  Image image = blank;
  if (face == kDisabled) {
    image.FillRect(received, design.extra);
    image.FrameRect(received, design.outer);
  } else {
    const auto bottoms = BandBottoms(face, h);
    LONG top = 2;
    for (int i = 0; i < 6; ++i) {
      const LONG bottom = i < 5 ? bottoms[i] : h - 2;
      image.FillRect({2, top, w - 2, bottom}, design.bands[i]);
      top = bottom;
    }
    image.FrameRect({0, 0, w, h}, design.outer);
  }
  SetCorners(image, design, w, h, 0, 20);
  image.FrameRect({1, 1, w - 1, h - 1}, design.inner);
  if (face == kPressed) image.HorizontalLine(2, w - 2, h - 2, design.extra);
  if (face == kFocused) image.FrameRect({2, 2, w - 2, h - 2}, design.extra);
  SetCorners(image, design, w, h, 20, 36);
  return image;
}

RECT CaptionRect(FaceIndex face, LONG w, LONG h) {
  const LONG inset = kDesigns[face].captionInset;
  return {0, inset, w, h - inset};
}

std::string Text(const RECT& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
         std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}

// Room for the face and for a rectangle as received that lies near it, plus a margin.
SIZE CanvasSize(const RECT& rect) {
  const auto closeBy = [](LONG v) { return v >= 0 && v <= 1000 ? v : 0; };
  const LONG w = std::clamp<LONG>(rect.right - rect.left, 0, 1000);
  const LONG h = std::clamp<LONG>(rect.bottom - rect.top, 0, 1000);
  return {std::max(w, closeBy(rect.right)) + 2 * kMargin,
          std::max(h, closeBy(rect.bottom)) + 2 * kMargin};
}

// An empty caption for the whole-image comparisons: the face painted completely, no text.
void ExpectFaceAsDesigned(FaceIndex face, const RECT& rect) {
  const FaceDesign& design = kDesigns[face];
  SCOPED_TRACE(std::string(design.name) + " face, item rectangle " + Text(rect));
  const SIZE size = CanvasSize(rect);
  Canvas canvas(size.cx, size.cy, {kMargin, kMargin}, kSentinel);
  SetBkMode(canvas.dc(), TRANSPARENT);
  const HGDIOBJ pen = GetCurrentObject(canvas.dc(), OBJ_PEN);
  const HGDIOBJ brush = GetCurrentObject(canvas.dc(), OBJ_BRUSH);
  const Image blank = canvas.Snapshot();

  design.paint(canvas.dc(), rect, L"");

  EXPECT_TRUE(SameImage(canvas.Snapshot(), ExpectedFace(face, rect, blank)));
  EXPECT_EQ(GetTextColor(canvas.dc()), design.text);
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), pen);
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_BRUSH), brush);
}

// Common button sizes and a large one; every band layout up to 25 rows, with the empty and
// upside-down bands of low buttons; below 6 pixels, where corner coordinates coincide or go
// negative and later calls win; away from the origin, where only W and H count, except for the
// disabled face's fill and outer border.
TEST(FaceImage, AsDesignedAtEverySizeAndPlace) {
  std::vector<RECT> rects = {{10, 5, 110, 28},
                             {10, 10, 90, 35},
                             {-7, -3, 74, 19},
                             {INT_MIN, INT_MIN, INT_MIN + 81, INT_MIN + 22}};
  for (SIZE s :
       {SIZE{75, 23}, {81, 22}, {73, 22}, {80, 25}, {100, 24}, {75, 19}, {120, 30}, {300, 40}}) {
    rects.push_back({0, 0, s.cx, s.cy});
  }
  for (LONG h = 0; h <= 25; ++h) rects.push_back({0, 0, 30, h});
  for (LONG w = 0; w <= 6; ++w) {
    for (LONG h = 0; h <= 6; ++h) rects.push_back({0, 0, w, h});
  }
  for (FaceIndex face : kFaces) {
    for (const RECT& r : rects) ExpectFaceAsDesigned(face, r);
  }
}

// The band rows the design lists, read down the middle column; a check of the expected
// images' arithmetic as much as of the painters.
TEST(FaceBands, RowsAsTheDesignListsThem) {
  struct Run {
    int band;          // 1 to 6
    LONG first, last;  // rows, both included
  };
  struct Profile {
    FaceIndex face;
    LONG h;
    std::vector<Run> runs;
  };
  const Profile profiles[] = {
      {kNormal, 22, {{1, 2, 2}, {2, 3, 5}, {3, 6, 8}, {4, 9, 11}, {5, 12, 14}, {6, 15, 19}}},
      {kNormal, 25, {{1, 2, 3}, {2, 4, 7}, {3, 8, 11}, {4, 12, 15}, {5, 16, 19}, {6, 20, 22}}},
      {kNormal, 19, {{5, 12, 14}, {6, 15, 16}}},
      {kNormal, 24, {{5, 12, 14}, {6, 15, 21}}},
      {kNormal, 13, {{2, 2, 3}, {3, 4, 5}, {4, 6, 7}, {5, 8, 9}, {6, 10, 10}}},
      {kPressed, 25, {{1, 2, 4}, {2, 5, 9}, {3, 10, 13}, {4, 14, 17}, {5, 18, 21}, {6, 22, 22}}},
      {kPressed, 24, {{4, 14, 16}, {5, 17, 19}, {6, 20, 21}}},
      {kPressed, 22, {{3, 10, 13}, {4, 14, 16}, {5, 17, 19}}},
      {kPressed, 10, {{1, 2, 2}, {2, 3, 5}, {3, 6, 7}}},
      {kFocused, 23, {{2, 3, 5}, {3, 6, 8}, {4, 9, 11}, {5, 12, 14}, {6, 15, 19}}},
      {kFocused, 25, {{1, 3, 3}, {2, 4, 7}, {3, 8, 11}, {4, 12, 15}, {5, 16, 19}, {6, 20, 21}}},
      {kFocused, 24, {{6, 15, 20}}},
  };
  constexpr LONG kW = 30;
  for (const Profile& p : profiles) {
    const FaceDesign& design = kDesigns[p.face];
    SCOPED_TRACE(std::string(design.name) + " face, H = " + std::to_string(p.h));
    Canvas canvas(kW + 2 * kMargin, p.h + 2 * kMargin, {kMargin, kMargin}, kSentinel);
    design.paint(canvas.dc(), {0, 0, kW, p.h}, L"");
    const Image got = canvas.Snapshot();
    for (const Run& run : p.runs) {
      for (LONG y = run.first; y <= run.last; ++y) {
        EXPECT_EQ(testsupport::ColourName(got.At(kW / 2, y)),
                  testsupport::ColourName(design.bands[run.band - 1]))
            << "row " << y << " should be band " << run.band;
      }
    }
  }
}

// The four outermost corners follow the system's button colour as it is at paint time.
TEST(FaceSystemColour, OutermostCornersTakeTheButtonFaceColour) {
  const INT element = COLOR_BTNFACE;
  const COLORREF saved = GetSysColor(COLOR_BTNFACE);
  const COLORREF odd = RGB(1, 2, 3);
  ASSERT_TRUE(SetSysColors(1, &element, &odd));
  struct Restore {
    INT element;
    COLORREF colour;
    ~Restore() { SetSysColors(1, &element, &colour); }
  } restore{element, saved};
  ASSERT_EQ(GetSysColor(COLOR_BTNFACE), odd);

  for (FaceIndex face : kFaces) {
    ExpectFaceAsDesigned(face, {0, 0, 81, 22});
    Canvas canvas(81, 22, {0, 0}, kSentinel);
    kDesigns[face].paint(canvas.dc(), {0, 0, 81, 22}, L"");
    const Image got = canvas.Snapshot();
    for (POINT p : {POINT{0, 0}, POINT{80, 0}, POINT{0, 21}, POINT{80, 21}}) {
      EXPECT_EQ(got.At(p.x, p.y), odd)
          << kDesigns[face].name << " at (" << p.x << ", " << p.y << ")";
    }
  }
}

// ---- Run-time error 6 ----------------------------------------------------------------------

// A rectangle at the edge of the 32-bit range stops the painter with error 6 at the step that
// overflows; what was drawn before stays, nothing after it is drawn, and no object is left.
TEST(FaceOverflow, EdgeOfThe32BitRangeRaisesError6) {
  enum Drawn { kNothing, kUnchecked, kDisabledOuterPixels };
  struct Case {
    FaceIndex face;
    RECT rect;
    Drawn drawn;
    int cornerPixels;  // for kDisabledOuterPixels: how many of the table were set
  };
  std::vector<Case> cases;
  for (FaceIndex face : kFaces) {
    cases.push_back({face, {1, 0, INT_MIN, 22}, kNothing, 0});   // W itself overflows
    cases.push_back({face, {-2, 0, INT_MAX, 22}, kNothing, 0});  // likewise, upwards
    cases.push_back({face, {0, INT_MAX, 81, -2}, kNothing, 0});  // H itself overflows
  }
  for (FaceIndex face : {kNormal, kPressed, kFocused}) {
    cases.push_back({face, {0, 0, 81, INT_MIN + 2}, kNothing, 0});  // H - 4, before the bands
    // W - 3 at corner pixel 6, after the bands (where the system puts upside-down bands
    // that wide is its own affair).
    cases.push_back({face, {0, 0, INT_MIN + 2, 22}, kUnchecked, 0});
  }
  // The disabled face fills first, with the rectangle as received, then stops at H - 3
  // (pixel 11) or W - 3 (pixel 6).
  cases.push_back({kDisabled, {0, 0, 81, INT_MIN + 2}, kDisabledOuterPixels, 10});
  cases.push_back({kDisabled, {0, 0, INT_MIN + 2, 22}, kDisabledOuterPixels, 5});

  const long objects = testsupport::GdiObjectsInUse();
  ASSERT_GT(objects, 0);
  constexpr COLORREF kTextBefore = RGB(1, 1, 1);
  for (const Case& c : cases) {
    const FaceDesign& design = kDesigns[c.face];
    SCOPED_TRACE(std::string(design.name) + " face, item rectangle " + Text(c.rect));
    Canvas canvas(100, 40, {kMargin, kMargin}, kSentinel);
    SetTextColor(canvas.dc(), kTextBefore);
    const HGDIOBJ pen = GetCurrentObject(canvas.dc(), OBJ_PEN);
    const HGDIOBJ brush = GetCurrentObject(canvas.dc(), OBJ_BRUSH);
    const Image blank = canvas.Snapshot();

    int error = 0;
    try {
      design.paint(canvas.dc(), c.rect, L"X");
    } catch (const base::RuntimeError& e) {
      error = e.number();
    }
    EXPECT_EQ(error, 6);
    EXPECT_EQ(GetTextColor(canvas.dc()), kTextBefore) << "the caption step was reached";
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_BRUSH), brush);

    const Image got = canvas.Snapshot();
    if (c.drawn == kNothing) {
      EXPECT_TRUE(SameImage(got, blank));
    } else if (c.drawn == kDisabledOuterPixels) {
      // The fill and the outer border of the rectangle as received, then the first pixels.
      const LONG w = c.rect.right - c.rect.left;
      const LONG h = c.rect.bottom - c.rect.top;
      Image expected = blank;
      expected.FillRect(c.rect, design.extra);
      expected.FrameRect(c.rect, design.outer);
      const auto at = CornerCoordinates(w, h);
      for (int i = 0; i < c.cornerPixels; ++i) {
        const COLORREF colour = design.corners[i];
        expected.Set(at[i].x, at[i].y, colour == kFace ? GetSysColor(COLOR_BTNFACE) : colour);
      }
      EXPECT_TRUE(SameImage(got, expected));
    }
  }
  EXPECT_EQ(testsupport::GdiObjectsInUse(), objects);
}

// ---- The caption -----------------------------------------------------------------------------

// The program's font, without smoothing so that every text pixel has the text colour.
base::Font CaptionFont() {
  return forms::DefaultFont(96, NONANTIALIASED_QUALITY);
}

// The pixels a caption changed: those that differ from the caption-less face.
struct Ink {
  std::vector<POINT> points;
  RECT box{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};  // right and bottom exclusive
  bool Has(LONG x, LONG y) const {
    return std::any_of(points.begin(), points.end(), [&](POINT p) { return p.x == x && p.y == y; });
  }
};

Ink InkOf(const Image& got, const Image& face) {
  Ink ink;
  const RECT b = got.Bounds();
  for (LONG y = b.top; y < b.bottom; ++y) {
    for (LONG x = b.left; x < b.right; ++x) {
      if (got.At(x, y) == face.At(x, y)) continue;
      ink.points.push_back({x, y});
      ink.box = {std::min(ink.box.left, x), std::min(ink.box.top, y),
                 std::max(ink.box.right, x + 1), std::max(ink.box.bottom, y + 1)};
    }
  }
  return ink;
}

struct Captioned {
  Image image;
  Ink ink;
};

// Paints a face with a caption in the program's font and finds the caption's pixels.
Captioned PaintWithCaption(FaceIndex face, LONG w, LONG h, const std::wstring& caption) {
  Canvas canvas(w + 2 * kMargin, h + 2 * kMargin, {kMargin, kMargin}, kSentinel);
  const base::Font font = CaptionFont();
  const base::ScopedSelectObject select(canvas.dc(), font.get());
  SetBkMode(canvas.dc(), TRANSPARENT);
  const Image blank = canvas.Snapshot();
  kDesigns[face].paint(canvas.dc(), {0, 0, w, h}, caption);
  Captioned out{canvas.Snapshot(), {}};
  out.ink = InkOf(out.image, ExpectedFace(face, {0, 0, w, h}, blank));
  return out;
}

// Where the system centres a text of these bytes in the caption rectangle, a pixel of slack
// on every side for its rounding.
RECT CentredTextBox(FaceIndex face, LONG w, LONG h, const std::string& bytes) {
  Canvas canvas(1, 1, {0, 0}, kSentinel);
  const base::Font font = CaptionFont();
  const base::ScopedSelectObject select(canvas.dc(), font.get());
  SIZE extent{};
  wchar_t text[16];
  const int length =
      MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), text, 16);
  GetTextExtentPoint32W(canvas.dc(), text, length, &extent);
  const RECT r = CaptionRect(face, w, h);
  const LONG left = r.left + (r.right - r.left - extent.cx) / 2;
  const LONG top = r.top + (r.bottom - r.top - extent.cy) / 2;
  return {left - 1, top - 1, left + extent.cx + 1, top + extent.cy + 1};
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

TEST(FaceCaption, CentredOnOneLineInTheFaceTextColour) {
  struct Case {
    std::wstring caption;  // as DrawButton delivers it
    std::string bytes;     // what must be drawn, in code page 936
  };
  const Case cases[] = {
      {std::wstring(L"查询\0\0", 4), "\xB2\xE9\xD1\xAF"},  // the NUL padding is not drawn
      {std::wstring(L"确定\0\0", 4), "\xC8\xB7\xB6\xA8"},
      {L"关于", "\xB9\xD8\xD3\xDA"},
      {L"About", "About"},
      {L"", ""},  // nothing drawn
  };
  for (FaceIndex face : kFaces) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(kDesigns[face].name) + " face, caption \"" + c.bytes + "\"");
      const Captioned got = PaintWithCaption(face, 81, 22, c.caption);
      if (c.bytes.empty()) {
        EXPECT_TRUE(got.ink.points.empty());
        continue;
      }
      ASSERT_FALSE(got.ink.points.empty());
      for (POINT p : got.ink.points) {
        ASSERT_EQ(testsupport::ColourName(got.image.At(p.x, p.y)),
                  testsupport::ColourName(kDesigns[face].text))
            << "at (" << p.x << ", " << p.y << ")";
      }
      const RECT box = CentredTextBox(face, 81, 22, c.bytes);
      EXPECT_TRUE(Inside(got.ink.box, box))
          << "text at " << Text(got.ink.box) << ", centred would be within " << Text(box);
    }
  }
}

TEST(FaceCaption, AmpersandUnderlinesTheNextCharacter) {
  for (FaceIndex face : kFaces) {
    SCOPED_TRACE(kDesigns[face].name);
    const Ink plain = PaintWithCaption(face, 81, 22, L"A").ink;
    const Ink marked = PaintWithCaption(face, 81, 22, L"&A").ink;
    ASSERT_FALSE(plain.points.empty());
    for (POINT p : plain.points) EXPECT_TRUE(marked.Has(p.x, p.y));
    // What the mark adds is one underline below the letter, and no ampersand.
    std::vector<POINT> added;
    for (POINT p : marked.points) {
      if (!plain.Has(p.x, p.y)) added.push_back(p);
    }
    ASSERT_FALSE(added.empty()) << "no underline";
    for (POINT p : added) {
      EXPECT_EQ(p.y, added.front().y)
          << "added pixel off the underline at (" << p.x << ", " << p.y << ")";
      EXPECT_GE(p.y, plain.box.bottom) << "added pixel beside the letter";
    }
  }
}

TEST(FaceCaption, LineBreakStaysOnOneLine) {
  for (FaceIndex face : kFaces) {
    SCOPED_TRACE(kDesigns[face].name);
    const Ink oneLine = PaintWithCaption(face, 81, 22, L"AB").ink;
    const Ink broken = PaintWithCaption(face, 81, 22, L"A\nB").ink;
    const Ink a = PaintWithCaption(face, 81, 22, L"A").ink;
    EXPECT_EQ(broken.box.top, oneLine.box.top);
    EXPECT_EQ(broken.box.bottom, oneLine.box.bottom);
    EXPECT_GT(broken.box.right - broken.box.left, a.box.right - a.box.left) << "B not drawn";
  }
}

// Text too wide and too tall for a small button is cut at the caption rectangle, on both
// sides; the pressed and focused faces keep it off the outer rows.
TEST(FaceCaption, ClippedToTheCaptionRectangle) {
  constexpr LONG kW = 20, kH = 8;
  for (FaceIndex face : kFaces) {
    SCOPED_TRACE(kDesigns[face].name);
    const Captioned got = PaintWithCaption(face, kW, kH, std::wstring(L"查询查询\0\0\0\0", 8));
    EXPECT_EQ(Text(got.ink.box), Text(CaptionRect(face, kW, kH)));
  }
}

// ---- Drawing objects -----------------------------------------------------------------------

TEST(FaceResources, NoObjectLeftAfterManyPaints) {
  Canvas canvas(81, 22, {0, 0}, kSentinel);
  const base::Font font = CaptionFont();
  const base::ScopedSelectObject select(canvas.dc(), font.get());
  SetBkMode(canvas.dc(), TRANSPARENT);
  const HGDIOBJ pen = GetCurrentObject(canvas.dc(), OBJ_PEN);
  const HGDIOBJ brush = GetCurrentObject(canvas.dc(), OBJ_BRUSH);

  const long before = testsupport::GdiObjectsInUse();
  ASSERT_GT(before, 0);
  {
    // The count sees a single object.
    const base::Brush one(CreateSolidBrush(RGB(1, 2, 3)));
    ASSERT_EQ(testsupport::GdiObjectsInUse(), before + 1);
  }
  constexpr int kRounds = 5000;
  const std::wstring caption(L"查询\0\0", 4);
  for (int i = 0; i < kRounds; ++i) {
    for (FaceIndex face : kFaces) {
      kDesigns[face].paint(canvas.dc(), {0, 0, 81, 22}, caption);
    }
  }
  EXPECT_EQ(testsupport::GdiObjectsInUse(), before);
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), pen);
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_BRUSH), brush);
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_FONT), font.get());
}

}  // namespace
