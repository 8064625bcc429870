#include "receiver/viterbi.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "modem/channel_code.h"

namespace muv {
namespace {

constexpr int kMode = 1;
constexpr int kSpacing = 2;
constexpr int kBaseBin = 40;
constexpr int kColumns = 8;

// A plain K=7 encoder: the register's bit 6 takes the newest input bit.
struct ReferenceEncoder {
    unsigned reg = 0;

    uint8_t PushPair(int first, int second) {
        reg = (reg >> 1) | (static_cast<unsigned>(first) << 6);
        const int a133 = CodeBit133(reg), a171 = CodeBit171(reg);
        reg = (reg >> 1) | (static_cast<unsigned>(second) << 6);
        return static_cast<uint8_t>(8 * a133 + 4 * a171 + 2 * CodeBit133(reg) + CodeBit171(reg));
    }
};

class ViterbiTest : public ::testing::Test {
protected:
    void SetUp() override {
        decoder.BuildTrellis();
        matrix.Resize(kMode, kMode, 80, kColumns);
    }

    void SetColumn(int column, float value) {
        for (int tone = 0; tone < 16; ++tone)
            matrix.At(kMode, kBaseBin + tone * kSpacing, column) = value;
    }

    void Step(int column) { decoder.ViterbiStep(matrix, kMode, kSpacing, bits, symbol, kBaseBin, column); }

