#include "receiver/varicode_decoder.h"

namespace muv {

namespace {

constexpr int kTrapNumber = 7;

}  // namespace

VaricodeDecoder::VaricodeDecoder(TextWindow& rtfVentanaRX, const VaricodeTableType& table,
                                 ErrorReporter* reporter)
    : window_(rtfVentanaRX), table_(table), reporter_(reporter) {}

void VaricodeDecoder::VaricodeDecodeBit(uint8_t bit, bool reset, const RxTextStyle& style) {
    RunTrapped(reporter_, kTrapNumber, std::to_string(bit), [&] {
        if (reset) {
            ResetFull();
        } else {
            DecodeBit(bit, style);
        }
    });
}

void VaricodeDecoder::ResetFull() {
    // The buffer starts out holding entry 0 with the separator seen: the first 1 bit completes it
    // (nothing is shown) and begins the first character; 0 bits before it only lengthen the run.
    SeparatorSeen = 1;
    const std::string& zero = table_[0];
    BitCount = 1;
    for (char ch : zero) {
        if (BitCount > kVaricodeBitBufferSize) break;
        BitBuffer[BitCount++] = ch == '1' ? 1 : 0;
    }
    runTooLong_ = false;
    SavedRxRtf = window_.TextRTF();
    SavedRxLength = window_.TextLength();
    RxText.clear();
}

void VaricodeDecoder::DecodeBit(uint8_t bit, const RxTextStyle& style) {
    const uint8_t b = bit != 0 ? 1 : 0;
    if (LastBit == 0 && b == 0) SeparatorSeen = 1;
    LastBit = b;
    if (BitCount > kVaricodeBitBufferSize) {
        // Longer than any entry: keep collecting at position 2 until the run ends.
        BitCount = 2;
        runTooLong_ = true;
    }
    BitBuffer[BitCount] = b;
    if (SeparatorSeen == 1 && b == 1) {
        const uint8_t code = runTooLong_ ? 0 : LookupVaricode(table_, BitBuffer.data(), BitCount - 1);
        ShowFullSetCode(code, style);
        SeparatorSeen = 0;
        runTooLong_ = false;
        BitCount = 1;
        BitBuffer[1] = 1;
    }
    ++BitCount;
}

VaricodeDecoder::SavedSelection VaricodeDecoder::BeginInsertion(const RxTextStyle& style) {
    const SavedSelection saved{window_.SelStart(), window_.SelLength()};
    window_.SetSelStart(window_.TextLength());
    window_.SetSelColor(style.colour);
    window_.SetSelFontSize(style.fontSize);
    return saved;
}

void VaricodeDecoder::EndInsertion(const SavedSelection& saved) {
    window_.SetSelStart(saved.start);
    window_.SetSelLength(saved.length);
}

void VaricodeDecoder::Append(const std::string& text) {
    window_.SetSelText(text);
    RxText += text;
}

void VaricodeDecoder::EraseLast(const RxTextStyle& style, const std::string& savedRtf, int32_t savedLength) {
    if (window_.TextLength() <= savedLength) return;  // nothing received since reset, or cleared
    window_.SetTextRTF(savedRtf);
    window_.SetSelStart(savedLength);
    window_.SetSelColor(style.colour);
    window_.SetSelFontSize(style.fontSize);
    if (!RxText.empty()) RxText.pop_back();
    window_.SetSelText(RxText);
}

void VaricodeDecoder::ShowFullSetCode(uint8_t code, const RxTextStyle& style) {
    const SavedSelection saved = BeginInsertion(style);
    if (code == 13) {
        Append("\r\n");
    } else if (code == 8) {
        EraseLast(style, SavedRxRtf, SavedRxLength);
    } else if (code != 0) {
        Append(std::string(1, static_cast<char>(code)));
    }
    EndInsertion(saved);
}

void VaricodeDecoder::ResetReduced() {
    BitCount6 = 0;
    SavedRxRtf6 = window_.TextRTF();
    SavedRxLength6 = window_.TextLength();
    RxText.clear();
}

void VaricodeDecoder::VaricodeDecodeBitReduced(uint8_t bit, bool reset, const RxTextStyle& style) {
    if (reset) {
        ResetReduced();
        return;
    }
    if (BitCount6 >= 6) BitCount6 = 0;
    BitBuffer6[++BitCount6] = bit != 0 ? 1 : 0;
    if (BitCount6 < 6) return;

    int v = 0;
    for (int i = 1; i <= 6; ++i)
        v = 2 * v + BitBuffer6[static_cast<size_t>(i)];
    const int c = v + 32;
    const SavedSelection saved = BeginInsertion(style);
    if (c == 59) {
        EraseLast(style, SavedRxRtf6, SavedRxLength6);
    } else if (c == 39) {
        Append(" ");
    } else if (c != 32) {
        Append(std::string(1, static_cast<char>(c)));
    }
    EndInsertion(saved);
    BitCount6 = 0;
}

}  // namespace muv
