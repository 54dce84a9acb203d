#pragma once

#include <windows.h>

#include <string>

// The button skin: takes over the painting of every command button on a form. A hooked form's
// draw requests for its owner-drawn buttons are painted here in one of four faces.
namespace modCmdVista {

// Replaces the form's window procedure by SkinWindowProc. The replaced procedure is kept with
// the window, so every hooked window chains to its own; hooking a hooked window changes nothing.
void HookForm(HWND form);

// Puts back the procedure HookForm replaced on this window; a window not hooked is left alone.
void UnhookForm(HWND form);

// The hooked forms' window procedure: paints the draw requests of owner-drawn buttons and passes
// every other message on. A run-time error while painting ends that paint and is reported later
// by the form, from the message loop.
LRESULT CALLBACK SkinWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

// Paints one button: reads its caption and paints the face its item state asks for, the first
// that applies of disabled, pressed (selected) and focused, else the face at rest.
void DrawButton(HWND item, HDC dc, const RECT& rect, UINT state);

// The four faces. Each paints a whole button into dc, laid out from the DC's origin (0, 0)
// with W = right - left and H = bottom - top of rect. caption is drawn up to its first NUL, if
// it holds one, as UTF-16 in the DC's font, whatever the system's ANSI code page. A paint makes
// no drawing object and leaves the DC's selected objects and their colours as it found them;
// it sets the text colour. A face that covers exactly its W x H pixels, on a DC whose units are
// pixels, is drawn in memory and set on the DC a strip of rows at a time; any other step by
// step with the DC's own brush and pen, to the same pixels. Coordinate arithmetic that
// overflows raises run-time error 6; what was drawn stays.
void PaintNormalFace(HDC dc, const RECT& rect, const std::wstring& caption);
void PaintPressedFace(HDC dc, const RECT& rect, const std::wstring& caption);
void PaintFocusedFace(HDC dc, const RECT& rect, const std::wstring& caption);
void PaintDisabledFace(HDC dc, const RECT& rect, const std::wstring& caption);

}  // namespace modCmdVista
