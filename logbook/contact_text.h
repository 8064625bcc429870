// The partner's name, QTH and locator as the received text gives them ("NAME IS JOHN", "QTH: LONDON",
// a locator word), and whether a word can be a name. The receive window's text is searched in capitals;
// a message ends with its end mark "<STOP>" or "<CANCEL>", and a message's header line carries its
// frequency shift in Hz ("RX16: 12:34 @ -3.5 Hz: "). That text is the modem's Windows-1252, and so are
// the callsign looked for and the words found: the caller converts them from and to the program's UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace muv {

// 1 when every character of the text, in capitals, is a letter A to Z (so also for the empty text);
// else 0. The same for a Windows-1252 and a UTF-8 text: any other letter makes it 0.
uint8_t ValidarNombre(std::string_view text);

// The word after the first keyword that counts from start on in the upper-cased text: "NAME IS ", else
// "NAME ", else "NAME: " (for the QTH "QTH IS ", "QTH ", "QTH: "). A keyword counts before the first
// "<STOP>" and the first "<CANCEL>" after start; with a marker (the partner's callsign) it must also
// stand after the first message header within 100 characters of start, when there is one, so that a
// name given in an earlier message is not taken. The word runs up to the next blank, "." or ","; ""
// when none follows (a word at the very end of the text may still be growing).
std::string PickNameFromText(std::string_view upperText, size_t start, std::string_view marker);
std::string PickQthFromText(std::string_view upperText, size_t start, std::string_view marker);

// The first locator word of the text from start on (its field written in capitals), when it stands
// before the end of the message it is in (the first "<STOP>" or "<CANCEL>" after start); as
// NormaliseLocator writes it ("IO91wm"); "" when there is none.
std::string PickLocatorFromText(std::string_view text, size_t start);

struct ContactDetails {
    std::string name;
    std::string qth;
    std::string locator;
};

// What the received text says of the station with this callsign. First every " DE " followed (after
// blanks) by the callsign: the name, QTH and locator given after it, a later mention winning. Then, while
// the name or the QTH is still missing, from 100 characters before each mention of the callsign, with
// the callsign as marker. Nothing for an empty callsign.
ContactDetails FindContactDetails(std::string_view rxText, std::string_view callsign);

}  // namespace muv
