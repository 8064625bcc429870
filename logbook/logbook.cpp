#include "logbook/logbook.h"

#include "logbook/adif_record.h"

namespace muv {

Logbook::Logbook()
    : log_(AdifCountries{
          [this](const std::string& call) { return countries_.CountryOfCallsign(call, 0); },
          [this](const std::string& name) { return !countries_.PrimaryPrefixOfCountry(name).empty(); }}),
      lookups_(log_, LookupCountries{
                         [this](const std::string& text) { return CallsignAfterDe(text); },
                         [this](const std::string& call) { return countries_.CountryOfCallsign(call, 0); }}) {
}

bool Logbook::LoadCountryFile() {
    return countries_.LoadCountryFile();
}

AdifLoadResult Logbook::LoadLogBook(const std::string& path) {
    AdifLoadResult result;
    if (path.empty()) {
        log_.LoadText({});
    } else {
        result = log_.LoadLogBook(path);
    }
    // The look-ups index the log now rather than at the first received message.
    lookups_.Update();
    return result;
}

AdifAppendResult Logbook::AppendAdifRecord(const std::string& path, const std::string& record) {
    AdifAppendResult result = log_.AppendAdifRecord(path, record);
    lookups_.Update();
    return result;
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

std::string Logbook::IsPlausibleCallsign(const std::string& word) const {
    return muv::IsPlausibleCallsign(word, Known());
}

}  // namespace muv
