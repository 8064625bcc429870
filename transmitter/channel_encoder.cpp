// The channel encoder: characters of the transmit window become varicode (or reduced-set) bits, the
// bits run through the K=7 rate-1/2 convolutional encoder, and every four coded bits become one
// Gray-coded tone.
#include <algorithm>

#include "common/vb.h"
#include "modem/channel_code.h"
#include "transmitter/transmitter.h"

namespace muv {

const char* const EndPatternBits = "100001010111011000111110011010011010001100101110";
const char* const FlushBits =
    "01011011011101100011111001101001001111011001010101101011011011100010010101100010"
    "1101101011011010101001011011010110111101011011";

std::string ToBitString(int n) {
    if (n <= 2) return std::string{static_cast<char>('0' + n / 2), static_cast<char>('0' + n % 2)};
    return ToBitString(n / 2) + static_cast<char>('0' + n % 2);
}

Transmitter::Transmitter(const TransmitterLinks& links)
    : links_(links), output_(links.soundOutput, links.host) {}

uint8_t Transmitter::NextTxSymbol(bool reset) {
    if (reset) {
        ResetEncoder();
        return 0;
    }
    TxEncoderRecord& e = TxEncoderState;
    TextWindow& rx = links_.rtfVentanaRX;
    e.RxSelStartSaved = rx.SelStart();
    e.RxSelLengthSaved = rx.SelLength();

    if (e.CodedBitCount < 4) {
        if (e.TailQueued == 1) {
            // The closing sequence has gone out; the last odd coded bits are not sent.
            TxStopRequest = 1;
            return 0;
        }
        int c = ChooseCharacter();
        if (c < 0) {
            FeedBitString(closingBits_);
        } else if (TxMode().CharsetKind == 1) {
            FeedBitString(links_.varicode[static_cast<uint8_t>(c)]);
        } else {
            std::string s = ToBitString(FilterTxCharacter(c, TxMode().CharsetKind));
            if (s.size() > 6) s = s.substr(s.size() - 6);
            FeedBitString(std::string(6 - s.size(), '0') + s);
        }
    }
    uint8_t tone = TakeSymbol();
    rx.SetSelStart(e.RxSelStartSaved);
    rx.SetSelLength(e.RxSelLengthSaved);
    return tone;
}

void Transmitter::ResetEncoder() {
    TxEncoderRecord& e = TxEncoderState;
    e.TailQueued = 0;
    e.CodedBitCount = 0;
    std::fill(e.CodedBits.begin(), e.CodedBits.begin() + 41, 0);
    e.ShiftRegister.fill(0);

    // The transmit header at the end of the receive window: "TXnn: hh:mm " with the time in black.
    const UtcTime& now = links_.shared.UtcNow;
    const std::string baud = std::to_string(TxMode().NominalBaud);
    const std::string hour = Format(now.hour, "00");
    const std::string minute = Format(now.minute, "00");
    TextWindow& rx = links_.rtfVentanaRX;
    rx.SetSelStart(rx.TextLength());
    rx.SetSelText("\r\n");
    rx.SetSelColor(kRed);
    rx.SetSelFontSize(links_.shared.RxFontSize);
    rx.SetSelText("TX" + baud + ": ");
    rx.SetSelColor(kBlack);
    rx.SetSelText(hour + ":" + minute + " ");
    rx.SetSelColor(kRed);

    e.RxTextAtStart = rx.TextRTF();
    e.SavedPosition = rx.TextLength();

    SessionLog& log = links_.sessionLog;
    log.SessionLogLine += "\r\nTX" + baud + ": " + hour + ":" + minute + " ";
    logLengthAtHeader_ = log.SessionLogLine.size();
    log.SessionLogDirty = 1;
    e.ShortTextFlag = 1;
    e.EndMarkCount = 0;
    e.FirstLineBreak = 1;
}

// The character code to send next: a back-space, the next typed character, an end mark, the idle
// character 0, or -1 for the closing sequence.
int Transmitter::ChooseCharacter() {
    TxEncoderRecord& e = TxEncoderState;
    TextWindow& tx = links_.rtfVentanaTX;
    const int32_t length = tx.TextLength();
    if (TxCaretAtSentPosition == 1) {
        TxCaretAtSentPosition = 0;
        if (TxSentPosition == 0) return 0;
        TakeBackspace();
        return 8;
    }
    // The operator may have cut text that was already taken: never look beyond the window's end.
    TxSentPosition = std::min(TxSentPosition, length);
    const uint8_t txRxState = links_.shared.TxRxState;
    if (TxSentPosition == length) {
        if (length == 1 && e.ShortTextFlag == 1 && txRxState == 2) {
            e.ShortTextFlag = 0;
            return 0;
        }
        if (txRxState == 2 && e.EndMarkCount == 4) {
            e.ShortTextFlag = 1;
            tx.SetLocked(true);
            e.TailQueued = 1;
            QueueClosingBits();
            return -1;
        }
        if (txRxState == 2) {
            ++e.EndMarkCount;
            return TxPatternTable[e.EndMarkCount];
        }
        return 0;  // idle while the operator has nothing more to say
    }

    ++TxSentPosition;
    const int c = static_cast<uint8_t>(tx.Text()[TxSentPosition - 1]);
    // The character turns red in the transmit window; the operator's caret stays and new typing is black.
    e.SavedPosition = tx.SelStart();
    tx.SetSelStart(TxSentPosition - 1);
    tx.SetSelLength(1);
    tx.SetSelColor(kRed);
    tx.SetSelStart(e.SavedPosition);
    tx.SetSelColor(kBlack);
    EchoSentCharacter(c);
    return c;
}

// A back-space typed at the send position takes back the last character sent: the echo in the receive
// window is redrawn from the header with the text that now stands as sent.
void Transmitter::TakeBackspace() {
    const std::string text = links_.rtfVentanaTX.Text();
    TxSentPosition = std::min<int32_t>(TxSentPosition - 1, static_cast<int32_t>(text.size()));
    const std::string sent = text.substr(0, static_cast<size_t>(TxSentPosition));
    TextWindow& rx = links_.rtfVentanaRX;
    rx.SetTextRTF(TxEncoderState.RxTextAtStart);
    rx.SetSelStart(rx.TextLength());
    rx.SetSelColor(kRed);
    rx.SetSelText(sent);
    rx.SetSelStart(rx.TextLength());

    // The session text loses the character taken back, as the echo does.
    std::string& line = links_.sessionLog.SessionLogLine;
    if (line.size() > logLengthAtHeader_) {
        size_t drop = line.size() >= logLengthAtHeader_ + 2 && line.ends_with("\r\n") ? 2 : 1;
        line.erase(line.size() - drop);
    }
}

void Transmitter::EchoSentCharacter(int c) {
    TxEncoderRecord& e = TxEncoderState;
    TextWindow& rx = links_.rtfVentanaRX;
    std::string& line = links_.sessionLog.SessionLogLine;
    if (c == 13) {
        // Only the first line break of a transmission sends its line feed as a character of its own.
        if (e.FirstLineBreak == 0) ++TxSentPosition;
        e.FirstLineBreak = 0;
        rx.SetSelStart(rx.TextLength());
        rx.SetSelColor(kRed);
        rx.SetSelText("\r");
        line += "\r\n";
    } else {
        const char shown = static_cast<char>(UpperCaseTxCharacter(c, TxMode().CharsetKind));
        rx.SetSelStart(rx.TextLength());
        rx.SetSelText(std::string(1, shown));
        rx.SetSelColor(kRed);
        line += shown;
    }
}

void Transmitter::FeedEncoderBit(uint8_t bit) {
    TxEncoderRecord& e = TxEncoderState;
    std::array<uint8_t, 8>& r = e.ShiftRegister;
    for (int p = 7; p >= 2; --p)
        r[p] = r[p - 1];
    r[1] = bit;
    e.CodedBits[e.CodedBitCount] = r[1] ^ r[3] ^ r[4] ^ r[6] ^ r[7];      // generator 133
    e.CodedBits[e.CodedBitCount + 1] = r[1] ^ r[2] ^ r[3] ^ r[4] ^ r[7];  // generator 171
    e.CodedBitCount += 2;
}

void Transmitter::FeedBitString(const std::string& bits) {
    for (char b : bits)
        FeedEncoderBit(b == '1' ? 1 : 0);
}

// The closing sequence: a 1 (full set) or 0, zeros so that the end pattern begins two coded bits into
// a symbol, the end pattern, and the flush bits.
void Transmitter::QueueClosingBits() {
    const ModeRecord& mode = TxMode();
    closingBits_.assign(1, mode.CharsetKind == 1 ? '1' : '0');
    closingBits_.append(TxEncoderState.CodedBitCount != 0 ? 9 : 10, '0');
    closingBits_.append(EndPatternBits, 2 * mode.EndPatternLength);
    closingBits_.append(FlushBits, mode.EncoderTableLength);
}

uint8_t Transmitter::TakeSymbol() {
    TxEncoderRecord& e = TxEncoderState;
    const uint8_t* b = e.CodedBits.data();
    const unsigned s = 8u * b[0] + 4u * b[1] + 2u * b[2] + b[3];
    std::copy(e.CodedBits.begin() + 4, e.CodedBits.begin() + e.CodedBitCount, e.CodedBits.begin());
    e.CodedBitCount -= 4;
    return GrayEncode(s);
}

}  // namespace muv
