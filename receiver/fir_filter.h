// The three 31-tap low-pass FIR filters of the decimating receive front end, with their delay lines.
#pragma once

#include <array>
#include <cstdint>

#include "receiver/fft.h"

namespace muv {

constexpr int kFirTaps = 31;

struct FirCoefficients {
    std::array<float, kFirTaps> FirCoefficientsA{};  // before 6:1 decimation, 48000 -> 8000 samples/s
    std::array<float, kFirTaps> FirCoefficientsB{};  // before 7:1 decimation, 48000 -> 48000/7 samples/s
    std::array<float, kFirTaps> ComplexFirCoefficients{};  // complex samples at 8000 samples/s, before 2:1
};

void InitFirCoefficientsA(FirCoefficients& c);
void InitFirCoefficientsB(FirCoefficients& c);
void InitComplexFirCoefficients(FirCoefficients& c);

// The filters' delay lines: zero at start and never cleared. Index* is the slot of the next write,
// which is also the oldest sample.
struct FirState {
    std::array<float, kFirTaps> DelayA{};
    int16_t IndexA = 0;
    std::array<float, kFirTaps> DelayB{};
    int16_t IndexB = 0;
    std::array<ComplexSample, kFirTaps> DelayC{};
    int16_t IndexC = 0;
};

// Each call stores its sample; the output sum is formed only when compute is true (else 0 is returned).
class FirFilters {
public:
    FirFilters();  // fills the three coefficient tables

    float FirFilterA(float sample, bool compute);
    float FirFilterB(float sample, bool compute);
    ComplexSample ComplexFirFilter(ComplexSample sample, bool compute);

    FirCoefficients Coefficients;
    FirState State;
};

}  // namespace muv
