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

// Complex product in single precision, written out so that every step is a plain float operation.
inline ComplexSample Multiply(ComplexSample a, ComplexSample b) {
    const float re = a.real() * b.real() - a.imag() * b.imag();
    const float im = a.real() * b.imag() + a.imag() * b.real();
    return {re, im};
}

#if defined(__SSE2__)

constexpr int kMaxStages = 14;  // n up to 16384

// What every transform of a power-of-two length reuses: each stage's twiddle factors, and for each
// length the bit-reversed order of its groups of four. A stage's factors are the values of its
// recurrence U(0) = 1, U(j + 1) = U(j) * W in single precision, so they are exactly the values the
// transform has always stepped through; they depend only on the stage, not on the length.
struct FftTables {
    std::array<std::vector<float>, kMaxStages + 1> twiddleRe;  // by stage
    std::array<std::vector<float>, kMaxStages + 1> twiddleIm;
    // By log2 n = m: for h below n / 4, h with its m - 2 bits reversed.
    std::array<std::vector<uint32_t>, kMaxStages + 1> quarterReversed;

    FftTables() {
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
        for (int m = 2; m <= kMaxStages; ++m) {
            const int bits = m - 2;
            for (uint32_t h = 0; h < (1u << bits); ++h) {
                uint32_t r = 0;
                for (int b = 0; b < bits; ++b)
                    r |= ((h >> b) & 1u) << (bits - 1 - b);
                quarterReversed[m].push_back(r);
            }
        }
    }
};

const FftTables& Tables() {
    static const FftTables tables;
    return tables;
}

#endif

// The butterfly on x[i] and x[i + le1] with twiddle u, as every stage has always formed it.
inline void Butterfly(ComplexSample* a, ComplexSample* b, ComplexSample u) {
    const ComplexSample t = Multiply(u, *b);
    *b = ComplexSample(a->real() - t.real(), a->imag() - t.imag());
    *a = ComplexSample(a->real() + t.real(), a->imag() + t.imag());
}

// Lengths below 16, and every length where SSE2 is not there: the way the transform has always run.
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

#if defined(__SSE2__)

// Four complex values, real and imaginary parts in separate lanes.
struct Quad {
    __m128 re;
    __m128 im;
};

// Four consecutive complex values of an interleaved array, and back.
inline Quad LoadQuad(const float* p) {
    const __m128 lo = _mm_loadu_ps(p);
    const __m128 hi = _mm_loadu_ps(p + 4);
    return {_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0)), _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1))};
}

inline void StoreQuad(float* p, Quad q) {
    _mm_storeu_ps(p, _mm_unpacklo_ps(q.re, q.im));
    _mm_storeu_ps(p + 4, _mm_unpackhi_ps(q.re, q.im));
}

// Four butterflies lane by lane, each exactly the scalar one: t = u b, then a + t and a - t.
inline void Butterflies(Quad& a, Quad& b, __m128 ur, __m128 ui) {
    const __m128 tre = _mm_sub_ps(_mm_mul_ps(ur, b.re), _mm_mul_ps(ui, b.im));
    const __m128 tim = _mm_add_ps(_mm_mul_ps(ur, b.im), _mm_mul_ps(ui, b.re));
    b = {_mm_sub_ps(a.re, tre), _mm_sub_ps(a.im, tim)};
    a = {_mm_add_ps(a.re, tre), _mm_add_ps(a.im, tim)};
}

// The working copy between the first and the last pass, real and imaginary parts apart.
struct SplitArray {
    float* re;
    float* im;
};

// The bit-reversed reordering and stages 1 and 2 in one pass from x into the working copy. Output
// group g (positions 4g to 4g + 3) takes x[h], x[h + n/2], x[h + n/4] and x[h + 3n/4], h being g with
// its bits reversed; four consecutive h at a time, one group in each lane.
void ReorderAndFirstTwoStages(int n, const ComplexSample* x, SplitArray out, const FftTables& tables, int m) {
    const __m128 u1re = _mm_set1_ps(tables.twiddleRe[1][0]);
    const __m128 u1im = _mm_set1_ps(tables.twiddleIm[1][0]);
    const __m128 u20re = _mm_set1_ps(tables.twiddleRe[2][0]);
    const __m128 u20im = _mm_set1_ps(tables.twiddleIm[2][0]);
    const __m128 u21re = _mm_set1_ps(tables.twiddleRe[2][1]);
    const __m128 u21im = _mm_set1_ps(tables.twiddleIm[2][1]);
    const uint32_t* group = tables.quarterReversed[m].data();
    const float* in = reinterpret_cast<const float*>(x);
    const int quarter = n / 4;
    for (int h = 0; h < quarter; h += 4) {
        const float* p = in + 2 * h;
        Quad e0 = LoadQuad(p);
        Quad e2 = LoadQuad(p + 2 * quarter);
        Quad e1 = LoadQuad(p + 4 * quarter);
        Quad e3 = LoadQuad(p + 6 * quarter);
        Butterflies(e0, e1, u1re, u1im);
        Butterflies(e2, e3, u1re, u1im);
        Butterflies(e0, e2, u20re, u20im);
        Butterflies(e1, e3, u21re, u21im);
        _MM_TRANSPOSE4_PS(e0.re, e1.re, e2.re, e3.re);
        _MM_TRANSPOSE4_PS(e0.im, e1.im, e2.im, e3.im);
        const size_t g0 = 4 * static_cast<size_t>(group[h]), g1 = 4 * static_cast<size_t>(group[h + 1]);
        const size_t g2 = 4 * static_cast<size_t>(group[h + 2]), g3 = 4 * static_cast<size_t>(group[h + 3]);
        _mm_storeu_ps(out.re + g0, e0.re), _mm_storeu_ps(out.im + g0, e0.im);
        _mm_storeu_ps(out.re + g1, e1.re), _mm_storeu_ps(out.im + g1, e1.im);
        _mm_storeu_ps(out.re + g2, e2.re), _mm_storeu_ps(out.im + g2, e2.im);
        _mm_storeu_ps(out.re + g3, e3.re), _mm_storeu_ps(out.im + g3, e3.im);
    }
}

