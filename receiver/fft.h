// The in-place radix-2 FFT of the tone-energy spectrum and the waterfall.
#pragma once

#include <complex>

namespace muv {

using ComplexSample = std::complex<float>;

// Forward, unscaled, decimation-in-time FFT of x[0..n-1] in place; n is a power of two from 2 to 16384.
// X[k] = sum over m of x[m] e^(-2 pi i m k / n).
void Fft(int n, ComplexSample* x);

}  // namespace muv
