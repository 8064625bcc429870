// The transmitter: its module state and the channel encoder that turns the transmit window's text into
// Gray-coded tone symbols.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/shared_state.h"
#include "common/text_window.h"
#include "common/window_controls.h"
#include "logbook/session_log.h"
#include "modem/mode_table.h"
#include "modem/varicode.h"
#include "transmitter/dds_box.h"
#include "transmitter/sound_output.h"
#include "transmitter/transmitter_host.h"

namespace muv {

// The bit sequence that closes a message: the end pattern and the flush bits, first bit first.
extern const char* const EndPatternBits;  // 48 bits
extern const char* const FlushBits;       // 126 bits

// n in binary, most significant digit first, with at least two digits and one extra leading 0 when
// the two leading binary digits are 11: 0 "00", 3 "011", 6 "0110", 12 "01100".
std::string ToBitString(int n);

// The encoder's record. Arrays counted from 1 keep an unused element 0.
struct TxEncoderRecord {
    int32_t SavedPosition = 0;
    int16_t CodedBitCount = 0;               // waiting coded bits, always even
    std::array<uint8_t, 401> CodedBits{};    // positions 0..400, oldest at 0
    std::array<uint8_t, 8> ShiftRegister{};  // positions 1 (newest input bit) to 7 (oldest)
    std::string RxTextAtStart;
    uint8_t TailQueued = 0;
    uint8_t ShortTextFlag = 0;
    int32_t RxSelStartSaved = 0;
    int32_t RxSelLengthSaved = 0;
    uint8_t EndMarkCount = 0;
    uint8_t FirstLineBreak = 0;
};

// What the transmitter reaches outside its own module.
struct TransmitterLinks {
    const ModeTables& modes;
    const VaricodeTableType& varicode;
    SharedState& shared;
    SessionLog& sessionLog;
    TextWindow& rtfVentanaRX;
    TextWindow& rtfVentanaTX;
    TransmitterHost& host;
    WindowControls& controls;
    SoundOutputDevice& soundOutput;
    DdsBox& dds;
};

constexpr int kTestToneSamples = 3072;

class Transmitter {
public:
    explicit Transmitter(const TransmitterLinks& links);

    // With reset, prepares a new transmission (writes the transmit header) and returns 0; otherwise
    // returns the tone 0..15 of the next data symbol, or 0 after raising TxStopRequest = 1.
    uint8_t NextTxSymbol(bool reset);

    // The transmit mode that the band class, the bandwidth and the symbol-rate buttons choose.
    uint8_t SelectTxMode();
    void FillTxPattern();
    // Turns the station from receiving to sending: tone tables, interleaver, encoder, silent output,
    // the DDS box's start lines, and the pilot timer.
    void StartTransmission();
    // Handler of the pilot timer: the pilot tone, then the data timer (or the end on a stop request).
    void PilotToneTick();
    // Handlers of the data timer: one buffer per accepted tick, a symbol every 1, 2, 4 or 16 buffers.
    // The four routines differ only in the number of buffers per symbol.
    void TxTickRateClass1() { DataTick(1); }
    void TxTickRateClass2() { DataTick(2); }
    void TxTickRateClass4() { DataTick(4); }
    void TxTickRateClass3() { DataTick(16); }
    // The routine of the transmit mode's tick kind.
    void TxTick();

    // The 1500 Hz tune tone.
    void StartTestTone();
    void TestToneTick();
    void StopTestTone();

    // One frequency line to the DDS box when it is chosen: dial + offset.
    void SendDdsFrequency(float offsetHz);

    const ModeRecord& TxMode() const { return links_.modes[TxModeIndex]; }
    SoundOutput& Output() { return output_; }

    // The tone table: sample n (1..SamplesPerSymbol) of tone t in sub-band s.
    float ToneSample(int subBand, int n, int tone) const {
        return TxToneTable[(static_cast<size_t>(subBand - 1) * 16 + tone) * samplesPerSymbol_ + (n - 1)];
    }
    float ToneFrequency(int subBand, int tone) const { return TxToneFrequency[(subBand - 1) * 16 + tone]; }

    // Module state.
    uint8_t TestToneFlag = 0;  // 1: the next TX/RX press sends the tune tone
    uint8_t TxModeIndex = 1;
    int32_t TxSamplesPerBuffer = kHfBufferSamples;
    std::vector<int16_t> TxSampleBuffer;      // elements 1..TxSamplesPerBuffer
    int32_t TxSentPosition = 0;               // characters of the transmit window already taken
    uint8_t TxCaretAtSentPosition = 0;        // the key handler saw Backspace at the send position
    uint8_t TxBackspaceRequest = 0;           // ... and it was a real back-space character
    uint8_t TxStopRequest = 0;                // 0 running, 1 closing sequence sent, 2 operator stop
    std::array<uint8_t, 5> TxPatternTable{};  // end-mark character codes, 1..4
    TxEncoderRecord TxEncoderState;

    std::vector<float> TxToneTable;         // see ToneSample
    std::vector<float> TxToneFrequency;     // (sub-band - 1) * 16 + tone
    std::array<uint8_t, 58> TxDelayLine{};  // the interleaver, positions 1..L
    int32_t TxSymbolCounter = 0;
    uint8_t TxInterleaverTap = 1;
    int32_t TxSamplePosition = 1;
    uint8_t TxPilotCounter = 1;
    int16_t TxSubBandStep = 0;
    uint8_t TxSymbolTone = 0;

private:
    Timer& GetTimer(TimerId id) { return links_.controls.GetTimer(id); }
    bool StopReceivingAndOpenOutput();
    void BuildToneTables();
    void FillFromTable(int subBand, int firstSample, int tone);
    void DataTick(int buffersPerSymbol);
    void SendDdsStart(const std::string& firstLine, double ftxOffsetHz);

    void ResetEncoder();
    int ChooseCharacter();
    void TakeBackspace();
    void EchoSentCharacter(int c);
    void FeedEncoderBit(uint8_t bit);
    void FeedBitString(const std::string& bits);
    void QueueClosingBits();
    uint8_t TakeSymbol();

    TransmitterLinks links_;
    SoundOutput output_;
    int32_t samplesPerSymbol_ = 0;
    std::string closingBits_;
    size_t logLengthAtHeader_ = 0;  // SessionLogLine's length right after this transmission's header
};

}  // namespace muv
