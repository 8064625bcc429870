// What the fuzz targets share: a property that fails ends the run as a crash does, so that libFuzzer
// keeps the input that broke it; the strict test of UTF-8; and the input as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/cp1252.h"

namespace muv::fuzz {

[[noreturn]] inline void PropertyFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "\n==== property failed: %s (%s:%d)\n", condition, file, line);
    std::abort();
}

// Whether the bytes are well-formed UTF-8: shortest forms, no surrogates, nothing beyond U+10FFFF.
inline bool ValidUtf8(std::string_view s) {
    return IsValidUtf8(s);
}

inline std::string_view Text(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace muv::fuzz

// A property of the parser under test: when it does not hold, the input is a finding.
#define MUV_FUZZ_REQUIRE(condition) \
    ((condition) ? (void)0 : ::muv::fuzz::PropertyFailed(#condition, __FILE__, __LINE__))
