#include "modem/mode_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace muv {
namespace {

class ModeTableTest : public ::testing::Test {
protected:
    const ModeTables& t = StandardModeTables();
};

TEST_F(ModeTableTest, TheTwoEmeVariantsShareNamesButNotTheSearch) {
    EXPECT_EQ(t[7].DisplayName, "MUV EME");
    EXPECT_EQ(t[8].DisplayName, "MUV EME");
    EXPECT_EQ(t[7].KeyName, "MUV_EME");
    EXPECT_EQ(t[8].KeyName, "MUV_EME");
    EXPECT_EQ(t[7].FftLength, 8192);
    EXPECT_EQ(t[8].FftLength, 16384);
    EXPECT_EQ(t[7].BaseToneHz, t[8].BaseToneHz);
    EXPECT_EQ(t[7].SubBandSequence, t[8].SubBandSequence);
    EXPECT_NE(t[7].ToneBinSet, t[8].ToneBinSet);
}

TEST_F(ModeTableTest, PilotFrequencyFromTheTonePlan) {
    for (int m = 1; m <= kModeCount; ++m) {
        const ModeRecord& r = t[m];
        float expected = (m >= 4 && m <= 6) ? 1750.0f : (m == 3 ? 1500.5f : 1500.0f);
        EXPECT_NEAR(ToneFrequencyHz(r, r.PilotSubBand, r.PilotTone), expected, 0.01f) << "mode " << m;
    }
}

TEST_F(ModeTableTest, ReceiveBinsMatchTheTonePlan) {
    // The receive FFT's bin width is SymbolRate / 2 in every mode.
    for (int m : {1, 2, 3})
        EXPECT_FLOAT_EQ(t[m].BaseToneBin * t[m].SymbolRate / 2, 515.625f) << m;
    for (int m : {4, 5, 6, 8})
        EXPECT_FLOAT_EQ(t[m].BaseToneBin * t[m].SymbolRate / 2, 1500.0f) << m;
    for (int m : {9, 10})
        EXPECT_NEAR(t[m].BaseToneBin * t[m].SymbolRate / 2, 1446.43f, 0.01f) << m;
    // Tone 0 of sub-band 1 sits on BaseToneBin, except the EME modes (96 bins below) and M3 (a quarter
    // bin above).
    for (int m : {1, 2, 4, 5, 6, 9, 10}) {
        EXPECT_NEAR(t[m].BaseToneHz / (t[m].SymbolRate / 2), t[m].BaseToneBin, 1e-3) << m;
    }
    EXPECT_NEAR(t[3].BaseToneHz / (t[3].SymbolRate / 2), 264.25, 0.01);
    EXPECT_NEAR(t[8].BaseToneHz / (t[8].SymbolRate / 2), 2976, 1e-3);
}

TEST_F(ModeTableTest, DerivedFieldsAgree) {
    for (int m = 1; m <= kModeCount; ++m) {
        const ModeRecord& r = t[m];
        const int d = r.InterleaveDepth;
        SCOPED_TRACE(m);
        EXPECT_EQ(r.SymbolColumns / 8, r.SyncSymbolCount + (d - 2) * (d - 1));
        EXPECT_EQ(r.SyncPatternStart, (d - 2) * (d - 1) + 1);
        EXPECT_NEAR(48000.0 / r.SymbolRate, r.SamplesPerSymbol, 0.02);
        EXPECT_EQ(r.SamplesPerSymbol % r.SamplesPerBuffer, 0);
        EXPECT_LE(r.EndPatternLength, 24);
        EXPECT_LE(r.SnAverageLength, 64);
        EXPECT_LT(r.SnRedLimitDb, r.SnYellowLimitDb);
        EXPECT_LT(r.SnThresholdDb, r.SnRedLimitDb);
        EXPECT_EQ(r.TxWaitClass, (m == 7 || m == 8 || m == 10) ? 1 : 0);
        if (m <= 6) {
            EXPECT_EQ(r.BandwidthBins, std::lround(2.0 * r.ModeBandwidthHz / r.SymbolRate));
        }
        if (m != 7 && m != 8) {
            // The search windows are centred on BaseToneBin, the narrow one inside the wide one.
            EXPECT_EQ(r.WideWindowLow + r.WideWindowHigh, 2 * r.BaseToneBin);
            EXPECT_EQ(r.NarrowWindowLow + r.NarrowWindowHigh, 2 * r.BaseToneBin);
            EXPECT_LT(r.WideWindowLow, r.NarrowWindowLow);
        }
        // Every tone of every sub-band lies in the audio passband.
        EXPECT_GT(ToneFrequencyHz(r, 1, 0), 300.0f);
        EXPECT_LT(ToneFrequencyHz(r, r.SubBandCount, 15), 3000.0f);
    }
}

TEST_F(ModeTableTest, SubBandSequencesStayInRangeAndUseEverySubBand) {
    for (int m = 1; m <= kModeCount; ++m) {
        const ModeRecord& r = t[m];
        std::set<int> used;
        EXPECT_EQ(r.SubBandSequence[0], 0);
        for (int p = 1; p <= kSubBandSequenceLength; ++p) {
            ASSERT_GE(r.SubBandSequence[p], 1) << m << " " << p;
            ASSERT_LE(r.SubBandSequence[p], r.SubBandCount) << m << " " << p;
            used.insert(r.SubBandSequence[p]);
        }
        EXPECT_EQ(static_cast<int>(used.size()), r.SubBandCount) << m;
    }
    // The three patterns repeat with their own period.
    EXPECT_EQ(t[1].SubBandSequence[97], t[1].SubBandSequence[1]);
    EXPECT_EQ(t[5].SubBandSequence[33], t[5].SubBandSequence[1]);
    EXPECT_EQ(t[2].SubBandSequence[288], SubBandPattern16[95]);
    EXPECT_EQ(t[4].SubBandSequence[287], 1);
    EXPECT_EQ(t[4].SubBandSequence[288], 2);
}

TEST_F(ModeTableTest, PositionAfterTheLastWrapsToTheFirst) {
    EXPECT_EQ(NextSubBandPosition(1), 2);
    EXPECT_EQ(NextSubBandPosition(287), 288);
    EXPECT_EQ(NextSubBandPosition(288), 1);
    EXPECT_EQ(NextSubBandPosition(0), 1);
}

TEST_F(ModeTableTest, ToneSequencesAndPositions) {
    // In 24-symbol modes the last three synchronisation tones are 0.
    for (int k = 22; k <= 24; ++k)
        EXPECT_EQ(t.SyncToneSequence[k], 0);
    for (int k = 1; k <= 24; ++k) {
        EXPECT_LE(t.SyncToneSequence[k], 15);
        EXPECT_LE(t.EndPatternTable[k], 15);
    }
    // The clean-up positions end on the last symbol of the synchronisation plus interleaver delay.
    EXPECT_EQ(t.SyncIndexTable[1][1], 19);
    EXPECT_EQ(t.SyncIndexTable[4][10], 43);
    EXPECT_EQ(t.SyncIndexTable[6][28], 65);
    EXPECT_EQ(t.SyncIndexTable[6][8], 25);
    EXPECT_EQ(t.SyncIndexTable[4][5], 31);
    for (int m : {1, 3, 7}) {
        const ModeRecord& r = t[m];
        int row = r.InterleaveDepth == 8 ? 6 : (r.InterleaveDepth == 6 ? 4 : 1);
        int entries = row == 6 ? 28 : (row == 4 ? 10 : 1);
        EXPECT_EQ(t.SyncIndexTable[row][entries], r.SymbolColumns / 8 - 1) << m;
    }
}

}  // namespace
}  // namespace muv
