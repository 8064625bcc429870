// Frame acquisition: every new column, each candidate bin of the search window is asked whether the
// whole synchronisation pattern of the mode ends in that column; the strongest candidate with enough
// matching sync symbols locks the receiver and starts the decoding chain.
#include <algorithm>
#include <array>
#include <exception>
#include <string>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "receiver/receiver.h"

namespace muv {

namespace {

constexpr int kTonesPerSubBand = 16;
constexpr int kMaxSyncSymbols = 24;

// Transmission position of sync symbol k (1-based) after an interleaver of depth d.
int SyncPosition(int k, int d) {
    return ((k - 1) % d) * (d - 1) + 1 + d * ((k - 1) / d);
}

// What one call of the search reads, worked out once per call since none of it depends on the
// candidate bin: for each sync symbol, its column's bins shifted to its sub-band, and its tone.
struct SyncScan {
    int count = 0;
    int spacing = 1;
    std::array<const float*, kMaxSyncSymbols> subBand{};     // bin 0 of the column + the sub-band's offset
    std::array<const int8_t*, kMaxSyncSymbols> strongest{};  // the column's strongest tones, likewise
    std::array<int, kMaxSyncSymbols> tone{};
    // Candidates whose every read lies inside the matrix; an empty range when none does.
    int firstSafe = 1;
    int lastSafe = 0;
};

// high is the last candidate bin of the call.
SyncScan PrepareSyncScan(const Receiver& rx, const ModeTables& tables, uint8_t mode, int high) {
    SyncScan scan;
    const ToneEnergyMatrix& m = rx.Matrix;
    if (mode < 1 || mode > kModeCount || !m.Contains(mode, 0, 1)) return scan;
    const ModeRecord& r = tables[mode];
    const int d = r.InterleaveDepth;
    const int f = r.ToneSpacingFactor;
    if (d < 1 || f < 1 || r.SyncSymbolCount > kMaxSyncSymbols) return scan;

    int lowestOffset = 0;
    int highestOffset = 0;
    std::array<int, kMaxSyncSymbols> column{};
    std::array<int, kMaxSyncSymbols> offset{};
    int branch = 1;
    int position = r.SyncPatternStart;
    for (int k = 1; k <= r.SyncSymbolCount; ++k) {
        column[k - 1] = rx.SyncToneOfPosition(static_cast<uint8_t>(k), mode);
        offset[k - 1] =
            rx.SyncPositionOffset(static_cast<uint8_t>(branch), static_cast<int16_t>(position), 0, mode);
        if (!m.Contains(mode, 0, column[k - 1])) return scan;
        if (k == 1 || offset[k - 1] < lowestOffset) lowestOffset = offset[k - 1];
        if (k == 1 || offset[k - 1] > highestOffset) highestOffset = offset[k - 1];
        ++position;
        branch = branch == d ? 1 : branch + 1;
    }
    scan.firstSafe = -lowestOffset;
    scan.lastSafe = m.HighestBin() - highestOffset - (kTonesPerSubBand - 1) * f;
    if (scan.firstSafe > scan.lastSafe) return scan;

    scan.count = r.SyncSymbolCount;
    scan.spacing = f;
    const int lastBin = highestOffset + std::min(high, scan.lastSafe);
    for (int k = 0; k < scan.count; ++k) {
        scan.subBand[k] = m.ColumnData(mode, column[k]) + offset[k];
        scan.strongest[k] = m.StrongestTones(mode, column[k], f, lastBin) + offset[k];
        scan.tone[k] = tables.SyncToneSequence[k + 1];
    }
    return scan;
}

// Matching sync symbols and the sum of the magnitudes at their expected tones, for candidate bin b
// (which must lie in the scan's safe range). The strongest tone comes from the matrix's table, searched
// from −1 upwards, a tie keeping the lower tone.
void ScoreCandidate(const SyncScan& scan, int b, int& matches, float& sum) {
    const int f = scan.spacing;
    matches = 0;
    sum = 0;
    for (int k = 0; k < scan.count; ++k) {
        if (scan.strongest[k][b] == scan.tone[k]) ++matches;
        sum += scan.subBand[k][b + scan.tone[k] * f];
    }
}

// Candidates scored ahead at a time.
constexpr int kBatch = 16;

struct Scores {
    std::array<int, kBatch> matches{};
    std::array<float, kBatch> sum{};
};

// The scores of candidates first to first + 15 (all in the scan's safe range), each exactly as
// ScoreCandidate forms it: one candidate a lane, each lane adding its magnitudes in the same order.
void ScoreBatch(const SyncScan& scan, int first, Scores& scores) {
#if defined(__SSE2__)
    const int f = scan.spacing;
    __m128i matches = _mm_setzero_si128();
    __m128 sum0 = _mm_setzero_ps(), sum1 = _mm_setzero_ps(), sum2 = _mm_setzero_ps(), sum3 = _mm_setzero_ps();
    for (int k = 0; k < scan.count; ++k) {
        const auto* strongest = reinterpret_cast<const __m128i*>(scan.strongest[k] + first);
        const __m128i hit =
            _mm_cmpeq_epi8(_mm_loadu_si128(strongest), _mm_set1_epi8(static_cast<char>(scan.tone[k])));
        matches = _mm_sub_epi8(matches, hit);  // a hit is -1
        const float* v = scan.subBand[k] + first + scan.tone[k] * f;
        sum0 = _mm_add_ps(sum0, _mm_loadu_ps(v));
        sum1 = _mm_add_ps(sum1, _mm_loadu_ps(v + 4));
        sum2 = _mm_add_ps(sum2, _mm_loadu_ps(v + 8));
        sum3 = _mm_add_ps(sum3, _mm_loadu_ps(v + 12));
    }
    std::array<int8_t, kBatch> counts;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(counts.data()), matches);
    for (int i = 0; i < kBatch; ++i)
        scores.matches[i] = counts[i];
    _mm_storeu_ps(scores.sum.data(), sum0);
    _mm_storeu_ps(scores.sum.data() + 4, sum1);
    _mm_storeu_ps(scores.sum.data() + 8, sum2);
    _mm_storeu_ps(scores.sum.data() + 12, sum3);
#else
    for (int i = 0; i < kBatch; ++i)
        ScoreCandidate(scan, first + i, scores.matches[i], scores.sum[i]);
#endif
}

}  // namespace

