#include "receiver/band_lookup.h"

#include <gtest/gtest.h>

namespace muv {
namespace {

TEST(BandLookup, LimitsAreInclusive) {
    EXPECT_EQ(BandFromFrequency(0.501f).Name, "560M");
    EXPECT_EQ(BandFromFrequency(0.504f).Name, "560M");
    EXPECT_EQ(BandFromFrequency(0.5041f).Name, "");
    EXPECT_EQ(BandFromFrequency(1.8f).Name, "160M");
    EXPECT_EQ(BandFromFrequency(2.0f).Name, "160M");
    EXPECT_EQ(BandFromFrequency(14.35f).Name, "20M");
    EXPECT_EQ(BandFromFrequency(14.3501f).Name, "");
    EXPECT_EQ(BandFromFrequency(18.168f).Name, "17M");
    EXPECT_EQ(BandFromFrequency(24.995f).Name, "12M");
}

TEST(BandLookup, EveryBandByAFrequencyInside) {
    const struct {
        float mhz;
        const char* name;
        ColorRef colour;
    } cases[] = {
        {0.1357f, "2190M", RGB(84, 84, 84)},   {3.58f, "80M", RGB(204, 51, 204)},
        {5.3f, "60M", RGB(51, 51, 204)},       {7.04f, "40M", RGB(51, 102, 204)},
        {10.14f, "30M", RGB(102, 204, 102)},   {14.07f, "20M", RGB(255, 204, 0)},
        {18.1f, "17M", RGB(255, 255, 51)},     {21.07f, "15M", RGB(204, 153, 102)},
        {24.92f, "12M", RGB(142, 35, 35)},     {28.12f, "10M", RGB(255, 102, 255)},
        {50.3f, "6M", RGB(255, 0, 0)},         {70.2f, "4M", RGB(204, 0, 0)},
        {144.16f, "2M", RGB(255, 51, 102)},    {432.1f, "70CM", RGB(255, 153, 153)},
        {1296.1f, "23CM", RGB(255, 153, 153)},
    };
    for (const auto& c : cases) {
        BandInfo b = BandFromFrequency(c.mhz);
        EXPECT_EQ(b.Name, c.name) << c.mhz;
        EXPECT_EQ(b.Colour, c.colour) << c.mhz;
    }
}

TEST(BandLookup, BelowAndOutsideTheBands) {
    EXPECT_EQ(BandFromFrequency(0.0f).Name, "2190M");
    EXPECT_EQ(BandFromFrequency(-5.0f).Name, "2190M");
    BandInfo none = BandFromFrequency(2.1f);
    EXPECT_EQ(none.Name, "");
    EXPECT_EQ(none.Colour, RGB(255, 153, 153));
    // The 23 cm row reaches to 13005 MHz.
    EXPECT_EQ(BandFromFrequency(1300.5f).Name, "23CM");
    EXPECT_EQ(BandFromFrequency(10368.0f).Name, "23CM");
    EXPECT_EQ(BandFromFrequency(13005.0f).Name, "23CM");
    EXPECT_EQ(BandFromFrequency(13006.0f).Name, "");
}

}  // namespace
}  // namespace muv
