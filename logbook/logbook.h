// The logbook subsystem as the rest of the program reaches it: the country file and the ADIF log at
// start-up, the session log file, the look-ups made on a received message (the sender's country and
// earlier contacts, the callsign after "DE", the operator's own callsign in the text) and the
// contact-entry window's automatic fill. The statistics window (frmStatistics) counts the log by its
// LogText. Received texts are the modem's Windows-1252; the log's values, callsigns and country names
// asked about and the paths are the program's UTF-8 (log_lookups.h).
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "common/utc_time.h"
#include "logbook/adif_log.h"
#include "logbook/callsign.h"
#include "logbook/country_file.h"
#include "logbook/log_lookups.h"
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

    // --- look-ups on a received message (log_lookups.h) ---
    // The receive window that the look-ups mark, the receive mode's colour and the error traps.
    void LinkReceiveWindow(ReceiveWindowLink link) { lookups_.LinkReceiveWindow(std::move(link)); }
    // 1 when the text mentions the operator's callsign.
    uint8_t TextMentionsMyCall(const std::string& text, const std::string& myCallsign) const;
    // 1 when the sender's country is not in the log yet (its callsign is then coloured in the window).
    uint8_t HighlightNewCountry(const std::string& text) { return lookups_.HighlightNewCountry(text); }
    // The latest earlier contact with a station named in the text; with mark 1 those callsigns are made
    // bold in the receive window.
    PreviousContact ShowPreviousContacts(const std::string& text, uint8_t mark) {
        return lookups_.ShowPreviousContacts(text, mark);
    }
    // The sender's callsign after "DE" in a received text, in its Windows-1252, or "".
    std::string CallsignAfterDe(const std::string& text) const;
    // The word when it reads as a callsign whose country the country file knows, else "".
    std::string IsPlausibleCallsign(const std::string& word) const;
    // Marks a callsign just logged in the receive window.
    void MarkLoggedCall(const std::string& callsign) { lookups_.MarkLoggedCall(callsign); }
    // The S/N bar of the reception reports.
    std::string SnBar(const std::string& snText) { return lookups_.SnBar(snText); }
    // 1 when the country or the callsign is in the log.
    uint8_t CountryInLog(const std::string& countryName) { return lookups_.CountryInLog(countryName); }
    uint8_t CallInLog(const std::string& callsign) { return lookups_.CallInLog(callsign); }

private:
    // Whether a base callsign has a country: by the country file once one is read.
    CountryKnown Known() const;

    CountryFile countries_;
    AdifLog log_;
    LogLookups lookups_;
};

}  // namespace muv
