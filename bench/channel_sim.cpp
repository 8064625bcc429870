#include "bench/channel_sim.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace muv {

namespace {

using Complex = std::complex<double>;

void FftInPlace(std::vector<Complex>& x, bool inverse) {
    const size_t n = x.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) std::swap(x[i], x[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = 2 * M_PI / static_cast<double>(len) * (inverse ? 1 : -1);
        const Complex step(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += len) {
            Complex w(1, 0);
            for (size_t k = 0; k < len / 2; ++k) {
                const Complex u = x[i + k];
                const Complex v = x[i + k + len / 2] * w;
                x[i + k] = u + v;
                x[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
    if (inverse) {
        for (Complex& v : x)
            v /= static_cast<double>(n);
    }
}

// A Blackman-windowed Hilbert transformer: accurate from about 150 Hz to 23.8 kHz at 48000 samples/s.
constexpr int kHilbertTaps = 2047;
constexpr int kHilbertDelay = kHilbertTaps / 2;
constexpr size_t kBlock = 8192;

std::vector<double> HilbertTaps() {
    std::vector<double> h(kHilbertTaps, 0.0);
    for (int n = 0; n < kHilbertTaps; ++n) {
        const int m = n - kHilbertDelay;
        if (m % 2 == 0) continue;
        const double window = 0.42 - 0.5 * std::cos(2 * M_PI * n / (kHilbertTaps - 1)) +
                              0.08 * std::cos(4 * M_PI * n / (kHilbertTaps - 1));
        h[n] = 2.0 / (M_PI * m) * window;
    }
    return h;
}

// The Hilbert transform of x, delayed by kHilbertDelay samples, by overlap-save fast convolution.
std::vector<double> Hilbert(const std::vector<double>& x) {
    static const std::vector<Complex> response = [] {
        std::vector<Complex> r(kBlock);
        const std::vector<double> h = HilbertTaps();
        for (int n = 0; n < kHilbertTaps; ++n)
            r[n] = h[n];
        FftInPlace(r, false);
        return r;
    }();
    const size_t step = kBlock - (kHilbertTaps - 1);
    std::vector<double> y(x.size(), 0.0);
    std::vector<Complex> block(kBlock);
    for (size_t start = 0; start < x.size(); start += step) {
        for (size_t k = 0; k < kBlock; ++k) {
            // Each block starts kHilbertTaps - 1 samples before the output it produces.
            const long long index = static_cast<long long>(start + k) - (kHilbertTaps - 1);
            block[k] =
                index >= 0 && index < static_cast<long long>(x.size()) ? x[static_cast<size_t>(index)] : 0.0;
        }
        FftInPlace(block, false);
        for (size_t k = 0; k < kBlock; ++k)
            block[k] *= response[k];
        FftInPlace(block, true);
        for (size_t k = kHilbertTaps - 1; k < kBlock; ++k) {
            const size_t out = start + k - (kHilbertTaps - 1);
            if (out < y.size()) y[out] = block[k].real();
        }
    }
    return y;
}

}  // namespace

std::vector<double> ShiftFrequency(const std::vector<int16_t>& signal, double offsetHz) {
    std::vector<double> x(signal.begin(), signal.end());
    if (offsetHz == 0) return x;
    // Pad so that the filter's delay does not cut the end.
    x.resize(x.size() + kHilbertDelay, 0.0);
    const std::vector<double> h = Hilbert(x);
    std::vector<double> y(signal.size());
    for (size_t n = 0; n < y.size(); ++n) {
        const double phase = 2 * M_PI * offsetHz * static_cast<double>(n) / 48000.0;
        y[n] = x[n] * std::cos(phase) - h[n + kHilbertDelay] * std::sin(phase);
    }
    return y;
}

std::vector<int16_t> MakeChannel(const std::vector<int16_t>& transmitted, const ChannelSpec& channel,
                                 std::mt19937_64& rng) {
    const std::vector<double> shifted = ShiftFrequency(transmitted, channel.frequencyOffsetHz);
    // The signal's power over its active part, from the first to the last sample that is not silent.
    auto first = std::find_if(transmitted.begin(), transmitted.end(), [](int16_t v) { return v != 0; });
    auto last = std::find_if(transmitted.rbegin(), transmitted.rend(), [](int16_t v) { return v != 0; });
    double power = 0;
    const size_t begin = static_cast<size_t>(first - transmitted.begin());
    const size_t end = transmitted.size() - static_cast<size_t>(last - transmitted.rbegin());
    for (size_t n = begin; n < end; ++n)
        power += shifted[n] * shifted[n];
    power = end > begin ? power / static_cast<double>(end - begin) : 1.0;

    // White noise of variance s^2 over 24 kHz puts s^2 * 2500 / 24000 into 2500 Hz.
    const double noisePower2500 = channel.noiseRms * channel.noiseRms * 2500.0 / 24000.0;
    const double gain = std::sqrt(std::pow(10.0, channel.snrDb2500 / 10.0) * noisePower2500 / power);

    std::normal_distribution<double> noise(0.0, channel.noiseRms);
    std::vector<int16_t> out(static_cast<size_t>(channel.leadSamples) + transmitted.size() +
                             static_cast<size_t>(channel.tailSamples));
    for (size_t n = 0; n < out.size(); ++n) {
        double v = noise(rng);
        if (n >= static_cast<size_t>(channel.leadSamples) && n - channel.leadSamples < shifted.size()) {
            v += gain * shifted[n - channel.leadSamples];
        }
        out[n] = static_cast<int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
    }
    return out;
}

std::vector<int16_t> MakeNoise(size_t samples, double noiseRms, std::mt19937_64& rng) {
    std::normal_distribution<double> noise(0.0, noiseRms);
    std::vector<int16_t> out(samples);
    for (int16_t& v : out)
        v = static_cast<int16_t>(std::clamp(std::lround(noise(rng)), -32768L, 32767L));
    return out;
}

}  // namespace muv
