#include "logbook/adif_record.h"

#include "common/cp1252.h"
#include "common/vb.h"

namespace muv {

namespace {

const char* const kCrLf = "\r\n";

char UpperCp1252(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return static_cast<char>(u - 0x20);
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 0x20);  // a grave .. thorn
    switch (u) {
        case 0x9A:
            return static_cast<char>(0x8A);  // s caron
        case 0x9C:
            return static_cast<char>(0x8C);  // oe
        case 0x9E:
            return static_cast<char>(0x8E);  // z caron
        case 0xFF:
            return static_cast<char>(0x9F);  // y diaeresis
        default:
            return c;
    }
}

// The frequency box in kHz as MHz: its leading number divided by 1000, with only the decimals it has.
std::string FrequencyMHz(const std::string& kHz) {
    std::string text = Str(Val(kHz) / 1000);
    if (!text.empty() && text[0] == ' ') text.erase(0, 1);
    return text;
}

std::string Digits(int value, const char* picture) {
    return Format(value, picture);
}

}  // namespace

std::string AdifHeader(std::string_view author) {
    std::string header = "Exportacion a Formato ADIF by ";
    header += author;
    header += kCrLf;
    header += kCrLf;
    header += "<ADIF_VERS:3>2.0";
    header += kCrLf;
    header += "<PROGRAMID:3>MUV";
    header += kCrLf;
    header += "<EOH>";
    header += kCrLf;
    header += kCrLf;
    return header;
}

std::string UpperCaseCp1252(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = UpperCp1252(c);
    return upper;
}

std::string AdifFieldText(std::string_view name, std::string_view value, std::string_view type) {
    std::string field;
    field.reserve(name.size() + value.size() + type.size() + 16);
    field += '<';
    field += name;
    field += ':';
    field += std::to_string(value.size());
    if (!type.empty()) {
        field += ':';
        field += type;
    }
    field += '>';
    field += value;
    field += kCrLf;
    return field;
}

std::string AdifValue(std::string_view text) {
    std::string value;
    value.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;  // CR LF: one blank, for LF
        value += c < 0x20 && c != '\t' ? ' ' : static_cast<char>(c);
    }
    return value;
}

std::string BuildAdifRecord(const AdifContact& contact) {
    std::string record;
    const auto add = [&record](std::string_view name, const std::string& value) {
        record += AdifFieldText(name, EncodeText(AdifValue(value)));
    };
    add("CALL", contact.txtCallsign);
    if (!contact.txtNombre.empty()) add("NAME", Utf8ToUpper(contact.txtNombre));
    if (!contact.txtQTH.empty()) add("QTH", Utf8ToUpper(contact.txtQTH));
    // An empty frequency box says nothing of the frequency: no FREQ rather than 0 MHz.
    if (Val(contact.txtFrecuencia) > 0) add("FREQ", FrequencyMHz(contact.txtFrecuencia));
    if (!contact.Band.empty()) add("BAND", Utf8ToUpper(contact.Band));
    const UtcTime& now = contact.UtcNow;
    const UtcTime& start = contact.QsoStartUtc;
    // The date is the contact's start's, as TIME_ON is: a contact begun before midnight and logged after
    // it is a contact of the day it began.
    add("QSO_DATE", Digits(start.year, "0000") + Digits(start.month, "00") + Digits(start.day, "00"));
    add("TIME_ON", Digits(start.hour, "00") + Digits(start.minute, "00") + "00");
    add("TIME_OFF", Digits(now.hour, "00") + Digits(now.minute, "00") + "00");
    add("MODE", "MUV");
    add("OPERATOR", contact.OperatorCallsign);
    add("MY_GRIDSQUARE", Utf8ToUpper(contact.OperatorLocator));
    add("NOTES", contact.txtNotas);

    // "Spain (EU)": the name, then the continent's two letters in parentheses.
    const std::string& country = contact.CountryWithContinent;
    std::string countryName = country;
    std::string continent;
    if (country.size() >= 5 && country.compare(country.size() - 5, 2, " (") == 0 && country.back() == ')') {
        countryName = country.substr(0, country.size() - 5);
        continent = country.substr(country.size() - 3, 2);
    }
    if (!country.empty()) add("COUNTRY", Utf8ToUpper(countryName));
    add("RST_SENT", contact.txtRST);
    add("RST_RCVD", contact.txtRST);
    if (!continent.empty()) add("CONT", continent);
    if (!contact.MyCountry.empty()) add("MY_COUNTRY", Utf8ToUpper(contact.MyCountry));
    if (!contact.txtLocator.empty()) {
        add("GRIDSQUARE", Utf8ToUpper(contact.txtLocator));
        if (!contact.txtDistancia.empty()) add("DISTANCE", contact.txtDistancia);
    }
    if (contact.chkEQSL) {
        add("EQSL_QSL_SENT", "Y");
        add("EQSL_QSL_RCVD", "R");
    }
    record += "<EOR>";
    record += kCrLf;
    return record;
}

}  // namespace muv