// Trap steps: 0 on entry, 1 at each candidate, 2 after its pattern test, 3 to 10 through the lock.
void Receiver::AcquireFrame(int16_t low, int16_t high, uint8_t mode) {
    int step = 0;
    try {
        const ModeRecord& r = links_.modes[mode];
        SyncScan scan = PrepareSyncScan(*this, links_.modes, mode, high);
        // Candidates scoredFrom to scoredTo were scored ahead with the scan as it stands.
        Scores ahead;
        int scoredFrom = 1;
        int scoredTo = 0;
        for (int b = low; b <= high; ++b) {
            step = 1;
            // A candidate that would read outside the matrix (not dimensioned for this mode or window)
            // is the fault the trap is for; the candidates before it keep their effects.
            if (b < scan.firstSafe || b > scan.lastSafe) {
                TrapFault(24, step);
                return;
            }
            if ((b < scoredFrom || b > scoredTo) && b + kBatch - 1 <= std::min<int>(high, scan.lastSafe)) {
                ScoreBatch(scan, b, ahead);
                scoredFrom = b;
                scoredTo = b + kBatch - 1;
            }
            int matches = 0;
            float sum = 0;
            if (b >= scoredFrom && b <= scoredTo) {
                matches = ahead.matches[b - scoredFrom];
                sum = ahead.sum[b - scoredFrom];
            } else {
                ScoreCandidate(scan, b, matches, sum);
            }
            step = 2;
            if (matches > SyncMatchCount) SyncMatchCount = static_cast<uint8_t>(matches);
            // A take-over needs a strictly larger sum, so of equal candidates the first keeps the lock.
            if (matches >= r.SyncLockThreshold && sum > LockSyncSum) {
                LockFrame(static_cast<int16_t>(b), mode, static_cast<uint8_t>(matches), sum, step);
                // The lock called out and may have changed the matrix: take the layout afresh, and score
                // the candidates after this one again.
                scan = PrepareSyncScan(*this, links_.modes, mode, high);
                scoredTo = scoredFrom - 1;
            }
        }
    } catch (const std::exception&) {
        TrapFault(24, step);
    }
}

