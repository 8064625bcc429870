#include "logbook/logbook.h"

#include "logbook/adif_record.h"

namespace muv {

Logbook::Logbook()
    : log_(AdifCountries{
          [this](const std::string& call) { return countries_.CountryOfCallsign(call, 0); },
          [this](const std::string& name) { return !countries_.PrimaryPrefixOfCountry(name).empty(); }}) {}

bool Logbook::LoadCountryFile() {
    return countries_.LoadCountryFile();
}

AdifLoadResult Logbook::LoadLogBook(const std::string& path) {
    if (path.empty()) {
        log_.LoadText({});
        return {};
    }
    return log_.LoadLogBook(path);
}

AdifAppendResult Logbook::AppendAdifRecord(const std::string& path, const std::string& record) {
    return log_.AppendAdifRecord(path, record);
}

CountryKnown Logbook::Known() const {
    // Without a country file (the start-up check ends the program before that can happen) every
    // prefix counts as known.
    if (countries_.CountryCount() == 0) return AnyCountryKnown;
    return CountryKnownBy(countries_);
}

SessionLogSave Logbook::SaveSessionLog(const SessionLog& log, const std::string& folder,
                                       const std::string& fallbackFolder, const UtcTime& now) const {
    return muv::SaveSessionLog(log, folder, fallbackFolder, now);
}

uint8_t Logbook::TextMentionsMyCall(const std::string& text, const std::string& myCallsign) const {
    return muv::TextMentionsMyCall(text, myCallsign);
}

std::string Logbook::CallsignAfterDe(const std::string& text) const {
    return muv::CallsignAfterDe(text, Known());
}

uint8_t Logbook::CountryInLog(const std::string& countryName) const {
    const std::string& log = log_.LogText();
    if (log.empty() || countryName.empty()) return 0;
    return log.find(UpperCaseCp1252(countryName.substr(0, 9))) != std::string::npos ? 1 : 0;
}

uint8_t Logbook::CallInLog(const std::string& callsign) const {
    if (callsign.empty()) return 0;
    const std::string& log = log_.LogText();
    const std::string value = ">" + UpperCaseCp1252(callsign);
    for (size_t at = log.find(value); at != std::string::npos; at = log.find(value, at + 1)) {
        const size_t after = at + value.size();
        if (after < log.size() &&
            (log[after] == ' ' || log[after] == '<' || log.compare(after, 2, "\r\n") == 0))
            return 1;
    }
    return 0;
}

}  // namespace muv
