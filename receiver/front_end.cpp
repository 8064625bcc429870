// The receive front end: raw 48000 samples/s sound becomes decimated samples in the shared ring (real at
// 8000 or 48000/7 samples/s, or complex and shifted down by 500 Hz at 4000 samples/s for the narrow EME
// mode), and one symbol of that ring becomes one column of tone magnitudes for a mode.
#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "receiver/receiver.h"

namespace muv {

namespace {

constexpr float kTwoPi = 6.2831855f;  // the oscillators' 2 pi, a Single
constexpr int kRingLength = 8192;
constexpr int kShiftedRingLength = 4096;
constexpr float kBusyLevel = 518.4652f;

// Mixes a sample with the oscillator at phase p (the phase from before the step), then advances p.
inline ComplexSample Mix(ComplexSample sample, float frequencyHz, float sampleRateHz, float& p) {
    const double c = std::cos(static_cast<double>(p));
    const double s = std::sin(static_cast<double>(p));
    const double re = sample.real();
    const double im = sample.imag();
    const ComplexSample out(static_cast<float>(re * c - im * s), static_cast<float>(re * s + im * c));
    p = p + kTwoPi * frequencyHz / sampleRateHz;
    if (p > kTwoPi) {
        p = p - kTwoPi;
    } else if (p < 0) {
        p = p + kTwoPi;
    }
    return out;
}

// The tick's buffer must hold count more raw samples from position (elements 1..N).
inline void RequireSamples(const std::vector<int16_t>& buffer, int position, int count) {
    if (position < 1 || position + count > static_cast<int>(buffer.size()))
        throw VbError(9, "Subscript out of range");
}

using FirStep = float (FirFilters::*)(float sample, bool compute);

// One output of factor:1 decimation through the low-pass filter: the filter stores the factor raw
// samples and the last of them once more (factor + 1 stores), forming its output on that last store.
inline float Decimate(FirFilters& filters, FirStep filter, const int16_t* raw, int factor) {
    for (int i = 0; i < factor - 1; ++i)
        (filters.*filter)(static_cast<float>(raw[i]), false);
    const float last = static_cast<float>(raw[factor - 1]);
    (filters.*filter)(last, false);
    return (filters.*filter)(last, true);
}

// The magnitudes of bins low to high, four at a time where SSE2 is at hand: each is the same
// sqrt(re * re + im * im) in single precision either way.
void Magnitudes(const ComplexSample* x, int low, int high, float* out) {
    int b = low;
#if defined(__SSE2__)
    const float* p = reinterpret_cast<const float*>(x);
    for (; b + 3 <= high; b += 4) {
        const __m128 lo = _mm_loadu_ps(p + 2 * b);
        const __m128 hi = _mm_loadu_ps(p + 2 * b + 4);
        const __m128 re = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 im = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1));
        _mm_storeu_ps(out + b, _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(re, re), _mm_mul_ps(im, im))));
    }
#endif
    for (; b <= high; ++b)
        out[b] = std::sqrt(x[b].real() * x[b].real() + x[b].imag() * x[b].imag());
}

}  // namespace

void Receiver::ReadFrontEndSwitches() {
    const ModemSwitches& sw = links_.shared.switches;
    beaconOn_ = sw.beaconOn;
    feedWaterfall_ = sw.waterfallOn && links_.shared.BandClass != 3;
    wideMarkers_ = sw.wideAfc;
}

inline void Receiver::TrackPeakAndBusy(float lastRaw) {
    if (lastRaw > PeakLevel) PeakLevel = lastRaw;
    if (lastRaw < -PeakLevel) PeakLevel = -lastRaw;
    // A signed test: only positive excursions make the channel busy.
    if (lastRaw > kBusyLevel && beaconOn_) ChannelBusy = 1;
}

inline void Receiver::StoreDecimatedSample(float output, float lastRaw) {
    TrackPeakAndBusy(lastRaw);
    if (feedWaterfall_) {
        const ModeRecord& r = RxMode();
        waterfall_.WaterfallAddSample(output, wideMarkers_ ? r.WaterfallMarker1 : r.WaterfallMarker3,
                                      wideMarkers_ ? r.WaterfallMarker2 : r.WaterfallMarker4);
    }
    RxSampleRing[static_cast<size_t>(RxRingIndex)] = ComplexSample(output, 0.0f);
    if (++RxRingIndex >= kRingLength) RxRingIndex = 0;
}

