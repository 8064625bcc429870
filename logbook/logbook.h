// The logbook subsystem as the rest of the program reaches it: the country file and the ADIF log at
// start-up, the session log file, the look-ups made on a received message (the sender's country and
// earlier contacts, the callsign after "DE", the operator's own callsign in the text), the statistics'
// records. Until the log, the country file and those windows exist, the look-ups find nothing and the
// records keep nothing.
#pragma once

#include <cstdint>
#include <string>

#include "common/utc_time.h"
#include "logbook/adif_log.h"
#include "logbook/callsign.h"
#include "logbook/country_file.h"
#include "logbook/session_log.h"
#include "logbook/session_log_file.h"

namespace muv {

class Logbook {
public:
    Logbook();

    // --- the country file: read once at start-up from its usual places ---
    bool LoadCountryFile();
    const CountryFile& Countries() const { return countries_; }

    // --- the contact log (ADIF) ---
    // Reads the log at path (an empty path leaves the log empty); the file itself is never changed.
    AdifLoadResult LoadLogBook(const std::string& path);
    // Adds a record to the log file and to the log in memory; an empty record only makes sure the file
    // exists, with its header.
    AdifAppendResult AppendAdifRecord(const std::string& path, const std::string& record);
    const AdifLog& Log() const { return log_; }

    // Adds the session text to the day's file in folder (or, when it cannot take it, in fallbackFolder).
    SessionLogSave SaveSessionLog(const SessionLog& log, const std::string& folder,
                                  const std::string& fallbackFolder, const UtcTime& now) const;

    // --- look-ups on a received message ---
    // 1 when the text mentions the operator's callsign.
    uint8_t TextMentionsMyCall(const std::string& text, const std::string& myCallsign) const;
    // 1 when the sender's country is not in the log yet (its callsign is then coloured in the window).
    uint8_t HighlightNewCountry(const std::string&) { return 0; }
    // The earlier contacts with the heard station, marked in the receive window when mark is 1.
    PreviousContact ShowPreviousContacts(const std::string&, uint8_t) { return {}; }
    // The sender's callsign after "DE", or "".
    std::string CallsignAfterDe(const std::string& text) const;
    // 1 when the log mentions the country: the first nine letters of its name, in capitals, anywhere.
    uint8_t CountryInLog(const std::string& countryName) const;
    // 1 when the log holds the callsign as a whole CALL value (or any field's whole value); never for "".
    uint8_t CallInLog(const std::string& callsign) const;

    // --- statistics window: the farthest-contact record and the average frequency shift ---
    void ComprobarRecord(const std::string&, double) {}
    void ComputarShift(float) {}

private:
    // Whether a base callsign has a country: by the country file once one is read.
    CountryKnown Known() const;

    CountryFile countries_;
    AdifLog log_;
};

}  // namespace muv
