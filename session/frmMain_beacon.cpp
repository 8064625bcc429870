// The main window's side of the beacon: its menu entry, the on and off switch, the one-second countdown
// that sends the beacon, and the two-second look at the input that holds the countdown back while the
// input is quiet. The mode, the period and the report answer belong to the beacon window.
#include <string>

#include "platform/qt/qt_text.h"
#include "session/frmMain.h"
#include "session/macro_text.h"
#include "session/station.h"
#include "settings/frmBeacon.h"
#include "settings/frmOperator.h"

namespace muv {

namespace {

// The countdown's first phase runs this long; and how long a received message holds the beacon back.
constexpr int16_t kFirstPhaseSeconds = 180;

}  // namespace

void frmMain::mnuBeacon_Click() {
    station_->settings.ShowBeacon();
}

void frmMain::imgOFFBeacon_Click() {
    Station& st = *station_;
    const BeaconMode mode = st.settings.BeaconModeSelected();
    if (mode != BeaconMode::ReportOnly && !CpuCounterAvailable()) {
        Boxes().Show("Sorry, Beacon doesn't work if CPU Usage is not avaiable", "Beacon Disabled",
                     BoxIcon::Exclamation);
        return;
    }
    // An operator's text already there is what the beacon sends.
    if (TxWindow().Text().empty()) TxWindow().SetText(BeaconMessage());
    imgOFFBeacon->setVisible(false);
    imgONBeacon->setVisible(true);
    SyncSwitches();
    st.settings.beacon.ReportArmed = false;
    BeaconCountdown = kFirstPhaseSeconds;
    txtTemporizadorBeacon->setText(ToQString("Beacon: " + std::to_string(BeaconCountdown)));
    txtTemporizadorBeacon->SetBackColor(kStatusYellow);
    txtTemporizadorBeacon->setVisible(true);
    tmrBeacon.SetEnabled(true);
    if (mode != BeaconMode::ReportOnly) {
        if (Visible(Control::fraSymbolRateHF)) {
            imgRXOFF1_Click();
        } else if (Visible(Control::fraSymbolRateMF)) {
            imgRXOFF1MF_Click();
        }
    }
}

void frmMain::imgONBeacon_Click() {
    Station& st = *station_;
    imgONBeacon->setVisible(false);
    imgOFFBeacon->setVisible(true);
    SyncSwitches();
    tmrBeacon.SetEnabled(false);
    txtTemporizadorBeacon->setVisible(false);
    // A report answer on the air keeps its mark: its end puts the operator's own text back.
    if (st.shared.TxRxState == 0) st.settings.beacon.ReportArmed = false;
}

void frmMain::tmrBeacon_Timer() {
    Station& st = *station_;
    txtTemporizadorBeacon->setText(ToQString("Beacon: " + std::to_string(BeaconCountdown)));
    if (BeaconCountdown == 0) {
        const BeaconMode mode = st.settings.BeaconModeSelected();
        if (st.shared.TxRxState != 0) {
            BeaconCountdown = static_cast<int16_t>(st.settings.BeaconPeriod());
            txtTemporizadorBeacon->SetBackColor(kStatusGreen);
        } else if (mode == BeaconMode::ReportOnly) {
            txtTemporizadorBeacon->SetBackColor(kStatusGreen);
            txtTemporizadorBeacon->setText(QStringLiteral("Listening"));
            tmrBeacon.SetEnabled(false);
        } else if (BackColor(Control::txtTemporizadorBeacon) == kStatusYellow) {
            BeaconCountdown = static_cast<int16_t>(st.settings.BeaconPeriod());
            if (BeaconCountdown > kFirstPhaseSeconds) {
                BeaconCountdown -= kFirstPhaseSeconds;
                txtTemporizadorBeacon->SetBackColor(kStatusGreen);
            } else {
                txtTemporizadorBeacon->setVisible(false);
                SendBeacon();
            }
        } else {
            SendBeacon();
        }
    }
    --BeaconCountdown;
}

void frmMain::tmrVolumenBeacon_Timer() {
    Station& st = *station_;
    // Nothing on the input above the busy level since the last look: no beacon into a silent set.
    if (st.receiver.ChannelBusy == 0) RestartBeaconCountdown();
    st.receiver.ChannelBusy = 0;
}

void frmMain::RestartBeaconCountdown() {
    Station& st = *station_;
    if (!Visible(Control::imgONBeacon) || st.settings.BeaconModeSelected() == BeaconMode::ReportOnly) return;
    BeaconCountdown = BackColor(Control::txtTemporizadorBeacon) == kStatusYellow
                          ? kFirstPhaseSeconds
                          : static_cast<int16_t>(st.settings.BeaconPeriod());
}

std::string frmMain::BeaconMessage() {
    switch (station_->settings.BeaconModeSelected()) {
        case BeaconMode::BeaconAndReport:
            return ModemText(AplicarMacros("Beacon de <MYCALL> in<LOCATOR> <EMAIL>") + "(BRM)");
        case BeaconMode::BeaconOnly:
            return ModemText(AplicarMacros("Beacon de <MYCALL> in<LOCATOR> <EMAIL>") + "(BOM)");
        case BeaconMode::ReportOnly:
            break;
    }
    return {};
}

void frmMain::SendBeacon() {
    tmrBeacon.SetEnabled(false);
    if (TxWindow().Text().empty()) TxWindow().SetText(BeaconMessage());
    cmdTX_RX_Click();
    // Only a transmission that started is asked to end: a keying that failed has switched the beacon off.
    if (station_->shared.TxRxState == 1) cmdTX_RX_Click();
}

}  // namespace muv
