#include "transmitter/offline_transmitter.h"

#include "common/memory_text_window.h"
#include "platform/memory_sound.h"
#include "transmitter/transmitter.h"

namespace muv {

namespace {

class OfflineHost : public TransmitterHost {
public:
    void ResetRxDisplay() override {}
    void CloseSoundInput() override {}
    void EndTransmission() override { ended = true; }
    void TestToneStopping() override {}
    void ReleasePtt() override {}
    void TestToneStopped() override {}
    int OutputDeviceIndex() const override { return -1; }
    void PrepareMixerForOutput(int) override {}
    void SoundCardFailure(const std::string& message) override {
        failed = true;
        failure = message;
    }

    bool ended = false;
    bool failed = false;
    std::string failure;
};

class NoDdsBox : public DdsBox {
public:
    bool Selected() const override { return false; }
    double DialFrequencyHz() const override { return 0; }
    void WriteLine(const std::string&) override {}
    void Wait(int) override {}
};

}  // namespace

void SetSymbolRate(const TxModeChoice& choice, ModemSwitches& switches) {
    switches.hfSymbolRate = choice.baudOn1 ? 1 : choice.baudOn2 ? 2 : 3;
    switches.mfSymbolRate = choice.baudOn2MF ? 2 : 3;
}

TxModeChoice ChoiceForTxMode(int mode) {
    switch (mode) {
        case 1:
            return {2, 2000, true, false, false};
        case 2:
            return {2, 2000, false, true, false};
        case 3:
            return {2, 2000, false, false, false};
        case 4:
            return {2, 500, true, false, false};
        case 5:
            return {2, 500, false, true, false};
        case 6:
            return {2, 500, false, false, false};
        case 9:
            return {1, 2000, false, false, true};
        case 10:
            return {1, 2000, false, false, false};
        default:  // 7 and 8: EME
            return {3, 2000, false, false, false};
    }
}

bool TransmitOffline(int mode, const std::string& text, SoundOutputDevice& device, double holdSeconds,
                     std::string* error) {
    const TxModeChoice choice = ChoiceForTxMode(mode);
    MemoryTextWindow rx;
    MemoryTextWindow txWindow;
    SharedState shared;
    shared.BandClass = choice.BandClass;
    shared.BandwidthHz = choice.BandwidthHz;
    SessionLog log;
    OfflineHost host;
    NoDdsBox dds;
    MemoryWindowControls controls;
    SetSymbolRate(choice, shared.switches);
    Timer& pilot = controls.GetTimer(TimerId::tmrTXTonoPiloto);
    Timer& data = controls.GetTimer(TimerId::tmrTX);
    TransmitterLinks links{StandardModeTables(),
                           StandardVaricodeTable(),
                           shared,
                           log,
                           rx,
                           txWindow,
                           host,
                           controls,
                           device,
                           dds};
    Transmitter tx(links);
    txWindow.SetText(text);
    shared.TxRxState = 1;
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    tx.StartTransmission();
    if (host.failed) return fail(host.failure);
    // The second press (send the text, then end the message) comes once the held seconds of symbols
    // have gone out; without a hold it comes right at the start.
    const int64_t holdSymbols = static_cast<int64_t>(holdSeconds * kSampleRate /
                                                     StandardModeTables()[tx.TxModeIndex].SamplesPerSymbol);
    int64_t symbols = 0;
    if (holdSymbols <= 0) shared.TxRxState = 2;

    // Each pass is one 1 ms timer tick; the device tells whether the next buffer is free.
    while (!host.ended && !host.failed && (pilot.Enabled() || data.Enabled())) {
        if (pilot.Enabled()) {
            tx.PilotToneTick();
        } else {
            const int32_t before = tx.TxSymbolCounter;
            tx.TxTick();
            if (tx.TxSymbolCounter != before && ++symbols >= holdSymbols) shared.TxRxState = 2;
        }
    }
    tx.Output().CloseSoundOutput();
    if (host.failed) return fail(host.failure);
    // The close writes the last of it (a file's header): a failure there loses the transmission too.
    if (!device.LastError().empty()) return fail(device.LastError());
    return true;
}

std::vector<int16_t> TransmitToSamples(int mode, const std::string& text, double holdSeconds) {
    // A device that plays every buffer the moment it is queued.
    class InstantOutput : public MemorySoundOutput {
    public:
        void Write(int buffer, const int16_t* samples, int count) override {
            MemorySoundOutput::Write(buffer, samples, count);
            FinishAll();
        }
    } device;
    TransmitOffline(mode, text, device, holdSeconds);
    return device.played;
}

}  // namespace muv
