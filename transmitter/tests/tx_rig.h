// A transmitter wired to in-memory windows, timers and sound device, with a host and a DDS box that
// record what the transmitter asks of them.
#pragma once

#include <string>
#include <vector>

#include "common/memory_text_window.h"
#include "platform/memory_sound.h"
#include "transmitter/offline_transmitter.h"
#include "transmitter/transmitter.h"

namespace muv::test {

class RecordingHost : public TransmitterHost {
public:
    void ResetRxDisplay() override { events.push_back("ResetRxDisplay"); }
    void CloseSoundInput() override { events.push_back("CloseSoundInput"); }
    void EndTransmission() override { events.push_back("EndTransmission"); }
    void TestToneStopping() override { events.push_back("TestToneStopping"); }
    void ReleasePtt() override { events.push_back("ReleasePtt"); }
    void TestToneStopped() override { events.push_back("TestToneStopped"); }
    int OutputDeviceIndex() const override { return outputDevice; }
    void PrepareMixerForOutput(int flag) override {
        events.push_back("PrepareMixerForOutput " + std::to_string(flag));
    }
    void SoundCardFailure(const std::string& message) override {
        events.push_back("SoundCardFailure " + message);
    }

    int outputDevice = -1;
    std::vector<std::string> events;
};

class RecordingDds : public DdsBox {
public:
    bool Selected() const override { return selected; }
    double DialFrequencyHz() const override { return dialHz; }
    void WriteLine(const std::string& text) override { lines.push_back(text); }
    void Wait(int milliseconds) override { lines.push_back("<wait " + std::to_string(milliseconds) + ">"); }

    bool selected = false;
    double dialHz = 14070000;
    std::vector<std::string> lines;
};

class TxRig {
public:
    TxRig()
        : tx({StandardModeTables(), StandardVaricodeTable(), shared, log, rxWindow, txWindow, host, controls,
              device, dds}) {
        shared.UtcNow.hour = 9;
        shared.UtcNow.minute = 5;
        shared.switches.hfSymbolRate = 1;
        tmrRX.SetEnabled(true);
        tmrRefrescoMetrica.SetEnabled(true);
        tmrRefrescoAdquisicion.SetEnabled(true);
    }

    // Chooses band class, bandwidth and symbol-rate button for a transmit mode.
    void ChooseMode(int mode) {
        const TxModeChoice c = ChoiceForTxMode(mode);
        shared.BandClass = c.BandClass;
        shared.BandwidthHz = c.BandwidthHz;
        SetSymbolRate(c, shared.switches);
    }

    // The encoder part on its own, as the transmission start prepares it.
    void StartEncoder(const std::string& text) {
        txWindow.SetText(text);
        txWindow.SetSelStart(txWindow.TextLength());
        tx.FillTxPattern();
        tx.TxSentPosition = 0;
        tx.TxStopRequest = 0;
        shared.TxRxState = 1;
        tx.NextTxSymbol(true);
    }

    // Symbols until the encoder raises its stop request, at most limit of them.
    std::vector<uint8_t> RunToStop(int limit = 5000) {
        std::vector<uint8_t> tones;
        while (tx.TxStopRequest == 0 && static_cast<int>(tones.size()) < limit) {
            uint8_t tone = tx.NextTxSymbol(false);
            if (tx.TxStopRequest == 0) tones.push_back(tone);
        }
        return tones;
    }

    std::vector<uint8_t> Symbols(int count) {
        std::vector<uint8_t> tones;
        for (int i = 0; i < count; ++i)
            tones.push_back(tx.NextTxSymbol(false));
        return tones;
    }

    // One tick of whichever transmit timer runs; false when none does.
    bool Tick() {
        if (tmrTXTonoPiloto.Enabled()) {
            tx.PilotToneTick();
        } else if (tmrTX.Enabled()) {
            tx.TxTick();
        } else if (tmrTonoTest.Enabled()) {
            tx.TestToneTick();
        } else {
            return false;
        }
        return true;
    }

    MemoryTextWindow rxWindow;
    MemoryTextWindow txWindow;
    SharedState shared;
    SessionLog log;
    RecordingHost host;
    RecordingDds dds;
    MemorySoundOutput device;
    MemoryWindowControls controls;
    Timer& tmrTXTonoPiloto = controls.GetTimer(TimerId::tmrTXTonoPiloto);
    Timer& tmrTX = controls.GetTimer(TimerId::tmrTX);
    Timer& tmrTonoTest = controls.GetTimer(TimerId::tmrTonoTest);
    Timer& tmrRX = controls.GetTimer(TimerId::tmrRX);
    Timer& tmrRefrescoMetrica = controls.GetTimer(TimerId::tmrRefrescoMetrica);
    Timer& tmrRefrescoAdquisicion = controls.GetTimer(TimerId::tmrRefrescoAdquisicion);
    Transmitter tx;
};

}  // namespace muv::test
