// The beacon window: its load, modes and period label, its settings under two profiles, and the report
// answer's decisions, on a main window that records what it is asked to do.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/private_profile.h"
#include "settings/frmBeacon.h"
#include "test_support/qt_app.h"

namespace muv {
namespace {

// A main window that keeps a transmit window and a TX/RX state, and writes down what it was asked.
class FakeBeaconHost : public BeaconHost {
public:
    void ReportTrappedError(int number, const std::string& context) override {
        events.push_back("error " + std::to_string(number) + " '" + context + "'");
    }
    void imgONBeacon_Click() override {
        events.push_back("beacon off");
        beaconOn = false;
    }
    bool BeaconOn() const override { return beaconOn; }
    void HoldBeacon() override { events.push_back("hold"); }
    std::string AplicarMacros(const std::string& text) override {
        expanded.push_back(text);
        return "[" + text + "] ";
    }
    std::string TxText() override { return tx; }
    void SetTxText(const std::string& text) override { tx = text; }
    void cmdTX_RX_Click() override {
        events.push_back("TX/RX");
        if (state == 0 && keys) {
            state = 1;
        } else if (state == 1) {
            state = 2;
        }
    }
    uint8_t TxRxState() const override { return state; }
    std::string RxText() override { return rx; }
    std::string CallsignAfterDe(const std::string& text) override {
        if (failLookup) throw std::runtime_error("lookup");
        return text.find("DE EA4XYZ") != std::string::npos ? "EA4XYZ" : "";
    }

    bool beaconOn = false;
    bool keys = true;  // the transmitter can be keyed
    bool failLookup = false;
    uint8_t state = 0;
    std::string tx, rx;
    std::vector<std::string> events, expanded;
};

class BeaconWindow : public test::QtAppTest {
protected:
    std::unique_ptr<frmBeacon> Open(bool modesAvailable = true) {
        auto w = std::make_unique<frmBeacon>(BeaconWindowLinks{store, state, host});
        w->SetBeaconModesAvailable(modesAvailable);
        w->Form_Load();
        return w;
    }
    // Timer controls shown, text controls shown.
    static std::pair<bool, bool> Shown(const frmBeacon& w) {
        const bool timer = !w.hsb16->isHidden() && !w.fraBeaconTimer->isHidden() && !w.lbl16->isHidden();
        const bool text = !w.lblReport16y8->isHidden() && !w.txtBeacon16y8Preambulo->isHidden() &&
                          !w.txtBeacon16y8->isHidden() && !w.txtListaMacros->isHidden() &&
                          !w.txtBeacon16y8Final->isHidden();
        EXPECT_EQ(timer, !w.hsb16->isHidden() || !w.fraBeaconTimer->isHidden() || !w.lbl16->isHidden());
        EXPECT_EQ(text, !w.txtBeacon16y8->isHidden() || !w.txtListaMacros->isHidden());
        return {timer, text};
    }

    MemoryProfileStore store;
    BeaconState state;
    FakeBeaconHost host;
};

TEST_F(BeaconWindow, LoadsDefaultsShowsThePeriodAndEachModeItsControls) {
    host.beaconOn = true;
    auto w = Open();
    EXPECT_TRUE(w->optBeaconReportMode->isChecked());
    EXPECT_EQ(w->Mode(), BeaconMode::BeaconAndReport);
    EXPECT_EQ(w->Period(), 25);
    EXPECT_EQ(w->lbl16->text(), "00:25");
    EXPECT_EQ(w->txtBeacon16y8->text(), "<SN>  <EMAIL>");
    EXPECT_EQ(w->txtBeacon16y8Preambulo->text(), "Report: QRZ de <MYCALL>  <LOCATOR>");
    EXPECT_EQ(w->txtBeacon16y8Final->text(), " (BRM)");
    const QStringList lines = w->txtListaMacros->toPlainText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[0], "My Callsign: <MYCALL>");
    EXPECT_EQ(lines[5], "Destination:...<DESTINATION>");
    EXPECT_EQ(lines[7], "Version:........<VER>");
    EXPECT_TRUE(host.events.empty()) << "loading the stored mode leaves a running beacon alone";

    for (auto [value, shown] : {std::pair{600, "10:00"}, {61, "01:01"}, {119, "01:59"}, {70, "01:10"}}) {
        w->hsb16->setValue(value);
        EXPECT_EQ(w->lbl16->text(), shown);
    }
    w->hsb16->setValue(5000);
    EXPECT_EQ(w->Period(), 600);

