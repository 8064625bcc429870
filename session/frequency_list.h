// The frequency list and band plan: the 25 frequencies of the Frequencies menu, the band plan that
// chooses band class and bandwidth for a frequency, the frequency box's text, and the 20 m calling
// frequency to start on.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace muv {

// The frequencies of the menu's entries 1 to 25 in Hz (element 0 unused).
extern const std::array<int32_t, 26> kDefaultFrequencies;

// The band plan's answer for a frequency: bandwidth 100, 500, 2000 (0 outside the plan) and band
// class 1 MF, 2 HF, 3 EME (0 outside the plan).
struct BandPlanEntry {
    int16_t BandwidthHz = 0;
    uint8_t BandClass = 0;
};
BandPlanEntry LookupBandPlan(int32_t hz);

// The frequency box's text for a frequency in Hz: kHz with one decimal and a ".".
std::string KiloHertzText(int32_t hz);

// One of the two 20 m calling frequencies, chosen at random (14.101 MHz about half the time).
int32_t PickStartFrequency();

}  // namespace muv
