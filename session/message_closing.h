// Closing a received message, once, outside the receive tick (tmrProcesarFinal): the end mark, the S/N,
// distance and bearing to the sender in the receive window and the session text, then the hand-over to
// the logbook, the on-line services, the alarms and the beacon, in this order, and the receiver's return
// to searching for a frame.
#pragma once

#include <cstdint>
#include <string>

#include "common/colour.h"
#include "common/error_trap.h"
#include "common/shared_state.h"
#include "common/text_window.h"
#include "common/window_controls.h"
#include "logbook/callsign.h"
#include "logbook/session_log.h"
#include "online/online_services.h"

namespace muv {

class Receiver;

// What closing a message asks of the subsystems around the receiver. The program answers through the
// settings, logbook and on-line services (StationMessageServices); tests record the calls.
class MessageServices {
public:
    virtual ~MessageServices() = default;

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
    virtual void BuildEmailReport(const EmailReportData& report) = 0;

    // Contact-entry window: name, QTH and locator of the partner from the received text.
    virtual void CargarNombreYQTHAutomaticamente(const std::string& callsign) = 0;
    // Beacon window: answers a report request when the message asks for one.
    virtual void BeaconReport() = 0;
    // A frequency change held back during the reception is applied by the receive pump.
    virtual void SetPendingFrequencyChange(uint8_t pending) = 0;
};

struct MessageClosingLinks {
    Receiver& receiver;
    TextWindow& rtfVentanaRX;
    WindowControls& controls;
    SessionLog& sessionLog;
    const SharedState& shared;
    ErrorReporter& errors;
    MessageServices* services;  // null: the closing's own work alone
};

// Closes the message that has just ended in the receiver. A fault is trapped under number 10 with the
// step it happened in; the remaining steps are then skipped.
void ProcessFinishedMessage(const MessageClosingLinks& links);

}  // namespace muv
