// The receive chain against the transmit chain: transmitted audio through a simulated channel (noise at
// a stated S/N in 2500 Hz, a random start and a random frequency offset) decodes to the text sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "bench/channel_sim.h"
#include "modem/mode_table.h"
#include "receiver/offline_receiver.h"
#include "transmitter/offline_transmitter.h"

namespace muv {
namespace {

struct Trial {
    std::vector<ReceivedMessage> messages;
    int locks = 0;
};

Trial TransmitAndReceive(int txMode, int rxMode, const std::vector<std::string>& texts, double snrDb,
                         double offsetHz, uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<int> lead(0, 48000);
    std::vector<int16_t> audio;
    for (const std::string& text : texts) {
        ChannelSpec channel;
        channel.snrDb2500 = snrDb;
        channel.frequencyOffsetHz = offsetHz;
        channel.leadSamples = lead(rng);
        const std::vector<int16_t> part = MakeChannel(TransmitToSamples(txMode, text), channel, rng);
        audio.insert(audio.end(), part.begin(), part.end());
    }
    OfflineReceiver receiver(SettingsForMode(rxMode));
    receiver.Decode(audio);
    return {receiver.Messages(), receiver.Locks()};
}

class Loopback : public ::testing::TestWithParam<int> {};

TEST_P(Loopback, LocksShowsTheOffsetDecodesAndStops) {
    const int rxMode = GetParam();
    const int txMode = rxMode == 8 ? 7 : rxMode;  // the wide EME search receives the EME signal
    const ModeRecord& r = StandardModeTables()[rxMode];
    std::mt19937_64 rng(100 + rxMode);
    const OffsetRange range = SearchableOffsets(rxMode);
    const double offset = std::uniform_real_distribution<double>(range.low, range.high)(rng);
    const std::string text = r.CharsetKind == 2 ? "CQ DE EA1ABC K" : "cq de ea1abc, 73!";

    const Trial trial = TransmitAndReceive(txMode, rxMode, {text}, 0.0, offset, rng());
    ASSERT_EQ(trial.messages.size(), 1u) << "offset " << offset;
    const ReceivedMessage& m = trial.messages[0];
    EXPECT_EQ(m.mode, rxMode);
    EXPECT_EQ(m.text, text);
    EXPECT_EQ(m.endReason, "STOP");
    EXPECT_NEAR(m.frequencyShiftHz, offset + NominalShiftHz(rxMode), r.SymbolRate / 2) << "offset " << offset;
}

INSTANTIATE_TEST_SUITE_P(Modes, Loopback, ::testing::Values(1, 2, 3, 4, 5, 6, 7, 8, 9, 10),
                         [](const auto& info) { return "M" + std::to_string(info.param); });

// A transmission straight from the transmitter, with no noise at all (a WAV file, a digital loopback),
// where the operator keeps the transmitter on for minutes before the second press: the transmitter idles
// after the text, and the idle of the EME and slowest modes is one tone repeated. The receiver must hold
// the frame to the end and its S/N readout must not sink for want of noise.
class NoiseFreeHold : public ::testing::TestWithParam<int> {};

TEST_P(NoiseFreeHold, DecodesToTheEndAndKeepsTheSnReadout) {
    const int mode = GetParam();
    const ModeRecord& r = StandardModeTables()[mode];
    // Several timing estimates in the idle alone, and past where the frame used to be lost.
    const double hold = mode == 7 || mode == 10 ? 720 : 300;
    const std::string text = r.CharsetKind == 2 ? "CQ DE EA1ABC K" : "cq de ea1abc, 73!";
    const auto receive = [mode](const std::vector<int16_t>& audio) {
        OfflineReceiver receiver(SettingsForMode(mode));
        receiver.Decode(audio);
        return receiver.Messages();
    };

    const std::vector<int16_t> held = TransmitToSamples(mode, text, hold);
    const std::vector<ReceivedMessage> clean = receive(held);
    ASSERT_EQ(clean.size(), 1u);
    EXPECT_EQ(clean[0].text, text);
    EXPECT_EQ(clean[0].endReason, "STOP");

    // A faint noise floor (30 units RMS, some 68 dB below the signal in 2500 Hz) gives the readout something
    // to measure; the noise-free signal must not read lower. (Without noise the readout shows what the
    // measurement itself resolves, far above any S/N on the air; it varies with the text.)
    const auto withFaintNoise = [mode](const std::vector<int16_t>& audio) {
        std::mt19937_64 rng(300 + mode);
        std::vector<int16_t> noisy = MakeNoise(audio.size(), 30, rng);
        for (size_t i = 0; i < audio.size(); ++i)
            noisy[i] = static_cast<int16_t>(std::clamp(noisy[i] + audio[i], -32768, 32767));
        return noisy;
    };
    const std::vector<ReceivedMessage> floor = receive(withFaintNoise(held));
    ASSERT_EQ(floor.size(), 1u);
    EXPECT_EQ(floor[0].text, text);
    EXPECT_GT(clean[0].snDb, floor[0].snDb - 3);

    // Nor does the readout sink as the frame grows.
    const std::vector<ReceivedMessage> shortOne = receive(withFaintNoise(TransmitToSamples(mode, text)));
    ASSERT_EQ(shortOne.size(), 1u);
    EXPECT_GT(floor[0].snDb, shortOne[0].snDb - 3);
}

INSTANTIATE_TEST_SUITE_P(Modes, NoiseFreeHold, ::testing::Values(1, 2, 3, 4, 5, 6, 7, 9, 10),
                         [](const auto& info) { return "M" + std::to_string(info.param); });

TEST(LoopbackStream, TwoMessagesBackToBackBothDecode) {
    const Trial trial = TransmitAndReceive(1, 1, {"first message", "and the second"}, 5.0, 20.0, 7);
    ASSERT_EQ(trial.messages.size(), 2u);
    EXPECT_EQ(trial.messages[0].text, "first message");
    EXPECT_EQ(trial.messages[1].text, "and the second");
}

TEST(LoopbackStream, NoiseAloneGivesNoLockAndNoText) {
    std::mt19937_64 rng(11);
    for (int mode : {1, 4, 9}) {
        OfflineReceiver receiver(SettingsForMode(mode));
        receiver.Decode(MakeNoise(48000 * 120, 2000, rng));
        EXPECT_EQ(receiver.Locks(), 0) << "mode " << mode;
        EXPECT_TRUE(receiver.Messages().empty()) << "mode " << mode;
    }
}

// The S/N read-out of one transmission in white noise, received with the settings given, the signal
// starting leadSamples into the noise.
float SnReadout(int mode, OfflineReceiverSettings settings, const std::string& text, double snrDb,
                double offsetHz, int leadSamples, uint64_t seed) {
    std::mt19937_64 rng(seed);
    ChannelSpec channel;
    channel.snrDb2500 = snrDb;
    channel.frequencyOffsetHz = offsetHz;
    channel.leadSamples = leadSamples;
    OfflineReceiver receiver(settings);
    receiver.Decode(MakeChannel(TransmitToSamples(mode, text), channel, rng));
    if (receiver.Messages().size() != 1 || receiver.Messages()[0].endReason != "STOP") return NAN;
    return receiver.Messages()[0].snDb;
}

// Where a strong signal starts against the receiver's column grid (an eighth of a symbol) decides whether
// the FFT windows hold a symbol boundary. The read-out must not care: it rises by the 20 dB added to the
// signal, at every start, as the readings near 0 dB always did.
TEST(LoopbackSn, StrongSignalReadsItsSnWhereverItStarts) {
    for (int mode : {1, 4, 5}) {
        float lowest = 1e9f, highest = -1e9f;
        for (double startMs : {0.0, 2.1, 10.4, 15.6, 31.25, 50.0}) {
            const int lead = 48000 + static_cast<int>(startMs * 48);
            const std::string text = "cq cq de ea1abc ea1abc k";
            const float strong = SnReadout(mode, SettingsForMode(mode), text, 20, 0, lead, 41);
            const float moderate = SnReadout(mode, SettingsForMode(mode), text, 0, 0, lead, 41);
            EXPECT_NEAR(strong - moderate, 20, 3) << "M" << mode << " starting " << startMs << " ms later";
            lowest = std::min(lowest, strong);
            highest = std::max(highest, strong);
        }
        EXPECT_LT(highest - lowest, 4) << "M" << mode;
    }
}

// The wide AFC range lets a signal sit at the low edge of the search window, where the bins below its
// lowest tone are not part of the tone matrix. Its read-out must still follow its S/N, as it does in the
// middle of the window, rather than show the mode's correction alone.
TEST(LoopbackSn, SignalAtTheLowEdgeOfTheWideWindowReadsItsSn) {
    const struct {
        int mode;
        double offsetHz;
    } edges[] = {{4, -195}, {5, -200}, {9, -77}, {10, -79}};
    for (const auto& e : edges) {
        OfflineReceiverSettings wide = SettingsForMode(e.mode);
        wide.wideAfc = true;
        const std::string text =
            StandardModeTables()[e.mode].CharsetKind == 2 ? "CQ DE EA1ABC K" : "cq de ea1abc k";
        for (double snr : {10.0, -10.0}) {
            const float centre = SnReadout(e.mode, wide, text, snr, 0, 24000, 43);
            const float edge = SnReadout(e.mode, wide, text, snr, e.offsetHz, 24000, 43);
            EXPECT_NEAR(edge, centre, 3) << "M" << e.mode << " at " << e.offsetHz << " Hz, " << snr << " dB";
        }
    }
}

TEST(LoopbackStream, SnReadoutRisesWithTheInjectedSn) {
    float previous = -100;
    for (double snr : {-8.0, 0.0, 8.0}) {
        const Trial trial = TransmitAndReceive(2, 2, {"signal report"}, snr, 0.0, 21);
        ASSERT_EQ(trial.messages.size(), 1u) << snr;
        EXPECT_GT(trial.messages[0].snDb, previous + 3) << snr;
        previous = trial.messages[0].snDb;
    }
}

}  // namespace
}  // namespace muv
