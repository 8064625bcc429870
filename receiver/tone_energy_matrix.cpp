#include "receiver/tone_energy_matrix.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace muv {

namespace {

constexpr int kTones = 16;

#if defined(__SSE2__)
// Lane by lane: a where the mask is set, else b.
inline __m128 Select(__m128 mask, __m128 a, __m128 b) {
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}
#endif

}  // namespace

const int8_t* ToneEnergyMatrix::StrongestTones(int mode, int column, int spacing, int lastBin) const {
    const size_t offset = Offset(mode, 0, column);
    const int stride = bins_ - (kTones - 1) * spacing;
    if (spacing < 1 || stride < 1) throw VbError(9, "Subscript out of range");
    const auto plane = static_cast<size_t>(mode - firstMode_);
    if (toneTables_.empty()) toneTables_.resize(static_cast<size_t>(lastMode_ - firstMode_ + 1));
    ToneTable& table = toneTables_[plane];
    const int count = std::clamp(lastBin + 1, 0, stride);
    if (table.spacing != spacing || count > table.formed) {
        if (table.spacing != spacing) {
            table.spacing = spacing;
            table.tones.assign(static_cast<size_t>(columns_) * static_cast<size_t>(stride), -1);
            table.formed = 0;
        }
        table.formed = std::max(table.formed, count);
        const auto first =
            stale_.begin() + static_cast<std::ptrdiff_t>(plane * static_cast<size_t>(columns_));
        std::fill(first, first + columns_, 1);
    }
    int8_t* tones = &table.tones[static_cast<size_t>(column - 1) * static_cast<size_t>(stride)];
    uint8_t& stale = stale_[ColumnIndex(mode, column)];
    if (stale) {
        FormStrongestTones(&data_[offset], spacing, table.formed, tones);
        stale = 0;
    }
    return tones;
}

// The strongest of the tones b + t spacing, t = 0 to 15, for bins b = 0 to count - 1 at once. Each
// window holds its strongest value and tone, or -1 and -1 when no value in it exceeds -1 (a NaN never
// does). The windows of 2 tones are searched like the sync search, from -1 upwards; those of 4, 8
// and 16 are each formed from two halves, the upper half winning only when strictly stronger: the
// search's own rule that the first of equal maxima stands. Working from bin 0 upwards in place is
// safe: a window's upper half lies above it and is replaced only later.
void ToneEnergyMatrix::FormStrongestTones(const float* bins, int spacing, int count, int8_t* tones) const {
    if (count < 1) return;
    const int n = count + (kTones - 1) * spacing;
    keys_.resize(static_cast<size_t>(n));
    keyTones_.resize(static_cast<size_t>(n));
    float* key = keys_.data();
    float* tone = keyTones_.data();  // small whole numbers, kept as floats to go through the same masks

    // Windows of 2 tones, from the magnitudes.
    int limit = n - spacing;
    int b = 0;
#if defined(__SSE2__)
    const __m128 none = _mm_set1_ps(-1.0f);
    for (; b + 4 <= limit; b += 4) {
        const __m128 first = _mm_loadu_ps(bins + b);
        const __m128 second = _mm_loadu_ps(bins + b + spacing);
        const __m128 firstWins = _mm_cmpgt_ps(first, none);
        const __m128 best = Select(firstWins, first, none);
        const __m128 secondWins = _mm_cmpgt_ps(second, best);
        _mm_storeu_ps(key + b, Select(secondWins, second, best));
        _mm_storeu_ps(tone + b, Select(secondWins, _mm_set1_ps(1.0f), _mm_andnot_ps(firstWins, none)));
    }
#endif
    for (; b < limit; ++b) {
        float best = -1.0f;
        float t = -1.0f;
        if (bins[b] > best) best = bins[b], t = 0.0f;
        if (bins[b + spacing] > best) best = bins[b + spacing], t = 1.0f;
        key[b] = best;
        tone[b] = t;
    }

    // Windows of 4, 8 and 16 tones from two halves each.
    for (int span = 2; span < kTones; span *= 2) {
        const int step = span * spacing;
        limit = n - (2 * span - 1) * spacing;
        b = 0;
#if defined(__SSE2__)
        const __m128 added = _mm_set1_ps(static_cast<float>(span));
        for (; b + 4 <= limit; b += 4) {
            const __m128 lower = _mm_loadu_ps(key + b);
            const __m128 upper = _mm_loadu_ps(key + b + step);
            const __m128 up = _mm_cmpgt_ps(upper, lower);
            const __m128 upperTone = _mm_add_ps(_mm_loadu_ps(tone + b + step), added);
            _mm_storeu_ps(tone + b, Select(up, upperTone, _mm_loadu_ps(tone + b)));
            _mm_storeu_ps(key + b, Select(up, upper, lower));
        }
#endif
        for (; b < limit; ++b) {
            if (key[b + step] > key[b]) {
                key[b] = key[b + step];
                tone[b] = tone[b + step] + static_cast<float>(span);
            }
        }
    }

    b = 0;
#if defined(__SSE2__)
    for (; b + 4 <= count; b += 4) {
        const __m128i t = _mm_cvttps_epi32(_mm_loadu_ps(tone + b));
        const __m128i packed = _mm_packs_epi16(_mm_packs_epi32(t, t), _mm_setzero_si128());
        const int32_t four = _mm_cvtsi128_si32(packed);
        std::memcpy(tones + b, &four, sizeof four);
    }
#endif
    for (; b < count; ++b)
        tones[b] = static_cast<int8_t>(tone[b]);
}

}  // namespace muv
