// The rich-text window as the modem sees it: the receive window, the transmit window and the cluster
// comment box all offer this face. The receive and transmit windows hold the modem's Windows-1252
// text, the cluster comment boxes UTF-8; a line end reads and counts as the two characters CR LF, and
// positions count characters of that text.
#pragma once

#include <cstdint>
#include <string>

#include "common/colour.h"

namespace muv {

class TextWindow {
public:
    virtual ~TextWindow() = default;

    // The whole plain text; setting it replaces the content, drops all formatting and puts the caret at 0.
    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& text) = 0;
    // Length of Text() without building it.
    virtual int32_t TextLength() const = 0;

    // The whole formatted content as an opaque string that SetTextRTF restores exactly.
    virtual std::string TextRTF() const = 0;
    virtual void SetTextRTF(const std::string& rtf) = 0;

    // The selection. Setting SelStart clamps it to 0..TextLength() and empties the selection; when that
    // moves the caret or drops a selection, the insertion format becomes that of the character before
    // the caret (at the start of a line that has text, that of the line's first character). SelLength
    // is clamped to the text's end.
    virtual int32_t SelStart() const = 0;
    virtual void SetSelStart(int32_t start) = 0;
    virtual int32_t SelLength() const = 0;
    virtual void SetSelLength(int32_t length) = 0;

    // The selected text; setting it replaces the selection with the text in the insertion format and
    // leaves the caret after it with an empty selection. CR, LF and CR LF each insert one line end.
    virtual std::string SelText() const = 0;
    virtual void SetSelText(const std::string& text) = 0;

    // Colour and font size of the selection; on an empty selection, of the text to be inserted next.
    virtual ColorRef SelColor() const = 0;
    virtual void SetSelColor(ColorRef colour) = 0;
    virtual int SelFontSize() const = 0;
    virtual void SetSelFontSize(int points) = 0;
    // Bold, the mark of callsigns in the log: whether the selection's first character is bold, and
    // making the selected characters bold or not. Only a selection takes it: inserted text is never
    // bold, whatever stands before the caret, and without a selection SelBold is false.
    virtual bool SelBold() const = 0;
    virtual void SetSelBold(bool bold) = 0;

    // The editing lock: while set, the operator cannot change the text (the program still can).
    virtual bool Locked() const = 0;
    virtual void SetLocked(bool locked) = 0;
};

}  // namespace muv
