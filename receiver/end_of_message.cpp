// Closing a received message, once, outside the receive tick: the end mark, the S/N, distance and
// bearing to the sender, the hand-over to the log-book, the on-line services, the alarms and the
// beacon, and the return to searching for a frame.
#include "receiver/end_of_message.h"

#include "common/vb.h"
#include "logbook/locator.h"
#include "receiver/receiver.h"

namespace muv {

namespace {

// Appends text at the end of the window, in black.
void AppendBlack(TextWindow& window, const std::string& text) {
    window.SetSelStart(window.TextLength());
    window.SetSelColor(kBlack);
    window.SetSelText(text);
}

}  // namespace

void Receiver::ProcessFinishedMessage() {
    EndOfMessageServices* services = endOfMessage_;
    WindowControls& c = links_.controls;
    TextWindow& window = links_.rtfVentanaRX;
    std::string& logLine = links_.sessionLog.SessionLogLine;
    int step = 0;
    try {
        // The message's own text is already in the window; only the session text lacks it.
        const bool stopped = EndReason == "STOP";
        const std::string endMark = stopped ? " <STOP>" : " <CANCEL>";
        window.SetSelStart(window.TextLength());
        window.SetSelText(endMark);
        logLine += RxText() + endMark;
        step = 1;

        SnDb = SnToDb2500();
        for (Control box : {Control::txtSN, Control::txtViterbi, Control::txtAFC})
            c.SetBackColor(box, kStatusGrey);
        step = 2;

        const std::string sn = (SnDb >= 0 ? " +" : " ") + Format(SnDb, "0") + " dB";
        AppendBlack(window, sn);
        logLine += sn;
        step = 3;

        c.SetEnabled(Control::lblSN, true);
        if (services) c.SetBackColor(Control::lblSN, services->MacrosSnLabelColor());
        c.SetBackColor(Control::txtSincronismo, kStatusGrey);
        c.SetText(Control::txtSincronismo, "UNLOCKED");
        const float meanLevel = RxLevelCount == 0 ? 0.0f : static_cast<float>(RxLevelSumDb / RxLevelCount);
        const float meanViterbi =
            ViterbiErrorSamples == 0
                ? 0.0f
                : static_cast<float>(static_cast<double>(ViterbiErrorSum) / ViterbiErrorSamples);
        step = 4;

        // The callsign server's answer about the sender wins over a locator written in the message.
        std::string locator = services ? services->ServerLocator() : "";
        if (locator.empty()) locator = FindLocatorInText(RxText());
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

        if (services) services->ReportDecodedCallsign(locator, distance, meanViterbi);
        // The EME offset says nothing of the station's transmitter.
        if (services && links_.shared.BandClass != 3) services->ComputarShift(FrequencyShiftHz);
        bearing = ReverseBearing(bearing);
        step = 7;

        const std::string text = RxText();
        const uint8_t callingMe = services ? services->TextMentionsMyCall(text) : 0;
        const uint8_t newCountry = services ? services->HighlightNewCountry(text) : 0;
        step = 8;

        const PreviousContact previous =
            services ? services->ShowPreviousContacts(text, 1) : PreviousContact{};
        if (services) {
            // At most one alarm, the first that applies.
            if (services->MensajeParaMiChecked() && callingMe == 1) {
                services->AlarmaMensajeParaMi();
            } else if (services->DXCCChecked() && newCountry == 1) {
                services->AlarmaDXCC();
            } else if (services->CallsignChecked() && !services->CallsignAfterDe(text).empty() &&
                       previous.Band.empty()) {
                services->AlarmaCallsign();
            }
        }
        if (!previous.Band.empty()) {
            const std::string line =
                " (" + previous.Callsign + ": " + previous.Date + " on " + previous.Band + ")";
            AppendBlack(window, line);
            logLine += line;
        }
        const std::string mhz = Format(Val(c.Text(Control::txtFrecuencia)) / 1000, "0.000");
        if (c.Visible(Control::imgScanON)) {
            const std::string line = " (Scan on " + mhz + " Mhz)";
            AppendBlack(window, line);
            logLine += line;
        } else {
            logLine += " " + mhz + " Mhz";
        }
        step = 9;

        if (services && !services->NoInternetSelected()) {
            services->BuildEmailReport(LockSyncMatchesAtLock, stopped ? EndMatchAtStop : 0, FrequencyShiftHz,
                                       meanViterbi, CpuLoadAtLock, meanLevel, FrequencyAtLock, distance,
                                       bearing, endMark);
        }
        if (services) services->CargarNombreYQTHAutomaticamente(c.Text(Control::txtDestination));
        step = 10;

        c.SetEnabled(Control::cmdTX_RX, true);
        c.SetBackColor(Control::cmdTX_RX, kStatusRed);
        c.SetEnabled(Control::imgOFFBeacon, true);
        if (services) services->BeaconReport();
        CpuLoadAtLock = 0;
        step = 11;

        // The tone matrix anew, the cancel timer and button gone, and the search on again.
        ResumeSearch();
        if (services) services->SetPendingFrequencyChange(1);
        if (c.Visible(Control::imgONBeacon)) c.SetVisible(Control::txtTemporizadorBeacon, true);
    } catch (const std::exception&) {
        // Reported without restarting the receiver: the message is closed as far as it got.
        links_.errors.ReportTrappedError(10, std::to_string(step));
    }
}

}  // namespace muv
