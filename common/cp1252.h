// The program's 8-bit character set, Windows-1252, and its conversion to and from UTF-8 where text
// leaves or enters the program (windows, command lines, files written for other programs).
#pragma once

#include <string>
#include <string_view>

namespace muv {

// The Unicode code point of a Windows-1252 character (the five unassigned codes map to themselves).
char32_t Cp1252ToUnicode(unsigned char c);
// The Windows-1252 character of a code point, or '?' when it has none.
char UnicodeToCp1252(char32_t u);

std::string Cp1252ToUtf8(std::string_view text);
// Invalid UTF-8 bytes and characters outside Windows-1252 become '?'.
std::string Utf8ToCp1252(std::string_view text);

}  // namespace muv
