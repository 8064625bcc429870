#include "session/macro_text.h"

#include <algorithm>

#include "common/cp1252.h"

namespace muv {

namespace {

void ReplaceAll(std::string& text, std::string_view placeholder, const std::string& value) {
    // Left to right; a value put in is not searched again by this step.
    for (size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size())) {
        text.replace(at, placeholder.size(), value);
    }
}

}  // namespace

std::string ModemText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        // One character's bytes; a byte that starts no whole sequence goes alone (and is left out).
        const auto lead = static_cast<unsigned char>(utf8[i]);
        size_t bytes = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        for (size_t k = 1; k < bytes; ++k) {
            if (i + k >= utf8.size() || (static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80) {
                bytes = 1;
                break;
            }
        }
        const std::string_view character = utf8.substr(i, bytes);
        if (FitsCp1252(character)) out += Utf8ToCp1252(character);
        i += bytes;
    }
    return out;
}

std::string ExpandMacroText(std::string_view text, const MacroValues& v) {
    std::string out(text);
    ReplaceAll(out, "<MYCALL>", v.callsign);
    ReplaceAll(out, "<NAME>", v.name);
    ReplaceAll(out, "<EMAIL>", v.email);
    ReplaceAll(out, "<QTH>", v.qth);
    ReplaceAll(out, "<LOCATOR>", " " + v.locator);
    ReplaceAll(out, "<VER>", v.version);
    ReplaceAll(out, "<SN>", "S/N: " + v.snText + " dB, Marge: " + v.marginText + " dB");
    ReplaceAll(out, "<DESTINATION>", v.destination);
    return out + " ";
}

bool PutMacroText(TextWindow& tx, const std::string& text, MacroPlace place, bool emptyFirst, int32_t sent) {
    sent = std::clamp<int32_t>(sent, 0, tx.TextLength());
    if (emptyFirst) {
        if (sent == 0) {
            tx.SetText("");
        } else {
            tx.SetSelStart(sent);
            tx.SetSelLength(tx.TextLength() - sent);
            tx.SetSelText("");
        }
    }
    if (place == MacroPlace::End) {
        tx.SetSelStart(tx.TextLength());
    } else if (tx.SelStart() < sent) {
        // The part of the selection that is not sent yet is what the text replaces.
        const int32_t end = tx.SelStart() + tx.SelLength();
        tx.SetSelStart(sent);
        tx.SetSelLength(std::max(0, end - sent));
    }
    tx.SetSelColor(kBlack);
    tx.SetSelText(ModemText(text));
    return emptyFirst;
}

void PutRepeatText(TextWindow& tx, const std::string& lastText) {
    tx.SetText("");
    tx.SetSelStart(0);
    tx.SetSelColor(kBlack);
    tx.SetSelText(lastText);
    tx.SetSelStart(tx.TextLength());
}

}  // namespace muv
