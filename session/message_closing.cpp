#include "session/message_closing.h"

#include <exception>

#include "common/vb.h"
#include "logbook/locator.h"
#include "receiver/receiver.h"
#include "session/macro_text.h"

namespace muv {

namespace {

// Appends text at the end of the window, in black.
void AppendBlack(TextWindow& window, const std::string& text) {
    window.SetSelStart(window.TextLength());
    window.SetSelColor(kBlack);
    window.SetSelText(text);
}

// The receiver lets go of the frame that has ended and searches again: the tone matrix anew, the cancel
// timer and button gone. Until then it decodes on; and a later step of the closing may wait on a box, in
// whose event loop the sound goes on being taken, which would be decoded as more of the ended message.
void SearchAgain(Receiver& rx) {
    rx.CpuLoadAtLock = 0;
    rx.ResumeSearch();
}

// The station is free again: transmitting allowed. A frame locked meanwhile (while a step waited on a
// box) keeps the station until its own end.
void ResumeReceiving(const MessageClosingLinks& links) {
    if (links.receiver.RxLocked == 1) return;
    WindowControls& c = links.controls;
    c.SetEnabled(Control::cmdTX_RX, true);
    c.SetBackColor(Control::cmdTX_RX, kStatusRed);
    c.SetEnabled(Control::imgOFFBeacon, true);
    if (links.services) links.services->SetPendingFrequencyChange(1);
    if (c.Visible(Control::imgONBeacon)) c.SetVisible(Control::txtTemporizadorBeacon, true);
}

}  // namespace

void ProcessFinishedMessage(const MessageClosingLinks& links) {
    Receiver& rx = links.receiver;
    MessageServices* services = links.services;
    WindowControls& c = links.controls;
    TextWindow& window = links.rtfVentanaRX;
    std::string& logLine = links.sessionLog.SessionLogLine;
    int step = 0;
    bool searching = false;
    try {
        // The message's own text is already in the window; only the session text lacks it.
        const std::string endMark = rx.EndReason == "STOP" ? " <STOP>" : " <CANCEL>";
        window.SetSelStart(window.TextLength());
        window.SetSelText(endMark);
        logLine += rx.RxText() + endMark;
        step = 1;

        const FinishedMessage message = rx.FinishMessage();
        SearchAgain(rx);
        searching = true;
        for (Control box : {Control::txtSN, Control::txtViterbi, Control::txtAFC})
            c.SetBackColor(box, kStatusGrey);
        step = 2;

        const std::string sn = (message.snDb >= 0 ? " +" : " ") + Format(message.snDb, "0") + " dB";
        AppendBlack(window, sn);
        logLine += sn;
        step = 3;

        c.SetEnabled(Control::lblSN, true);
        if (services) c.SetBackColor(Control::lblSN, services->MacrosSnLabelColor());
        c.SetBackColor(Control::txtSincronismo, kStatusGrey);
        c.SetText(Control::txtSincronismo, "UNLOCKED");
        step = 4;

        // The callsign server's answer about the sender wins over a locator written in the message. Taking
        // it closes the question: an answer that comes later is not taken for the next message.
        std::string locator = services ? services->ServerLocator() : "";
        if (locator.empty()) locator = FindLocatorInText(message.text);
        if (services) services->ClearServerLocator();
        step = 5;

        if (IsValidLocator(locator) != 1) locator = "";
        const std::string own = services ? services->OperatorLocator() : "";
        std::string distance;
        double bearing = 0;
        if (!locator.empty() && IsValidLocator(own) == 1) {
            distance = LocatorDistanceKm(own, locator);
            bearing = LocatorBearing(own, locator);
            // The reports get the locator in capitals.
            for (char& ch : locator)
                if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
            services->ComprobarRecord(distance, bearing);
            distance += " km";
            const std::string line = "  " + distance + " @ " + Format(bearing, "000") + "\xBA";
            AppendBlack(window, line);
            logLine += line;
        } else {
            distance = "Not avaiable";
            bearing = 0;
        }
        step = 6;

        if (services) services->ReportDecodedCallsign(locator, distance, message.meanViterbiErrors);
        // The EME offset says nothing of the station's transmitter.
        if (services && links.shared.BandClass != 3) services->ComputarShift(message.frequencyShiftHz);
        bearing = ReverseBearing(bearing);
        step = 7;

        const uint8_t callingMe = services ? services->TextMentionsMyCall(message.text) : 0;
        const uint8_t newCountry = services ? services->HighlightNewCountry(message.text) : 0;
        step = 8;

        const PreviousContact previous =
            services ? services->ShowPreviousContacts(message.text, 1) : PreviousContact{};
        if (services) {
            // At most one alarm, the first that applies.
            if (services->MensajeParaMiChecked() && callingMe == 1) {
                services->AlarmaMensajeParaMi();
            } else if (services->DXCCChecked() && newCountry == 1) {
                services->AlarmaDXCC();
            } else if (services->CallsignChecked() && !services->CallsignAfterDe(message.text).empty() &&
                       previous.Band.empty()) {
                services->AlarmaCallsign();
            }
        }
        if (!previous.Band.empty()) {
            // The log's text (the program's) goes into the modem's window.
            const std::string line =
                ModemText(" (" + previous.Callsign + ": " + previous.Date + " on " + previous.Band + ")");
            AppendBlack(window, line);
            logLine += line;
        }
        const std::string mhz = Format(Val(c.Text(Control::txtFrecuencia)) / 1000, "0.000");
        if (links.shared.switches.scanOn) {
            const std::string line = " (Scan on " + mhz + " Mhz)";
            AppendBlack(window, line);
            logLine += line;
        } else {
            logLine += " " + mhz + " Mhz";
        }
        step = 9;

        if (services && !services->NoInternetSelected()) {
            services->BuildEmailReport({message.syncMatchesAtLock, message.endMatches,
                                        message.frequencyShiftHz, message.meanViterbiErrors,
                                        message.cpuLoadAtLock, message.meanLevelDb, message.frequencyAtLock,
                                        distance, bearing, endMark});
        }
        if (services) services->CargarNombreYQTHAutomaticamente(c.Text(Control::txtDestination));
        step = 10;

        c.SetEnabled(Control::cmdTX_RX, true);
        c.SetBackColor(Control::cmdTX_RX, kStatusRed);
        c.SetEnabled(Control::imgOFFBeacon, true);
        if (services) services->BeaconReport();
        step = 11;

        ResumeReceiving(links);
        return;
    } catch (const std::exception&) {
        // The message is closed as far as it got; what its later steps would have handed on is lost.
    }
    // A fault in one of the message's consumers must not leave the receiver locked to a frame that has
    // ended: it would decode on past the end and close the same message again. It searches again before
    // the fault's box waits.
    bool resumed = true;
    try {
        if (!searching) SearchAgain(rx);
        ResumeReceiving(links);
    } catch (const std::exception&) {
        resumed = false;
    }
    links.errors.ReportTrappedError(10, std::to_string(step));
    if (!resumed) links.errors.ReportTrappedError(10, "11");
}

}  // namespace muv
