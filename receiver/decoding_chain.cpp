// The symbol decoding chain: symbol timing, sub-band hopping, frequency tracking, de-interleaving, the hard
// decision and S/N of each symbol, one Viterbi step per symbol, the character decoders, the message header
// and the end-pattern test.
#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <functional>
#include <string>

#include "common/vb.h"
#include "modem/channel_code.h"
#include "receiver/receiver.h"

namespace muv {

namespace {

constexpr int kHardToneRingSize = 34;
constexpr int kColumnsPerSymbol = 8;
constexpr int kMaxRankWindow = 512;
constexpr int kTrapNumber = 25;

// The noise of a symbol is measured this many bins beyond the nearest tone of its sub-band: eight times
// the symbol rate, since a bin is half of it.
constexpr int kNoiseGuardBins = 16;
// The sin^4 window over the symbol, as a convolution of the spectrum (its bins are half the symbol
// rate apart, so the window's cosines reach 2 and 4 bins): 3/8, -1/4 at +-2, 1/16 at +-4. Its noise
// power gain is 35/128 of the unwindowed sum's, so its noise magnitudes are scaled by sqrt(128/35).
constexpr float kWindowCentre = 0.375f;
constexpr float kWindowNear = -0.25f;
constexpr float kWindowFar = 0.0625f;
const float kWindowNoiseScale = std::sqrt(128.0f / 35.0f);

struct ToneChoice {
    int bin;
    float magnitude;
};

// The strongest of the sixteen tones of a sub-band in one column. Tones 1 to 15 are scanned first and
// tone 0 last, a tone winning only when strictly stronger: equal magnitudes give tone 1.
ToneChoice StrongestTone(const ToneEnergyMatrix& matrix, int mode, int base, int spacing, int column) {
    if (!matrix.Contains(mode, base, column) || !matrix.Contains(mode, base + 15 * spacing, column)) {
        throw VbError(9, "Subscript out of range");
    }
    const float* bins = matrix.ColumnData(mode, column);
    ToneChoice best{base + spacing, -1.0f};
    for (int bin = base + spacing; bin <= base + 15 * spacing; bin += spacing) {
        if (bins[bin] > best.magnitude) best = {bin, bins[bin]};
    }
    if (bins[base] > best.magnitude) best = {base, bins[base]};
    return best;
}

// The sum of the values without the cutoff largest ones, so that a few fades or bursts do not pull the
// sampling point. Values are added in their order, exactly as a plain loop over those below the
// cutoff-th largest would; values equal to that one count once per copy beyond the cutoff, so a
// noise-free signal, whose magnitudes repeat exactly, is trimmed like any other. (Taking the
// cutoff-th largest *distinct* value as the bound instead made the sum 0 for every phase once fewer
// distinct values than the cutoff remained, and each estimate then moved the sampling point half a
// symbol until the frame was lost.)
float TrimmedSum(const float* values, int count, int cutoff, std::array<float, kMaxRankWindow>& scratch) {
    if (cutoff < 1 || cutoff > count) return 0;
    std::copy(values, values + count, scratch.begin());
    std::nth_element(scratch.begin(), scratch.begin() + (cutoff - 1), scratch.begin() + count,
                     std::greater<float>());
    const float bound = scratch[cutoff - 1];
    // How many of the cutoff largest lie strictly above the bound; the rest of them equal it.
    int above = 0;
    for (int i = 0; i < cutoff - 1; ++i) {
        if (scratch[i] > bound) ++above;
    }
    float sum = 0;
    int equal = 0;
    for (int i = 0; i < count; ++i) {
        if (values[i] < bound) {
            sum += values[i];
        } else if (values[i] == bound) {
            ++equal;
        }
    }
    const int keptEqual = equal - (cutoff - above);
    if (keptEqual > 0) sum += static_cast<float>(keptEqual) * bound;
    return sum;
}

}  // namespace

void Receiver::DecodeSymbols(uint8_t flag) {
    int step = 0;
    try {
        if (flag == kStartFlag) {
            StartFrame();
            step = 1;
            return;
        }
        DecodeColumn(step);
    } catch (const std::exception&) {
        TrapFault(kTrapNumber, step);
    }
}

void Receiver::StartFrame() {
    const ModeRecord& m = RxMode();
    RxStateRecord& s = RxState;
    viterbi_.TracebackDepth = m.EndPatternLength;
    viterbi_.ClearViterbiPaths();

    SnCount = 0;
    SnSum = 0;
    ViterbiErrorSum = 0;
    ViterbiErrorSamples = 0;
    RxLevelCount = 0;
    RxLevelSumDb = 0;

    MatchEndPattern(0, 1);
    s.FrameSymbolCount = 0;
    FindToneWindow(0, kStartFlag);

    s.TimingSlot = 1;
    s.ColumnPhase = 1;
    s.SampleCountdown = 1;  // the lock column itself is the first sampling point
    s.TimingSymbolCount = 0;
    s.LastTimingOffset = 0;

    // The lock column holds the last sync symbol, which the de-interleaver's last branch delivers at once.
    const int k = m.InterleaveDepth;
    s.InterleavePhase = static_cast<uint8_t>(k);
    s.SubBandPosition = k == 8 ? 65 : k == 6 ? 43 : 19;

    // The character decoders are reset only when the text begins; a frame cancelled before that must not
    // report the previous message's text as its own.
    varicode_.RxText.clear();

    links_.controls.DrawMeterNeedle(kMeterTiming, 50);
}

void Receiver::DecodeColumn(int& step) {
    const ModeRecord& m = RxMode();
    RxStateRecord& s = RxState;
    const int sp = m.ToneSpacingFactor;
    step = 2;

    // In the last three columns before a sampling point the spectrum already sees the next symbol.
    const int position = s.SampleCountdown >= 4 ? s.SubBandPosition : NextSubBandPosition(s.SubBandPosition);
    const int base = (m.SubBandSequence.at(position) - 1) * sp * 16 + FrameBaseBin;
    step = 3;

    const ToneChoice strongest = StrongestTone(Matrix, RxModeIndex, base, sp, CurrentSymbolColumn);
    s.TimingEnergy.at(s.ColumnPhase).at(s.TimingSlot) = strongest.magnitude;
    step = 4;

    s.SampleCountdown -= 1;
    if (s.SampleCountdown == 0) {
        s.SampleCountdown = kColumnsPerSymbol;
        if (!DecodeSymbol(step, static_cast<int16_t>(base), static_cast<int16_t>(strongest.bin),
                          strongest.magnitude))
            return;
    }

    if (++s.ColumnPhase > kColumnsPerSymbol) {
        s.ColumnPhase = 1;
        if (++s.TimingSlot > m.RankWindowLength) s.TimingSlot = 1;
    }
    step = 18;
}

bool Receiver::DecodeSymbol(int& step, int16_t base, int16_t strongestBin, float strongestMagnitude) {
    const ModeRecord& m = RxMode();
    RxStateRecord& s = RxState;
    const int depth = viterbi_.TracebackDepth;
    const bool locked = RxLocked == 1;

    if (locked && m.SubBandCount > 1 && links_.shared.switches.hfSymbolRateFrame) {
        NormaliseToneEnergies(base, CurrentSymbolColumn);
    }
    if (s.FrameSymbolCount <= depth + 6) s.FrameSymbolCount += 1;
    step = 5;

    if (locked) {
        FrameBaseBin = static_cast<int16_t>(FrameBaseBin + FindToneWindow(strongestBin, 0));
        ShowFrequencyShift();
    }
    step = 6;

    s.SubBandPosition = static_cast<int16_t>(NextSubBandPosition(s.SubBandPosition));
    const int16_t baseBin =
        SyncPositionOffset(s.InterleavePhase, s.SubBandPosition, FrameBaseBin, RxModeIndex);
    step = 7;

    int16_t column = 0;
    SymbolToBits(s.InterleavePhase, 0, s.FrameSymbolCount, baseBin, column, 1);
    const float snRatio = SymbolSnRatio(base, strongestMagnitude);
    step = 8;

    std::array<uint8_t, 3> bits{};
    uint8_t symbol = 0;
    viterbi_.ViterbiStep(Matrix, RxModeIndex, m.ToneSpacingFactor, bits, symbol, baseBin, column);
    step = 9;

    AverageSn(snRatio, 0);
    if (locked) {
        SnCount += 1;
        SnSum += snRatio;
    }

    if (s.FrameSymbolCount == 3 && locked) {
        step = 10;
        StartMessageText(snRatio);
        step = 11;
    }

    // The decoder's first decisions belong to the sync and the lead-in; the text starts after its delay.
    const RxTextStyle style{m.TextColour, links_.shared.RxFontSize};
    if (s.FrameSymbolCount == depth + 4) {
        varicode_.VaricodeDecodeBit(0, true, style);
        varicode_.VaricodeDecodeBitReduced(0, true, style);
    } else if (s.FrameSymbolCount > depth + 4 && locked) {
        for (int i = 1; i <= 2; ++i) {
            if (m.CharsetKind == 2) {
                varicode_.VaricodeDecodeBitReduced(bits[i], false, style);
            } else {
                varicode_.VaricodeDecodeBit(bits[i], false, style);
            }
        }
    }
    step = 12;

    if (locked && MatchEndPattern(0, 3) == 1) {
        step = 13;
        links_.host.LookupHeardCallLocator();
        step = 14;
        EndMessage("STOP");
        step = 15;
        return false;
    }

    ViterbiMetric = SymbolToBits(0, symbol, s.FrameSymbolCount, 0, column, 2);
    if (locked) {
        ViterbiErrorSum += ViterbiMetric;
        ViterbiErrorSamples += 1;
    }

    if (++s.InterleavePhase > m.InterleaveDepth) s.InterleavePhase = 1;
    step = 16;

    if (s.TimingSymbolCount == m.RankWindowLength) {
        s.TimingSymbolCount = 0;
        EstimateTiming();
        step = 17;
    } else {
        s.TimingSymbolCount += 1;
    }
    return true;
}

void Receiver::StartMessageText(float snRatio) {
    const ModeRecord& m = RxMode();

    AcquisitionEnabled = 0;
    if (links_.shared.switches.alarmOn) GetTimer(TimerId::tmrAlarma).SetEnabled(true);

    // The S/N history starts afresh from this message.
    for (int i = 0; i < 64; ++i)
        AverageSn(snRatio, 0);

    const UtcTime& now = links_.shared.UtcNow;
    const std::string mode = "RX" + std::to_string(m.NominalBaud) + ": ";
    const std::string time = Format(now.hour, "00") + ":" + Format(now.minute, "00");
    const std::string shift = " @ " + Format(FrequencyShiftHz, "0.0") + " Hz: ";

    TextWindow& window = links_.rtfVentanaRX;
    const int32_t selStart = window.SelStart();
    const int32_t selLength = window.SelLength();
    window.SetSelStart(window.TextLength());
    window.SetSelText("\r\n");
    window.SetSelColor(m.TextColour);
    window.SetSelFontSize(links_.shared.RxFontSize);
    window.SetSelText(mode);
    window.SetSelColor(kBlack);
    window.SetSelText(time);
    window.SetSelText(shift);

    links_.sessionLog.SessionLogLine += "\r\n" + mode + time + shift;
    links_.sessionLog.RxMessageStart = window.SelStart();

    // The operator's caret and selection survive the header.
    window.SetSelStart(selStart);
    window.SetSelLength(selLength);
}

uint8_t Receiver::SymbolToBits(uint8_t phase, uint8_t viterbiSymbol, uint8_t frameSymbolCount,
                               int16_t baseBin, int16_t& column, uint8_t operation) {
    const ModeRecord& m = RxMode();
    RxStateRecord& s = RxState;

    if (operation == 2) {
        // The hard decision of the symbol whose Viterbi decision has just come out.
        const int depth = viterbi_.TracebackDepth;
        int index = s.HardToneIndex - depth;
        if (index < 1) index += kHardToneRingSize;
        const uint8_t hard = GrayDecode(s.HardToneRing.at(index));
        if (frameSymbolCount <= depth + 6) {
            s.SymbolErrors.Clear(m.ViterbiFullScale);
            return s.SymbolErrors.SymbolErrorCount;
        }
        return s.SymbolErrors.Record(hard, viterbiSymbol, m.ViterbiFullScale);
    }
    if (operation != 1) return 0;

    const int k = m.InterleaveDepth;
    const int sp = m.ToneSpacingFactor;
    int c = CurrentSymbolColumn - (k - phase) * (k - 2) * kColumnsPerSymbol;
    if (c < 1) c += m.SymbolColumns;
    column = static_cast<int16_t>(c);

    const ToneChoice strongest = StrongestTone(Matrix, RxModeIndex, baseBin, sp, column);
    const auto tone = static_cast<uint8_t>((strongest.bin - baseBin) / sp);
    MatchEndPattern(tone, 2);
    if (++s.HardToneIndex > kHardToneRingSize) s.HardToneIndex = 1;
    s.HardToneRing[s.HardToneIndex] = tone;
    return 0;
}

// The symbol's noise comes from the complex spectrum of the newest column, which the stage has just
// formed, under a sin^4 window. The columns are an eighth of a symbol apart, so unless the signal started
// on that grid every column's FFT holds a symbol boundary, and without a window the cut spreads a share
// of the tone, of the order of the misalignment (up to -24 dB), over every bin near it: a strong signal's
// noise bin then held its own leakage, and its reading was set by where it started rather than by its
// S/N. The window falls to the fourth power of the distance at its ends, where any boundary lies, and
// answers below -80 dB eight times the symbol rate away from a tone, so the bin holds noise alone up to
// S/N far beyond any on the air. It is still one bin, on the scale of the unwindowed magnitudes, so in
// noise it reads as the unwindowed bin did and weak signals keep their readings. The bin lies beyond the
// symbol's sub-band, towards the middle of the signal where there are several sub-bands (in one that is
// idle in this column), so that the noise is taken within the signal's own band; being computed from the
// whole spectrum, it is there wherever the frame sits in the search window.
float Receiver::SymbolSnRatio(int16_t base, float strongestMagnitude) const {
    if (toneWorkMode_ != RxModeIndex || toneWorkColumn_ != CurrentSymbolColumn) return 0;
    const ModeRecord& m = RxMode();
    const int sp = m.ToneSpacingFactor;
    const int n = m.FftLength;
    if (n > static_cast<int>(toneWork_.size())) return 0;
    // A symbol that reaches into digital silence (a recording's end, a sound card that delivers none)
    // holds less noise than its length, and the window, which weighs the middle, sees less still: no
    // measure, as a silent bin gives none.
    const int half = n / 2;
    const int ring = RxModeIndex == 7 ? half : static_cast<int>(RxSampleRing.size());
    const ComplexSample silence(0.0f, 0.0f);
    if (RxSampleRing[static_cast<size_t>(RxRingIndex % ring)] == silence ||
        RxSampleRing[static_cast<size_t>((RxRingIndex + half - 1) % ring)] == silence)
        return 0;
    // The sub-band, rounded: this symbol's frequency step may have moved FrameBaseBin since base was taken.
    const int subBand = (base - FrameBaseBin + 8 * sp) / (16 * sp) + 1;
    const bool above = m.SubBandCount > 1 && 2 * subBand <= m.SubBandCount;
    int bin = above ? base + 15 * sp + kNoiseGuardBins : base - kNoiseGuardBins;
    // Inside the spectrum, whichever side that takes.
    if (bin - 4 < 0) bin = base + 15 * sp + kNoiseGuardBins;
    if (bin + 4 >= n) bin = base - kNoiseGuardBins;
    if (bin - 4 < 0 || bin + 4 >= n) return 0;
    const ComplexSample* x = toneWork_.data() + bin;
    const ComplexSample windowed =
        kWindowCentre * x[0] + kWindowNear * (x[-2] + x[2]) + kWindowFar * (x[-4] + x[4]);
    const float noise = 16 * kWindowNoiseScale * std::abs(windowed);
    return noise == 0 ? 0 : strongestMagnitude / noise;
}

void Receiver::EstimateTiming() {
    const ModeRecord& m = RxMode();
    RxStateRecord& s = RxState;
    const int window = m.RankWindowLength;
    if (window < 1 || window > kMaxRankWindow) throw VbError(9, "Subscript out of range");

    // Per column phase, the tone strength over the window without its strongest values.
    std::array<float, kMaxRankWindow> scratch;
    for (int ph = 1; ph <= kColumnsPerSymbol; ++ph) {
        s.PhaseSum[ph] = TrimmedSum(&s.TimingEnergy[ph][1], window, m.RankCutoff, scratch);
    }

    // Position 5 of the scan is the current phase.
    int phase = s.ColumnPhase + 4;
    if (phase > kColumnsPerSymbol) phase -= kColumnsPerSymbol;
    int best = 1;
    float bestSum = -1;
    for (int j = 1; j <= kColumnsPerSymbol; ++j) {
        if (s.PhaseSum[phase] > bestSum) {
            bestSum = s.PhaseSum[phase];
            best = j;
        }
        if (++phase > kColumnsPerSymbol) phase = 1;
    }
    // When the current phase is as strong as the best (a stretch of silence gives all phases 0), there is
    // nothing to correct: the sampling point stays instead of jumping half a symbol.
    if (s.PhaseSum[s.ColumnPhase] == bestSum) best = 5;
    s.SampleCountdown = static_cast<uint8_t>(s.SampleCountdown + (best - 1) - 4);

    int offset = s.SampleCountdown - kColumnsPerSymbol;
    if (offset == -4 && s.LastTimingOffset > 0) offset = 4;
    s.LastTimingOffset = static_cast<int16_t>(offset);

    WindowControls& controls = links_.controls;
    controls.DrawMeterNeedle(kMeterTiming, 50 + static_cast<float>(offset) * 100 / 8);
    if (RxLocked == 0) {
        controls.SetBackColor(Control::txtSincronismo, kStatusGrey);
    } else if (offset >= -1 && offset <= 1) {
        controls.SetBackColor(Control::txtSincronismo, kStatusGreen);
        controls.SetText(Control::txtSincronismo, "LOCKED");
    } else {
        controls.SetBackColor(Control::txtSincronismo, kStatusRed);
        controls.SetText(Control::txtSincronismo, "UNLOCKED");
    }
}

int16_t Receiver::FindToneWindow(int16_t bin, uint8_t flag) {
    RxStateRecord& s = RxState;
    if (flag == kStartFlag) {
        s.AfcSymbolCount = 0;
        return 0;
    }
    const ModeRecord& m = RxMode();
    if (++s.AfcRingIndex > m.ToneCount) s.AfcRingIndex = 1;

    // Only corrections that keep FrameBaseBin inside the wide search window, for which the tone matrix is
    // dimensioned; a frame found outside it may only step back towards it.
    int low = std::max(-2, m.WideWindowLow - FrameBaseBin);
    int high = std::min(2, m.WideWindowHigh - FrameBaseBin);
    low = std::min(low, 2);
    high = std::max(high, -2);

    for (int d = low; d <= high; ++d) {
        const int b = bin + d;
        // A bin beyond the matrix's edge holds no energy.
        s.AfcEnergyRing[d + 2].at(s.AfcRingIndex) = Matrix.Contains(RxModeIndex, b, CurrentSymbolColumn)
                                                        ? Matrix.At(RxModeIndex, b, CurrentSymbolColumn)
                                                        : 0.0f;
    }

    s.AfcSymbolCount += 1;
    if (s.AfcSymbolCount < m.ToneCount) return 0;

    int best = low;
    float bestSum = -1;
    for (int d = low; d <= high; ++d) {
        float sum = 0;
        for (int i = 1; i <= m.ToneCount; ++i)
            sum += s.AfcEnergyRing[d + 2].at(i);
        s.AfcSums[d + 2] = sum;
        if (sum > bestSum) {
            bestSum = sum;
            best = d;
        }
    }
    // Likewise the frequency stays where no offset is stronger than none (all sums 0 in silence).
    if (low <= 0 && high >= 0 && s.AfcSums[2] == bestSum) best = 0;
    s.AfcSymbolCount = 0;
    return static_cast<int16_t>(best);
}

}  // namespace muv
