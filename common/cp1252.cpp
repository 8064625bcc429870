#include "common/cp1252.h"

#include <locale.h>
#include <array>
#include <cstdint>
#include <cstring>
#include <cwctype>

namespace muv {

namespace {

// Code points of 0x80 to 0x9F; the unassigned 0x81, 0x8D, 0x8F, 0x90 and 0x9D stand for themselves.
constexpr std::array<char32_t, 32> kHigh = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t u) {
    if (u < 0x80) {
        out.push_back(static_cast<char>(u));
    } else if (u < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (u >> 6)));
        out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    } else if (u < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (u >> 12)));
        out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (u >> 18)));
        out.push_back(static_cast<char>(0x80 | ((u >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
}

// One UTF-8 character at `i`: its code point and length, or a length of 0 where the bytes are no
// well-formed sequence (cut short, a bad continuation). A sequence that is well formed but stands for
// no character (an overlong form such as "\xC0\xAF" for '/', a surrogate, a value beyond Unicode) has
// its length and is not a character.
struct Utf8Char {
    char32_t code = 0;
    size_t length = 0;
    bool character = false;
};

Utf8Char ReadUtf8(std::string_view text, size_t i) {
    const auto b = static_cast<unsigned char>(text[i]);
    const int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= text.size()) return {};
    char32_t u = extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : extra == 3 ? (b & 0x07) : b;
    for (int k = 1; k <= extra; ++k) {
        const auto cont = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
        if ((cont & 0xC0) != 0x80) return {};
        u = (u << 6) | (cont & 0x3F);
    }
    constexpr char32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
    const bool character = u >= kShortest[extra] && (u < 0xD800 || u > 0xDFFF) && u <= 0x10FFFF;
    return {u, static_cast<size_t>(extra) + 1, character};
}

// How many bytes at the start are ASCII.
size_t AsciiPrefix(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80)
        ++i;
    return i;
}

bool HasCp1252Code(char32_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return true;
    for (char32_t high : kHigh) {
        if (high == u) return true;
    }
    return false;
}

char32_t UpperOf(char32_t u) {
    if (u < 0x80) return u >= 'a' && u <= 'z' ? u - 0x20 : u;
    // The C.UTF-8 locale's case table covers every script; it is part of the C library itself.
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (utf8 == static_cast<locale_t>(nullptr)) return u;
    return static_cast<char32_t>(towupper_l(static_cast<wint_t>(u), utf8));
}

}  // namespace

bool IsAscii(std::string_view bytes) {
    // Eight bytes at a time, then the rest.
    uint64_t any = 0;
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t eight;
        std::memcpy(&eight, bytes.data() + i, 8);
        any |= eight;
    }
    for (; i < bytes.size(); ++i)
        any |= static_cast<unsigned char>(bytes[i]);
    return (any & 0x8080808080808080u) == 0;
}

char32_t Cp1252ToUnicode(unsigned char c) {
    return c >= 0x80 && c <= 0x9F ? kHigh[c - 0x80] : c;
}

char UnicodeToCp1252(char32_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<char>(u);
    for (size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == u) return static_cast<char>(0x80 + i);
    }
    return '?';
}

std::string Cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        AppendUtf8(out, Cp1252ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const Utf8Char c = ReadUtf8(text, i);
        if (c.length == 0) {
            out.push_back('?');  // one for the start of a broken sequence
            ++i;
            continue;
        }
        out.push_back(c.character ? UnicodeToCp1252(c.code) : '?');  // one for the whole sequence
        i += c.length;
    }
    return out;
}

bool FitsCp1252(std::string_view utf8) {
    for (size_t i = 0; i < utf8.size();) {
        const Utf8Char c = ReadUtf8(utf8, i);
        if (!c.character || !HasCp1252Code(c.code)) return false;
        i += c.length;
    }
    return true;
}