void Receiver::FrontEndSample(const std::vector<int16_t>& buffer, uint8_t flag) {
    if (flag == kStartFlag) {
        RxState.InputPosition6 = 1;
        RxState.InputPosition7 = 1;
        ReadFrontEndSwitches();
        return;
    }
    // 7:1 through filter B on MF, 6:1 through filter A otherwise.
    const bool mf = links_.shared.BandClass == 1;
    const int factor = mf ? 7 : 6;
    int16_t& position = mf ? RxState.InputPosition7 : RxState.InputPosition6;
    RequireSamples(buffer, position, factor);
    const int16_t* raw = buffer.data() + position;
    const float output =
        Decimate(Filters, mf ? &FirFilters::FirFilterB : &FirFilters::FirFilterA, raw, factor);
    position = static_cast<int16_t>(position + factor);
    StoreDecimatedSample(output, static_cast<float>(raw[factor - 1]));
}

void Receiver::FrontEndSampleShifted(const std::vector<int16_t>& buffer, uint8_t flag) {
    if (flag == kStartFlag) {
        RxState.ShiftedInputPosition = 1;
        ReadFrontEndSwitches();
        return;
    }
    const int position = RxState.ShiftedInputPosition;
    RequireSamples(buffer, position, 12);
    const int16_t* raw = buffer.data() + position;

    // Two outputs of the 6:1 path, mixed down, make one complex sample at 4000 samples/s.
    const float y1 = Decimate(Filters, &FirFilters::FirFilterA, raw, 6);
    Filters.ComplexFirFilter(MixerStepB(ComplexSample(y1, 0.0f), -1500.0f, 8000.0f), false);

    const float y2 = Decimate(Filters, &FirFilters::FirFilterA, raw + 6, 6);
    const ComplexSample z =
        Filters.ComplexFirFilter(MixerStepB(ComplexSample(y2, 0.0f), -1500.0f, 8000.0f), true);
    RxState.ShiftedInputPosition = static_cast<int16_t>(position + 12);

    TrackPeakAndBusy(static_cast<float>(raw[11]));  // this path never feeds the waterfall

    RxSampleRing[static_cast<size_t>(RxRingIndex)] = MixerStepA(z, 1000.0f, 4000.0f);
    if (++RxRingIndex >= kShiftedRingLength) RxRingIndex = 0;
}

ComplexSample Receiver::MixerStepA(ComplexSample sample, float frequencyHz, float sampleRateHz) {
    return Mix(sample, frequencyHz, sampleRateHz, RxState.MixerPhaseA);
}

ComplexSample Receiver::MixerStepB(ComplexSample sample, float frequencyHz, float sampleRateHz) {
    return Mix(sample, frequencyHz, sampleRateHz, RxState.MixerPhaseB);
}

void Receiver::ComputeToneEnergies(uint8_t mode) {
    const ModeRecord& r = Mode(mode);
    const int n = r.FftLength;
    const int half = n / 2;
    if (static_cast<int>(toneWork_.size()) < n) toneWork_.resize(static_cast<size_t>(n));
    ComplexSample* work = toneWork_.data();

    // One symbol of the ring from its oldest sample on; the zeros after it halve the bin spacing.
    const int wrap = mode == 7 ? half : kRingLength;
    int position = RxRingIndex;
    for (int i = 0; i < half;) {
        if (position >= wrap) position = 0;
        const int run = std::min(half - i, wrap - position);
        std::copy_n(RxSampleRing.begin() + position, run, work + i);
        i += run;
        position += run;
    }
    std::fill(work + half, work + n, ComplexSample(0.0f, 0.0f));
    Fft(n, work);

    int16_t& column = ToneBinTable[r.ToneBinSet];
    ++column;
    if (column > r.SymbolColumns) column = 1;

    const int low = r.WideWindowLow;
    const int high = r.WideWindowHigh + r.BandwidthBins;
    const int reference = r.WideWindowLow - r.ToneSpacingFactor;
    if (!Matrix.Contains(mode, high, column) || !Matrix.Contains(mode, reference, column))
        throw VbError(9, "Subscript out of range");
    float* out = Matrix.ColumnData(mode, column);
    Magnitudes(work, low, high, out);
    out[reference] = std::sqrt(work[reference].real() * work[reference].real() +
                               work[reference].imag() * work[reference].imag());
    // The complex spectrum stays for the decoding chain's S/N of this column.
    toneWorkMode_ = mode;
    toneWorkColumn_ = column;
}

}  // namespace muv
