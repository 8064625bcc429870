#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstddef>
#include <cstring>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

#include "receiver/fft.h"
#include "receiver/fir_filter.h"

namespace muv {
namespace {

using Complex = std::complex<double>;

std::vector<ComplexSample> RandomSignal(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<ComplexSample> x(static_cast<std::size_t>(n));
    for (ComplexSample& s : x)
        s = {dist(rng), dist(rng)};
    return x;
}

// Bin k of the direct transform, in double precision.
Complex DirectDft(const std::vector<ComplexSample>& x, int k, const std::vector<Complex>& roots) {
    const std::size_t n = x.size();
    Complex sum = 0.0;
    for (std::size_t m = 0; m < n; ++m) {
        sum += Complex(x[m].real(), x[m].imag()) * roots[(m * static_cast<std::size_t>(k)) % n];
    }
    return sum;
}

// ---------------------------------------------------------------- FFT

TEST(Fft, MatchesDirectTransformOnRandomData) {
    for (int n : {2, 4, 8, 64, 1024, 2048, 16384}) {
        SCOPED_TRACE(n);
        const std::vector<ComplexSample> input = RandomSignal(n, static_cast<unsigned>(n));
        std::vector<ComplexSample> x = input;
        Fft(n, x.data());

        std::vector<Complex> roots(static_cast<std::size_t>(n));
        for (int m = 0; m < n; ++m)
            roots[static_cast<std::size_t>(m)] = std::polar(1.0, -2.0 * std::numbers::pi * m / n);

        // The largest bins have about sqrt(n) times the input's size; errors are judged against that.
        const double scale = std::sqrt(static_cast<double>(n));
        // The single-precision twiddle recurrence drifts over the long stages, hence the looser bound.
        const double tolerance = n >= 4096 ? 2e-4 : 2e-5;
        // Every bin for the smaller sizes; every 127th (0 and n - 1 included) for the largest.
        const int step = n > 2048 ? 127 : 1;
        for (int k = 0; k < n; k += step) {
            const Complex expected = DirectDft(input, k, roots);
            const Complex got(x[static_cast<std::size_t>(k)].real(), x[static_cast<std::size_t>(k)].imag());
            ASSERT_LT(std::abs(got - expected) / scale, tolerance) << "bin " << k;
        }
    }
}

TEST(Fft, SmallAndExactCases) {
    // Two points: sum and difference.
    std::vector<ComplexSample> two = {{1.5f, -2.0f}, {0.25f, 3.0f}};
    Fft(2, two.data());
    EXPECT_EQ(two[0], ComplexSample(1.75f, 1.0f));
    EXPECT_EQ(two[1], ComplexSample(1.25f, -5.0f));

    // A unit impulse at element 0 gives 1 in every bin.
    for (int n : {2, 16, 2048}) {
        std::vector<ComplexSample> x(static_cast<std::size_t>(n));
        x[0] = 1.0f;
        Fft(n, x.data());
        for (int k = 0; k < n; ++k)
            ASSERT_EQ(x[static_cast<std::size_t>(k)], ComplexSample(1.0f, 0.0f)) << n << " " << k;
    }
}

// The transform as it was first written (strided butterflies, the twiddle recurrence run on every
// call): the table-driven one must give the same bits, or decodes would change.
void ReferenceFft(int n, ComplexSample* x) {
    auto multiply = [](ComplexSample a, ComplexSample b) {
        const float re = a.real() * b.real() - a.imag() * b.imag();
        const float im = a.real() * b.imag() + a.imag() * b.real();
        return ComplexSample(re, im);
    };
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
        const float angle = 3.1415927f / static_cast<float>(le1);
        const ComplexSample w(static_cast<float>(std::cos(static_cast<double>(angle))),
                              static_cast<float>(-std::sin(static_cast<double>(angle))));
        ComplexSample u(1.0f, 0.0f);
        for (int jj = 1; jj <= le1; ++jj) {
            for (int i = jj - 1; i <= n - 1; i += le) {
                const int ip = i + le1;
                const ComplexSample t = multiply(u, x[ip]);
                x[ip] = ComplexSample(x[i].real() - t.real(), x[i].imag() - t.imag());
                x[i] = ComplexSample(x[i].real() + t.real(), x[i].imag() + t.imag());
            }
            u = multiply(u, w);
        }
    }
}

TEST(Fft, BitIdenticalToTheStridedTransform) {
    // Every length of the receiver (tone spectra 1024 to 16384, waterfall 2048) and the short ones the
    // vector stages skip. Inputs: sound-card sized values, tiny ones near the subnormal range, and
    // sparse ones full of signed zeros.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_int_distribution<int> exponent(-140, 40);
    for (int n = 2; n <= 16384; n *= 2) {
        for (int kind = 0; kind < 3; ++kind) {
            SCOPED_TRACE(testing::Message() << "n " << n << " kind " << kind);
            std::vector<ComplexSample> x(static_cast<std::size_t>(n));
            for (ComplexSample& s : x) {
                if (kind == 0) {
                    s = {32768.0f * unit(rng), 32768.0f * unit(rng)};
                } else if (kind == 1) {
                    s = {std::ldexp(unit(rng), exponent(rng)) * 1e-3f, std::ldexp(unit(rng), exponent(rng))};
                } else {
                    const float sign = unit(rng) < 0 ? -1.0f : 1.0f;
                    s = {unit(rng) < 0.9f ? sign * 0.0f : unit(rng), unit(rng) < 0.9f ? -sign * 0.0f : 0.0f};
                }
            }
            std::vector<ComplexSample> expected = x;
            ReferenceFft(n, expected.data());
            Fft(n, x.data());
            ASSERT_EQ(std::memcmp(x.data(), expected.data(), x.size() * sizeof(ComplexSample)), 0);
        }
    }
}

// ---------------------------------------------------------------- FIR filters

enum class Which { A, B, C };

double TapSum(const std::array<float, kFirTaps>& taps) {
    double sum = 0.0;
    for (float t : taps)
        sum += t;
    return sum;
}

TEST(FirFilters, CoefficientTables) {
    const FirFilters f;
    const FirCoefficients& c = f.Coefficients;
    for (const auto* taps : {&c.FirCoefficientsA, &c.FirCoefficientsB, &c.ComplexFirCoefficients}) {
        for (int k = 0; k < kFirTaps; ++k) {
            EXPECT_EQ((*taps)[static_cast<std::size_t>(k)],
                      (*taps)[static_cast<std::size_t>(kFirTaps - 1 - k)])
                << k;
        }
    }
    // A few entries of each table, the centre taps included.
    EXPECT_FLOAT_EQ(c.FirCoefficientsA[0], 0.00293f);
    EXPECT_FLOAT_EQ(c.FirCoefficientsA[15], 0.149822f);
    EXPECT_FLOAT_EQ(c.FirCoefficientsB[1], -0.023333f);
    EXPECT_FLOAT_EQ(c.FirCoefficientsB[15], 0.122523f);
    EXPECT_FLOAT_EQ(c.ComplexFirCoefficients[14], 0.30663887f);
    EXPECT_FLOAT_EQ(c.ComplexFirCoefficients[15], 0.41982627f);

    EXPECT_NEAR(TapSum(c.FirCoefficientsA), 1.0, 1e-5);
    EXPECT_NEAR(TapSum(c.FirCoefficientsB), 1.0, 1e-5);
    EXPECT_NEAR(TapSum(c.ComplexFirCoefficients), 0.9725, 1e-4);
}

TEST(FirFilters, ConstantInputSettlesToDcGain) {
    FirFilters f;
    for (int i = 0; i < 30; ++i) {
        f.FirFilterA(1.0f, false);
        f.FirFilterB(1.0f, false);
        f.ComplexFirFilter({1.0f, -1.0f}, false);
    }

    for (int i = 0; i < 100; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(f.FirFilterA(1.0f, true), 1.0f, 1e-5f);
        EXPECT_NEAR(f.FirFilterB(1.0f, true), 1.0f, 1e-5f);
        const ComplexSample c = f.ComplexFirFilter({1.0f, -1.0f}, true);
        EXPECT_NEAR(c.real(), 0.9725f, 1e-4f);
        EXPECT_NEAR(c.imag(), -0.9725f, 1e-4f);
    }
}

// Every call stores; a computed call convolves the last 31 stored samples, the oldest with tap 0.
TEST(FirFilters, SkippedCallsStoreAndComputedCallConvolvesOldestFirst) {
    FirFilters f;
    const int count = 100;  // wraps the delay lines several times
    const std::vector<ComplexSample> input = RandomSignal(count, 7);
    for (int i = 0; i < count - 1; ++i) {
        const ComplexSample s = input[static_cast<std::size_t>(i)];
        EXPECT_EQ(f.FirFilterA(s.real(), false), 0.0f);
        EXPECT_EQ(f.FirFilterB(s.imag(), false), 0.0f);
        EXPECT_EQ(f.ComplexFirFilter(s, false), ComplexSample(0.0f, 0.0f));
    }
    const ComplexSample lastSample = input.back();
    const float a = f.FirFilterA(lastSample.real(), true);
    const float b = f.FirFilterB(lastSample.imag(), true);
    const ComplexSample c = f.ComplexFirFilter(lastSample, true);

    double expectA = 0.0;
    double expectB = 0.0;
    Complex expectC = 0.0;
    for (int k = 0; k < kFirTaps; ++k) {
        const ComplexSample s = input[static_cast<std::size_t>(count - kFirTaps + k)];
        const std::size_t tap = static_cast<std::size_t>(k);
        expectA += s.real() * f.Coefficients.FirCoefficientsA[tap];
        expectB += s.imag() * f.Coefficients.FirCoefficientsB[tap];
        expectC +=
            Complex(s.real(), s.imag()) * static_cast<double>(f.Coefficients.ComplexFirCoefficients[tap]);
    }
    EXPECT_NEAR(a, expectA, 1e-5);
    EXPECT_NEAR(b, expectB, 1e-5);
    EXPECT_NEAR(c.real(), expectC.real(), 1e-5);
    EXPECT_NEAR(c.imag(), expectC.imag(), 1e-5);
    EXPECT_EQ(f.State.IndexA, count % kFirTaps);
    EXPECT_EQ(f.State.IndexC, count % kFirTaps);
}

// Gain in dB at a frequency, measured on the running filters. The real filters are fed a cosine and,
// in a second instance, the matching sine: for real taps the pair of outputs forms H(f) e^(i w n), whose
// size is the gain at every sample. The complex filter is fed e^(i w n) directly.
double MeasuredGainDb(Which which, double frequency, double sampleRate) {
    FirFilters onCos;
    FirFilters onSin;
    const double w = 2.0 * std::numbers::pi * frequency / sampleRate;
    double smallest = 1e30;
    double largest = 0.0;
    for (int n = 0; n < 200; ++n) {
        const float c = static_cast<float>(std::cos(w * n));
        const float s = static_cast<float>(std::sin(w * n));
        const bool settled = n >= kFirTaps;
        double gain = 0.0;
        switch (which) {
            case Which::A:
                gain = std::hypot(onCos.FirFilterA(c, settled), onSin.FirFilterA(s, settled));
                break;
            case Which::B:
                gain = std::hypot(onCos.FirFilterB(c, settled), onSin.FirFilterB(s, settled));
                break;
            case Which::C:
                gain = std::abs(onCos.ComplexFirFilter({c, s}, settled));
                break;
        }
        if (!settled) continue;
        smallest = std::min(smallest, gain);
        largest = std::max(largest, gain);
    }
    EXPECT_NEAR(smallest, largest, 1e-4 + 1e-4 * largest) << "gain not steady at " << frequency << " Hz";
    return 20.0 * std::log10(largest);
}

struct Band {
    Which which;
    double sampleRate;
    double passEdge;   // highest frequency checked in the pass band
    double cutoff3Db;  // the stated 3 dB point
    double stopEdge;   // the stated 20 dB point; everything above it up to half the rate is checked
    double dcGainDb;   // reference for the attenuation figures
};

TEST(FirFilters, FrequencyResponse) {
    const double dcComplex = 20.0 * std::log10(0.9725);
    const Band bands[] = {
        {Which::A, 48000.0, 2500.0, 3000.0, 4000.0, 0.0},
        {Which::B, 48000.0, 2000.0, 2510.0, 3390.0, 0.0},
        {Which::C, 8000.0, 1400.0, 1600.0, 1860.0, dcComplex},
    };
    for (const Band& band : bands) {
        SCOPED_TRACE(static_cast<int>(band.which));

        // Pass band: within 2 dB of the DC gain (the designs ripple by up to about 1.8 dB), and close
        // to unity at 1000 Hz.
        for (double f = 100.0; f <= band.passEdge; f += 100.0) {
            EXPECT_NEAR(MeasuredGainDb(band.which, f, band.sampleRate) - band.dcGainDb, 0.0, 2.0)
                << f << " Hz";
        }
        EXPECT_NEAR(MeasuredGainDb(band.which, 1000.0, band.sampleRate) - band.dcGainDb, 0.0, 1.5);

        EXPECT_NEAR(MeasuredGainDb(band.which, band.cutoff3Db, band.sampleRate) - band.dcGainDb, -3.0, 0.3);

        // Stop band: the designs reach "20 dB down" only to within a few tenths of a dB at the edge.
        for (double f = band.stopEdge; f <= band.sampleRate / 2.0; f += 50.0) {
            EXPECT_LT(MeasuredGainDb(band.which, f, band.sampleRate) - band.dcGainDb, -19.5) << f << " Hz";
        }
    }
}

}  // namespace
}  // namespace muv
