// The decoding chain fed column by column with ideal tone magnitudes, as the receive tick would after a lock.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "modem/channel_code.h"
#include "receiver/tests/receiver_rig.h"

namespace muv::test {
namespace {

const ModeTables& Tables() {
    return StandardModeTables();
}

// A receiver following a frame of one mode, its matrix dimensioned for that mode alone.
struct ChainRig : ReceiverRig {
    ChainRig(int mode, int16_t frameBaseBin, int extraBins = 0) {
        const ModeRecord& m = Tables()[mode];
        rx.Matrix.Resize(mode, mode, m.WideWindowHigh + m.BandwidthBins + extraBins, m.SymbolColumns);
        rx.RxModeIndex = static_cast<uint8_t>(mode);
        rx.FrameBaseBin = frameBaseBin;
        rx.RxLocked = 1;
        rx.AcquisitionEnabled = 1;
        shared.BandClass = mode == 7 || mode == 8 ? 3 : 2;
        shared.UtcNow.hour = 9;
        shared.UtcNow.minute = 5;
    }
    void Column(int column) {
        rx.CurrentSymbolColumn = static_cast<int16_t>(column);
        rx.DecodeSymbols(0);
    }
};

// The input bits of a message as the encoder takes them: the characters, two idle characters, then the
// closing bits up to the end of the end pattern (start bit, zeros that put the pattern two coded bits into
// a symbol, the pattern).
std::vector<int> MessageBits(const std::string& text, const ModeRecord& m) {
    static const std::string kEndPatternBits = "100001010111011000111110011010011010001100101110";
    std::string bits;
    const auto add = [&](int code) {
        if (m.CharsetKind == 1) {
            bits += StandardVaricodeTable()[code];
        } else {
            const int v = FilterTxCharacter(code, 2);
            for (int b = 5; b >= 0; --b)
                bits += (v >> b) & 1 ? '1' : '0';
        }
    };
    for (unsigned char c : text)
        add(c);
    add(0);
    add(0);
    const bool odd = bits.size() % 2 == 1;
    bits += m.CharsetKind == 1 ? "1" : "0";
    bits += std::string(odd ? 9 : 10, '0');
    bits += kEndPatternBits.substr(0, 2 * m.EndPatternLength);
    std::vector<int> out;
    for (char b : bits)
        out.push_back(b - '0');
    return out;
}

// K=7 rate-1/2 code, two input bits per Gray-coded tone.
std::vector<int> EncodeTones(const std::vector<int>& bits) {
    unsigned reg = 0;
    std::vector<int> coded;
    for (int b : bits) {
        reg = (reg >> 1) | (static_cast<unsigned>(b) << 6);
        coded.push_back(CodeBit133(reg));
        coded.push_back(CodeBit171(reg));
    }
    std::vector<int> tones;
    for (size_t i = 0; i + 3 < coded.size(); i += 4)
        tones.push_back(GrayEncode(8 * coded[i] + 4 * coded[i + 1] + 2 * coded[i + 2] + coded[i + 3]));
    return tones;
}

// The tones on air: sync, three tones 0, the data, through the transmitter's convolutional interleaver.
std::vector<int> AirTones(const std::string& text, const ModeRecord& m) {
    std::vector<int> pushed;
    for (int k = 1; k <= m.SyncSymbolCount; ++k)
        pushed.push_back(Tables().SyncToneSequence[k]);
    pushed.insert(pushed.end(), 3, 0);
    for (int t : EncodeTones(MessageBits(text, m)))
        pushed.push_back(t);
    pushed.insert(pushed.end(), 60, 0);  // lets the last symbols leave the delay line

    const int k = m.InterleaveDepth;
    const int length = (k - 1) * k + 1;
    std::vector<int> line(length + 1);
    for (int p = 1; p <= length; ++p)
        line[p] = (p - 1) % 16;
    std::vector<int> air;
    int tap = 1;
    for (size_t c = 1; c <= pushed.size(); ++c) {
        std::copy(line.begin() + 2, line.end(), line.begin() + 1);
        line[length] = pushed[c - 1];
        const int tone = line[(k - 2) * tap + 2];
        if (++tap > k) tap = 1;
        if (static_cast<int>(c) >= k) air.push_back(tone);
    }
    return air;
}

struct DecodeCase {
    int mode;
    int16_t frameBaseBin;
    const char* header;
};

class ChainDecode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(ChainDecode, IdealSymbolsDecodeToTheTextAndTheEndPatternStops) {
    const DecodeCase& tc = GetParam();
    const ModeRecord& m = Tables()[tc.mode];
    ChainRig rig(tc.mode, tc.frameBaseBin);
    rig.ShowSwitch(Control::imgONAlarm, true);
    rig.rx.FrequencyShiftHz = -12.25f;
    const int lockPosition = m.InterleaveDepth == 8 ? 66 : m.InterleaveDepth == 6 ? 44 : 20;
    const int sp = m.ToneSpacingFactor;
    const std::vector<int> air = AirTones("CQ DE", m);
    Timer& endTimer = rig.controls.GetTimer(TimerId::tmrProcesarFinal);

