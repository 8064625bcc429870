// Starting a data transmission and pumping it tick by tick: the pilot tone, then the interleaved
// synchronisation, tone-0 and data symbols, each in the sub-band its position names.
#include <cmath>

#include "common/vb.h"
#include "transmitter/transmitter.h"

namespace muv {

namespace {

// A table value becomes a sample by rounding to the nearest integer, halves to the even neighbour.
inline int16_t ToSample(float value) {
    return static_cast<int16_t>(std::nearbyint(value));
}

}  // namespace

uint8_t Transmitter::SelectTxMode() {
    const SharedState& s = links_.shared;
    const ModemSwitches& sw = s.switches;
    if (s.BandClass == 3) {
        TxModeIndex = 7;  // an EME station always sends the narrow variant
    } else if (s.BandClass == 1) {
        TxModeIndex = sw.mfSymbolRate == 2 ? 9 : 10;
    } else {
        const bool wide = s.BandwidthHz == 2000;
        if (sw.hfSymbolRate == 1) {
            TxModeIndex = wide ? 1 : 4;
        } else if (sw.hfSymbolRate == 2) {
            TxModeIndex = wide ? 2 : 5;
        } else {
            TxModeIndex = wide ? 3 : 6;
        }
    }
    return TxModeIndex;
}

void Transmitter::FillTxPattern() {
    for (int k = 1; k <= 4; ++k)
        TxPatternTable[k] = 3;
}

void Transmitter::BuildToneTables() {
    const ModeRecord& mode = TxMode();
    const int subBands = mode.SubBandCount;
    samplesPerSymbol_ = mode.SamplesPerSymbol;
    TxToneTable.assign(static_cast<size_t>(subBands) * 16 * samplesPerSymbol_, 0.0f);
    TxToneFrequency.assign(static_cast<size_t>(subBands) * 16, 0.0f);
    constexpr float kTwoPi = 6.2831855f;
    for (int s = 1; s <= subBands; ++s) {
        for (int t = 0; t < 16; ++t) {
            const float f = ToneFrequencyHz(mode, s, t);
            const double w = static_cast<double>(kTwoPi * f);
            float* row = &TxToneTable[(static_cast<size_t>(s - 1) * 16 + t) * samplesPerSymbol_];
            for (int n = 1; n <= samplesPerSymbol_; ++n) {
                row[n - 1] = static_cast<float>(32767.0 * std::sin(w * n / 48000.0));
            }
            TxToneFrequency[(s - 1) * 16 + t] = f;
        }
    }
}

void Transmitter::SendDdsStart(const std::string& firstLine, double ftxOffsetHz) {
    DdsBox& dds = links_.dds;
    dds.WriteLine(firstLine);
    dds.WriteLine(DdsFtxLine(dds.DialFrequencyHz() + ftxOffsetHz));
    dds.WriteLine("PTT ON");
    dds.Wait(200);
    dds.WriteLine("KEY ON");
}

void Transmitter::SendDdsFrequency(float offsetHz) {
    if (links_.dds.Selected()) links_.dds.WriteLine(DdsFrequencyLine(links_.dds.DialFrequencyHz(), offsetHz));
}

// The receiver's displays go idle and its pump stops; sound input closes and output opens silent.
bool Transmitter::StopReceivingAndOpenOutput() {
    links_.host.ResetRxDisplay();
    GetTimer(TimerId::tmrRefrescoMetrica).SetEnabled(false);
    GetTimer(TimerId::tmrRefrescoAdquisicion).SetEnabled(false);
    GetTimer(TimerId::tmrRX).SetEnabled(false);
    links_.host.CloseSoundInput();
    return output_.OpenSoundOutput(TxSamplesPerBuffer);
}

void Transmitter::StartTransmission() {
    FillTxPattern();
    SelectTxMode();
    const ModeRecord& mode = TxMode();
    links_.controls.SetText(Control::txtModo, mode.DisplayName);
    TxSamplesPerBuffer = mode.SamplesPerBuffer;
    TxSampleBuffer.assign(static_cast<size_t>(TxSamplesPerBuffer) + 1, 0);
    TxSentPosition = 0;
    TxCaretAtSentPosition = 0;
    if (!StopReceivingAndOpenOutput()) return;

    BuildToneTables();
    const int k = mode.InterleaveDepth;
    const int length = (k - 1) * k + 1;
    for (int p = 1; p <= length; ++p)
        TxDelayLine[p] = static_cast<uint8_t>((p - 1) % 16);

    output_.QueueOutputBuffer(TxSampleBuffer, true);
    NextTxSymbol(true);
    TxInterleaverTap = 1;
    TxSymbolCounter = 0;
    TxStopRequest = 0;
    TxSubBandStep = 0;
    TxSamplePosition = 1;
    std::fill(TxSampleBuffer.begin(), TxSampleBuffer.end(), 0);

    if (links_.dds.Selected()) SendDdsStart(mode.DisplayName, mode.CentreHz);
    TxPilotCounter = 1;
    GetTimer(TimerId::tmrTXTonoPiloto).SetEnabled(true);
}

void Transmitter::FillFromTable(int subBand, int firstSample, int tone) {
    const float* source =
        &TxToneTable[(static_cast<size_t>(subBand - 1) * 16 + tone) * samplesPerSymbol_ + (firstSample - 1)];
    for (int i = 1; i <= TxSamplesPerBuffer; ++i)
        TxSampleBuffer[i] = ToSample(source[i - 1]);
}

void Transmitter::PilotToneTick() {
    if (!output_.QueueOutputBuffer(TxSampleBuffer, false)) return;
    const ModeRecord& mode = TxMode();
    FillFromTable(mode.PilotSubBand, 1, mode.PilotTone);
    SendDdsFrequency(ToneFrequency(mode.PilotSubBand, mode.PilotTone));
    ++TxPilotCounter;
    if (TxPilotCounter != 8) return;
    GetTimer(TimerId::tmrTXTonoPiloto).SetEnabled(false);
    if (TxStopRequest != 0) {
        links_.host.EndTransmission();
        return;
    }
    GetTimer(TimerId::tmrTX).SetEnabled(true);
}

void Transmitter::TxTick() {
    switch (TxMode().TxTickKind) {
        case 1:
            TxTickRateClass1();
            break;
        case 2:
            TxTickRateClass2();
            break;
        case 4:
            TxTickRateClass4();
            break;
        default:
            TxTickRateClass3();
            break;
    }
}

void Transmitter::DataTick(int buffersPerSymbol) {
    if (!output_.QueueOutputBuffer(TxSampleBuffer, false)) return;
    if (TxStopRequest != 0) {
        GetTimer(TimerId::tmrTX).SetEnabled(false);
        links_.host.EndTransmission();
        return;
    }
    const ModeRecord& mode = TxMode();
    const int k = mode.InterleaveDepth;
    const int syncCount = mode.SyncSymbolCount;
    const int B = buffersPerSymbol;

    if (B == 1 || TxSamplePosition == 1) {
        // A new symbol enters the interleaver, and the branch due now gives the symbol to play.
        const int length = (k - 1) * k + 1;
        for (int p = 1; p <= length - 1; ++p)
            TxDelayLine[p] = TxDelayLine[p + 1];
        const int c = ++TxSymbolCounter;
        uint8_t value;
        if (c <= syncCount) {
            value = links_.modes.SyncToneSequence[c];
        } else if (c < syncCount + 4) {
            value = 0;
        } else {
            value = NextTxSymbol(false);
        }
        TxDelayLine[length] = value;
        const int j = TxInterleaverTap;
        TxSymbolTone = TxDelayLine[(k - 2) * j + 2];
        TxInterleaverTap = static_cast<uint8_t>(j + 1 > k ? 1 : j + 1);
        if (B > 1 && c >= k) {
            TxSubBandStep = static_cast<int16_t>(NextSubBandPosition(TxSubBandStep));
            SendDdsFrequency(ToneFrequency(mode.SubBandSequence[TxSubBandStep], TxSymbolTone));
        }
    }
    if (TxSymbolCounter < k) return;  // the first symbol reaches the air at the k-th push

    if (B == 1) TxSubBandStep = static_cast<int16_t>(NextSubBandPosition(TxSubBandStep));
    const int subBand = mode.SubBandSequence[TxSubBandStep];
    FillFromTable(subBand, TxSamplePosition, TxSymbolTone);
    if (B == 1) {
        SendDdsFrequency(ToneFrequency(subBand, TxSymbolTone));
    } else {
        TxSamplePosition += TxSamplesPerBuffer;
        if (TxSamplePosition > (B - 1) * TxSamplesPerBuffer + 1) TxSamplePosition = 1;
    }
}

// The tune tone: one buffer of exactly 96 periods of 1500 Hz, queued again and again.
void Transmitter::StartTestTone() {
    TxSamplesPerBuffer = kTestToneSamples;
    if (!StopReceivingAndOpenOutput()) return;

    TxSampleBuffer.assign(static_cast<size_t>(kTestToneSamples) + 1, 0);
    const float w = 6.2831855f * 1500.0f;
    for (int i = 1; i <= kTestToneSamples; ++i) {
        TxSampleBuffer[i] = static_cast<int16_t>(std::nearbyint(32767.0 * std::sin(w * i / 48000.0)));
    }
    if (links_.dds.Selected()) {
        SendDdsStart("TEST TONE 1500 Hz", 1500.0);
        SendDdsFrequency(1500.0f);  // the tone's own offset, like the lines before it
    }
    output_.QueueOutputBuffer(TxSampleBuffer, true);
    TxStopRequest = 0;
    GetTimer(TimerId::tmrTonoTest).SetEnabled(true);
}

void Transmitter::TestToneTick() {
    if (output_.QueueOutputBuffer(TxSampleBuffer, false) && TxStopRequest != 0) {
        GetTimer(TimerId::tmrTonoTest).SetEnabled(false);
        StopTestTone();
    }
}

void Transmitter::StopTestTone() {
    links_.host.TestToneStopping();
    links_.host.ReleasePtt();
    output_.CloseSoundOutput();
    links_.shared.TxRxState = 0;
    TestToneFlag = 0;
    links_.host.TestToneStopped();
}

}  // namespace muv
