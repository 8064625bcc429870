// Closing a received message, with services that record what they are asked.
#include "session/message_closing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <stdexcept>
#include <utility>

#include "receiver/offline_receiver.h"
#include "receiver/tests/receiver_rig.h"
#include "transmitter/offline_transmitter.h"

namespace muv::test {
namespace {

// Answers as set up and notes each call that matters.
class RecordingServices : public MessageServices {
public:
    std::string ServerLocator() override { return serverLocator; }
    void ClearServerLocator() override { serverLocator.clear(); }
    std::string OperatorLocator() override { return ownLocator; }
    ColorRef MacrosSnLabelColor() override { return RGB(1, 2, 3); }
    void ComprobarRecord(const std::string& distance, double bearing) override {
        Add("ComprobarRecord " + distance + " " + Format(bearing, "0.0"));
    }
    void ComputarShift(float shift) override { Add("ComputarShift " + Format(shift, "0.0")); }
    void ReportDecodedCallsign(const std::string& locator, const std::string& distance,
                               float viterbi) override {
        Add("ReportDecodedCallsign " + locator + "|" + distance + "|" + Format(viterbi, "0.0"));
    }
    uint8_t TextMentionsMyCall(const std::string&) override { return callingMe; }
    uint8_t HighlightNewCountry(const std::string&) override { return newCountry; }
    PreviousContact ShowPreviousContacts(const std::string& text, uint8_t mark) override {
        Add("ShowPreviousContacts " + text + " " + std::to_string(mark));
        if (throwInLookup) throw std::runtime_error("lookup");
        return previous;
    }
    std::string CallsignAfterDe(const std::string&) override { return callAfterDe; }
    bool MensajeParaMiChecked() override { return alarmsTicked; }
    bool DXCCChecked() override { return alarmsTicked; }
    bool CallsignChecked() override { return alarmsTicked; }
    void AlarmaMensajeParaMi() override { Add("AlarmaMensajeParaMi"); }
    void AlarmaDXCC() override { Add("AlarmaDXCC"); }
    void AlarmaCallsign() override { Add("AlarmaCallsign"); }
    bool NoInternetSelected() override { return noInternet; }
    void BuildEmailReport(const EmailReportData& r) override {
        Add("BuildEmailReport " + std::to_string(r.syncMatches) + " " + std::to_string(r.endMatches) + " " +
            Format(r.frequencyShiftHz, "0.00") + " " + Format(r.meanViterbiErrors, "0.0") + " " +
            Format(r.cpuLoad, "0.0") + " " + Format(r.meanLevelDb, "0.0") + " " +
            std::to_string(r.frequencyAtLock) + " " + r.distance + " " + Format(r.bearing, "0.0") +
            r.endMark);
    }
    void CargarNombreYQTHAutomaticamente(const std::string& call) override {
        Add("CargarNombreYQTH " + call);
    }
    void BeaconReport() override {
        Add("BeaconReport");
        if (auto box = std::exchange(boxInBeaconReport, nullptr)) box();
    }
    void SetPendingFrequencyChange(uint8_t pending) override { Add("Pending " + std::to_string(pending)); }
    void Add(const std::string& e) { events.push_back(e); }