void Receiver::LockFrame(int16_t bin, uint8_t mode, uint8_t matches, float sum, int& step) {
    WindowControls& c = links_.controls;
    const ModeRecord& r = links_.modes[mode];

    step = 3;
    RxLocked = 1;
    c.SetEnabled(Control::cmdTX_RX, false);
    c.SetBackColor(Control::cmdTX_RX, 0xE0E0E0);
    c.SetEnabled(Control::imgOFFBeacon, false);

    step = 4;
    links_.sessionLog.SessionLogDirty = 1;
    GetTimer(TimerId::tmrTemporizador1Baudio).SetEnabled(false);
    GetTimer(TimerId::tmrBeacon).SetEnabled(false);
    c.SetVisible(Control::txtTemporizador1Baudio, false);
    c.SetVisible(Control::txtTemporizadorBeacon, false);
    // Yellow is the countdown's first phase; a report is answered only outside it.
    links_.host.SetBeaconReportArmed(links_.shared.switches.beaconOn &&
                                     c.BackColor(Control::txtTemporizadorBeacon) != kStatusYellow);

    step = 5;
    LockSyncMatches = matches;
    c.SetBackColor(Control::txtSincronismo, kStatusGreen);
    c.SetText(Control::txtSincronismo, "LOCKED");
    RxModeIndex = mode;
    LockedMode = mode;
    if (mode == 7 || mode == 8 || mode == 10) c.SetVisible(Control::pctCancelFrame, true);
    c.SetText(Control::txtModo, r.DisplayName);

    step = 6;
    if (CpuLoadAtLock == 0) CpuLoadAtLock = RefreshCpuMeter(0);

    step = 7;
    FrequencyAtLock = links_.host.CatFrequencyHz();
    LockSyncSum = sum;
    LockSyncMatchesAtLock = matches;
    FrameBaseBin = bin;
    FrequencyShiftHz = ShowFrequencyShift();

    // A steady carrier inside the frame's sub-bands would pass as a tone on every symbol: clear the
    // bins that stayed steady over the synchronisation just received. HF only.
    step = 8;
    if (r.SubBandCount > 1 && links_.shared.switches.hfSymbolRateFrame) {
        const int d = r.InterleaveDepth;
        const int row = d == 8 ? 6 : d == 6 ? 4 : 1;
        const int entries = d == 8 ? 28 : d == 6 ? 10 : 1;
        const int lastPosition = d == 8 ? 65 : d == 6 ? 43 : 19;
        for (int e = 1; e <= entries; ++e) {
            const int s = links_.modes.SyncIndexTable[row][e];
            const int subBandBin =
                FrameBaseBin + (r.SubBandSequence.at(s) - 1) * kTonesPerSubBand * r.ToneSpacingFactor;
            int column = CurrentSymbolColumn - 8 * (lastPosition - s);
            if (column < 1) column += r.SymbolColumns;
            NormaliseToneEnergies(static_cast<int16_t>(subBandBin), static_cast<int16_t>(column));
        }
    }

    step = 9;
    DecodeSymbols(kStartFlag);

    step = 10;
    c.DrawMeterNeedle(kMeterViterbi, 100);
    c.SetText(Control::txtViterbi, "Viterbi: 0%");
    GetTimer(TimerId::tmrRefrescoAdquisicion).SetEnabled(false);
    GetTimer(TimerId::tmrRefrescoAdquisicionMaxima).SetEnabled(true);
    ShowMatchCount(kMeterFrameAcquisition, Control::txtAdquisicionInicial, links_.texts.TxtFrameAcquisition,
                   matches, r.SyncSymbolCount);
    c.SetBackColor(Control::txtAdquisicionInicial,
                   MatchColour(matches, r.FrameAcquisitionRedLimit, r.FrameAcquisitionYellowLimit));
}

int16_t Receiver::SyncToneOfPosition(uint8_t k, uint8_t mode) const {
    const ModeRecord& r = links_.modes[mode];
    const int d = r.InterleaveDepth;
    if (d < 1) throw VbError(11, "Division by zero");
    // The pattern ends at the last sync symbol's position: 66, 44 or 20 for depths 8, 6 and 3.
    const int last = SyncPosition(r.SyncSymbolCount, d);
    int column = CurrentSymbolColumn - 8 * (last - SyncPosition(k, d));
    if (column < 1) column += r.SymbolColumns;
    return static_cast<int16_t>(column);
}

int16_t Receiver::SyncPositionOffset(uint8_t branch, int16_t position, int16_t bin, uint8_t mode) const {
    const ModeRecord& r = links_.modes[mode];
    const int d = r.InterleaveDepth;
    // Branch b of the interleaver delays its symbols by (d − b) × (d − 2) positions.
    int q = position - (d - branch) * (d - 2);
    if (q < 1) q += kSubBandSequenceLength;
    return static_cast<int16_t>(bin + (r.SubBandSequence.at(q) - 1) * kTonesPerSubBand * r.ToneSpacingFactor);
}

void Receiver::NormaliseToneEnergies(int16_t bin, int16_t column) {
    const ModeRecord& r = links_.modes[RxModeIndex];
    const int f = r.ToneSpacingFactor;
    const int columns = r.SymbolColumns;
    auto next = [columns](int c) { return c >= columns ? 1 : c + 1; };
    int first = column - 8;
    if (first < 1) first += columns;
    // Every bin of the sub-band, not only the tone bins: a carrier between tones spreads into them.
    for (int b = bin; b <= bin + (kTonesPerSubBand - 1) * f; ++b) {
        int c = first;
        // Read through the constant matrix: only a column that is cleared counts as written.
        float highest = std::as_const(Matrix).At(RxModeIndex, b, c);
        float lowest = highest;
        for (int i = 0; i < 8; ++i) {
            c = next(c);
            const float v = std::as_const(Matrix).At(RxModeIndex, b, c);
            if (v > highest) highest = v;
            if (v < lowest) lowest = v;
        }
        if (lowest != 0 && highest / lowest < 1.5f) {
            c = first;
            for (int i = 0; i < 8; ++i) {
                c = next(c);
                Matrix.At(RxModeIndex, b, c) = 0;
            }
        }
    }
}

}  // namespace muv
