#include "logbook/callsign.h"

#include <algorithm>

#include "common/cp1252.h"

namespace muv {

namespace {

std::string UpperCase(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

std::string LowerCase(std::string_view s) {
    std::string l(s);
    for (char& c : l)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return l;
}

// Where a word ends: at a blank, a line end or any other control character, or a ".".
bool EndsWord(char c) {
    return static_cast<unsigned char>(c) <= ' ' || c == '.';
}

std::string_view FirstWordOf(std::string_view text) {
    const auto end = std::find_if(text.begin(), text.end(), EndsWord);
    return text.substr(0, static_cast<size_t>(end - text.begin()));
}

}  // namespace

bool AnyCountryKnown(const std::string&) {
    return true;
}

std::string BaseCallsign(std::string_view callsign) {
    return std::string(BaseCallsignOf(callsign));
}

std::string_view BaseCallsignOf(std::string_view callsign) {
    const auto slashes = std::count(callsign.begin(), callsign.end(), '/');
    if (slashes == 0) return callsign;
    const size_t first = callsign.find('/');
    if (slashes == 1) {
        // A "/" among the first four characters follows a prefix; a later one precedes a suffix.
        if (first < 4) return callsign.substr(first + 1);
        return callsign.substr(0, first);
    }
    if (slashes == 2) {
        const size_t second = callsign.find('/', first + 1);
        return callsign.substr(first + 1, second - first - 1);
    }
    return {};
}

std::string IsPlausibleCallsign(std::string_view word, const CountryKnown& countryKnown) {
    if (word != UpperCase(word) && word != LowerCase(word)) return "";
    const std::string_view cut = FirstWordOf(word);
    const std::string base = BaseCallsign(cut);
    if (base.size() < 4 || base.size() > 6) return "";
    if (std::none_of(base.begin(), base.begin() + 3, [](char c) { return c >= '0' && c <= '9'; })) return "";
    if (!countryKnown(base)) return "";
    return std::string(cut);
}

std::string CallsignAfterDe(std::string_view text, const CountryKnown& countryKnown) {
    const std::string t = UpperCase(text) + " ";
    size_t p = t.find("DE ");
    if (p == std::string::npos) return "";
    p = t.find_first_not_of(' ', p + 3);
    if (p == std::string::npos) return "";
    // "DE G4XYZ" then a line break ends the word as a blank does.
    return IsPlausibleCallsign(FirstWordOf(std::string_view(t).substr(p)), countryKnown);
}

uint8_t TextMentionsMyCall(std::string_view text, std::string_view myCallsign) {
    // The received text is Windows-1252: the callsign is looked for as that set writes it.
    if (!FitsCp1252(myCallsign)) return 0;
    const std::string base = BaseCallsign(Utf8ToCp1252(myCallsign));
    if (base.empty()) return 0;
    // Anywhere: "EA4ABC/P", "EA4ABC?", "EA4ABC," and a call at a line end are calls to EA4ABC.
    return UpperCase(text).find(UpperCase(base)) != std::string::npos ? 1 : 0;
}

}  // namespace muv
