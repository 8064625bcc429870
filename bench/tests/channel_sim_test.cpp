#include "bench/channel_sim.h"

#include <gtest/gtest.h>

#include <cmath>

namespace muv {
namespace {

// Magnitude of one frequency over a stretch of samples.
double Level(const std::vector<double>& x, size_t from, size_t count, double hz) {
    double re = 0, im = 0;
    for (size_t n = from; n < from + count; ++n) {
        re += x[n] * std::cos(2 * M_PI * hz * static_cast<double>(n) / 48000.0);
        im -= x[n] * std::sin(2 * M_PI * hz * static_cast<double>(n) / 48000.0);
    }
    return 2 * std::hypot(re, im) / static_cast<double>(count);
}

TEST(ChannelSim, ShiftMovesEveryToneWithoutAnImage) {
    std::vector<int16_t> tone(48000);
    for (size_t n = 0; n < tone.size(); ++n) {
        tone[n] = static_cast<int16_t>(std::lround(
            10000 * (std::sin(2 * M_PI * 515.625 * n / 48000.0) + std::sin(2 * M_PI * 2500 * n / 48000.0))));
    }
    const std::vector<double> shifted = ShiftFrequency(tone, 37.5);
    ASSERT_EQ(shifted.size(), tone.size());
    // Away from the ends, both tones have moved up by 37.5 Hz at full level; the mirror images are gone.
    for (double f : {515.625, 2500.0}) {
        EXPECT_NEAR(Level(shifted, 4800, 38400, f + 37.5), 10000, 150) << f;
        EXPECT_LT(Level(shifted, 4800, 38400, f - 37.5), 150) << f;
        EXPECT_LT(Level(shifted, 4800, 38400, f), 150) << f;
    }
}

TEST(ChannelSim, SignalToNoiseIsReferredTo2500Hz) {
    std::vector<int16_t> tone(96000);
    for (size_t n = 0; n < tone.size(); ++n)
        tone[n] = static_cast<int16_t>(std::lround(8000 * std::sin(2 * M_PI * 1500 * n / 48000.0)));
    std::mt19937_64 rng(5);
    ChannelSpec channel;
    channel.snrDb2500 = -10;
    channel.noiseRms = 3000;
    const std::vector<int16_t> rx = MakeChannel(tone, channel, rng);
    // Signal power over noise power in 2500 Hz: the tone's power is A^2/2, the noise's 3000^2*2500/24000.
    const std::vector<double> x(rx.begin(), rx.end());
    const double amplitude = Level(x, 0, x.size(), 1500);
    const double snr = 10 * std::log10(amplitude * amplitude / 2 / (3000.0 * 3000.0 * 2500 / 24000));
    EXPECT_NEAR(snr, -10, 0.3);

    const std::vector<int16_t> noise = MakeNoise(200000, 1000, rng);
    double power = 0;
    for (int16_t v : noise)
        power += double(v) * v;
    EXPECT_NEAR(std::sqrt(power / noise.size()), 1000, 10);
}

}  // namespace
}  // namespace muv
