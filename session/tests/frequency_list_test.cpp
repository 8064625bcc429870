// The frequency list's logic on its own: the frequency a rig may be tuned to from the box, the channel
// boxes a frequency shows, the arrows' steps and the scan's countdown and walk.
#include <gtest/gtest.h>

#include <vector>

#include "receiver/band_lookup.h"
#include "session/frequency_list.h"

namespace muv {
namespace {

TEST(FrequencyList, OnlyAPlainNumberInTheBoxTunesARig) {
    EXPECT_EQ(TunableFrequencyHz("14101.0"), 14101000);
    EXPECT_EQ(TunableFrequencyHz(" 7042 "), 7042000);
    EXPECT_EQ(TunableFrequencyHz("+136"), 136000);
    EXPECT_EQ(TunableFrequencyHz(".5"), 500);
    EXPECT_EQ(TunableFrequencyHz("0.001"), 1);
    EXPECT_EQ(TunableFrequencyHz("999999.4"), 999999400);
    for (const char* text :
         {"", "   ", ".", "abc", "14101abc", "14,101", "14101.0.0", "1e4", "&H3715", "-14101", "0", "0.0004",
          "1000000", "999999.5", "2147484", "99999999999999999999"})
        EXPECT_FALSE(TunableFrequencyHz(text).has_value()) << '"' << text << '"';
}

TEST(FrequencyList, ChannelBoxesFollowTheFrequency) {
    const ColorRef band20 = BandFromFrequency(14.0f).Colour;
    // On channel 14.078 MHz: that box in the band's colour, the band's others grey, other bands untouched;
    // only the 20 m boxes shown.
    auto looks = ChannelLooks(14078000);
    for (int i = 0; i < kChannels; ++i) {
        const bool on20m = kChannelKHz[static_cast<size_t>(i)] / 1000 == 14;
        EXPECT_EQ(looks[static_cast<size_t>(i)].visible, on20m) << i;
        EXPECT_EQ(looks[static_cast<size_t>(i)].colour.has_value(), on20m) << i;
    }
    EXPECT_EQ(looks[7].colour, band20);
    EXPECT_EQ(looks[8].colour, kChannelBoxGrey);

    // In the band but on no channel: every box grey.
    looks = ChannelLooks(14090000);
    for (const ChannelLook& look : looks)
        EXPECT_EQ(look.colour, kChannelBoxGrey);
    EXPECT_TRUE(looks[10].visible && !looks[11].visible);

    // The ranges' edges belong to them; outside all six ranges nothing is shown.
    EXPECT_TRUE(ChannelLooks(3620000)[0].visible);
    EXPECT_FALSE(ChannelLooks(3620001)[0].visible);
    EXPECT_EQ(ChannelLooks(3583000)[0].colour, BandFromFrequency(3.5f).Colour);
    for (int32_t hz : {0, -14078000, 144160000})
        for (const ChannelLook& look : ChannelLooks(hz))
            EXPECT_TRUE(!look.visible && look.colour == kChannelBoxGrey) << hz;
}

TEST(FrequencyList, ArrowsStepToTheNeighboursAndWrap) {
    EXPECT_EQ(EntryAbove(14078000), 13);
    EXPECT_EQ(EntryBelow(14078000), 11);
    EXPECT_EQ(EntryAbove(14080000), 13);
    EXPECT_EQ(EntryBelow(14080000), 12);
    EXPECT_EQ(EntryAbove(144980000), 1);
    EXPECT_EQ(EntryAbove(2e9), 1);
    EXPECT_EQ(EntryBelow(136000), 25);
    EXPECT_EQ(EntryBelow(0), 25);
    EXPECT_EQ(EntryAbove(0), 1);
}

TEST(FrequencyList, ScanDwellsAndWalksRoundTheTickedEntries) {
    // A setting of 0: 300 s to the first step, then 301 s between steps.
    ScanPosition scan;
    scan.ScanCountdown = ScanStartCountdown(0);
    std::vector<int> steps;
    for (int t = 1; t <= 700; ++t)
        if (ScanTick(scan, 0, false)) steps.push_back(t);
    EXPECT_EQ(steps, (std::vector<int>{301, 602}));

    auto ticked = [](int i) { return i == 3 || i == 25; };
    EXPECT_EQ(NextScanEntry(scan, 25, ticked), 3);
    EXPECT_EQ(NextScanEntry(scan, 25, ticked), 25);
    EXPECT_EQ(NextScanEntry(scan, 25, ticked), 3);
    EXPECT_EQ(NextScanEntry(scan, 25, [](int) { return false; }), 0);
    EXPECT_EQ(scan.ScanIndex, 3);
}

}  // namespace
}  // namespace muv
