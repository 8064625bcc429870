// The frequency list and band plan: the 25 frequencies of the Frequencies menu, the band plan that
// chooses band class and bandwidth for a frequency, the frequency box's text and the frequency a rig may
// be tuned to from it, the channel boxes of the frequency panel, the arrows' steps through the list, the
// scan's countdown and walk through the ticked entries, and the 20 m calling frequency to start on.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/colour.h"

namespace muv {

// The frequencies of the menu's entries 1 to 25 in Hz (element 0 unused).
extern const std::array<int32_t, 26> kDefaultFrequencies;
constexpr int kFrequencyEntries = 25;

// The band plan's answer for a frequency: bandwidth 100, 500, 2000 (0 outside the plan) and band
// class 1 MF, 2 HF, 3 EME (0 outside the plan).
struct BandPlanEntry {
    int16_t BandwidthHz = 0;
    uint8_t BandClass = 0;
};
BandPlanEntry LookupBandPlan(int32_t hz);

// The frequency box's text for a frequency in Hz: kHz with one decimal and a ".".
std::string KiloHertzText(int32_t hz);

// The frequency in Hz that a rig may be tuned to from the frequency box (kHz): none when the text is not
// a plain number (blanks around it allowed, a "." as the decimal point), or when the number is no
// frequency the box takes (below 1 Hz, or 1000000 kHz and above).
std::optional<int32_t> TunableFrequencyHz(std::string_view boxText);

// The 15 channel boxes of the frequency panel (txt3583 to txt21114): each one's channel in kHz, and the
// menu entry that a click on it chooses.
constexpr int kChannels = 15;
extern const std::array<int32_t, kChannels> kChannelKHz;
extern const std::array<int, kChannels> kChannelMenuEntries;

// What a frequency makes of a channel box: its back colour (none: it keeps the one it has) and whether
// it is shown. The channel the frequency is on takes its band's colour and the band's other channels
// turn grey (every channel turns grey when the frequency is on none); the channels of the band whose
// range holds the frequency are shown, all others hidden.
struct ChannelLook {
    std::optional<ColorRef> colour;
    bool visible = false;
};
constexpr ColorRef kChannelBoxGrey = RGB(168, 168, 168);
std::array<ChannelLook, kChannels> ChannelLooks(int32_t hz);

// The entry the up arrow steps to from a dial frequency in Hz: the first one above it, else the lowest;
// the down arrow's: the first one below it, else the highest.
int EntryAbove(double dialHz);
int EntryBelow(double dialHz);

// The scan: ScanCountdown seconds to the next step; ScanIndex the entry tuned last (0 before any).
struct ScanPosition {
    int16_t ScanIndex = 0;
    int16_t ScanCountdown = 0;
};
// The countdown on starting, from the scan window's dwell value.
int16_t ScanStartCountdown(int dwellValue);
// One second of the scan: at 0 the countdown starts again from the dwell value, and the scan moves on
// unless a frame is being received (then it tries again a dwell later). True when it moves on now.
bool ScanTick(ScanPosition& scan, int dwellValue, bool frameLocked);
// Moves ScanIndex to the next ticked entry after it, round the list of `count` entries; that entry, or 0
// when none is ticked (ScanIndex then stays where it was).
int NextScanEntry(ScanPosition& scan, int count, const std::function<bool(int)>& ticked);

// One of the two 20 m calling frequencies, chosen at random (14.101 MHz about half the time).
int32_t PickStartFrequency();

}  // namespace muv
