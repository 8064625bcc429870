// The receive-side bit decoders of the two character sets: they write received characters into the
// receive window.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/colour.h"
#include "common/error_trap.h"
#include "common/text_window.h"
#include "modem/varicode.h"

namespace muv {

// How received text is written: the receive mode's text colour and the receive font size.
struct RxTextStyle {
    ColorRef colour = 0;
    int fontSize = 10;
};

// Capacity of the full-set bit buffer: positions 1 to 13 hold the longest entry (12 characters with its
// separator) and the 1 bit that completes it.
constexpr int kVaricodeBitBufferSize = 13;

class VaricodeDecoder {
public:
    VaricodeDecoder(TextWindow& rtfVentanaRX, const VaricodeTableType& table = StandardVaricodeTable(),
                    ErrorReporter* reporter = nullptr);

    // Full-set decoder: with reset true the bit is ignored and the decoder starts a new message.
    void VaricodeDecodeBit(uint8_t bit, bool reset, const RxTextStyle& style);
    // Reduced-set decoder, same calling pattern.
    void VaricodeDecodeBitReduced(uint8_t bit, bool reset, const RxTextStyle& style);

    // The text of the message being received; cleared at each reset, kept after the message ends.
    std::string RxText;

    // Full-set decoder state.
    uint8_t LastBit = 0;
    uint8_t SeparatorSeen = 0;
    uint8_t BitCount = 1;
    std::array<uint8_t, kVaricodeBitBufferSize + 1> BitBuffer{};  // positions 1..13
    std::string SavedRxRtf;
    int32_t SavedRxLength = 0;

    // Reduced-set decoder state.
    uint8_t BitCount6 = 0;
    std::array<uint8_t, 7> BitBuffer6{};  // positions 1..6
    std::string SavedRxRtf6;
    int32_t SavedRxLength6 = 0;

private:
    // The operator's caret and selection, kept during one insertion.
    struct SavedSelection {
        int32_t start;
        int32_t length;
    };

    void DecodeBit(uint8_t bit, const RxTextStyle& style);
    void ResetFull();
    void ResetReduced();
    // Moves the caret to the end of the window in the receive format and returns what it was.
    SavedSelection BeginInsertion(const RxTextStyle& style);
    void EndInsertion(const SavedSelection& saved);
    // Inserts text at the caret and appends it to RxText.
    void Append(const std::string& text);
    // Redraws the message from the content saved at reset, without its last character.
    void EraseLast(const RxTextStyle& style, const std::string& savedRtf, int32_t savedLength);
    void ShowFullSetCode(uint8_t code, const RxTextStyle& style);

    TextWindow& window_;
    const VaricodeTableType& table_;
    ErrorReporter* reporter_;
    // Set when the run being collected overflowed the bit buffer: it is longer than any entry and
    // decodes to nothing, whatever its last bits happen to look like.
    bool runTooLong_ = false;
};

}  // namespace muv
