#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Shortcuts (.lnk files), made through the shell's link object; COM and the shell come from the
// system folder when first needed.
namespace base {

// The user's desktop folder, or nothing (`folder` left as it was) when the shell cannot tell it.
void DesktopFolder(wchar_t (&folder)[MAX_PATH]);

// `text` as a file name: each character Windows forbids in one becomes "_", as does a dot or
// blank at its end, and a name Windows keeps for a device (CON, NUL, COM1…) gets one in front.
std::wstring FileNameFor(std::wstring_view text);

// Saves a shortcut at `path` that starts `target` with `arguments` and shows the target's icon.
// The calling thread joins a single-threaded apartment, and stays in it. S_OK, or why not.
HRESULT SaveShortcut(const wchar_t* path, const wchar_t* target, const wchar_t* arguments);

}  // namespace base
