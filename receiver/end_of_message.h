// What the closing of a received message needs from outside the receiver: the callsign server's and the
// operator's locators, the statistics and records, the callsign reports, the log lookups, the alarms, the
// e-mail reception report, the contact-entry window and the beacon's report answer. The main window
// implements it over the windows and modules that own these; a receiver without it (the benchmark, the
// loopback tests) closes its messages with its own work alone.
#pragma once

#include <cstdint>
#include <string>

#include "common/colour.h"
#include "logbook/callsign.h"

namespace muv {

class EndOfMessageServices {
public:
    virtual ~EndOfMessageServices() = default;

    // The locator of the callsign server's last locator reply ("" when none), and its clearing.
    virtual std::string ServerLocator() = 0;
    virtual void ClearServerLocator() = 0;
    // The operator window's own locator (frmOperator.txtLocator).
    virtual std::string OperatorLocator() = 0;
    // The back colour of the S/N macro label in the macros window (frmMacros.lblSN).
    virtual ColorRef MacrosSnLabelColor() = 0;

    // Statistics window: the farthest-contact record and the average frequency shift.
    virtual void ComprobarRecord(const std::string& distance, double bearing) = 0;
    virtual void ComputarShift(float frequencyShiftHz) = 0;

    // S/N report, automatic spot and PSK Reporter record of the heard station.
    virtual void ReportDecodedCallsign(const std::string& locator, const std::string& distance,
                                       float meanViterbiErrors) = 0;
    // 1 when the text mentions the operator's callsign.
    virtual uint8_t TextMentionsMyCall(const std::string& text) = 0;
    // 1 when the sender's country is not in the log yet (its callsign is then coloured in the window).
    virtual uint8_t HighlightNewCountry(const std::string& text) = 0;
    // The earlier contacts with the heard station, marked in the receive window when mark is 1.
    virtual PreviousContact ShowPreviousContacts(const std::string& text, uint8_t mark) = 0;
    // The sender's callsign after "DE", or "".
    virtual std::string CallsignAfterDe(const std::string& text) = 0;

    // Alarms window: which alarms are wanted, and the alarms themselves.
    virtual bool MensajeParaMiChecked() = 0;  // chkMensajeParaMi: "Someone is calling me"
    virtual bool DXCCChecked() = 0;           // chkDXCC: "New DXCC"
    virtual bool CallsignChecked() = 0;       // chkCallsign: "New Callsign"
    virtual void AlarmaMensajeParaMi() = 0;
    virtual void AlarmaDXCC() = 0;
    virtual void AlarmaCallsign() = 0;

    // E-mail report window: optNoInternet selected (no e-mail is to be sent).
    virtual bool NoInternetSelected() = 0;
    virtual void BuildEmailReport(uint8_t syncMatches, uint8_t endMatches, float frequencyShiftHz,
                                  float meanViterbiErrors, float cpuLoad, float meanLevelDb,
                                  int32_t frequencyAtLock, const std::string& distance, double bearing,
                                  const std::string& endMark) = 0;

    // Contact-entry window: name, QTH and locator of the partner from the received text.
    virtual void CargarNombreYQTHAutomaticamente(const std::string& callsign) = 0;
    // Beacon window: answers a report request when the message asks for one.
    virtual void BeaconReport() = 0;
    // A frequency change held back during the reception is applied by the receive pump.
    virtual void SetPendingFrequencyChange(uint8_t pending) = 0;
};

}  // namespace muv