    std::string serverLocator, ownLocator = "IN80do", callAfterDe;
    uint8_t callingMe = 0, newCountry = 0;
    bool alarmsTicked = false, noInternet = false, throwInLookup = false;
    PreviousContact previous;
    std::vector<std::string> events;
    // A box that the report answer shows (a transmission that cannot key), waiting as boxes wait.
    std::function<void()> boxInBeaconReport;
};

// A locked receiver at the end of a message whose S/N reads snDb.
struct EndRig : ReceiverRig {
    explicit EndRig(float snDb, const std::string& reason = "STOP") {
        rx.RxLocked = 1;
        rx.AcquisitionEnabled = 0;
        rx.EndReason = reason;
        rx.SnSum = std::pow(10.0f, (snDb - rx.RxMode().SnCorrectionDb) / 20);
        rx.SnCount = 1;
        rx.FrequencyShiftHz = -12.25f;
        rx.FrequencyAtLock = 14070000;
        rx.LockSyncMatchesAtLock = 30;
        rx.EndMatchAtStop = 20;
        rx.CpuLoadAtLock = 12.5f;
        rx.RxLevelSumDb = -30;
        rx.RxLevelCount = 3;
        rx.ViterbiErrorSum = 10;
        rx.ViterbiErrorSamples = 4;
        controls.SetText(Control::txtFrecuencia, "14070.5");
        controls.SetText(Control::txtDestination, "EA4ABC");
        rxWindow.SetSelColor(RGB(0, 0, 255));
        rxWindow.SetSelText("RX16: 12:00 @ 1.0 Hz: CQ");
        log.SessionLogLine = "RX16: ";
        SetRxText(rx, "CQ");
    }
    // Closes the message as the main window's end-of-message timer does.
    void Close() {
        ProcessFinishedMessage(
            {rx, rxWindow, controls, log, shared, host, withServices ? &services : nullptr});
    }
    RecordingServices services;
    bool withServices = true;
};

TEST(MessageClosing, ClosesAMessageThroughEveryService) {
    EndRig rig(12.3f);
    rig.services.serverLocator = "IM98jm";
    rig.services.previous = {"EA4ABC", "20M", "2024/01/02"};
    rig.ShowSwitch(Control::imgScanON, true);
    rig.ShowSwitch(Control::imgONBeacon, true);
    rig.controls.GetTimer(TimerId::tmrCancelFrame).SetEnabled(true);
    const int32_t start = rig.rxWindow.TextLength();

    rig.Close();

    const std::string added =
        " <STOP> +12 dB  315 km @ 136\xBA (EA4ABC: 2024/01/02 on 20M) (Scan on 14.071 Mhz)";
    EXPECT_EQ(rig.rxWindow.Text(), "RX16: 12:00 @ 1.0 Hz: CQ" + added);
    EXPECT_EQ(rig.log.SessionLogLine, "RX16: CQ" + added);
    EXPECT_EQ(rig.rxWindow.ColourAt(start + 1), RGB(0, 0, 255));  // the end mark as the text before it
    EXPECT_EQ(rig.rxWindow.ColourAt(start + 9), kBlack);
    EXPECT_EQ(rig.rxWindow.ColourAt(rig.rxWindow.TextLength() - 1), kBlack);
    const std::vector<std::string> expected{
        "ComprobarRecord 315 136.4", "ReportDecodedCallsign IM98JM|315 km|2.5", "ComputarShift -12.3",
        "ShowPreviousContacts CQ 1",
        // the bearing as seen from the other station
        "BuildEmailReport 30 20 -12.25 2.5 12.5 -10.0 14070000 315 km 316.4 <STOP>",
        "CargarNombreYQTH EA4ABC", "BeaconReport", "Pending 1"};
    EXPECT_EQ(rig.services.events, expected);
    EXPECT_EQ(rig.services.serverLocator, "");  // used once
    EXPECT_NEAR(rig.rx.SnDb, 12.3f, 1e-4);
    EXPECT_EQ(rig.controls.Text(Control::txtSincronismo), "UNLOCKED");
    EXPECT_EQ(rig.controls.BackColor(Control::lblSN), RGB(1, 2, 3));
    EXPECT_TRUE(rig.controls.Visible(Control::txtTemporizadorBeacon));
    EXPECT_FALSE(rig.controls.GetTimer(TimerId::tmrCancelFrame).Enabled());
    EXPECT_EQ(rig.rx.RxLocked, 0);
    EXPECT_EQ(rig.rx.AcquisitionEnabled, 1);
    EXPECT_EQ(rig.rx.CpuLoadAtLock, 0);
}

TEST(MessageClosing, CancelledFrameWithoutADistance) {
    EndRig rig(-7.4f, "CANCEL");
    SetRxText(rig.rx, "cq de dl1abc JO62qm k");
    rig.services.ownLocator = "IN80DZ";  // not a locator
    rig.Close();
    EXPECT_EQ(rig.log.SessionLogLine, "RX16: cq de dl1abc JO62qm k <CANCEL> -7 dB 14.071 Mhz");
    EXPECT_EQ(rig.services.events[0], "ReportDecodedCallsign JO62QM|Not avaiable|2.5");
    EXPECT_EQ(rig.services.events[3],
              "BuildEmailReport 30 0 -12.25 2.5 12.5 -10.0 14070000 Not avaiable 180.0 <CANCEL>");

    EndRig zero(0.2f);
    zero.Close();
    EXPECT_EQ(zero.log.SessionLogLine, "RX16: CQ <STOP> +0 dB 14.071 Mhz");
}

TEST(MessageClosing, AtMostOneAlarmAndTheOptions) {
    struct Case {
        uint8_t callingMe, newCountry;
        const char* callAfterDe;
        const char* band;
        const char* alarm;
    };
    for (const Case& c : {Case{1, 1, "DL1ABC", "", "AlarmaMensajeParaMi"},
                          Case{0, 1, "DL1ABC", "", "AlarmaDXCC"}, Case{0, 0, "DL1ABC", "", "AlarmaCallsign"},
                          Case{0, 0, "DL1ABC", "40M", ""}, Case{0, 0, "", "", ""}}) {
        EndRig rig(3);
        rig.shared.BandClass = 3;
        rig.services.noInternet = true;
        rig.services.alarmsTicked = true;
        rig.services.callingMe = c.callingMe;
        rig.services.newCountry = c.newCountry;
        rig.services.callAfterDe = c.callAfterDe;
        rig.services.previous.Band = c.band;
        rig.Close();
        std::vector<std::string> expected{"ReportDecodedCallsign |Not avaiable|2.5",
                                          "ShowPreviousContacts CQ 1"};
        if (*c.alarm) expected.push_back(c.alarm);
        expected.insert(expected.end(), {"CargarNombreYQTH EA4ABC", "BeaconReport", "Pending 1"});
        EXPECT_EQ(rig.services.events, expected) << c.alarm;  // no shift on EME, no e-mail
    }
}

// A receiver on the air, driven as the program drives it: a tick per sound buffer, the window's timers on
// sound time, and the end-of-message timer closing each message.
struct ListeningRig : ReceiverRig {
    explicit ListeningRig(std::vector<int16_t> audio) : ReceiverRig(std::move(audio)) {
        const OfflineReceiverSettings settings = SettingsForMode(1);
        shared.BandClass = settings.BandClass;
        shared.BandwidthHz = settings.BandwidthHz;
        shared.switches.hfReceiveOption = static_cast<uint8_t>(settings.option);
        shared.switches.hfSymbolRateFrame = true;
        controls.Manual(TimerId::tmrProcesarFinal).OnTimer = [this] {
            controls.GetTimer(TimerId::tmrProcesarFinal).SetEnabled(false);
            ProcessFinishedMessage({rx, rxWindow, controls, log, shared, host, &services});
        };
        controls.Manual(TimerId::tmrCancelFrame).OnTimer = [this] {
            controls.GetTimer(TimerId::tmrCancelFrame).SetEnabled(false);
            rx.CancelFrame();
        };
        rx.RestartReceiver();
        rx.OpenSoundInput();
    }
    // Takes the sound of the next seconds (all that is left, without a limit).
    void Listen(double seconds = 1e9) {
        const double bufferMs = 1000.0 * rx.RxMode().SamplesPerBuffer / 48000;
        for (double ms = 0, pending = 0; ms < seconds * 1000 && !input.Exhausted(); ms += bufferMs) {
            rx.RxTick();
            pending += bufferMs;
            controls.AdvanceTimers(static_cast<int>(pending));
            pending -= static_cast<int>(pending);
        }
    }
    RecordingServices services;
};

// A step of the closing may wait on a box (the report answer's transmission that cannot key, a fault
// reported), and a box waits in an event loop of its own, in which the sound goes on being taken. What
// is decoded meanwhile is what is on the air, as without the box: the next message, never more of the
// one that has ended.
TEST(MessageClosing, WhatComesWhileAStepWaitsOnABoxIsDecodedAsWithoutIt) {
    const std::string first = "cq de ea1abc k", second = "ea1abc de dl2xyz 599 k";
    std::vector<int16_t> audio = TransmitToSamples(1, first);
    const std::vector<int16_t> next = TransmitToSamples(1, second);
    const double nextSeconds = next.size() / 48000.0;
    audio.insert(audio.end(), 48000, 0);
    audio.insert(audio.end(), next.begin(), next.end());
    audio.insert(audio.end(), 5 * 48000, 0);
    ListeningRig rig(audio);
    rig.services.boxInBeaconReport = [&rig, nextSeconds] { rig.Listen(nextSeconds + 2); };
    rig.Listen();

    std::vector<std::string> closed;
    for (const std::string& e : rig.services.events)
        if (e.starts_with("ShowPreviousContacts ")) closed.push_back(e.substr(21));
    EXPECT_EQ(closed, (std::vector<std::string>{first + " 1", second + " 1"}));
    const std::string text = rig.rxWindow.Text();
    EXPECT_NE(text.find(first + " <STOP>"), std::string::npos) << text;
    EXPECT_NE(text.find(second + " <STOP>"), std::string::npos) << text;
    EXPECT_EQ(text.find("<CANCEL>"), std::string::npos) << text;
}

TEST(MessageClosing, WithoutServicesAndOnAFault) {
    EndRig alone(5);
    alone.withServices = false;
    alone.Close();
    EXPECT_EQ(alone.log.SessionLogLine, "RX16: CQ <STOP> +5 dB 14.071 Mhz");
    EXPECT_EQ(alone.rx.AcquisitionEnabled, 1);
    EXPECT_TRUE(alone.host.events.empty());

    EndRig faulty(5);
    faulty.services.throwInLookup = true;
    faulty.controls.SetEnabled(Control::cmdTX_RX, false);  // as while the message came in
    faulty.Close();
    EXPECT_EQ(faulty.host.events, std::vector<std::string>{"Error 10 8"});
    EXPECT_EQ(faulty.log.SessionLogLine, "RX16: CQ <STOP> +5 dB");  // the rest of the fan-out is skipped
    // but the receiver searches again, and the operator may transmit.
    EXPECT_TRUE(faulty.rx.RxLocked == 0 && faulty.rx.AcquisitionEnabled == 1);
    EXPECT_TRUE(faulty.controls.Enabled(Control::cmdTX_RX));
    EXPECT_EQ(faulty.services.events.back(), "Pending 1");
}

}  // namespace
}  // namespace muv::test
