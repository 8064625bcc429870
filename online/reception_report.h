// The report of a station heard: when a finished message names a sender after "DE" who is not the
// operator, the values that the automatic spot and the reception-report service take.
#pragma once

#include <cstdint>
#include <string>

#include "common/version.h"

namespace muv {

struct HeardStation {
    std::string heardCall;       // the callsign after "DE" in the message ("" when none)
    std::string ownCallsign;     // the operator's callsign as typed
    std::string ownLocator;      // the operator's locator as typed
    std::string frequencyKhz;    // the main window's frequency box
    double snDb = 0;             // the message's S/N
    int nominalBaud = 0;         // of the receive mode
    std::string keyName;         // of the receive mode
    std::string snBar;           // the S/N bar of the receiver's S/N text
    int32_t catFrequencyHz = 0;  // the rig's frequency when known through CAT, else below 1
    std::string partnerLocator;  // the heard station's locator, "" when none is known
};

struct ReceptionReport {
    std::string call;         // as heard, for the spot
    std::string baseCall;     // without portable parts, for the reception report
    std::string snText;       // "+3 dB", "-4 dB"
    std::string modeTag;      // the nominal symbol rate
    std::string antenna;      // key name, "_", the S/N bar with "-" written as "~"
    std::string frequencyHz;  // the frequency box in Hz
    std::string version;      // "v5.8.4", with "+CAT" when the rig's frequency is known
    std::string ownLocator;   // in capitals
    std::string locator;      // the heard station's, "" when unknown
};

// Whether the station is to be reported at all (a sender was heard, and it is not the operator), and
// the report's values.
bool MakeReceptionReport(const HeardStation& heard, ReceptionReport& report);

}  // namespace muv
