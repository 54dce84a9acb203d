#pragma once

#include <optional>
#include <string>
#include <string_view>

// Conversions between the program's UTF-16 strings and the system's ANSI code page
// (936 on the target systems), for the ANSI calls of the platform.
namespace base {

// UTF-16 to the ANSI code page; characters the code page lacks become the system's default
// character, as every ANSI call of the platform would see them.
std::string ToAnsi(std::wstring_view text);

// UTF-16 to the ANSI code page, or nothing when a character has no exact counterpart in it
// (no best-fit substitutes, no default character).
std::optional<std::string> ToAnsiExact(std::wstring_view text);

// UTF-16 to the given code page (such as 936, whatever the system's ANSI code page is), or
// nothing when a character has no exact counterpart in it.
std::optional<std::string> ToCodePageExact(unsigned codePage, std::wstring_view text);

// The ANSI code page to UTF-16, one UTF-16 character per character of the code page. NUL bytes
// are kept as NUL characters.
std::wstring FromAnsi(std::string_view text);

}  // namespace base
