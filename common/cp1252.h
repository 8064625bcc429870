// Text inside the program is UTF-8; the modem's own text (the receive and transmit windows, the
// characters on the air and the session log's copy of them) is Windows-1252, the 8-bit set the
// alphabets are made of. Here are the conversions between the two, and the rule for text that crosses
// a file's or a peer's edge: what Windows-1252 can hold is written in it, so that files stay as older
// stations wrote them, and anything else is written as UTF-8; what is read is taken as UTF-8 when it is
// valid UTF-8 with multi-byte characters (Windows-1252 text almost never is), else as Windows-1252.
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

// Whether every byte is ASCII (below 0x80): such a text is the same in both sets.
bool IsAscii(std::string_view bytes);
// Whether every character of a UTF-8 text has a Windows-1252 code (invalid UTF-8 has none).
bool FitsCp1252(std::string_view utf8);
// Whether the bytes are valid UTF-8: shortest forms, no surrogates, nothing beyond U+10FFFF.
bool IsValidUtf8(std::string_view bytes);
// Whether the bytes are valid UTF-8 with at least one character of more than one byte.
bool IsMultiByteUtf8(std::string_view bytes);
// A text read from a file or a peer, as UTF-8.
std::string DecodeText(std::string_view bytes);
// A UTF-8 text as it is written to a file or sent to a peer; DecodeText gives it back.
std::string EncodeText(std::string_view utf8);

// The number of characters of a UTF-8 text (a byte that starts no character counts as one).
size_t Utf8Length(std::string_view utf8);
// The first `characters` characters of a UTF-8 text.
std::string Utf8Left(std::string_view utf8, size_t characters);
// The longest start of a UTF-8 text of at most `bytes` bytes that cuts no character.
std::string Utf8Head(std::string_view utf8, size_t bytes);
// The text in capitals, in every script that has them.
std::string Utf8ToUpper(std::string_view utf8);

// A text from outside (a peer's line, or a field cut from one) as a one-line box shows it: it shows what
// it holds and does nothing to the line. A line break (CR, LF, CR LF, VT, FF, NEL, U+2028, U+2029) shows
// as "↵", a tab as a blank; any other control character and the bidirectional controls (U+061C,
// U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069) are left out, so that nothing in it ends the line,
// hides what stands before it or turns the rest around. A byte that starts no character shows as U+FFFD.
std::string OneLineText(std::string_view utf8);

}  // namespace muv
