#include "session/word_pick.h"

#include "logbook/callsign.h"
#include "logbook/contact_text.h"
#include "logbook/locator.h"

namespace muv {

namespace {

bool LineEnd(char c) {
    return c == '\r' || c == '\n';
}

}  // namespace

WordSpan WordAtCaret(std::string_view text, int32_t caret) {
    const auto length = static_cast<int32_t>(text.size());
    if (length == 0) return {};
    // Backwards from the character before the caret: a click on either half of a word's letters picks
    // that word.
    int32_t start = 0;
    for (int32_t i = (caret < length ? caret : length) - 1; i >= 0; --i) {
        const char c = text[static_cast<size_t>(i)];
        if (c == ' ' || LineEnd(c)) {
            start = i + 1;
            break;
        }
    }
    int32_t end = start;
    while (end < length) {
        const char c = text[static_cast<size_t>(end)];
        if (c == ' ' || c == ',' || c == '.' || LineEnd(c)) break;
        ++end;
    }
    return {start, end - start};
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
