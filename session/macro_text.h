// What a macro label puts into the transmit window: its text with the placeholders replaced, and where
// that text goes. A transmission that runs has taken the first characters of the window already; a
// macro never changes them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/text_window.h"

namespace muv {

// What the placeholders stand for.
struct MacroValues {
    std::string callsign, name, email, qth, locator;  // the operator's data
    std::string version;                              // the program's version text
    std::string snText = "x", marginText = "x";       // of the last received message; "x" while none is known
    std::string destination;                          // the partner's callsign
};

// The text with "<MYCALL>", "<NAME>", "<EMAIL>", "<QTH>", "<LOCATOR>" (a blank and the locator), "<VER>",
// "<SN>" and "<DESTINATION>" replaced in this order, each step on the result of the one before, every
// occurrence, upper case only; then one blank appended.
std::string ExpandMacroText(std::string_view text, const MacroValues& values);

// Where a macro's text goes: at the caret (replacing the selection) or at the end of the text.
enum class MacroPlace { Caret, End };

// The modem's Windows-1252 text of a text of the program (UTF-8). A character that Windows-1252 has no
// code for has no varicode either and cannot be sent: it is left out, so that the rest goes on the air
// as written and no '?' that nobody typed goes with it.
std::string ModemText(std::string_view utf8);

// Puts an expanded macro text (UTF-8) into the transmit window as the modem's text, in black. sent is the
// number of characters at the start of the window that a running transmission has taken (0 when none runs):
// emptying first removes only what follows them, and the text never lands among them. True when the window
// was emptied first.
bool PutMacroText(TextWindow& tx, const std::string& text, MacroPlace place, bool emptyFirst, int32_t sent);

// The repeat macro: the window holds the last transmitted text (the modem's text, as the window held
// it), in black, the caret at its end.
void PutRepeatText(TextWindow& tx, const std::string& lastText);

}  // namespace muv
