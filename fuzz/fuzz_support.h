// What the fuzz targets share: a property that fails ends the run as a crash does, so that libFuzzer
// keeps the input that broke it; the strict test of UTF-8; and the input as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace muv::fuzz {

[[noreturn]] inline void PropertyFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "\n==== property failed: %s (%s:%d)\n", condition, file, line);
    std::abort();
}

// Whether the bytes are well-formed UTF-8: shortest forms, no surrogates, nothing beyond U+10FFFF.
inline bool ValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const size_t n = b < 0x80                 ? 1
                         : b >= 0xC2 && b <= 0xDF ? 2
                         : b >= 0xE0 && b <= 0xEF ? 3
                         : b >= 0xF0 && b <= 0xF4 ? 4
                                                  : 0;
        if (n == 0 || i + n > s.size()) return false;
        uint32_t code = n == 1 ? b : b & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            code = (code << 6) | (c & 0x3F);
        }
        if ((n == 3 && code < 0x800) || (n == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += n;
    }
    return true;
}

inline std::string_view Text(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace muv::fuzz

// A property of the parser under test: when it does not hold, the input is a finding.
#define MUV_FUZZ_REQUIRE(condition) \
    ((condition) ? (void)0 : ::muv::fuzz::PropertyFailed(#condition, __FILE__, __LINE__))
