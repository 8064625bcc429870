#include "common/cp1252.h"

#include <array>

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
    } else {
        out.push_back(static_cast<char>(0xE0 | (u >> 12)));
        out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
}

}  // namespace

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
        const auto b = static_cast<unsigned char>(text[i]);
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        char32_t u = extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : extra == 3 ? (b & 0x07) : b;
        bool valid = extra >= 0 && i + static_cast<size_t>(extra) < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            const auto cont = static_cast<unsigned char>(text[i + k]);
            if ((cont & 0xC0) != 0x80) {
                valid = false;
            } else {
                u = (u << 6) | (cont & 0x3F);
            }
        }
        if (!valid) {
            out.push_back('?');
            ++i;
            continue;
        }
        // A character written with more bytes than it needs ("\xC0\xAF" for '/'), a surrogate or a
        // value beyond Unicode is not text: one '?' for the whole sequence.
        constexpr char32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
        const bool character = u >= kShortest[extra] && (u < 0xD800 || u > 0xDFFF) && u <= 0x10FFFF;
        out.push_back(character ? UnicodeToCp1252(u) : '?');
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

}  // namespace muv