    ViterbiDecoder decoder;
    ToneEnergyMatrix matrix;
    std::array<uint8_t, 3> bits{};
    uint8_t symbol = 0;
};

TEST_F(ViterbiTest, TrellisHasTheCodesBranches) {
    const std::array<std::pair<int, std::array<uint8_t, 4>>, 5> rows = {{{0, {0, 12, 11, 7}},
                                                                         {1, {2, 14, 9, 5}},
                                                                         {16, {13, 1, 6, 10}},
                                                                         {32, {3, 15, 8, 4}},
                                                                         {63, {8, 4, 3, 15}}}};
    for (const auto& [state, symbols] : rows)
        EXPECT_EQ(decoder.TrellisTable[state].OutputSymbol, symbols) << state;

    // Every branch: load the encoder with the predecessor's six bits, then feed the two bits that lead
    // into the state (bit 4 first, bit 5 second).
    for (int t = 0; t < kViterbiStates; ++t) {
        const TrellisRecord& rec = decoder.TrellisTable[t];
        EXPECT_EQ(rec.DecodedBit[0], (t >> 4) & 1);
        EXPECT_EQ(rec.DecodedBit[1], (t >> 5) & 1);
        for (int j = 0; j < 4; ++j) {
            const int pred = rec.Predecessor[j];
            ASSERT_EQ(pred >> 2, t & 15) << "predecessor must shift into the state";
            ASSERT_EQ(pred & 3, j);
            ReferenceEncoder enc{static_cast<unsigned>(pred) << 1};
            EXPECT_EQ(rec.OutputSymbol[j], enc.PushPair((t >> 4) & 1, (t >> 5) & 1)) << t << " " << j;
        }
    }
}

TEST_F(ViterbiTest, ClearZeroesEveryRowButKeepsTheWriteRow) {
    decoder.ViterbiPathMemory[24][63] = {3.5f, 7, 9};
    decoder.ViterbiPathMetrics[3][5] = 2.0f;
    decoder.ViterbiWriteRow = 7;
    decoder.ClearViterbiPaths();
    EXPECT_EQ(decoder.ViterbiPathMemory[24][63].BranchMetric, 0.0f);
    EXPECT_EQ(decoder.ViterbiPathMemory[24][63].Predecessor, 0);
    EXPECT_EQ(decoder.ViterbiPathMemory[24][63].Symbol, 0);
    EXPECT_EQ(decoder.ViterbiPathMetrics[3][5], 0.0f);
    EXPECT_EQ(decoder.ViterbiWriteRow, 7);
}

TEST_F(ViterbiTest, TiesGoToTheLowestBranchAndTheLowestState) {
    decoder.TracebackDepth = 16;

    // All magnitudes equal: every candidate of a state is equal, so the survivor comes from j = 0.
    SetColumn(1, 1.0f);
    Step(1);
    for (int t = 0; t < kViterbiStates; ++t) {
        EXPECT_EQ(decoder.ViterbiPathMemory[1][t].Predecessor, 4 * (t % 16)) << t;
        EXPECT_EQ(decoder.ViterbiPathMemory[1][t].Symbol, decoder.TrellisTable[t].OutputSymbol[0]);
    }

    // Old metrics favouring predecessors with j = 1 and 2 equally: the survivor is j = 1.
    decoder.ClearViterbiPaths();
    decoder.ViterbiWriteRow = 0;
    for (int p = 0; p < kViterbiStates; ++p)
        decoder.ViterbiPathMetrics[0][p] = (p % 4 == 1 || p % 4 == 2) ? 5 : 0;
    SetColumn(1, 0.0f);
    Step(1);
    for (int t = 0; t < kViterbiStates; ++t)
        EXPECT_EQ(decoder.ViterbiPathMemory[1][t].Predecessor, 4 * (t % 16) + 1);

    // All path metrics equal: the traceback starts from state 0. Rows 0 and 2..16 are planted so that a
    // path keeps its state, and row 2's symbols name the state reached.
    decoder.ClearViterbiPaths();
    decoder.ViterbiWriteRow = 0;
    for (int r = 0; r <= 16; ++r) {
        for (int s = 0; s < kViterbiStates; ++s) {
            decoder.ViterbiPathMemory[r][s].Predecessor = static_cast<uint8_t>(s);
            decoder.ViterbiPathMemory[r][s].Symbol = static_cast<uint8_t>(s & 15);
        }
    }
    SetColumn(1, 1.0f);
    Step(1);
    for (int t = 1; t < kViterbiStates; ++t)
        ASSERT_EQ(decoder.ViterbiPathMetrics[1][t], 1.0f);
    EXPECT_EQ(bits[1], 0);
    EXPECT_EQ(bits[2], 0);
    EXPECT_EQ(symbol, 0);
}

TEST_F(ViterbiTest, FirstStepsAfterClearReleaseZeros) {
    std::mt19937 rng(7);
    decoder.ViterbiWriteRow = 13;  // left over from an earlier frame
    decoder.TracebackDepth = 20;
    for (int n = 1; n < 20; ++n) {
        const int column = (n - 1) % kColumns + 1;
        SetColumn(column, 0.0f);
        matrix.At(kMode, kBaseBin + static_cast<int>(rng() % 16) * kSpacing, column) = 1.0f;
        bits = {9, 9, 9};
        symbol = 9;
        Step(column);
        EXPECT_EQ(bits[1], 0) << n;
        EXPECT_EQ(bits[2], 0) << n;
        EXPECT_EQ(symbol, 0) << n;
    }
}

TEST_F(ViterbiTest, RingUsesRowsUpToTheDepth) {
    decoder.TracebackDepth = 16;
    SetColumn(1, 0.5f);
    for (int n = 1; n <= 40; ++n) {
        Step(1);
        EXPECT_EQ(decoder.ViterbiWriteRow, n % 17);
    }
    for (int r = 17; r < kViterbiRows; ++r)
        EXPECT_EQ(decoder.ViterbiPathMetrics[r][0], 0.0f) << r;
    // A survivor's metric sums the branch metrics of its last 16 steps only.
    for (int t = 0; t < kViterbiStates; ++t)
        EXPECT_EQ(decoder.ViterbiPathMetrics[40 % 17][t], 8.0f) << t;

    // Depth 24 -> 16 with row 22 last written: the step reads row 22 and writes row 0.
    decoder.TracebackDepth = 24;
    decoder.ClearViterbiPaths();
    decoder.ViterbiWriteRow = 22;
    decoder.ViterbiPathMetrics[22][22] = 5.0f;  // predecessor j = 2 of the states t with t mod 16 = 5
    decoder.TracebackDepth = 16;
    SetColumn(1, 0.0f);
    Step(1);
    EXPECT_EQ(decoder.ViterbiWriteRow, 0);
    for (int t : {5, 21, 37, 53}) {
        EXPECT_EQ(decoder.ViterbiPathMemory[0][t].Predecessor, 22);
        EXPECT_EQ(decoder.ViterbiPathMetrics[0][t], 5.0f);
    }
    EXPECT_EQ(decoder.ViterbiPathMetrics[23][5], 0.0f);
}

// Sends random bits through the reference encoder, one column per symbol, each symbol's sent tone at
// 1.0; every `errorEvery`-th symbol (0: none) goes out on a random wrong tone, and `noise` adds uniform
// noise to all magnitudes. Checks that bits and symbols come out TracebackDepth steps later.
void RoundTrip(ViterbiDecoder& decoder, ToneEnergyMatrix& matrix, int depth, int errorEvery, float noise) {
    constexpr int kSymbols = 400;
    std::mt19937 rng(1234 + depth);
    std::uniform_real_distribution<float> noiseDist(0.0f, noise);
    ReferenceEncoder enc;
    std::vector<std::array<int, 2>> sentBits;
    std::vector<uint8_t> sentSymbols;
    int wrong = 0;

    decoder.TracebackDepth = static_cast<int16_t>(depth);
    decoder.ClearViterbiPaths();
    for (int n = 1; n <= kSymbols; ++n) {
        const int b1 = static_cast<int>(rng() & 1), b2 = static_cast<int>(rng() & 1);
        sentBits.push_back({b1, b2});
        sentSymbols.push_back(enc.PushPair(b1, b2));

        int tone = GrayEncode(sentSymbols.back());
        if (errorEvery > 0 && n % errorEvery == 0) {
            tone = (tone + 1 + static_cast<int>(rng() % 15)) % 16;
            ++wrong;
        }
        const int column = (n - 1) % kColumns + 1;
        for (int t = 0; t < 16; ++t)
            matrix.At(kMode, kBaseBin + t * kSpacing, column) = noiseDist(rng);
        matrix.At(kMode, kBaseBin + tone * kSpacing, column) += 1.0f;

        std::array<uint8_t, 3> bits{};
        uint8_t symbol = 0;
        decoder.ViterbiStep(matrix, kMode, kSpacing, bits, symbol, kBaseBin, static_cast<int16_t>(column));
        if (n > depth) {
            ASSERT_EQ(bits[1], sentBits[n - depth - 1][0]) << "depth " << depth << " step " << n;
            ASSERT_EQ(bits[2], sentBits[n - depth - 1][1]) << "depth " << depth << " step " << n;
            ASSERT_EQ(symbol, sentSymbols[n - depth - 1]) << "depth " << depth << " step " << n;
        }
    }
    EXPECT_EQ(wrong, errorEvery > 0 ? kSymbols / errorEvery : 0);
}

TEST_F(ViterbiTest, NoiselessRoundTripIsDelayedByTheDepth) {
    for (int depth : {24, 20, 16})
        RoundTrip(decoder, matrix, depth, 0, 0.0f);
}

TEST_F(ViterbiTest, ScatteredWrongSymbolsAreCorrected) {
    for (int depth : {24, 20, 16})
        RoundTrip(decoder, matrix, depth, 12, 0.2f);
}

TEST(SymbolErrorWindowTest, CountsDisagreementsOverTheLastFullScaleSymbols) {
    constexpr int kFullScale = 26;
    SymbolErrorWindow window;
    window.Clear(kFullScale);
    EXPECT_EQ(window.SymbolErrorCount, 0);

    std::mt19937 rng(5);
    std::vector<int> history;
    for (int n = 0; n < 300; ++n) {
        const uint8_t hard = static_cast<uint8_t>(rng() % 16);
        const uint8_t viterbi = (rng() % 3 == 0) ? static_cast<uint8_t>((hard + 1) % 16) : hard;
        history.push_back(hard != viterbi);
        int expected = 0;
        for (size_t k = history.size() > kFullScale ? history.size() - kFullScale : 0; k < history.size();
             ++k) {
            expected += history[k];
        }
        ASSERT_EQ(window.Record(hard, viterbi, kFullScale), expected) << n;
    }
    EXPECT_GT(window.SymbolErrorCount, 0);

    // A cleared window starts again at position 1 and forgets the old entries.
    window.Clear(kFullScale);
    EXPECT_EQ(window.SymbolErrorCount, 0);
    EXPECT_EQ(window.Record(3, 4, kFullScale), 1);
    EXPECT_EQ(window.Entries[1], 1);
    for (int n = 1; n < kFullScale; ++n)
        EXPECT_EQ(window.Record(2, 2, kFullScale), 1);
    EXPECT_EQ(window.Record(2, 2, kFullScale), 0);  // the disagreement has left the window
}

}  // namespace
}  // namespace muv
