#include "logbook/logbook.h"

namespace muv {

SessionLogSave Logbook::SaveSessionLog(const SessionLog& log, const std::string& folder,
                                       const std::string& fallbackFolder, const UtcTime& now) const {
    return muv::SaveSessionLog(log, folder, fallbackFolder, now);
}

uint8_t Logbook::TextMentionsMyCall(const std::string& text, const std::string& myCallsign) const {
    return muv::TextMentionsMyCall(text, myCallsign);
}

std::string Logbook::CallsignAfterDe(const std::string& text) const {
    return muv::CallsignAfterDe(text);
}

}  // namespace muv
