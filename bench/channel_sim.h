// A radio channel for the modem's loopback tests and benchmark: the transmitted audio, mistuned by a
// frequency offset, scaled to a given S/N in 2500 Hz against white Gaussian noise, and placed at an
// offset in time among noise.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace muv {

struct ChannelSpec {
    double snrDb2500 = 10;         // signal power over the noise power in 2500 Hz
    double frequencyOffsetHz = 0;  // the whole signal moves by this much
    int leadSamples = 0;           // noise before the signal
    int tailSamples = 0;           // noise after it
    double noiseRms = 2000;        // noise level in 16-bit sample units
};

// The signal shifted in frequency: the upper sideband of the analytic signal moved by offsetHz.
std::vector<double> ShiftFrequency(const std::vector<int16_t>& signal, double offsetHz);

// The received audio: the shifted, scaled signal plus noise, rounded and clipped to 16 bits.
std::vector<int16_t> MakeChannel(const std::vector<int16_t>& transmitted, const ChannelSpec& channel,
                                 std::mt19937_64& rng);

// White Gaussian noise alone, for false-lock counts.
std::vector<int16_t> MakeNoise(size_t samples, double noiseRms, std::mt19937_64& rng);

}  // namespace muv