    // Each symbol fills eight columns; the lock (and first sampling point) is the fourth column of the
    // last sync symbol, so that the chain's look-ahead sees each column's own sub-band.
    for (int n = 1; n <= static_cast<int>(air.size()) && !endTimer.Enabled(); ++n) {
        const int position = (n - 1) % kSubBandSequenceLength + 1;
        const int bin = tc.frameBaseBin + (m.SubBandSequence[position] - 1) * 16 * sp + air[n - 1] * sp;
        for (int i = 0; i < 8 && !endTimer.Enabled(); ++i) {
            const int column = ((n - 1) * 8 + i) % m.SymbolColumns + 1;
            float* bins = rig.rx.Matrix.ColumnData(tc.mode, column);
            std::fill(bins, bins + rig.rx.Matrix.HighestBin() + 1, 0.0f);
            bins[bin] = 1.0f;
            if (n < lockPosition || (n == lockPosition && i < 3)) continue;
            if (n == lockPosition && i == 3) {
                rig.rx.CurrentSymbolColumn = static_cast<int16_t>(column);
                rig.rx.DecodeSymbols(kStartFlag);
            }
            rig.Column(column);
            if (n == lockPosition && i == 3) {
                EXPECT_EQ(rig.rx.RxState.FrameSymbolCount, 1);
            }
        }
    }

    const std::string header = std::string("\r\n") + tc.header + "09:05 @ -12.3 Hz: ";
    EXPECT_EQ(rig.rxWindow.Text(), header + "CQ DE");
    EXPECT_EQ(rig.rx.RxText(), "CQ DE");
    EXPECT_EQ(rig.log.SessionLogLine, header);
    EXPECT_EQ(rig.log.RxMessageStart, static_cast<int32_t>(header.size()));
    EXPECT_EQ(rig.rxWindow.ColourAt(2), m.TextColour);
    EXPECT_EQ(rig.rx.AcquisitionEnabled, 0);
    EXPECT_TRUE(rig.controls.GetTimer(TimerId::tmrAlarma).Enabled());

    EXPECT_TRUE(endTimer.Enabled());
    EXPECT_EQ(endTimer.Interval(), 250);
    EXPECT_EQ(rig.rx.EndReason, "STOP");
    EXPECT_EQ(rig.rx.EndMatchAtStop, m.EndPatternLength);
    EXPECT_EQ(rig.host.events, std::vector<std::string>{"LookupHeardCallLocator"});
    EXPECT_EQ(rig.rx.ViterbiMetric, 0);  // the decoder never overruled a clean hard decision
    EXPECT_EQ(rig.rx.FrameBaseBin, tc.frameBaseBin);
    EXPECT_GT(rig.rx.SnCount, 0);

