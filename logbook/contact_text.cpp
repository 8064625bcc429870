#include "logbook/contact_text.h"

#include <algorithm>
#include <array>

#include "logbook/adif_record.h"
#include "logbook/locator.h"

namespace muv {

namespace {

constexpr size_t npos = std::string_view::npos;

// How far before a mention of the callsign the second search starts, and how far after its start a
// message header may stand to count.
constexpr size_t kLookBack = 100;

// Where the message that start lies in ends: its first "<STOP>" or "<CANCEL>", else the end of the text.
size_t MessageEnd(std::string_view t, size_t start) {
    return std::min({t.find("<STOP>", start), t.find("<CANCEL>", start), t.size()});
}

// The frequency shift of a message header (" HZ: ", or " HZ " in the older form), from start on within
// the stretch given; npos when there is none.
size_t HeaderMark(std::string_view t, size_t start, size_t end) {
    for (size_t at = t.find(" HZ", start); at != npos && at < end; at = t.find(" HZ", at + 1)) {
        const size_t after = at + 3;
        if (after < t.size() && (t[after] == ':' || t[after] == ' ')) return at;
    }
    return npos;
}

std::string PickWord(std::string_view t, size_t start, std::string_view marker,
                     const std::array<std::string_view, 3>& keywords) {
    if (start >= t.size()) return {};
    const size_t end = MessageEnd(t, start);
    size_t header = npos;
    // A header after the message's end belongs to the next message: then nothing here counts.
    if (!marker.empty()) header = HeaderMark(t, start, start + kLookBack + 1);
    // Only what stands before the message's end counts: the search ends there too.
    const std::string_view message = t.substr(0, end);
    for (std::string_view keyword : keywords) {
        const size_t at = message.find(keyword, start);
        if (at == npos || (header != npos && at < header)) continue;
        const size_t from = at + keyword.size();
        // The word ends at a blank, a line end, "." or ",".
        const size_t stop = t.find_first_of(" .,\r\n\t", from);
        if (stop == npos) return {};
        return std::string(t.substr(from, stop - from));
    }
    return {};
}

}  // namespace

uint8_t ValidarNombre(std::string_view text) {
    for (const char c : text)
        if ((c < 'A' || c > 'Z') && (c < 'a' || c > 'z')) return 0;
    return 1;
}

std::string PickNameFromText(std::string_view upperText, size_t start, std::string_view marker) {
    return PickWord(upperText, start, marker, {"NAME IS ", "NAME ", "NAME: "});
}

std::string PickQthFromText(std::string_view upperText, size_t start, std::string_view marker) {
    return PickWord(upperText, start, marker, {"QTH IS ", "QTH ", "QTH: "});
}

std::string PickLocatorFromText(std::string_view text, size_t start) {
    if (start >= text.size()) return {};
    const std::string upper = UpperCaseCp1252(text);
    const size_t end = MessageEnd(upper, start);
    // The word after the locator may be the blank of the end mark itself.
    return NormaliseLocator(FindLocatorInText(text.substr(start, end - start)));
}

ContactDetails FindContactDetails(std::string_view rxText, std::string_view callsign) {
    ContactDetails found;
    if (callsign.empty()) return found;
    const std::string t = UpperCaseCp1252(rxText);
    const std::string call = UpperCaseCp1252(callsign);
    const std::string_view text(t);

    for (size_t de = text.find(" DE "); de != npos; de = text.find(" DE ", de + 1)) {
        size_t at = de + 4;
        while (at < text.size() && text[at] == ' ')
            ++at;
        if (text.substr(at, call.size()) != call) continue;
        if (std::string name = PickNameFromText(text, at, ""); !name.empty()) found.name = std::move(name);
        if (std::string qth = PickQthFromText(text, at, ""); !qth.empty()) found.qth = std::move(qth);
        if (std::string locator = PickLocatorFromText(rxText, at); !locator.empty())
            found.locator = std::move(locator);
    }

    for (size_t at = text.find(call); at != npos && (found.name.empty() || found.qth.empty());
         at = text.find(call, at + 1)) {
        const size_t start = at > kLookBack ? at - kLookBack : 0;
        if (found.name.empty()) found.name = PickNameFromText(text, start, call);
        if (found.qth.empty()) found.qth = PickQthFromText(text, start, call);
    }
    return found;
}

}  // namespace muv