bool IsValidUtf8(std::string_view bytes) {
    for (size_t i = AsciiPrefix(bytes); i < bytes.size();) {
        const Utf8Char c = ReadUtf8(bytes, i);
        if (!c.character) return false;
        i += c.length;
    }
    return true;
}

bool IsMultiByteUtf8(std::string_view bytes) {
    return !IsAscii(bytes) && IsValidUtf8(bytes);
}

std::string DecodeText(std::string_view bytes) {
    // ASCII, nearly every value, reads as itself either way.
    if (IsAscii(bytes)) return std::string(bytes);
    return IsMultiByteUtf8(bytes) ? std::string(bytes) : Cp1252ToUtf8(bytes);
}

std::string EncodeText(std::string_view utf8) {
    if (!FitsCp1252(utf8)) return std::string(utf8);
    // The rare value whose Windows-1252 bytes would read back as UTF-8 ("Ã©") goes as UTF-8 too.
    std::string cp1252 = Utf8ToCp1252(utf8);
    return IsMultiByteUtf8(cp1252) ? std::string(utf8) : cp1252;
}

size_t Utf8Length(std::string_view utf8) {
    size_t count = 0;
    for (size_t i = 0; i < utf8.size(); ++count) {
        const Utf8Char c = ReadUtf8(utf8, i);
        i += c.length == 0 ? 1 : c.length;
    }
    return count;
}

std::string Utf8Left(std::string_view utf8, size_t characters) {
    // Up to the first byte beyond ASCII, characters are bytes.
    const size_t ascii = AsciiPrefix(utf8.substr(0, characters));
    if (ascii == characters || ascii == utf8.size()) return std::string(utf8.substr(0, ascii));
    size_t i = 0;
    for (size_t n = 0; n < characters && i < utf8.size(); ++n) {
        const Utf8Char c = ReadUtf8(utf8, i);
        i += c.length == 0 ? 1 : c.length;
    }
    return std::string(utf8.substr(0, i));
}

std::string Utf8Head(std::string_view utf8, size_t bytes) {
    size_t i = 0;
    while (i < utf8.size()) {
        const Utf8Char c = ReadUtf8(utf8, i);
        const size_t length = c.length == 0 ? 1 : c.length;
        if (i + length > bytes) break;
        i += length;
    }
    return std::string(utf8.substr(0, i));
}

std::string Utf8ToUpper(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    // The ASCII start goes by a table-free rule of its own.
    const size_t ascii = AsciiPrefix(utf8);
    out.append(utf8.substr(0, ascii));
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    for (size_t i = ascii; i < utf8.size();) {
        const Utf8Char c = ReadUtf8(utf8, i);
        if (!c.character) {
            out.append(utf8.substr(i, c.length == 0 ? 1 : c.length));
            i += c.length == 0 ? 1 : c.length;
            continue;
        }
        AppendUtf8(out, UpperOf(c.code));
        i += c.length;
    }
    return out;
}

std::string OneLineText(std::string_view utf8) {
    constexpr std::string_view kLineBreak = "\xE2\x86\xB5";    // U+21B5
    constexpr std::string_view kNoCharacter = "\xEF\xBF\xBD";  // U+FFFD
    const auto bidiControl = [](char32_t u) {
        return u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E) ||
               (u >= 0x2066 && u <= 0x2069);
    };
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const Utf8Char c = ReadUtf8(utf8, i);
        if (!c.character) {
            out.append(kNoCharacter);
            i += c.length == 0 ? 1 : c.length;
            continue;
        }
        const char32_t u = c.code;
        const bool crlf = u == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n';
        i += crlf ? 2 : c.length;
        if (u == '\r' || u == '\n' || u == 0x0B || u == 0x0C || u == 0x85 || u == 0x2028 || u == 0x2029)
            out.append(kLineBreak);
        else if (u == '\t')
            out.push_back(' ');
        else if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || bidiControl(u))
            continue;
        else
            AppendUtf8(out, u);
    }
    return out;
}

}  // namespace muv
