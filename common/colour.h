// Colours as the windows take them: a 32-bit value with red in the lowest byte, then green, then blue.
#pragma once

#include <cstdint>

namespace muv {

using ColorRef = int32_t;

constexpr ColorRef RGB(int red, int green, int blue) {
    return static_cast<ColorRef>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int RedOf(ColorRef c) {
    return c & 0xFF;
}
constexpr int GreenOf(ColorRef c) {
    return (c >> 8) & 0xFF;
}
constexpr int BlueOf(ColorRef c) {
    return (c >> 16) & 0xFF;
}

// The back colours by which the status boxes show their state.
constexpr ColorRef kStatusGrey = 0xDFDFDF;
constexpr ColorRef kStatusRed = 0xFF;
constexpr ColorRef kStatusYellow = 0xFFFF;
constexpr ColorRef kStatusGreen = 0xFF00;

constexpr ColorRef kBlack = 0;
constexpr ColorRef kRed = 0xFF;

}  // namespace muv
