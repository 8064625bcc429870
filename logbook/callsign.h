// Callsigns in received text: the sender after "DE", whether a word can be a callsign, the base form of
// a callsign without portable parts, and whether a text mentions the operator. Received text is the
// modem's Windows-1252; a word taken from it keeps that encoding (callsigns are ASCII in practice).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace muv {

// One earlier contact with a heard station, as the log lookup returns it: the date written
// year/month/day with slashes. Band is "?" for a contact whose band the log does not tell (no BAND, and
// a FREQ of 0 or outside every band, or none); all three are empty when there was no contact.
struct PreviousContact {
    std::string Callsign;
    std::string Band;
    std::string Date;
};

// Whether the country file knows a country for a base callsign. Until the country file is loaded every
// prefix counts as known.
using CountryKnown = std::function<bool(const std::string& baseCallsign)>;
bool AnyCountryKnown(const std::string& baseCallsign);

// The callsign without portable parts: no "/": unchanged; one "/" at position 1 to 4: the part after it
// (a prefix), else the part before it (a suffix); two: the part between them; more: "".
std::string BaseCallsign(std::string_view callsign);
// The same, as a part of the callsign given.
std::string_view BaseCallsignOf(std::string_view callsign);

// The word, cut at its first blank, line end (or other control character) or ".", when it can be a
// callsign: all in capitals or all in small letters, a base callsign of 4 to 6 characters with a digit
// among its first three, and a country for it. Otherwise "".
std::string IsPlausibleCallsign(std::string_view word, const CountryKnown& countryKnown = AnyCountryKnown);

// The callsign that follows the first "DE " of the text (in capitals), after the spaces there and up to
// the next blank, line end or ".", when it is plausible; else "".
std::string CallsignAfterDe(std::string_view text, const CountryKnown& countryKnown = AnyCountryKnown);

// 1 when the received text (Windows-1252), in capitals, holds the base form of the operator's callsign
// (UTF-8, as the settings hold it) anywhere, whatever stands before or after it (a portable mark, a
// question mark, a comma, a line end), also inside a longer word; else 0. An operator without a callsign
// is never mentioned.
uint8_t TextMentionsMyCall(std::string_view text, std::string_view myCallsign);

}  // namespace muv
