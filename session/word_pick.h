// The word pick of the receive window: a plain click on a word takes the word, and the word goes to the
// one field it fits: the partner's QTH when Ctrl is held, else the locator, the partner's callsign or
// the partner's name, tested in that order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/qt/qtextedit_window.h"

namespace muv {

// The word at a caret position of a window's text, positions counted as the window counts them (0-based,
// a line end as CR LF; in a window of UTF-8 text, a character as one, or two beyond the 16-bit range):
// it starts after the last blank or line end before the caret, or at the text's start, and ends before
// the first blank, comma, full stop or line end after that, or at the text's end. Length 0 when the caret
// stands on no word. The word itself is given as the program's UTF-8 text, whatever the window holds.
struct WordSpan {
    int32_t start = 0;
    int32_t length = 0;
    std::string word;
};
WordSpan WordAtCaret(std::string_view text, int32_t caret, TextCoding coding);

enum class WordTarget { None, Qth, Locator, Callsign, Name };
// Where a picked word (UTF-8) goes. An empty word goes nowhere.
WordTarget PickedWordTarget(const std::string& word, bool ctrlHeld);

}  // namespace muv
