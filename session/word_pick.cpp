#include "session/word_pick.h"

#include <vector>

#include "common/cp1252.h"
#include "logbook/callsign.h"
#include "logbook/contact_text.h"
#include "logbook/locator.h"

namespace muv {

namespace {

bool LineEnd(char c) {
    return c == '\r' || c == '\n';
}

// One character of the text: where its bytes start and the window position it stands at.
struct Character {
    size_t byte;
    int32_t position;
};

// The characters of a window's text, and one past the last (the text's end).
std::vector<Character> Characters(std::string_view text, TextCoding coding) {
    std::vector<Character> out;
    out.reserve(text.size() + 1);
    int32_t position = 0;
    for (size_t i = 0; i < text.size();) {
        out.push_back({i, position});
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t bytes = 1;
        if (coding == TextCoding::kUtf8) {
            bytes = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            for (size_t k = 1; k < bytes; ++k) {
                if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                    bytes = 1;
                    break;
                }
            }
        }
        // A character beyond the 16-bit range is two of the window's positions (a surrogate pair).
        position += bytes == 4 ? 2 : 1;
        i += bytes;
    }
    out.push_back({text.size(), position});
    return out;
}

}  // namespace

WordSpan WordAtCaret(std::string_view text, int32_t caret, TextCoding coding) {
    if (text.empty()) return {};
    const std::vector<Character> chars = Characters(text, coding);
    const auto count = static_cast<int32_t>(chars.size()) - 1;
    const auto at = [&](int32_t k) { return text[chars[static_cast<size_t>(k)].byte]; };
    // The characters before the caret; a caret inside a pair of positions stands after its character.
    int32_t before = 0;
    while (before < count && chars[static_cast<size_t>(before)].position < caret)
        ++before;
    // Backwards from the character before the caret: a click on either half of a word's letters picks
    // that word.
    int32_t start = 0;
    for (int32_t k = before - 1; k >= 0; --k) {
        const char c = at(k);
        if (c == ' ' || LineEnd(c)) {
            start = k + 1;
            break;
        }
    }
    int32_t end = start;
    while (end < count) {
        const char c = at(end);
        if (c == ' ' || c == ',' || c == '.' || LineEnd(c)) break;
        ++end;
    }
    const Character& first = chars[static_cast<size_t>(start)];
    const Character& past = chars[static_cast<size_t>(end)];
    const std::string_view bytes = text.substr(first.byte, past.byte - first.byte);
    return {first.position, past.position - first.position,
            coding == TextCoding::kCp1252 ? Cp1252ToUtf8(bytes) : std::string(bytes)};
}

WordTarget PickedWordTarget(const std::string& word, bool ctrlHeld) {
    if (word.empty()) return WordTarget::None;
    if (ctrlHeld) return WordTarget::Qth;
    if (IsValidLocator(word) == 1) return WordTarget::Locator;
    if (!IsPlausibleCallsign(word).empty()) return WordTarget::Callsign;
    if (ValidarNombre(word) == 1) return WordTarget::Name;
    return WordTarget::None;
}

}  // namespace muv
