#pragma once

#include <optional>
#include <string>
#include <string_view>

// The program's UTF-16 strings in a code page chosen by name, for bytes that must go out in a
// known encoding whatever the system's own ANSI code page is.
namespace base {

// UTF-16 to the given code page (such as 936), or nothing when a character has no exact
// counterpart in it (no best-fit substitutes, no default character).
std::optional<std::string> ToCodePageExact(unsigned codePage, std::wstring_view text);

}  // namespace base
