#include "receiver/fft.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace muv {

namespace {

// The twiddle factors are formed from this single-precision value of pi.
constexpr float kPi = 3.1415927f;

constexpr int kMaxStages = 14;  // n up to 16384

// Complex product in single precision, written out so that every step is a plain float operation.
inline ComplexSample Multiply(ComplexSample a, ComplexSample b) {
    const float re = a.real() * b.real() - a.imag() * b.imag();
    const float im = a.real() * b.imag() + a.imag() * b.real();
    return {re, im};
}

// What every transform of a power-of-two length reuses: the position pairs its bit-reversed
// reordering swaps, and each stage's twiddle factors. A stage's factors are the values of its
// recurrence U(0) = 1, U(j + 1) = U(j) * W in single precision, so they are exactly the values the
// transform has always stepped through; they depend only on the stage, not on the length.
struct FftTables {
    std::array<std::vector<std::pair<uint32_t, uint32_t>>, kMaxStages + 1> swaps;  // by log2 n
    std::array<std::vector<float>, kMaxStages + 1> twiddleRe;                      // by stage
    std::array<std::vector<float>, kMaxStages + 1> twiddleIm;

    FftTables() {
        for (int stages = 1; stages <= kMaxStages; ++stages) {
            // The reordering of positions 1 to n - 2 (the first and last stay in place).
            const int n = 1 << stages;
            const int half = n / 2;
            int j = half;
            for (int i = 1; i <= n - 2; ++i) {
                if (i < j) swaps[stages].emplace_back(i, j);
                int k = half;
                while (k <= j) {
                    j -= k;
                    k /= 2;
                }
                j += k;
            }
        }
        for (int stage = 1; stage <= kMaxStages; ++stage) {
            const int le1 = 1 << (stage - 1);
            const float angle = kPi / static_cast<float>(le1);
            const ComplexSample w(static_cast<float>(std::cos(static_cast<double>(angle))),
                                  static_cast<float>(-std::sin(static_cast<double>(angle))));
            ComplexSample u(1.0f, 0.0f);
            for (int jj = 0; jj < le1; ++jj) {
                twiddleRe[stage].push_back(u.real());
                twiddleIm[stage].push_back(u.imag());
                u = Multiply(u, w);
            }
        }
    }
};

const FftTables& Tables() {
    static const FftTables tables;
    return tables;
}

// The butterfly on x[i] and x[i + le1] with twiddle u, as every stage has always formed it.
inline void Butterfly(ComplexSample* a, ComplexSample* b, ComplexSample u) {
    const ComplexSample t = Multiply(u, *b);
    *b = ComplexSample(a->real() - t.real(), a->imag() - t.imag());
    *a = ComplexSample(a->real() + t.real(), a->imag() + t.imag());
}

// Any other length, the way the transform has always run.
void FftGeneral(int n, ComplexSample* x) {
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
    for (int stage = 1; stage <= m; ++stage) {
        const int le = 1 << stage;
        const int le1 = le / 2;
        const float angle = kPi / static_cast<float>(le1);
        const ComplexSample w(static_cast<float>(std::cos(static_cast<double>(angle))),
                              static_cast<float>(-std::sin(static_cast<double>(angle))));
        ComplexSample u(1.0f, 0.0f);
        for (int jj = 1; jj <= le1; ++jj) {
            for (int i = jj - 1; i <= n - 1; i += le)
                Butterfly(&x[i], &x[i + le1], u);
            u = Multiply(u, w);
        }
    }
}

// One stage, block by block. The butterflies of a stage touch disjoint pairs, so their order does not
// change a result; each one performs the same float operations, in the same order, as always.
void Stage(int n, ComplexSample* x, int le1, const float* ur, const float* ui) {
    const int le = 2 * le1;
#if defined(__SSE2__)
    if (le1 >= 4) {
        float* data = reinterpret_cast<float*>(x);
        for (int base = 0; base < n; base += le) {
            float* pa = data + 2 * base;
            float* pb = pa + 2 * le1;
            for (int j = 0; j < le1; j += 4) {
                // Four butterflies, real and imaginary parts in separate lanes.
                const __m128 a0 = _mm_loadu_ps(pa + 2 * j);
                const __m128 a1 = _mm_loadu_ps(pa + 2 * j + 4);
                const __m128 b0 = _mm_loadu_ps(pb + 2 * j);
                const __m128 b1 = _mm_loadu_ps(pb + 2 * j + 4);
                const __m128 are = _mm_shuffle_ps(a0, a1, _MM_SHUFFLE(2, 0, 2, 0));
                const __m128 aim = _mm_shuffle_ps(a0, a1, _MM_SHUFFLE(3, 1, 3, 1));
                const __m128 bre = _mm_shuffle_ps(b0, b1, _MM_SHUFFLE(2, 0, 2, 0));
                const __m128 bim = _mm_shuffle_ps(b0, b1, _MM_SHUFFLE(3, 1, 3, 1));
                const __m128 wre = _mm_loadu_ps(ur + j);
                const __m128 wim = _mm_loadu_ps(ui + j);
                const __m128 tre = _mm_sub_ps(_mm_mul_ps(wre, bre), _mm_mul_ps(wim, bim));
                const __m128 tim = _mm_add_ps(_mm_mul_ps(wre, bim), _mm_mul_ps(wim, bre));
                const __m128 lre = _mm_sub_ps(are, tre);
                const __m128 lim = _mm_sub_ps(aim, tim);
                const __m128 hre = _mm_add_ps(are, tre);
                const __m128 him = _mm_add_ps(aim, tim);
                _mm_storeu_ps(pb + 2 * j, _mm_unpacklo_ps(lre, lim));
                _mm_storeu_ps(pb + 2 * j + 4, _mm_unpackhi_ps(lre, lim));
                _mm_storeu_ps(pa + 2 * j, _mm_unpacklo_ps(hre, him));
                _mm_storeu_ps(pa + 2 * j + 4, _mm_unpackhi_ps(hre, him));
            }
        }
        return;
    }
#endif
    for (int base = 0; base < n; base += le) {
        for (int j = 0; j < le1; ++j)
            Butterfly(&x[base + j], &x[base + j + le1], ComplexSample(ur[j], ui[j]));
    }
}

}  // namespace

void Fft(int n, ComplexSample* x) {
    int stages = 0;
    while (stages < kMaxStages && (1 << stages) < n)
        ++stages;
    if (n < 2 || (1 << stages) != n) {
        FftGeneral(n, x);
        return;
    }
    const FftTables& tables = Tables();
    for (const auto& [i, j] : tables.swaps[stages])
        std::swap(x[i], x[j]);
    for (int stage = 1; stage <= stages; ++stage) {
        Stage(n, x, 1 << (stage - 1), tables.twiddleRe[stage].data(), tables.twiddleIm[stage].data());
    }
}

}  // namespace muv
