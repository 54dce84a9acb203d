#pragma once

#include <windows.h>

#include <string>

// The button skin: takes over the painting of every command button on a form. A hooked form's
// draw requests for its owner-drawn buttons are painted here in one of four faces.
namespace modCmdVista {

// The four faces. Each paints a whole button into dc, laid out from the DC's origin (0, 0)
// with W = right - left and H = bottom - top of rect as received. rect is the painter's
// scratch rectangle and is overwritten. caption is as DrawButton reads it: its length in
// characters is the caption's length in bytes of the ANSI code page. Coordinate arithmetic
// that overflows raises run-time error 6; what was drawn stays.
void PaintNormalFace(HDC dc, RECT& rect, const std::wstring& caption);
void PaintPressedFace(HDC dc, RECT& rect, const std::wstring& caption);
void PaintFocusedFace(HDC dc, RECT& rect, const std::wstring& caption);
void PaintDisabledFace(HDC dc, RECT& rect, const std::wstring& caption);

}  // namespace modCmdVista