// One stage (le1 at least 4) in the working copy, four butterflies at a time.
void OneStage(int n, SplitArray a, int le1, const float* ur, const float* ui) {
    for (int base = 0; base < n; base += 2 * le1) {
        for (int j = base; j < base + le1; j += 4) {
            Quad lower{_mm_loadu_ps(a.re + j), _mm_loadu_ps(a.im + j)};
            Quad upper{_mm_loadu_ps(a.re + j + le1), _mm_loadu_ps(a.im + j + le1)};
            Butterflies(lower, upper, _mm_loadu_ps(ur + j - base), _mm_loadu_ps(ui + j - base));
            _mm_storeu_ps(a.re + j, lower.re), _mm_storeu_ps(a.im + j, lower.im);
            _mm_storeu_ps(a.re + j + le1, upper.re), _mm_storeu_ps(a.im + j + le1, upper.im);
        }
    }
}

// Stages s and s + 1 together (le1 of stage s at least 4), so each value is loaded and stored once for
// both: in a block of four quarters, stage s pairs quarters 0 with 1 and 2 with 3, stage s + 1 then
// 0 with 2 and 1 with 3. The results go back into the working copy or, for the last two stages,
// interleaved into x.
template <bool kIntoX>
void TwoStages(int n, SplitArray a, int le1, const FftTables& tables, int stage, ComplexSample* x) {
    const float* ur = tables.twiddleRe[stage].data();
    const float* ui = tables.twiddleIm[stage].data();
    const float* vr = tables.twiddleRe[stage + 1].data();
    const float* vi = tables.twiddleIm[stage + 1].data();
    float* out = reinterpret_cast<float*>(x);
    for (int base = 0; base < n; base += 4 * le1) {
        for (int j = 0; j < le1; j += 4) {
            const int i0 = base + j, i1 = i0 + le1, i2 = i1 + le1, i3 = i2 + le1;
            Quad q0{_mm_loadu_ps(a.re + i0), _mm_loadu_ps(a.im + i0)};
            Quad q1{_mm_loadu_ps(a.re + i1), _mm_loadu_ps(a.im + i1)};
            Quad q2{_mm_loadu_ps(a.re + i2), _mm_loadu_ps(a.im + i2)};
            Quad q3{_mm_loadu_ps(a.re + i3), _mm_loadu_ps(a.im + i3)};
            const __m128 ure = _mm_loadu_ps(ur + j), uim = _mm_loadu_ps(ui + j);
            Butterflies(q0, q1, ure, uim);
            Butterflies(q2, q3, ure, uim);
            Butterflies(q0, q2, _mm_loadu_ps(vr + j), _mm_loadu_ps(vi + j));
            Butterflies(q1, q3, _mm_loadu_ps(vr + le1 + j), _mm_loadu_ps(vi + le1 + j));
            if constexpr (kIntoX) {
                StoreQuad(out + 2 * i0, q0);
                StoreQuad(out + 2 * i1, q1);
                StoreQuad(out + 2 * i2, q2);
                StoreQuad(out + 2 * i3, q3);
            } else {
                _mm_storeu_ps(a.re + i0, q0.re), _mm_storeu_ps(a.im + i0, q0.im);
                _mm_storeu_ps(a.re + i1, q1.re), _mm_storeu_ps(a.im + i1, q1.im);
                _mm_storeu_ps(a.re + i2, q2.re), _mm_storeu_ps(a.im + i2, q2.im);
                _mm_storeu_ps(a.re + i3, q3.re), _mm_storeu_ps(a.im + i3, q3.im);
            }
        }
    }
}

// Lengths 16 and up: a first pass that reorders and runs stages 1 and 2, stage 3 alone when the
// number of stages is odd, then two stages a pass, the last pass writing back into x. Each stage's
// butterflies use only the previous stage's results, so running two stages block by block instead
// of one after the other changes no value.
void VectorFft(int n, int m, ComplexSample* x, const FftTables& tables) {
    // The imaginary parts start a cache line after the real parts end: at a distance of a power of two
    // the two would compete for the same cache sets in the long stages.
    constexpr size_t kGap = 16;
    thread_local std::vector<float> work;
    const size_t size = 2 * static_cast<size_t>(n) + kGap;
    if (work.size() < size) work.resize(size);
    const SplitArray a{work.data(), work.data() + n + kGap};
    ReorderAndFirstTwoStages(n, x, a, tables, m);
    int stage = 3;
    if ((m - 2) % 2 != 0) {
        OneStage(n, a, 1 << (stage - 1), tables.twiddleRe[stage].data(), tables.twiddleIm[stage].data());
        ++stage;
    }
    for (; stage + 1 < m; stage += 2)
        TwoStages<false>(n, a, 1 << (stage - 1), tables, stage, x);
    TwoStages<true>(n, a, 1 << (stage - 1), tables, stage, x);
}

#endif

}  // namespace

void Fft(int n, ComplexSample* x) {
#if defined(__SSE2__)
    int m = 0;
    while (m < kMaxStages && (1 << m) < n)
        ++m;
    if (m >= 4 && (1 << m) == n) {
        VectorFft(n, m, x, Tables());
        return;
    }
#endif
    FftGeneral(n, x);
}

}  // namespace muv
