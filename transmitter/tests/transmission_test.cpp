// A whole transmission as it goes on air: silence, pilot, then the interleaved symbols, checked by
// measuring the generated audio.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <numeric>

#include "platform/wav_file.h"
#include "platform/wav_sound.h"
#include "receiver/fft.h"
#include "transmitter/tests/encoder_fixture.h"

namespace muv {
namespace {

using test::TxRig;

// Magnitude of the audio at one frequency over a stretch of samples (a single DFT bin).
double Magnitude(const int16_t* x, int count, double hz) {
    double re = 0, im = 0;
    for (int n = 0; n < count; ++n) {
        re += x[n] * std::cos(2 * M_PI * hz * n / kSampleRate);
        im -= x[n] * std::sin(2 * M_PI * hz * n / kSampleRate);
    }
    return std::hypot(re, im) / count;
}

// The tone 0..15 of sub-band subBand that is strongest in the stretch, and how strong it is.
int StrongestTone(const ModeRecord& mode, int subBand, const int16_t* x, int count, double* level = nullptr) {
    int best = 0;
    double bestLevel = -1;
    for (int t = 0; t < 16; ++t) {
        double m = Magnitude(x, count, ToneFrequencyHz(mode, subBand, t));
        if (m > bestLevel) {
            best = t;
            bestLevel = m;
        }
    }
    if (level) *level = bestLevel;
    return best;
}

TEST(TxModeSelection, BandClassBandwidthAndButtons) {
    TxRig rig;
    for (int mode : {1, 2, 3, 4, 5, 6, 7, 9, 10}) {
        rig.ChooseMode(mode);
        EXPECT_EQ(rig.tx.SelectTxMode(), mode);
    }
    // EME always sends mode 7, whatever button shows; any band class but MF and EME counts as HF.
    rig.shared.BandClass = 3;
    rig.shared.switches.hfSymbolRate = 1;
    EXPECT_EQ(rig.tx.SelectTxMode(), 7);
    rig.shared.BandClass = 9;
    rig.shared.BandwidthHz = 777;
    rig.shared.switches.hfSymbolRate = 2;
    EXPECT_EQ(rig.tx.SelectTxMode(), 5);
}

TEST(TransmissionStart, StopsReceivingAndPrimesEverything) {
    TxRig rig;
    rig.ChooseMode(1);
    rig.txWindow.SetText("test");
    rig.shared.TxRxState = 1;
    rig.tx.StartTransmission();
    EXPECT_EQ(rig.controls.Text(Control::txtModo), "MUV16/2000");
    EXPECT_EQ(rig.host.events,
              (std::vector<std::string>{"ResetRxDisplay", "CloseSoundInput", "PrepareMixerForOutput 0"}));
    EXPECT_FALSE(rig.tmrRX.Enabled());
    EXPECT_FALSE(rig.tmrRefrescoMetrica.Enabled());
    EXPECT_FALSE(rig.tmrRefrescoAdquisicion.Enabled());
    EXPECT_TRUE(rig.tmrTXTonoPiloto.Enabled());
    EXPECT_FALSE(rig.tmrTX.Enabled());
    EXPECT_EQ(rig.device.PendingSamples(), 20 * 3072);  // 20 silent buffers
    EXPECT_EQ(rig.tx.TxStopRequest, 0);
    EXPECT_EQ(rig.tx.TxSentPosition, 0);
    EXPECT_EQ(rig.rxWindow.Text(), "\r\nTX16: 09:05 ");  // the encoder was reset
    // The interleaver holds its ramp: 57 entries for depth 8.
    for (int p = 1; p <= 57; ++p)
        EXPECT_EQ(rig.tx.TxDelayLine[p], (p - 1) % 16) << p;
    // M1's pilot, tone 15 of sub-band 4, is 1500 Hz: 96 whole cycles in a 3072-sample symbol.
    EXPECT_FLOAT_EQ(rig.tx.ToneFrequency(4, 15), 1500.0f);
    EXPECT_NEAR(rig.tx.ToneSample(4, 3072, 15), 0.0f, 1.0f);
    EXPECT_NEAR(rig.tx.ToneSample(4, 8, 15), 32767 * std::sin(2 * M_PI * 1500 * 8 / 48000.0), 0.5);
    EXPECT_TRUE(rig.dds.lines.empty());  // no DDS box chosen: no line, no wait
}

TEST(TransmissionStart, ToneTablesFollowTheModesTonePlan) {
    TxRig rig;
    rig.ChooseMode(3);
    rig.tx.StartTransmission();
    EXPECT_FLOAT_EQ(rig.tx.ToneFrequency(1, 0), 516.125f);
    EXPECT_FLOAT_EQ(rig.tx.ToneFrequency(1, 1) - rig.tx.ToneFrequency(1, 0), 7.8125f);
    EXPECT_FLOAT_EQ(rig.tx.ToneFrequency(16, 15), 516.125f + 255 * 7.8125f);

    TxRig eme;
    eme.ChooseMode(7);
    eme.tx.StartTransmission();
    for (int p = 1; p <= 7; ++p)
        EXPECT_EQ(eme.tx.TxDelayLine[p], p - 1);
}

TEST(TransmissionStart, DdsBoxGetsTheModeFrequencyAndKeyLines) {
    TxRig rig;
    rig.ChooseMode(4);
    rig.dds.selected = true;
    rig.dds.dialHz = 14070000;
    rig.tx.StartTransmission();
    EXPECT_EQ(rig.dds.lines,
              (std::vector<std::string>{"MUV16/500", "FTX  14071750", "PTT ON", "<wait 200>", "KEY ON"}));
    // Each pilot buffer sends its frequency line, dial + 1750 Hz, always with a "." separator.
    rig.dds.lines.clear();
    rig.Tick();  // the first silent buffer still plays: nothing happens
    EXPECT_TRUE(rig.dds.lines.empty());
    rig.device.FinishBuffers(1);
    rig.Tick();
    EXPECT_EQ(rig.dds.lines, (std::vector<std::string>{"14071750.000"}));
}

TEST(DdsLines, FrequencyLinesRoundToThreeDecimals) {
    EXPECT_EQ(DdsFrequencyLine(14070000, 1500.0f), "14071500.000");
    EXPECT_EQ(DdsFrequencyLine(7000000, 1446.4286f), "7001446.429");
    EXPECT_EQ(DdsFrequencyLine(0, 515.625f), "515.625");
    EXPECT_EQ(DdsFtxLine(14071500.5), "FTX  14071500.5");
    EXPECT_EQ(DdsFtxLine(-20), "FTX -20");
}

TEST(TransmitTicks, PilotThenSymbolsOnePerAcceptedBuffer) {
    TxRig rig;
    rig.ChooseMode(2);  // two buffers per symbol
    rig.dds.selected = true;
    rig.txWindow.SetText("hello");
    rig.tx.StartTransmission();
    rig.dds.lines.clear();
    rig.device.FinishAll();
    int pilotTicks = 0;
    while (rig.tmrTXTonoPiloto.Enabled()) {
        rig.Tick();
        ++pilotTicks;
    }
    EXPECT_EQ(pilotTicks, 7);
    EXPECT_EQ(rig.dds.lines.size(), 7u);
    EXPECT_TRUE(rig.tmrTX.Enabled());

    // Data ticks 1 to 8 push symbols without preparing new samples; from the eighth on, a DDS line
    // goes out once per symbol, at its first buffer, and the sample position alternates.
    rig.dds.lines.clear();
    for (int tick = 1; tick <= 8; ++tick)
        rig.Tick();
    EXPECT_EQ(rig.tx.TxSymbolCounter, 8);
    EXPECT_EQ(rig.dds.lines.size(), 1u);
    EXPECT_EQ(rig.tx.TxSamplePosition, 3073);
    EXPECT_EQ(rig.tx.TxSubBandStep, 1);
    rig.Tick();
    EXPECT_EQ(rig.dds.lines.size(), 1u);
    EXPECT_EQ(rig.tx.TxSamplePosition, 1);
    EXPECT_EQ(rig.tx.TxSymbolCounter, 8);
    rig.Tick();
    EXPECT_EQ(rig.dds.lines.size(), 2u);
    EXPECT_EQ(rig.tx.TxSymbolCounter, 9);

    // Once every buffer of the ring is queued again, ticks change nothing until one has played.
    for (int i = 0; i < 25; ++i)
        rig.Tick();
    const int32_t counter = rig.tx.TxSymbolCounter;
    const uint8_t next = rig.tx.Output().NextOutputBuffer;
    rig.Tick();
    rig.Tick();
    EXPECT_EQ(rig.tx.TxSymbolCounter, counter);
    EXPECT_EQ(rig.tx.Output().NextOutputBuffer, next);
    rig.device.FinishBuffers(1);
    rig.Tick();
    EXPECT_NE(rig.tx.Output().NextOutputBuffer, next);
}

TEST(TransmitTicks, StopDuringThePilotEndsWithoutData) {
    TxRig rig;
    rig.ChooseMode(1);
    rig.tx.StartTransmission();
    rig.tx.TxStopRequest = 2;  // Esc confirmed
    rig.device.FinishAll();
    int ticks = 0;
    while (rig.Tick()) {
        ++ticks;
        rig.device.FinishAll();
    }
    EXPECT_EQ(ticks, 7);
    EXPECT_FALSE(rig.tmrTX.Enabled());
    EXPECT_EQ(rig.host.events.back(), "EndTransmission");
    EXPECT_EQ(rig.tx.TxSymbolCounter, 0);
}

TEST(TransmitTicks, SubBandStepWrapsOverSynthesisedSymbolsOnly) {
    TxRig rig;
    rig.ChooseMode(1);
    rig.txWindow.SetText(std::string(200, 'e'));
    rig.tx.StartTransmission();
    rig.device.FinishAll();
    while (rig.tmrTXTonoPiloto.Enabled())
        rig.Tick();
    for (int tick = 1; tick <= 7; ++tick)
        rig.Tick();
    EXPECT_EQ(rig.tx.TxSubBandStep, 0);
    for (int tick = 8; tick <= 7 + 288; ++tick) {
        rig.Tick();
        rig.device.FinishAll();
    }
    EXPECT_EQ(rig.tx.TxSubBandStep, 288);
    rig.Tick();
    EXPECT_EQ(rig.tx.TxSubBandStep, 1);
}

TEST(TestTone, SamplesDdsLinesAndStop) {
    TxRig rig;
    rig.dds.selected = true;
    rig.dds.dialHz = 7070000;
    rig.shared.TxRxState = 1;
    rig.tx.TestToneFlag = 1;
    rig.tx.StartTestTone();
    EXPECT_EQ(rig.tx.TxSampleBuffer[1], 6393);
    EXPECT_EQ(rig.tx.TxSampleBuffer[2], 12539);
    EXPECT_EQ(rig.tx.TxSampleBuffer[3072], 1);
    // The frequency line after "KEY ON" carries the tone's own 1500 Hz, like the lines before it.
    EXPECT_EQ(rig.dds.lines, (std::vector<std::string>{"TEST TONE 1500 Hz", "FTX  7071500", "PTT ON",
                                                       "<wait 200>", "KEY ON", "7071500.000"}));
    EXPECT_TRUE(rig.tmrTonoTest.Enabled());
    EXPECT_EQ(rig.device.PendingSamples(), 20 * 3072);

    // The stop is noticed only on a tick that queues a buffer.
    rig.tx.TxStopRequest = 2;
    rig.host.events.clear();
    rig.Tick();
    EXPECT_TRUE(rig.tmrTonoTest.Enabled());
    rig.device.FinishBuffers(1);
    rig.Tick();
    EXPECT_FALSE(rig.tmrTonoTest.Enabled());
    EXPECT_EQ(rig.host.events,
              (std::vector<std::string>{"TestToneStopping", "ReleasePtt", "TestToneStopped"}));
    EXPECT_EQ(rig.tx.Output().SoundOutputOpen, 0);
    EXPECT_EQ(rig.shared.TxRxState, 0);
    EXPECT_EQ(rig.tx.TestToneFlag, 0);
}

TEST(SoundOutputRing, BuffersAreTakenStrictlyInRingOrder) {
    test::RecordingHost host;
    MemorySoundOutput device;
    SoundOutput out(device, host);
    ASSERT_TRUE(out.OpenSoundOutput(3072));
    EXPECT_EQ(device.openedDevice, -1);
    std::vector<int16_t> samples(3073, 7);
    EXPECT_EQ(out.QueueOutputBuffer(samples, true), 0);  // a reset queues nothing
    EXPECT_EQ(device.PendingSamples(), 20 * 3072);
    EXPECT_EQ(out.QueueOutputBuffer(samples, false), 0);  // buffer 0 still plays
    device.FinishBuffers(1);
    EXPECT_EQ(out.QueueOutputBuffer(samples, false), 1);
    EXPECT_EQ(out.NextOutputBuffer, 1);
    for (int k = 1; k < 20; ++k) {
        device.FinishBuffers(1);
        EXPECT_EQ(out.QueueOutputBuffer(samples, false), 1);
    }
    EXPECT_EQ(out.NextOutputBuffer, 0);
    out.CloseSoundOutput();
    out.CloseSoundOutput();  // harmless
    EXPECT_EQ(out.SoundOutputOpen, 0);
    EXPECT_EQ(device.resetCount, 2);  // one at the open, one at the close
}

TEST(SoundOutputRing, FallsBackToDeviceZeroThenGivesUp) {
    test::RecordingHost host;
    host.outputDevice = 3;
    MemorySoundOutput device;
    device.failingDevices = {3};
    SoundOutput out(device, host);
    EXPECT_TRUE(out.OpenSoundOutput(3584));
    EXPECT_EQ(device.openedDevice, 0);
    out.CloseSoundOutput();
    device.failingDevices = {0, 3};
    EXPECT_FALSE(out.OpenSoundOutput(3584));
    EXPECT_EQ(host.events.back(), "SoundCardFailure Audio Device Output not available");
    EXPECT_EQ(out.SoundOutputOpen, 0);
}

TEST(SoundOutputRing, AFileThatCannotBeWrittenIsReportedOnceWithItsReason) {
    const std::string full = "SoundCardFailure Audio Device Output not available\ncannot write /dev/full: " +
                             std::string(std::strerror(ENOSPC));
    test::RecordingHost host;
    WavFileSoundOutput disk("/dev/full", false);
    SoundOutput out(disk, host);
    ASSERT_TRUE(out.OpenSoundOutput(3072)) << "the open itself writes nothing yet";
    std::vector<int16_t> samples(3073, 7);
    EXPECT_EQ(out.QueueOutputBuffer(samples, true), 0);
    for (int tick = 0; tick < 3; ++tick)
        EXPECT_EQ(out.QueueOutputBuffer(samples, false), 0) << "nothing more is queued";
    EXPECT_EQ(host.events, (std::vector<std::string>{"PrepareMixerForOutput 0", full})) << "told once";
    out.CloseSoundOutput();

    // Opened again (the file starts anew) it fails again, and is told again.
    host.events.clear();
    ASSERT_TRUE(out.OpenSoundOutput(3072));
    EXPECT_EQ(out.QueueOutputBuffer(samples, false), 0);
    EXPECT_EQ(host.events.back(), full);

    // A file that cannot be created: the text names it.
    const std::string path = ::testing::TempDir() + "/muv_no_such_folder/tx.wav";
    WavFileSoundOutput nowhere(path);
    SoundOutput none(nowhere, host);
    EXPECT_FALSE(none.OpenSoundOutput(3072));
    EXPECT_EQ(host.events.back(), "SoundCardFailure Audio Device Output not available\ncannot create " +
                                      path + ": " + std::strerror(ENOENT));
}

TEST(OfflineTransmitter, AFileThatCannotBeWrittenEndsTheTransmissionWithTheReason) {
    WavFileSoundOutput disk("/dev/full", false);
    std::string error;
    EXPECT_FALSE(TransmitOffline(9, "73", disk, 0, &error));
    EXPECT_EQ(error, "Audio Device Output not available\ncannot write /dev/full: " +
                         std::string(std::strerror(ENOSPC)));
    EXPECT_EQ(disk.SamplesWritten(), 0);
}

TEST(OfflineTransmitter, WavFileHoldsTheSameAirAsMemory) {
    const std::string path = ::testing::TempDir() + "/muv_offline_test.wav";
    WavFileSoundOutput file(path, false);
    ASSERT_TRUE(TransmitOffline(9, "73", file));
    std::vector<int16_t> samples;
    std::string error;
    ASSERT_TRUE(ReadWav48k(path, samples, error)) << error;
    EXPECT_EQ(samples, TransmitToSamples(9, "73"));
    std::remove(path.c_str());
}

// The air of a whole transmission, buffer by buffer.
class WholeTransmission : public ::testing::TestWithParam<int> {};

TEST_P(WholeTransmission, SilencePilotThenTheInterleavedSymbolsCarryingTheText) {
    const int mode = GetParam();
    const ModeRecord& r = StandardModeTables()[mode];
    const std::string text = "CQ DE EA1ABC";
    const std::vector<int16_t> air = TransmitToSamples(mode, text);
    const int spb = r.SamplesPerBuffer;
    const int k = r.InterleaveDepth;
    ASSERT_EQ(air.size() % spb, 0u);

    // 21 silent buffers.
    for (int i = 0; i < 21 * spb; ++i)
        ASSERT_EQ(air[i], 0) << i;

    // 6 + k pilot buffers, each starting again at the table's first sample; the pilot is found by FFT.
    const int pilotStart = 21 * spb;
    for (int b = 0; b < 6 + k; ++b) {
        const int16_t* buffer = &air[pilotStart + b * spb];
        EXPECT_EQ(buffer[0],
                  static_cast<int16_t>(std::nearbyint(
                      32767 * std::sin(static_cast<double>(6.2831855f *
                                                           ToneFrequencyHz(r, r.PilotSubBand, r.PilotTone)) /
                                       48000.0))));
        double level = 0;
        EXPECT_EQ(StrongestTone(r, r.PilotSubBand, buffer, spb, &level), r.PilotTone) << "pilot buffer " << b;
        EXPECT_GT(level, 15000);
    }
    std::vector<ComplexSample> spectrum(2048);
    for (int n = 0; n < 2048; ++n)
        spectrum[n] = ComplexSample(air[pilotStart + n], 0);
    Fft(2048, spectrum.data());
    int peak = 1;
    for (int b = 1; b < 1024; ++b) {
        if (std::abs(spectrum[b]) > std::abs(spectrum[peak])) peak = b;
    }
    const float pilotHz = ToneFrequencyHz(r, r.PilotSubBand, r.PilotTone);
    EXPECT_NEAR(peak * 48000.0 / 2048, pilotHz, 48000.0 / 2048);

    // The symbols: one every SamplesPerSymbol, in the sub-band of their position, the last one cut short.
    const int dataStart = pilotStart + (6 + k) * spb;
    const int symbolCount =
        static_cast<int>((air.size() - dataStart + r.SamplesPerSymbol - 1) / r.SamplesPerSymbol);
    std::vector<uint8_t> played;
    for (int m = 1; m <= symbolCount; ++m) {
        const int start = dataStart + (m - 1) * r.SamplesPerSymbol;
        const int count = std::min<int>(r.SamplesPerSymbol, static_cast<int>(air.size()) - start);
        const int subBand = r.SubBandSequence[(m - 1) % kSubBandSequenceLength + 1];
        double level = 0;
        played.push_back(static_cast<uint8_t>(StrongestTone(r, subBand, &air[start], count, &level)));
        ASSERT_GT(level, 15000) << "symbol " << m << " is not a tone of sub-band " << subBand;
    }

    // De-interleave: the symbol played after push c left branch j = (c - 1) mod k + 1, which delays it by
    // k^2 - k - 1 - (k - 2) j symbols. The first symbol on air follows push k.
    std::vector<int> pushed(symbolCount + k + 1, -1);
    for (int m = 1; m <= symbolCount; ++m) {
        const int c = k - 1 + m;
        const int j = (c - 1) % k + 1;
        const int source = c - (k * k - k - 1 - (k - 2) * j);
        if (source >= 1) pushed[source] = played[m - 1];
    }
    const ModeTables& tables = StandardModeTables();
    for (int s = 1; s <= r.SyncSymbolCount; ++s)
        EXPECT_EQ(pushed[s], tables.SyncToneSequence[s]) << s;
    for (int s = r.SyncSymbolCount + 1; s <= r.SyncSymbolCount + 3; ++s)
        EXPECT_EQ(pushed[s], 0) << s;
    std::vector<uint8_t> data;
    for (int s = r.SyncSymbolCount + 4; s < static_cast<int>(pushed.size()) && pushed[s] >= 0; ++s) {
        data.push_back(static_cast<uint8_t>(pushed[s]));
    }
    std::vector<uint8_t> bits = test::InputBitsOf(data);
    std::string received;
    if (r.CharsetKind == 1) {
        for (int c : test::VaricodeCharactersOf(bits)) {
            if (c == 3) break;  // the first end mark
            if (c > 0) received.push_back(static_cast<char>(c));
        }
    } else {
        for (size_t i = 0; i + 6 <= bits.size(); i += 6) {
            const int v = std::accumulate(bits.begin() + i, bits.begin() + i + 6, 0,
                                          [](int a, int b) { return 2 * a + b; });
            if (v != 0) received.push_back(v == 7 ? ' ' : static_cast<char>(v + 32));  // 0 is idle
        }
    }
    EXPECT_EQ(received.substr(0, text.size()), text);
}

INSTANTIATE_TEST_SUITE_P(Modes, WholeTransmission, ::testing::Values(1, 2, 3, 4, 5, 6, 7, 9, 10),
                         [](const auto& info) { return "M" + std::to_string(info.param); });

}  // namespace
}  // namespace muv
