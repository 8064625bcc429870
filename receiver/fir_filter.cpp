#include "receiver/fir_filter.h"

#include <cstddef>

namespace muv {

namespace {

constexpr int kHalfTaps = 16;  // taps 0 to 15; taps 16 to 30 mirror 14 down to 0

using HalfTable = std::array<float, kHalfTaps>;

// 48000 samples/s: 3 dB down at 3000 Hz, 20 dB down at 4000 Hz; unity gain at 0 Hz.
constexpr HalfTable kHalfA = {0.00293f,   -0.00744f,  -0.017965f, -0.026745f, -0.031876f, -0.031729f,
                              -0.025211f, -0.011964f, 0.007525f,  0.031933f,  0.059214f,  0.086829f,
                              0.112038f,  0.132243f,  0.145305f,  0.149822f};

// 48000 samples/s: 3 dB down at about 2510 Hz, 20 dB down at about 3390 Hz; unity gain at 0 Hz.
constexpr HalfTable kHalfB = {-0.018021f, -0.023333f, -0.026274f, -0.026093f, -0.022266f, -0.014566f,
                              -0.003101f, 0.011672f,  0.028974f,  0.047754f,  0.066774f,  0.084711f,
                              0.100274f,  0.112312f,  0.119921f,  0.122523f};

// 8000 samples/s: 3 dB down at about 1600 Hz, 20 dB down at about 1860 Hz; gain 0.9725 at 0 Hz.
constexpr HalfTable kHalfComplex = {-0.00085986924f, -0.00851829f, -0.011250152f, -0.0010617053f,
                                    0.013958392f,    0.010047339f, -0.01500387f,  -0.02502788f,
                                    0.0071517006f,   0.043634724f, 0.016788108f,  -0.06188619f,
                                    -0.07354846f,    0.07526103f,  0.30663887f,   0.41982627f};

void FillSymmetric(std::array<float, kFirTaps>& taps, const HalfTable& half) {
    for (int k = 0; k < kFirTaps; ++k) {
        const int source = k < kHalfTaps ? k : kFirTaps - 1 - k;
        taps[static_cast<std::size_t>(k)] = half[static_cast<std::size_t>(source)];
    }
}

// Stores the sample at the write slot and advances the slot, wrapping from 30 to 0.
template <typename T>
void Store(std::array<T, kFirTaps>& delay, int16_t& index, T sample) {
    delay[static_cast<std::size_t>(index)] = sample;
    ++index;
    if (index == kFirTaps) index = 0;
}

// Sum of the stored samples, oldest first (starting at the write slot), times taps 0 to 30: the slots
// from the write slot to the end, then those from the start.
template <typename T>
T Convolve(const std::array<T, kFirTaps>& delay, int16_t index, const std::array<float, kFirTaps>& taps) {
    T sum{};
    const T* oldest = delay.data() + index;
    const int wrap = kFirTaps - index;
    for (int k = 0; k < wrap; ++k)
        sum += oldest[k] * taps[static_cast<std::size_t>(k)];
    for (int k = wrap; k < kFirTaps; ++k)
        sum += delay[static_cast<std::size_t>(k - wrap)] * taps[static_cast<std::size_t>(k)];
    return sum;
}

// Stores the sample; forms the output sum only when compute is true, else returns zero.
template <typename T>
T Filter(std::array<T, kFirTaps>& delay, int16_t& index, const std::array<float, kFirTaps>& taps, T sample,
         bool compute) {
    Store(delay, index, sample);
    if (!compute) return T{};
    return Convolve(delay, index, taps);
}

}  // namespace

void InitFirCoefficientsA(FirCoefficients& c) {
    FillSymmetric(c.FirCoefficientsA, kHalfA);
}

void InitFirCoefficientsB(FirCoefficients& c) {
    FillSymmetric(c.FirCoefficientsB, kHalfB);
}

void InitComplexFirCoefficients(FirCoefficients& c) {
    FillSymmetric(c.ComplexFirCoefficients, kHalfComplex);
}

FirFilters::FirFilters() {
    InitFirCoefficientsB(Coefficients);
    InitFirCoefficientsA(Coefficients);
    InitComplexFirCoefficients(Coefficients);
}

float FirFilters::FirFilterA(float sample, bool compute) {
    return Filter(State.DelayA, State.IndexA, Coefficients.FirCoefficientsA, sample, compute);
}

float FirFilters::FirFilterB(float sample, bool compute) {
    return Filter(State.DelayB, State.IndexB, Coefficients.FirCoefficientsB, sample, compute);
}

ComplexSample FirFilters::ComplexFirFilter(ComplexSample sample, bool compute) {
    return Filter(State.DelayC, State.IndexC, Coefficients.ComplexFirCoefficients, sample, compute);
}

}  // namespace muv
