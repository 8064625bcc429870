// The channel code that transmitter and receiver share: a convolutional code of constraint length 7 and
// rate 1/2 with the generators 133 and 171 (octal), and the Gray mapping of 4-bit code symbols to tones.
#pragma once

#include <cstdint>

namespace muv {

constexpr unsigned kGenerator133 = 0133;
constexpr unsigned kGenerator171 = 0171;

constexpr int Parity(unsigned v) {
    int p = 0;
    for (; v; v &= v - 1)
        p ^= 1;
    return p;
}

// The two code bits for a 7-bit register whose bit 6 holds the newest input bit and bit 0 the oldest.
constexpr int CodeBit133(unsigned reg) {
    return Parity(reg & kGenerator133);
}
constexpr int CodeBit171(unsigned reg) {
    return Parity(reg & kGenerator171);
}

// n xor (n shifted right by one) for n = 0 to 15. Any other n has no tone and gives 0.
constexpr uint8_t GrayEncode(unsigned n) {
    return n <= 15 ? static_cast<uint8_t>(n ^ (n >> 1)) : 0;
}

// The code symbol that a tone 0..15 carries.
constexpr uint8_t GrayDecode(unsigned tone) {
    unsigned n = tone & 15;
    n ^= n >> 1;
    n ^= n >> 2;
    return static_cast<uint8_t>(n);
}

}  // namespace muv