    EXPECT_EQ(Shown(*w), std::make_pair(true, true));
    w->optBeaconOnlyMode->setChecked(true);
    EXPECT_EQ(Shown(*w), std::make_pair(true, false));
    EXPECT_EQ(w->txtBeacon16y8Final->text(), " (BOM)");
    EXPECT_EQ(host.events, std::vector<std::string>{"beacon off"})
        << "the operator's change stops the beacon";
    w->optReportOnlyMode->setChecked(true);
    EXPECT_EQ(Shown(*w), std::make_pair(false, true));
    EXPECT_EQ(w->txtBeacon16y8Final->text(), " (ROM)");
    EXPECT_EQ(w->Mode(), BeaconMode::ReportOnly);
    // Chosen again, the same mode changes nothing.
    host.beaconOn = true;
    host.events.clear();
    w->optReportOnlyMode->setChecked(true);
    w->optReportOnlyMode->click();
    EXPECT_TRUE(host.events.empty());
}

TEST_F(BeaconWindow, EachProfileKeepsItsOwnModeTextAndPeriod) {
    auto w = Open();
    w->optBeaconOnlyMode->setChecked(true);
    w->txtBeacon16y8->setText(QString::fromUtf8("<SN> 73 Jos\xC3\xA9"));
    w->hsb16->setValue(420);
    w->show();
    w->cmdOK->click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(store.Text(), "[BEACON]\r\nModo=2\r\nMacro Beacon 16y8=<SN> 73 Jos\xE9\r\nTimer16= 420\r\n");

    // The profile switch saves under the old suffix and loads into the open window.
    store.SetProfileSuffix("6");
    LoadBeaconSettings(store, *w);
    EXPECT_EQ(w->Mode(), BeaconMode::BeaconAndReport) << "no mode stored: the first";
    EXPECT_EQ(w->Period(), 420) << "no period stored: the window keeps its own";
    EXPECT_EQ(w->txtBeacon16y8->text(), QString::fromUtf8("<SN> 73 Jos\xC3\xA9"));
    w->txtBeacon16y8->setText("<SN> 73 six");
    w->optReportOnlyMode->setChecked(true);
    w->hsb16->setValue(90);
    SaveBeaconSettings(store, *w);

    store.SetProfileSuffix("");
    auto again = Open();
    EXPECT_EQ(again->Mode(), BeaconMode::BeaconOnly);
    EXPECT_EQ(again->txtBeacon16y8->text(), QString::fromUtf8("<SN> 73 Jos\xC3\xA9"));
    EXPECT_EQ(again->Period(), 420);
    EXPECT_EQ(again->lbl16->text(), "07:00");
    store.SetProfileSuffix("6");
    auto six = Open();
    EXPECT_EQ(six->Mode(), BeaconMode::ReportOnly);
    EXPECT_EQ(six->Period(), 90);
    EXPECT_EQ(six->txtBeacon16y8->text(), "<SN> 73 six");
}

TEST_F(BeaconWindow, UnusableStoredValuesAndModesThatCannotRun) {
    store = MemoryProfileStore("[BEACON]\r\nModo=7\r\nTimer16=99999\r\n");
    auto w = Open();
    EXPECT_EQ(w->Mode(), BeaconMode::ReportOnly) << "any other digit is the report answer alone";
    EXPECT_EQ(w->Period(), 25) << "a period the bar cannot show is not taken";

    // Without the processor load the stored beacon mode cannot run: the report answer is chosen.
    store = MemoryProfileStore("[BEACON]\r\nModo=1\r\nTimer16=300\r\n");
    auto limited = Open(false);
    EXPECT_EQ(limited->Mode(), BeaconMode::ReportOnly);
    EXPECT_FALSE(limited->optBeaconReportMode->isEnabled() || limited->optBeaconOnlyMode->isEnabled());
    EXPECT_EQ(limited->Period(), 300);

    // The load becoming unreadable while the window is open: a running beacon in a beacon mode stops.
    auto open = Open();
    EXPECT_EQ(open->Mode(), BeaconMode::BeaconAndReport);
    host.beaconOn = true;
    open->SetBeaconModesAvailable(false);
    EXPECT_EQ(open->Mode(), BeaconMode::ReportOnly);
    EXPECT_EQ(host.events, std::vector<std::string>{"beacon off"});
    open->SetBeaconModesAvailable(true);
    EXPECT_TRUE(open->optBeaconReportMode->isEnabled());
    EXPECT_EQ(open->Mode(), BeaconMode::ReportOnly);
}

// ---------------------------------------------------------------- the report answer

class ReportAnswer : public BeaconWindow {
protected:
    void SetUp() override {
        w = Open();
        host.tx = "QRL? DE EA1ABC";
    }
    // A message received with the answer armed.
    void Receive(const std::string& text, bool armed = true) {
        host.rx = text;
        state.ReportArmed = armed;
        host.events.clear();
        host.expanded.clear();
        w->BeaconReport();
    }
    std::unique_ptr<frmBeacon> w;
};

TEST_F(ReportAnswer, ACqCallIsAnsweredWithOneReportAndTheOperatorsTextPutAside) {
    Receive("CQ CQ DE EA4XYZ EA4XYZ K");
    ASSERT_EQ(host.expanded.size(), 1u);
    EXPECT_EQ(host.expanded[0], "Report: EA4XYZ de <MYCALL> <LOCATOR> <SN>  <EMAIL> (BRM)");
    EXPECT_EQ(host.tx, "[Report: EA4XYZ de <MYCALL> <LOCATOR> <SN>  <EMAIL> (BRM)] ");
    EXPECT_EQ(host.events, (std::vector<std::string>{"TX/RX", "TX/RX"}));
    EXPECT_EQ(host.state, 2) << "started, and asked to end once the report has gone";
    EXPECT_EQ(state.SavedTxText, "QRL? DE EA1ABC");
    EXPECT_TRUE(state.ReportArmed) << "marks the transmission as a report until its end";

    // No readable callsign after DE; a CQ in small letters between blanks counts.
    host.state = 0;
    Receive("hello cq de 12345 k");
    ASSERT_EQ(host.expanded.size(), 1u);
    EXPECT_EQ(host.expanded[0].rfind("Report: QRZ de <MYCALL> <LOCATOR> ", 0), 0u) << host.expanded[0];
}

TEST_F(ReportAnswer, WhatIsNotAnsweredDisarmsAndHoldsARunningBeacon) {
    struct Case {
        const char* text;
        bool armed;
        bool beaconOn;
    };
    for (const Case& c : {Case{"CQ DE EA4XYZ K", true, false},          // no blank before the CQ: not a call
                          Case{"rePORT: CQ CQ DE EA4XYZ", true, true},  // a report is never answered
                          Case{"EA1ABC DE EA4XYZ TNX", true, true},     // no CQ: disarms all the same
                          Case{"CQ CQ DE EA4XYZ", false, true}}) {
        host.beaconOn = c.beaconOn;
        Receive(c.text, c.armed);
        EXPECT_TRUE(host.expanded.empty()) << c.text;
        EXPECT_FALSE(state.ReportArmed) << c.text;
        EXPECT_EQ(host.events, c.beaconOn ? std::vector<std::string>{"hold"} : std::vector<std::string>{})
            << c.text;
        EXPECT_EQ(host.tx, "QRL? DE EA1ABC");
    }

    // Beacon only: every message disarms, a CQ included.
    w->optBeaconOnlyMode->setChecked(true);
    host.beaconOn = true;
    Receive("CQ CQ DE EA4XYZ K");
    EXPECT_TRUE(host.expanded.empty());
    EXPECT_FALSE(state.ReportArmed);
    EXPECT_EQ(host.events, std::vector<std::string>{"hold"});
}

TEST_F(ReportAnswer, AReportThatCannotKeyGivesTheTextBackAndAFaultIsTrapped) {
    host.keys = false;
    Receive("CQ CQ DE EA4XYZ K");
    EXPECT_EQ(host.events, std::vector<std::string>{"TX/RX"}) << "no second press without a transmission";
    EXPECT_EQ(host.tx, "QRL? DE EA1ABC");
    EXPECT_FALSE(state.ReportArmed);

    host.keys = true;
    host.failLookup = true;
    Receive("CQ CQ DE EA4XYZ K");
    EXPECT_EQ(host.events, std::vector<std::string>{"error 21 '2 '"});
    EXPECT_EQ(state.SavedTxText, "QRL? DE EA1ABC") << "what was done before the fault stays done";
}

}  // namespace
}  // namespace muv
