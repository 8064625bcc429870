// The transmitter: its module state and the channel encoder that turns the transmit window's text into
// Gray-coded tone symbols.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "mode_table.h"
#include "session_log.h"
#include "shared_state.h"
#include "text_window.h"
#include "varicode.h"

namespace muv {

// The bit sequence that closes a message: the end pattern and the flush bits, first bit first.
extern const char* const EndPatternBits;  // 48 bits
extern const char* const FlushBits;       // 126 bits

// n in binary, most significant digit first, with at least two digits and one extra leading 0 when
// the two leading binary digits are 11: 0 "00", 3 "011", 6 "0110", 12 "01100".
std::string ToBitString(int n);

// The encoder's record. Arrays counted from 1 keep an unused element 0.
struct TxEncoderRecord {
    std::array<uint8_t, 4> TickLoopCounter{};  // the four transmit tick routines' loop counters
    std::array<uint8_t, 4> TickSymbolTone{};   // and the tones they are sending
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
};

class Transmitter {
public:
    explicit Transmitter(const TransmitterLinks& links);

    // With reset, prepares a new transmission (writes the transmit header) and returns 0; otherwise
    // returns the tone 0..15 of the next data symbol, or 0 after raising TxStopRequest = 1.
    uint8_t NextTxSymbol(bool reset);

    const ModeRecord& TxMode() const { return links_.modes[TxModeIndex]; }

    // Module state.
    uint8_t TxModeIndex = 1;
    int32_t TxSentPosition = 0;         // characters of the transmit window already taken
    uint8_t TxCaretAtSentPosition = 0;  // the key handler saw Backspace at the send position
    uint8_t TxBackspaceRequest = 0;     // ... and it was a real back-space character
    uint8_t TxStopRequest = 0;          // 0 running, 1 closing sequence sent, 2 operator stop
    std::array<uint8_t, 5> TxPatternTable{0, 3, 3, 3, 3};  // end-mark character codes, 1..4
    TxEncoderRecord TxEncoderState;

private:
    void ResetEncoder();
    int ChooseCharacter();
    void TakeBackspace();
    void EchoSentCharacter(int c);
    void FeedEncoderBit(uint8_t bit);
    void FeedBitString(const std::string& bits);
    void QueueClosingBits();
    uint8_t TakeSymbol();

    TransmitterLinks links_;
    std::string closingBits_;
    size_t logLengthAtHeader_ = 0;  // SessionLogLine's length right after this transmission's header
};

}  // namespace muv
