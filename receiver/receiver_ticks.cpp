// The receive ticks: the receive pump calls one of them every millisecond. A tick takes at most one sound
// buffer, decimates it group by group (8 groups a buffer) and runs the stages of its modes that are due:
// a column of tone magnitudes, the frame search while searching, and the decoding chain for the mode
// being followed. A tick with no buffer ready changes nothing.
#include "receiver/receiver.h"

namespace muv {

namespace {

// RxState.GroupCounter slots.
constexpr int kCounterM2 = 0;
constexpr int kCounterM3 = 1;
constexpr int kCounterM5 = 2;
constexpr int kCounterM6 = 3;
constexpr int kCounterM9 = 4;
constexpr int kCounterM10 = 5;
constexpr int kCounterM7 = 6;
constexpr int kCounterM8 = 7;

constexpr int kGroupsPerBuffer = 8;
// Decimated samples per group: 6:1 and 7:1, and the shifted EME path (12 raw samples each).
constexpr int kSamplesPerGroup = 64;
constexpr int kShiftedSamplesPerGroup = 32;
constexpr uint8_t kNoStage = 0;

}  // namespace

bool Receiver::HasPlane(uint8_t mode) const {
    const ModeRecord& r = Mode(mode);
    return Matrix.Contains(mode, r.WideWindowHigh + r.BandwidthBins, r.SymbolColumns) &&
           Matrix.Contains(mode, r.WideWindowLow - r.ToneSpacingFactor, 1);
}

// While searching, every mode of the receive option runs; once locked only the mode followed.
bool Receiver::StageGate(uint8_t mode) const {
    return (AcquisitionEnabled == 1 && Option.Decodes(mode)) || RxModeIndex == mode;
}

void Receiver::RunStage(uint8_t mode, bool wideWindow) {
    if (!StageGate(mode) || !HasPlane(mode)) return;
    const ModeRecord& r = Mode(mode);
    const int16_t low = wideWindow ? r.WideWindowLow : r.NarrowWindowLow;
    const int16_t high = wideWindow ? r.WideWindowHigh : r.NarrowWindowHigh;
    ComputeToneEnergies(mode);
    CurrentSymbolColumn = ToneBinTable[r.ToneBinSet];
    if (AcquisitionEnabled == 1) AcquireFrame(low, high, mode);
    // The end of a message is being processed: keep the spectrum, hold the decoder.
    if (RxModeIndex == mode && !GetTimer(TimerId::tmrProcesarFinal).Enabled()) DecodeSymbols(0);
}

void Receiver::RunEmeStage(uint8_t mode) {
    if (!HasPlane(mode)) return;
    const ModeRecord& r = Mode(mode);
    // Both EME ticks search the wide window: the choice of M7 or M8 is itself the AFC range.
    ComputeToneEnergies(mode);
    CurrentSymbolColumn = ToneBinTable[r.ToneBinSet];
    if (AcquisitionEnabled == 1) AcquireFrame(r.WideWindowLow, r.WideWindowHigh, mode);
    DecodeSymbols(0);
}

// What an HF or MF tick reads and runs. After each group, the fast stage runs (unless kNoStage), the
// middle one every second group and the slow one every slowEvery-th group, each of these two counting
// its groups in its GroupCounter slot.
struct Receiver::TickStages {
    uint8_t (SoundInput::*read)(std::vector<int16_t>& samples);
    uint8_t fast;
    uint8_t middle;
    int middleCounter;
    uint8_t slow;
    int slowCounter;
    int slowEvery;
};

void Receiver::RxTickStages(const TickStages& t) {
    if ((input_.*t.read)(rxBuffer_) == 0) return;
    const bool wide = links_.shared.switches.wideAfc;
    FrontEndSample(rxBuffer_, kStartFlag);
    auto& counters = RxState.GroupCounter;
    for (int g = 1; g <= kGroupsPerBuffer; ++g) {
        ++counters[t.middleCounter];
        ++counters[t.slowCounter];
        for (int i = 0; i < kSamplesPerGroup; ++i)
            FrontEndSample(rxBuffer_, 0);
        if (t.fast != kNoStage) RunStage(t.fast, wide);
        if (counters[t.middleCounter] == 2) {
            RunStage(t.middle, wide);
            counters[t.middleCounter] = 0;
        }
        if (counters[t.slowCounter] == t.slowEvery) {
            RunStage(t.slow, wide);
            counters[t.slowCounter] = 0;
        }
    }
}

void Receiver::RxTickHf2000() {
    RxTickStages({&SoundInput::ReadInputBuffer3072, 1, 2, kCounterM2, 3, kCounterM3, 4});
}

void Receiver::RxTickHf500() {
    RxTickStages({&SoundInput::ReadInputBuffer3072, 4, 5, kCounterM5, 6, kCounterM6, 4});
}

void Receiver::RxTickMf() {
    RxTickStages({&SoundInput::ReadInputBuffer3584, kNoStage, 9, kCounterM9, 10, kCounterM10, 16});
}

void Receiver::RxTickEme(uint8_t mode, int counter) {
    if (input_.ReadInputBuffer3072(rxBuffer_) == 0) return;
    const bool shifted = mode == 7;
    if (shifted) {
        FrontEndSampleShifted(rxBuffer_, kStartFlag);
    } else {
        FrontEndSample(rxBuffer_, kStartFlag);
    }
    int16_t& groups = RxState.GroupCounter[counter];
    for (int g = 1; g <= kGroupsPerBuffer; ++g) {
        ++groups;
        if (shifted) {
            for (int i = 0; i < kShiftedSamplesPerGroup; ++i)
                FrontEndSampleShifted(rxBuffer_, 0);
        } else {
            for (int i = 0; i < kSamplesPerGroup; ++i)
                FrontEndSample(rxBuffer_, 0);
        }
        if (groups == 16) {
            RunEmeStage(mode);
            groups = 0;
        }
    }
}

void Receiver::RxTickEmeNarrow() {
    RxTickEme(7, kCounterM7);
}

void Receiver::RxTickEmeWide() {
    RxTickEme(8, kCounterM8);
}

void Receiver::RxTick() {
    try {
        const SharedState& s = links_.shared;
        if (s.BandClass == 2) {
            if (s.BandwidthHz == 2000) {
                RxTickHf2000();
            } else {
                RxTickHf500();
            }
        } else if (s.BandClass == 1) {
            RxTickMf();
        } else if (links_.shared.switches.wideAfc) {
            RxTickEmeWide();
        } else {
            RxTickEmeNarrow();
        }
    } catch (const std::exception&) {
        // A fault of the front end or the spectrum: reported once, and the receiver starts afresh.
        TrapFault(19, 0);
    }
    RestartAfterFault();
}

}  // namespace muv
