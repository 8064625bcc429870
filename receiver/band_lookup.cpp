#include "receiver/band_lookup.h"

#include <array>

namespace muv {

namespace {

struct BandRow {
    const char* name;
    float lower;
    float upper;
    ColorRef colour;
};

constexpr ColorRef kNoBandColour = RGB(255, 153, 153);

const std::array<BandRow, 16> kBands = {{
    {"560M", 0.501f, 0.504f, RGB(84, 84, 84)},
    {"160M", 1.8f, 2.0f, RGB(102, 255, 51)},
    {"80M", 3.5f, 3.8f, RGB(204, 51, 204)},
    {"60M", 5.2f, 5.5f, RGB(51, 51, 204)},
    {"40M", 7.0f, 7.2f, RGB(51, 102, 204)},
    {"30M", 10.0f, 10.15f, RGB(102, 204, 102)},
    {"20M", 14.0f, 14.35f, RGB(255, 204, 0)},
    {"17M", 18.0f, 18.168f, RGB(255, 255, 51)},
    {"15M", 21.0f, 21.45f, RGB(204, 153, 102)},
    {"12M", 24.0f, 24.995f, RGB(142, 35, 35)},
    {"10M", 28.0f, 29.7f, RGB(255, 102, 255)},
    {"6M", 50.0f, 52.0f, RGB(255, 0, 0)},
    {"4M", 70.0f, 70.5f, RGB(204, 0, 0)},
    {"2M", 144.0f, 146.0f, RGB(255, 51, 102)},
    {"70CM", 430.0f, 440.0f, RGB(255, 153, 153)},
    // This row reaches up to 13005 MHz, so the microwave bands above 23 cm show as "23CM" as well.
    {"23CM", 1240.0f, 13005.0f, RGB(255, 153, 153)},
}};

}  // namespace

BandInfo BandFromFrequency(float frequencyMHz) {
    if (frequencyMHz < 0.501f) return {"2190M", RGB(84, 84, 84)};
    for (const BandRow& row : kBands) {
        if (row.lower <= frequencyMHz && row.upper >= frequencyMHz) return {row.name, row.colour};
    }
    return {"", kNoBandColour};
}

}  // namespace muv
