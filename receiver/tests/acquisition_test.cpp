#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "receiver/tests/receiver_rig.h"

namespace muv {
namespace {

using test::ReceiverRig;

// Transmission positions of the sync symbols after the interleaver, for depths 8, 6 and 3.
const std::vector<int> kPositions8 = {1,  8,  15, 22, 29, 36, 43, 50, 9,  16, 23, 30,
                                      37, 44, 51, 58, 17, 24, 31, 38, 45, 52, 59, 66};
const std::vector<int> kPositions6 = {1,  6,  11, 16, 21, 26, 7,  12, 17, 22, 27, 32,
                                      13, 18, 23, 28, 33, 38, 19, 24, 29, 34, 39, 44};
const std::vector<int> kPositions3 = {1, 3, 5, 4, 6, 8, 7, 9, 11, 10, 12, 14, 13, 15, 17, 16, 18, 20};

const std::vector<int>& PositionsOf(const ModeRecord& r) {
    return r.InterleaveDepth == 8 ? kPositions8 : r.InterleaveDepth == 6 ? kPositions6 : kPositions3;
}

const ModeTables& tables = StandardModeTables();

// A matrix for one mode filled with a weak, uneven noise floor.
void Prepare(Receiver& rx, int mode, int highestBin) {
    rx.Matrix.Resize(mode, mode, highestBin, tables[mode].SymbolColumns);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(0.01f, 0.3f);
    for (int c = 1; c <= rx.Matrix.Columns(); ++c)
        for (int b = 0; b <= highestBin; ++b)
            rx.Matrix.At(mode, b, c) = noise(random);
}

// The sync pattern of a frame at bin ending in the current column; symbols after the first `correct`
// ones carry a stronger tone one above the expected one, which keeps their sum.
void WriteSyncPattern(Receiver& rx, int mode, int bin, float level, int correct) {
    const ModeRecord& r = tables[mode];
    const std::vector<int>& p = PositionsOf(r);
    const int last = p.back();
    for (int k = 1; k <= r.SyncSymbolCount; ++k) {
        int column = rx.CurrentSymbolColumn - 8 * (last - p[k - 1]);
        if (column < 1) column += r.SymbolColumns;
        const int base = bin + (r.SubBandSequence[p[k - 1]] - 1) * 16 * r.ToneSpacingFactor;
        const int tone = tables.SyncToneSequence[k];
        rx.Matrix.At(mode, base + tone * r.ToneSpacingFactor, column) = level;
        if (k > correct) rx.Matrix.At(mode, base + (tone + 1) % 16 * r.ToneSpacingFactor, column) = 2 * level;
    }
}

class AcquisitionTest : public ::testing::Test {
protected:
    ReceiverRig rig;
    Receiver& rx = rig.rx;
};

TEST_F(AcquisitionTest, SyncColumnsAndSubBandsFollowTheInterleaver) {
    for (int mode : {1, 3, 7}) {
        const ModeRecord& r = tables[mode];
        const std::vector<int>& p = PositionsOf(r);
        rx.CurrentSymbolColumn = r.SymbolColumns;
        for (int k = 1; k <= r.SyncSymbolCount; ++k)
            EXPECT_EQ(rx.SyncToneOfPosition(k, mode), r.SymbolColumns - 8 * (p.back() - p[k - 1])) << mode;
        rx.CurrentSymbolColumn = 10;  // the first symbol's column wraps to the end of the ring
        EXPECT_EQ(rx.SyncToneOfPosition(1, mode), 10 - 8 * (p.back() - 1) + r.SymbolColumns) << mode;
    }
    // Mode 2: sequence position 1 is sub-band 15 and 288 (reached below 1) sub-band 5, 32 bins apart;
    // mode 6: position 2 is sub-band 8, 32 bins apart; mode 7: position 2 is sub-band 2, 96 bins apart.
    const std::vector<int> delays8 = {42, 36, 30, 24, 18, 12, 6, 0}, delays6 = {20, 16, 12, 8, 4, 0},
                           delays3 = {2, 1, 0};
    for (int branch = 1; branch <= 8; ++branch) {
        EXPECT_EQ(rx.SyncPositionOffset(branch, delays8[branch - 1] + 1, 100, 2), 100 + 14 * 32);
        EXPECT_EQ(rx.SyncPositionOffset(branch, delays8[branch - 1], 100, 2), 100 + 4 * 32);
    }
    for (int branch = 1; branch <= 6; ++branch)
        EXPECT_EQ(rx.SyncPositionOffset(branch, delays6[branch - 1] + 2, 0, 6), 7 * 32);
    for (int branch = 1; branch <= 3; ++branch)
        EXPECT_EQ(rx.SyncPositionOffset(branch, delays3[branch - 1] + 2, 0, 7), 96);
}

TEST(Acquisition, PerfectSyncPatternLocksExactlyAtItsBin) {
    struct Case {
        int mode, bin, highestBin;
        float shiftHz;
        std::string name, acquisition;
    };
    for (const Case& t : {Case{1, 60, 348, -46.875f, "MUV16/2000", "Frame Acquisition: 24/24"},
                          Case{3, 250, 1392, -27.34375f, "MUV4/2000", "Frame Acquisition: 24/24"},
                          Case{7, 2000, 2400, -23.4375f, "MUV EME", "Frame Acquisition: 18/18"}}) {
        SCOPED_TRACE(t.name);
        ReceiverRig rig;
        Receiver& rx = rig.rx;
        auto& c = rig.controls;
        rig.ShowSwitch(Control::imgONBeacon, true);
        c.SetBackColor(Control::txtTemporizadorBeacon, kStatusGreen);  // the countdown's second phase
        Prepare(rx, t.mode, t.highestBin);
        rx.CurrentSymbolColumn = 100;
        const int count = tables[t.mode].SyncSymbolCount;
        WriteSyncPattern(rx, t.mode, t.bin, 1.0f, count);

        rx.AcquireFrame(t.bin - 20, t.bin + 20, t.mode);

        EXPECT_EQ(rx.RxLocked, 1);
        EXPECT_EQ(rx.FrameBaseBin, t.bin);
        EXPECT_EQ(rx.RxModeIndex, t.mode);
        EXPECT_EQ(rx.LockSyncMatches, count);
        EXPECT_FLOAT_EQ(rx.LockSyncSum, static_cast<float>(count));
        EXPECT_FLOAT_EQ(rx.FrequencyShiftHz, t.shiftHz);
        EXPECT_TRUE(rig.host.reportArmed);
        EXPECT_EQ(c.Text(Control::txtModo), t.name);
        EXPECT_EQ(c.Text(Control::txtSincronismo), "LOCKED");
        EXPECT_EQ(c.Text(Control::txtAdquisicionInicial), t.acquisition);
        EXPECT_EQ(c.BackColor(Control::txtAdquisicionInicial), kStatusGreen);
        EXPECT_EQ(c.Visible(Control::pctCancelFrame), t.mode == 7);
        EXPECT_FLOAT_EQ(c.meters[5], 100);
        EXPECT_TRUE(rig.host.events.empty());
    }
}

TEST_F(AcquisitionTest, LockNeedsTheThresholdAndAStrictlyLargerSum) {
    // On a silent matrix every tie goes to tone 0: only the four tone-0 sync symbols match.
    rx.Matrix.Resize(1, 1, 348, 528);
    rx.AcquireFrame(40, 92, 1);
    EXPECT_EQ(rx.SyncMatchCount, 4);

    Prepare(rx, 1, 348);
    rx.CurrentSymbolColumn = 300;
    WriteSyncPattern(rx, 1, 60, 1.0f, 14);  // one match short, though its sum is large
    rx.AcquireFrame(40, 92, 1);
    EXPECT_EQ(rx.RxLocked, 0);
    EXPECT_EQ(rx.SyncMatchCount, 14);

    Prepare(rx, 1, 348);
    WriteSyncPattern(rx, 1, 60, 1.0f, 15);
    rx.AcquireFrame(40, 92, 1);
    EXPECT_EQ(rx.RxLocked, 1);
    EXPECT_EQ(rx.LockSyncMatches, 15);
    EXPECT_EQ(rig.controls.Text(Control::txtAdquisicionInicial), "Frame Acquisition: 15/24");
    EXPECT_EQ(rig.controls.BackColor(Control::txtAdquisicionInicial), kStatusRed);

    // Two equal frames: the lower bin keeps the lock; a stronger one later takes it over.
    Prepare(rx, 1, 348);
    rx.LockSyncSum = 0;
    WriteSyncPattern(rx, 1, 60, 1.0f, 24);
    WriteSyncPattern(rx, 1, 61, 1.0f, 24);
    rx.AcquireFrame(40, 92, 1);
    EXPECT_EQ(rx.FrameBaseBin, 60);
    WriteSyncPattern(rx, 1, 61, 1.5f, 24);
    rx.AcquireFrame(40, 92, 1);
    EXPECT_EQ(rx.FrameBaseBin, 61);
    EXPECT_FLOAT_EQ(rx.LockSyncSum, 36);
}

TEST_F(AcquisitionTest, ReadsOutsideTheMatrixAreTrapped) {
    Prepare(rx, 1, 320);  // too few bins for the upper part of the window
    rx.CurrentSymbolColumn = 300;
    WriteSyncPattern(rx, 1, 60, 1.0f, 24);
    rx.AcquireFrame(40, 92, 1);
    EXPECT_EQ(rx.FrameBaseBin, 60);  // found before the fault
    EXPECT_EQ(rig.host.events, std::vector<std::string>{"Error 24 1"});

    rx.RxLocked = 0;
    rx.AcquireFrame(80, 180, 2);  // no plane for mode 2
    EXPECT_EQ(rx.RxLocked, 0);
}

TEST_F(AcquisitionTest, NormaliseClearsOnlySteadyBins) {
    Prepare(rx, 1, 200);
    rx.RxModeIndex = 1;  // tone spacing 2: the sub-band spans bins 100..130
    const std::vector<int> columns = {525, 526, 527, 528, 1, 2, 3, 4, 5};  // column 5 and the eight before
    for (size_t i = 0; i < columns.size(); ++i) {
        rx.Matrix.At(1, 100, columns[i]) = 2.0f;                  // steady
        rx.Matrix.At(1, 101, columns[i]) = i == 0 ? 0.0f : 2.0f;  // a 0 in the first column
        rx.Matrix.At(1, 102, columns[i]) = i % 2 ? 1.0f : 2.0f;   // keyed
        rx.Matrix.At(1, 103, columns[i]) = i % 2 ? 1.0f : 1.49f;  // steady within 1.5 to 1
        rx.Matrix.At(1, 130, columns[i]) = 3.0f;                  // last bin of the sub-band
        rx.Matrix.At(1, 131, columns[i]) = 3.0f;                  // beyond it
    }
    rx.NormaliseToneEnergies(100, 5);
    for (size_t i = 0; i < columns.size(); ++i) {
        // The first column is only examined, never cleared.
        EXPECT_EQ(rx.Matrix.At(1, 100, columns[i]), i == 0 ? 2.0f : 0.0f) << i;
        EXPECT_EQ(rx.Matrix.At(1, 101, columns[i]), i == 0 ? 0.0f : 2.0f);
        EXPECT_NE(rx.Matrix.At(1, 102, columns[i]), 0.0f);
        EXPECT_EQ(rx.Matrix.At(1, 103, columns[i]) == 0, i != 0);
        EXPECT_EQ(rx.Matrix.At(1, 130, columns[i]) == 0, i != 0);
        EXPECT_EQ(rx.Matrix.At(1, 131, columns[i]), 3.0f);
    }
}

// The sync search's own rule: from -1 upwards, a tone winning only when strictly stronger.
int SearchStrongestTone(const ToneEnergyMatrix& m, int mode, int bin, int column, int spacing) {
    float strongest = -1;
    int tone = -1;
    for (int t = 0; t < 16; ++t) {
        const float v = m.At(mode, bin + t * spacing, column);
        if (v > strongest) {
            strongest = v;
            tone = t;
        }
    }
    return tone;
}

// Bins 0 to lastBin, by default every bin whose sixteen tones lie in the matrix.
void ExpectStrongestTonesAgree(const ToneEnergyMatrix& m, int mode, int column, int spacing,
                               int lastBin = -1) {
    if (lastBin < 0) lastBin = m.HighestBin() - 15 * spacing;
    const int8_t* table = m.StrongestTones(mode, column, spacing, lastBin);
    for (int b = 0; b <= lastBin; ++b)
        ASSERT_EQ(table[b], SearchStrongestTone(m, mode, b, column, spacing))
            << "bin " << b << " column " << column;
}

TEST_F(AcquisitionTest, StrongestToneTableFollowsEveryWrite) {
    // Few distinct values, so that most windows hold ties; values the search never takes among them.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> values = {0.0f, -0.0f, 0.5f, 1.0f, 1.0f, 2.0f, -0.5f, -1.0f, -3.0f, nan};
    std::mt19937 random(11);
    std::uniform_int_distribution<size_t> pick(0, values.size() - 1);
    rx.Matrix.Resize(1, 1, 200, 528);
    for (int c = 1; c <= rx.Matrix.Columns(); ++c)
        for (int b = 0; b <= 200; ++b)
            rx.Matrix.At(1, b, c) = values[pick(random)];
    const std::vector<int> columns = {525, 526, 527, 528, 1, 2, 3, 4, 5, 6};
    // First for the lower bins only (a narrow search window), then for all of them.
    for (int c : columns)
        ExpectStrongestTonesAgree(rx.Matrix, 1, c, 2, 60);
    for (int c : columns)
        ExpectStrongestTonesAgree(rx.Matrix, 1, c, 2);

    // Single entries, a whole column as the front end writes it, and another spacing for the plane.
    rx.Matrix.At(1, 40, 1) = 5.0f;
    rx.Matrix.At(1, 42, 2) = nan;
    float* column3 = rx.Matrix.ColumnData(1, 3);
    for (int b = 0; b <= 200; ++b)
        column3[b] = values[pick(random)];
    for (int c : columns)
        ExpectStrongestTonesAgree(rx.Matrix, 1, c, 2);
    ExpectStrongestTonesAgree(rx.Matrix, 1, 1, 6);
    ExpectStrongestTonesAgree(rx.Matrix, 1, 1, 2);

    // The steady strongest tones of a sub-band, cleared by the normalisation after a lock.
    rx.RxModeIndex = 1;
    for (int c : columns)
        for (int b = 100; b <= 130; b += 4)
            rx.Matrix.At(1, b, c) = 4.0f;
    for (int c : columns)
        ExpectStrongestTonesAgree(rx.Matrix, 1, c, 2);
    rx.NormaliseToneEnergies(100, 5);
    EXPECT_EQ(rx.Matrix.At(1, 100, 5), 0.0f);
    for (int c : columns)
        ExpectStrongestTonesAgree(rx.Matrix, 1, c, 2);

    // A new matrix of other dimensions.
    rx.Matrix.Resize(1, 1, 120, 528);
    ExpectStrongestTonesAgree(rx.Matrix, 1, 5, 2);
}

TEST_F(AcquisitionTest, EndPatternCountsPositionByPosition) {
    for (int mode : {1, 3}) {  // 24 positions with threshold 9, 16 with threshold 8
        rx.RxModeIndex = mode;
        const int length = tables[mode].EndPatternLength;
        const int threshold = tables[mode].EndPatternThreshold;
        rx.EndMatchCount = 0;
        rx.MatchEndPattern(0, 1);
        // After a reset every position holds tone 0, which the pattern has at 18 and 22.
        EXPECT_EQ(rx.MatchEndPattern(0, 3), 0);
        EXPECT_EQ(rx.EndMatchCount, length == 24 ? 2 : 0);

        auto recordWithMatches = [&](int matches) {
            int matched = 0;
            for (int i = 1; i <= length; ++i) {
                const int wanted = tables.EndPatternTable[i];
                const bool hit = matched < matches;
                matched += hit;
                rx.MatchEndPattern(hit ? wanted : (wanted + 1) % 16, 2);
            }
        };
        recordWithMatches(threshold - 1);
        EXPECT_EQ(rx.MatchEndPattern(0, 3), 0) << mode;
        recordWithMatches(threshold);
        EXPECT_EQ(rx.MatchEndPattern(0, 3), 1) << mode;
        EXPECT_EQ(rx.EndMatchAtStop, threshold);
        EXPECT_EQ(rig.controls.Text(Control::txtAdquisicionFinal),
                  "Final Acquisition: " + std::to_string(threshold) + "/" + std::to_string(length));
        EXPECT_EQ(rig.controls.BackColor(Control::txtAdquisicionFinal), kStatusRed);
    }

    // The whole pattern matches at one symbol only; one symbol later the count falls, the maximum stays.
    rx.RxModeIndex = 1;
    for (int i = 1; i <= 24; ++i)
        rx.MatchEndPattern(tables.EndPatternTable[i], 2);
    EXPECT_EQ(rx.MatchEndPattern(0, 3), 1);
    EXPECT_EQ(rig.controls.BackColor(Control::txtAdquisicionFinal), kStatusGreen);
    EXPECT_FLOAT_EQ(rig.controls.meters[7], 100);
    EXPECT_TRUE(rig.controls.Manual(TimerId::tmrRefrescoAdquisicionMaximaFinal).Enabled());
    rx.MatchEndPattern(5, 2);
    EXPECT_EQ(rx.MatchEndPattern(0, 3), 0);
    EXPECT_EQ(rx.EndMatchCount, 24);
}

TEST_F(AcquisitionTest, CancelFrameOnlyWhileLocked) {
    rx.RxModeIndex = 1;
    rx.CancelFrame();
    EXPECT_EQ(rx.EndReason, "");
    EXPECT_FALSE(rig.controls.Manual(TimerId::tmrProcesarFinal).Enabled());

    rx.RxLocked = 1;
    rx.CancelFrame();
    EXPECT_EQ(rx.EndReason, "CANCEL");
    EXPECT_EQ(rig.controls.Text(Control::txtAdquisicionFinal), "Final Acquisition: 0/24");
    EXPECT_TRUE(rig.controls.Manual(TimerId::tmrProcesarFinal).Enabled());
    EXPECT_EQ(rig.controls.Manual(TimerId::tmrProcesarFinal).Interval(), 250);
}

TEST_F(AcquisitionTest, FrequencyShiftTextColourAndNeedle) {
    rx.RxModeIndex = 1;  // base bin 66, 7.8125 Hz a bin, ranges 78.125 and 203.125 Hz
    rx.FrameBaseBin = 71;
    EXPECT_FLOAT_EQ(rx.ShowFrequencyShift(), 0);  // not locked: nothing shown
    EXPECT_EQ(rig.controls.Text(Control::txtAFC), "");

    rx.RxLocked = 1;
    EXPECT_FLOAT_EQ(rx.ShowFrequencyShift(), 39.0625f);
    EXPECT_EQ(rig.controls.Text(Control::txtAFC), "Frequency Shift: 39.1 Hz");
    EXPECT_EQ(rig.controls.BackColor(Control::txtAFC), kStatusGreen);
    EXPECT_FLOAT_EQ(rig.controls.meters[1], 75);

    rx.FrameBaseBin = 76;  // exactly the range: red, needle at the end
    EXPECT_FLOAT_EQ(rx.ShowFrequencyShift(), 78.125f);
    EXPECT_EQ(rig.controls.BackColor(Control::txtAFC), kStatusRed);
    EXPECT_FLOAT_EQ(rig.controls.meters[1], 100);

    rx.FrameBaseBin = 46;  // −156.25 Hz: beyond the narrow range, inside the wide one
    rx.ShowFrequencyShift();
    EXPECT_FLOAT_EQ(rig.controls.meters[1], 0);
    rig.ShowSwitch(Control::imgAFC200, true);
    rx.ShowFrequencyShift();
    EXPECT_EQ(rig.controls.BackColor(Control::txtAFC), kStatusGreen);
    EXPECT_NEAR(rig.controls.meters[1], 50 - 156.25 * 100 / 406.25, 1e-4);
}

TEST_F(AcquisitionTest, SnReferredTo2500HzAndItsFadeMargin) {
    rx.RxModeIndex = 1;  // correction −10.41 dB, threshold −23 dB
    rx.SnSum = 100;
    rx.SnCount = 10;
    EXPECT_NEAR(rx.SnToDb2500(), 20 - 10.41, 1e-4);
    rx.SnSum = 0;
    EXPECT_NEAR(rx.SnToDb2500(), -10.41, 1e-4);  // a mean of 0 counts as 0 dB
    rx.SnCount = 0;
    EXPECT_FLOAT_EQ(rx.SnToDb2500(), -23);  // nothing measured: the mode's threshold
    EXPECT_TRUE(rig.host.events.empty());
    EXPECT_FLOAT_EQ(Receiver::Log10(-1), 0);

    rx.LockedMode = 1;
    std::string sn, margin;
    const std::vector<std::tuple<float, std::string, std::string>> cases = {
        {0, "+0", "+23"}, {-3.4f, "-3", "+20"}, {-23, "-23", "0"}, {-25, "-25", "-2"}};
    for (const auto& [snDb, wantSn, wantMargin] : cases) {
        rx.SnDb = snDb;
        rx.FormatSnAndFadeMargin(sn, margin);
        EXPECT_EQ(sn, wantSn);
        EXPECT_EQ(margin, wantMargin);
    }
}

}  // namespace
}  // namespace muv
