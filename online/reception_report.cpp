#include "online/reception_report.h"

#include "common/cp1252.h"
#include "common/vb.h"
#include "logbook/callsign.h"

namespace muv {

bool MakeReceptionReport(const HeardStation& heard, ReceptionReport& report) {
    if (heard.heardCall.empty()) return false;
    // The program does not report its own signal, with or without a portable suffix.
    if (BaseCallsign(heard.heardCall) == BaseCallsign(heard.ownCallsign)) return false;
    report.call = heard.heardCall;
    report.baseCall = BaseCallsign(heard.heardCall);
    report.snText = (heard.snDb >= 0 ? "+" : "") + Format(heard.snDb, "0") + " dB";
    report.modeTag = std::to_string(heard.nominalBaud);
    std::string bar = heard.snBar;
    for (char& c : bar)
        if (c == '-') c = '~';
    report.antenna = heard.keyName + "_" + bar;
    report.frequencyHz = Format(Val(heard.frequencyKhz) * 1000, "0");
    report.version = Mid(kVersionText, 5, 6);
    if (heard.catFrequencyHz >= 1) report.version += "+CAT";
    report.ownLocator = Utf8ToUpper(heard.ownLocator);
    report.locator = heard.partnerLocator;
    return true;
}

}  // namespace muv
