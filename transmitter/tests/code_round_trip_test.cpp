// Text through the channel encoder, ideal tone magnitudes (clean or with wrong symbols and noise), the
// Viterbi decoder and the character decoders, back to the same text.
#include <gtest/gtest.h>

#include <random>

#include "receiver/varicode_decoder.h"
#include "receiver/viterbi.h"
#include "transmitter/tests/encoder_fixture.h"

namespace muv {
namespace {

struct Channel {
    int wrongEvery = 0;  // every n-th symbol is replaced by a random other tone
    float noise = 0.0f;  // uniform noise added to every magnitude
};

// Decodes tones with the receiver's Viterbi decoder and character decoder; returns the received text.
std::string Receive(int mode, const std::vector<uint8_t>& tones, const Channel& channel, uint32_t seed) {
    const ModeRecord& r = StandardModeTables()[mode];
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> noise(0.0f, channel.noise);
    std::uniform_int_distribution<int> anyTone(0, 15);

    const int baseBin = 100;
    const int columns = r.SymbolColumns;
    ToneEnergyMatrix matrix;
    matrix.Resize(mode, mode, baseBin + 16 * r.ToneSpacingFactor, columns);

    ViterbiDecoder viterbi;
    viterbi.BuildTrellis();
    viterbi.TracebackDepth = r.EndPatternLength;
    viterbi.ClearViterbiPaths();

    MemoryTextWindow window;
    VaricodeDecoder decoder(window);
    const RxTextStyle style{r.TextColour, 10};
    const bool reduced = r.CharsetKind == 2;
    if (reduced) {
        decoder.VaricodeDecodeBitReduced(0, true, style);
    } else {
        decoder.VaricodeDecodeBit(0, true, style);
    }

    int step = 0;
    for (uint8_t tone : tones) {
        int column = step % columns + 1;
        int sent = tone;
        if (channel.wrongEvery > 0 && step % channel.wrongEvery == channel.wrongEvery - 1) {
            while (sent == tone)
                sent = anyTone(rng);
        }
        for (int t = 0; t < 16; ++t) {
            matrix.At(mode, baseBin + t * r.ToneSpacingFactor, column) =
                (t == sent ? 1.0f : 0.0f) + noise(rng);
        }
        std::array<uint8_t, 3> bits{};
        uint8_t symbol = 0;
        viterbi.ViterbiStep(matrix, mode, r.ToneSpacingFactor, bits, symbol, baseBin,
                            static_cast<int16_t>(column));
        ++step;
        if (step <= viterbi.TracebackDepth) continue;  // the decoder's output lags by its depth
        for (int b = 1; b <= 2; ++b) {
            if (reduced) {
                decoder.VaricodeDecodeBitReduced(bits[b], false, style);
            } else {
                decoder.VaricodeDecodeBit(bits[b], false, style);
            }
        }
    }
    return decoder.RxText;
}

std::string RandomText(std::mt19937& rng, bool reducedSet, int length) {
    static const std::string reducedChars =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ?/.,-+=!\"#$%&()*:<>@[\\]^_";
    std::string text;
    for (int i = 0; i < length; ++i) {
        if (reducedSet) {
            text.push_back(reducedChars[rng() % reducedChars.size()]);
        } else {
            // Any character that shows: 32 to 255.
            text.push_back(static_cast<char>(32 + rng() % 224));
        }
    }
    return text;
}

class CodeRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(CodeRoundTrip, CleanSymbolsDecodeExactly) {
    const int mode = GetParam();
    const bool reduced = StandardModeTables()[mode].CharsetKind == 2;
    std::mt19937 rng(1000 + mode);
    for (int trial = 0; trial < 5; ++trial) {
        std::string text = RandomText(rng, reduced, 40);
        test::EncoderFixture f(mode);
        f.Start(text);
        std::vector<uint8_t> tones = f.Symbols(static_cast<int>(text.size()) * 8 + 60);
        EXPECT_EQ(Receive(mode, tones, {}, rng()), text) << "trial " << trial;
    }
}

TEST_P(CodeRoundTrip, ScatteredWrongSymbolsAreCorrected) {
    const int mode = GetParam();
    const bool reduced = StandardModeTables()[mode].CharsetKind == 2;
    std::mt19937 rng(2000 + mode);
    for (int trial = 0; trial < 5; ++trial) {
        std::string text = RandomText(rng, reduced, 60);
        test::EncoderFixture f(mode);
        f.Start(text);
        std::vector<uint8_t> tones = f.Symbols(static_cast<int>(text.size()) * 8 + 60);
        EXPECT_EQ(Receive(mode, tones, {.wrongEvery = 12, .noise = 0.2f}, rng()), text) << "trial " << trial;
    }
}

TEST_P(CodeRoundTrip, WholeMessageWithItsClosingSequence) {
    const int mode = GetParam();
    std::string text = "CQ CQ DE EA1ABC EA1ABC K";
    test::EncoderFixture f(mode);
    f.Start(text);
    f.shared.TxRxState = 2;
    std::vector<uint8_t> tones = f.RunToStop();
    // The end marks show nothing. (The receiver stops at the end pattern; here the decoder runs on
    // through the closing bits, which show as noise after the text.)
    std::string received = Receive(mode, tones, {}, 7);
    EXPECT_EQ(received.substr(0, text.size()), text);
}

INSTANTIATE_TEST_SUITE_P(Modes, CodeRoundTrip, ::testing::Values(1, 2, 3, 4, 7, 9, 10),
                         [](const auto& info) { return "M" + std::to_string(info.param); });

}  // namespace
}  // namespace muv