    // A new frame starts with no text, even if it is cancelled before its text begins.
    rig.rx.DecodeSymbols(kStartFlag);
    EXPECT_EQ(rig.rx.RxText(), "");
}

INSTANTIATE_TEST_SUITE_P(Modes, ChainDecode,
                         ::testing::Values(DecodeCase{1, 66, "RX16: "}, DecodeCase{3, 264, "RX4: "},
                                           DecodeCase{7, 2048, "RX1: "}));

TEST(DecodingChain, FrameStartSamplesAtOnceAndSubBandPositionsWrap) {
    ChainRig rig(1, 66);
    const RxStateRecord& s = rig.rx.RxState;
    rig.rx.CurrentSymbolColumn = 10;
    rig.rx.DecodeSymbols(kStartFlag);
    EXPECT_EQ(rig.controls.meters[2], 50.0f);
    rig.Column(10);
    EXPECT_EQ(s.FrameSymbolCount, 1);
    EXPECT_EQ(s.SampleCountdown, 8);
    EXPECT_EQ(s.SubBandPosition, 66);

    rig.rx.RxState.SubBandPosition = 288;
    rig.rx.RxState.SampleCountdown = 1;
    rig.Column(11);
    EXPECT_EQ(s.SubBandPosition, 1);
}

TEST(DecodingChain, MeasureDeinterleavesAndDecides) {
    ChainRig rig(1, 66);
    Receiver& rx = rig.rx;
    int16_t column = 0;

    // k = 8, phase 1: 336 columns back, wrapping round the 528 columns.
    rx.CurrentSymbolColumn = 100;
    for (int t = 0; t < 16; ++t)
        rx.Matrix.At(1, 66 + 2 * t, 292) = 1.0f;
    rx.SymbolToBits(1, 0, 0, 66, column, 1);
    EXPECT_EQ(column, 292);
    EXPECT_EQ(rx.RxState.HardToneRing[rx.RxState.HardToneIndex], 1);  // equal magnitudes: tone 1

    // Check: the hard decision TracebackDepth symbols back (wrapping the ring of 34) against the decoder's.
    RxStateRecord& s = rx.RxState;
    s.HardToneIndex = 10;
    s.HardToneRing[20] = GrayEncode(5);
    s.SymbolErrors.Clear(200);
    EXPECT_EQ(rx.SymbolToBits(0, 5, 31, 0, column, 2), 0);
    EXPECT_EQ(rx.SymbolToBits(0, 6, 31, 0, column, 2), 1);
    EXPECT_EQ(rx.SymbolToBits(0, 6, 30, 0, column, 2), 0);  // still in the lead-in: cleared
}

TEST(DecodingChain, TimingEstimateMovesTheSamplingPointToTheStrongestPhase) {
    ChainRig rig(1, 66);
    Receiver& rx = rig.rx;
    RxStateRecord& s = rx.RxState;
    rx.CurrentSymbolColumn = 1;
    rx.DecodeSymbols(kStartFlag);
    s.TimingSymbolCount = 512;
    // Phase 7: 64 distinct strong values and weak ones; leaving out the 64 largest keeps the weak ones.
    // Phase 3: two values repeated, as a noise-free signal gives them: of 70 equal strong values, the 6
    // beyond the 64 largest still count.
    for (int i = 1; i <= 512; ++i) {
        s.TimingEnergy[7][i] = i <= 64 ? 9.0f + static_cast<float>(i) : 0.25f;
        s.TimingEnergy[3][i] = i <= 70 ? 1.0f : 0.125f;
    }
    rig.Column(1);
    EXPECT_FLOAT_EQ(s.PhaseSum[7], 448 * 0.25f);
    EXPECT_FLOAT_EQ(s.PhaseSum[3], 6 * 1.0f + 442 * 0.125f);
    // The scan starts at phase 1 + 4, so phase 7 is position 3: two columns earlier.
    EXPECT_EQ(s.SampleCountdown, 6);
    EXPECT_EQ(s.LastTimingOffset, -2);
    EXPECT_EQ(rig.controls.meters[2], 25.0f);
    EXPECT_EQ(rig.controls.BackColor(Control::txtSincronismo), kStatusRed);
    EXPECT_EQ(rig.controls.Text(Control::txtSincronismo), "UNLOCKED");

    // Every phase the same, as in silence: nothing to correct, the sampling point stays. An unlocked frame
    // greys the lamp and leaves its text.
    for (auto& row : s.TimingEnergy)
        row.fill(0.0f);
    s.TimingSymbolCount = 512;
    s.SampleCountdown = 1;
    s.LastTimingOffset = 3;
    rx.RxLocked = 0;
    rig.Column(2);
    EXPECT_EQ(s.SampleCountdown, 8);
    EXPECT_EQ(s.LastTimingOffset, 0);
    EXPECT_EQ(rig.controls.meters[2], 50.0f);
    EXPECT_EQ(rig.controls.BackColor(Control::txtSincronismo), kStatusGrey);
    EXPECT_EQ(rig.controls.Text(Control::txtSincronismo), "UNLOCKED");

    // The current phase tied with an earlier one in the scan: still no move.
    for (int i = 1; i <= 512; ++i) {
        s.TimingEnergy[2][i] = 0.5f;  // scan position 1 when the current phase is 6
        s.TimingEnergy[6][i] = 0.5f;
    }
    s.ColumnPhase = 6;
    s.TimingEnergy[2][s.TimingSlot] = 0;  // the column itself writes 0 into phase 6 at this slot
    s.TimingSymbolCount = 512;
    s.SampleCountdown = 1;
    rig.Column(3);
    EXPECT_EQ(s.LastTimingOffset, 0);
}

// Runs one full round of the frequency tracker (16 symbols in M1) on the strongest bin given.
int16_t AfcRound(Receiver& rx, int16_t bin) {
    rx.FindToneWindow(0, kStartFlag);
    int16_t result = 0;
    for (int i = 0; i < 16; ++i)
        result = rx.FindToneWindow(bin, 0);
    return result;
}

TEST(DecodingChain, FrequencyTrackingStaysInsideTheSearchWindowAndTheMatrix) {
    ChainRig rig(1, 41);  // M1's wide window is 40..92
    Receiver& rx = rig.rx;
    rx.CurrentSymbolColumn = 5;
    rx.Matrix.At(1, 58, 5) = 1.0f;
    rx.Matrix.At(1, 59, 5) = 0.5f;
    EXPECT_EQ(AfcRound(rx, 60), -1);  // -2 would carry FrameBaseBin below the window

    rx.FrameBaseBin = 40;
    EXPECT_EQ(AfcRound(rx, 60), 0);  // at the edge: offsets 0 to +2 only

    rx.FrameBaseBin = 91;
    rx.Matrix.At(1, 62, 5) = 2.0f;
    EXPECT_EQ(AfcRound(rx, 60), -2);  // +2 is out of reach, -2 the strongest left

    // No energy anywhere (silence): no offset is better than none.
    rx.FrameBaseBin = 66;
    rx.Matrix.At(1, 58, 5) = 0;
    rx.Matrix.At(1, 59, 5) = 0;
    rx.Matrix.At(1, 62, 5) = 0;
    EXPECT_EQ(AfcRound(rx, 60), 0);

    // Bins beyond the matrix's edges are never read.
    rx.Matrix.At(1, 0, 5) = 1.0f;
    EXPECT_EQ(AfcRound(rx, 0), 0);
    const auto top = static_cast<int16_t>(rx.Matrix.HighestBin());
    rx.Matrix.At(1, top, 5) = 1.0f;
    EXPECT_EQ(AfcRound(rx, top), 0);
}

TEST(DecodingChain, FaultIsTrappedUnderItsNumberWithTheStepReached) {
    ChainRig rig(1, 66);
    rig.rx.Matrix.Resize(2, 2, 10, 10);  // no plane for the followed mode
    rig.Column(1);
    EXPECT_EQ(rig.host.events, std::vector<std::string>{"Error 25 3"});
}

}  // namespace
}  // namespace muv::test
