#include "receiver/fft.h"

#include <cmath>
#include <utility>

namespace muv {

namespace {

// The twiddle factors are formed from this single-precision value of pi.
constexpr float kPi = 3.1415927f;

// Complex product in single precision, written out so that every step is a plain float operation.
inline ComplexSample Multiply(ComplexSample a, ComplexSample b) {
    const float re = a.real() * b.real() - a.imag() * b.imag();
    const float im = a.real() * b.imag() + a.imag() * b.real();
    return {re, im};
}

}  // namespace

void Fft(int n, ComplexSample* x) {
    // Bit-reversed reordering of positions 1 to n - 2 (the first and last stay in place).
    const int half = n / 2;
    int j = half;
    for (int i = 1; i <= n - 2; ++i) {
        if (i < j) std::swap(x[i], x[j]);
        int k = half;
        while (k <= j) {
            j -= k;
            k /= 2;
        }
        j += k;
    }

    const int m = static_cast<int>(std::lround(std::log(static_cast<double>(n)) / std::log(2.0)));

    // Butterfly stages; within a stage the twiddle factor advances by U = U * W.
    for (int stage = 1; stage <= m; ++stage) {
        const int le = 1 << stage;
        const int le1 = le / 2;
        const float angle = kPi / static_cast<float>(le1);
        const ComplexSample w(static_cast<float>(std::cos(static_cast<double>(angle))),
                              static_cast<float>(-std::sin(static_cast<double>(angle))));
        ComplexSample u(1.0f, 0.0f);
        for (int jj = 1; jj <= le1; ++jj) {
            for (int i = jj - 1; i <= n - 1; i += le) {
                const int ip = i + le1;
                const ComplexSample t = Multiply(u, x[ip]);
                x[ip] = ComplexSample(x[i].real() - t.real(), x[i].imag() - t.imag());
                x[i] = ComplexSample(x[i].real() + t.real(), x[i].imag() + t.imag());
            }
            u = Multiply(u, w);
        }
    }
}

}  // namespace muv
