// Band and frequency: the band class and bandwidth, the frequency list and its menu, the frequency box and
// its arrows, the channel boxes, the CAT retune and the scan.
#include <QAction>
#include <QCheckBox>
#include <cmath>

#include "common/vb.h"
#include "session/frequency_list.h"
#include "session/frmMain.h"
#include "session/station.h"

namespace muv {

void frmMain::PararTemporizadorMargen() {
    tmrTemporizador1Baudio.SetEnabled(false);
    txtTemporizador1Baudio->setVisible(false);
    cmdTX_RX->SetBackColor(kStatusRed);
    cmdTX_RX->setEnabled(true);
}

void frmMain::BW500() {
    SetBandwidth(500);
}

void frmMain::BW2000() {
    SetBandwidth(2000);
}

void frmMain::SetBandwidth(int16_t hz) {
    Station& st = *station_;
    if (st.shared.TxRxState != 0 || st.receiver.RxLocked != 0) return;
    st.shared.BandwidthHz = hz;
    st.receiver.SetupReceiverBuffers();
    PararTemporizadorMargen();
}

void frmMain::CambiarModo(int16_t newClass) {
    Station& st = *station_;
    if (st.receiver.RxLocked == 1 || newClass == st.shared.BandClass) return;
    // Never under a running transmission (it would restart the receiver and clear the text being
    // sent): the frequency box is read again once the receiver runs.
    if (st.shared.TxRxState != 0) {
        PendingFrequencyChange = 1;
        return;
    }
    st.shared.BandClass = static_cast<uint8_t>(newClass);
    tmrRX.SetEnabled(false);

    auto stopPauseAndClearTx = [this] {
        PararTemporizadorMargen();
        TxWindow().SetText("");
    };
    auto waterfallShown = [this] {
        fraWaterFall->setVisible(true);
        if (Visible(Control::imgONWaterFall)) {
            pctWaterfall->setVisible(true);
            tmrPosicionCursor.SetEnabled(true);
            txtPosicionCursor->setVisible(true);
        }
    };
    auto afcCaptions = [this](const char* wide, const char* narrow, float left) {
        fraShiftRange->setVisible(true);
        lblAFCAmplio->setText(ToQString(wide));
        lblAFCEstrecho->setText(ToQString(narrow));
        SetLeft("lblAFCAmplio", left);
    };
    auto loadShiftRange = [&st] { st.settings.LoadShiftRange(); };

    if (newClass == 1) {
        fraSymbolRateHF->setVisible(false);
        fraSymbolRateMF->setVisible(true);
        afcCaptions(
            "\xB1"
            "80 Hz",
            "\xB1"
            "40 Hz",
            200);
        stopPauseAndClearTx();
        loadShiftRange();
        waterfallShown();
    } else if (newClass == 2) {
        fraSymbolRateHF->setVisible(true);
        fraSymbolRateMF->setVisible(false);
        stopPauseAndClearTx();
        waterfallShown();
        afcCaptions(
            "\xB1"
            "200 Hz",
            "\xB1"
            "78 Hz",
            140);
        loadShiftRange();
    } else {
        fraSymbolRateHF->setVisible(false);
        fraSymbolRateMF->setVisible(false);
        stopPauseAndClearTx();
        fraWaterFall->setVisible(false);
        pctWaterfall->setVisible(false);
        tmrPosicionCursor.SetEnabled(false);
        txtPosicionCursor->setVisible(false);
        fraShiftRange->setVisible(false);
        loadShiftRange();
    }

    SyncSwitches();
    PararTemporizadorMargen();
    st.receiver.RestartReceiver();
    tmrResetTarjetaSonido.SetEnabled(true);
}

void frmMain::ChequearMenuFrecuencias(int32_t hz) {
    // The channel boxes of the band come with the frequency panel; here the menu and the band plan.
    for (size_t i = 1; i <= 25; ++i)
        mnuFrequenciesList[i]->setChecked(hz == kDefaultFrequencies[i]);

    // A frame being received is never disturbed.
    Station& st = *station_;
    if (st.receiver.RxLocked == 1) return;
    // While transmitting the band stays; the box is read again once the receiver runs.
    if (st.shared.TxRxState != 0) {
        PendingFrequencyChange = 1;
        return;
    }
    const BandPlanEntry plan = LookupBandPlan(hz);
    if (plan.BandClass == 1) {
        if (st.shared.BandClass != 1) CambiarModo(1);
    } else if (plan.BandClass == 2) {
        if (st.shared.BandClass != 2) CambiarModo(2);
        if (plan.BandwidthHz == 2000 && st.shared.BandwidthHz != 2000) {
            BW2000();
        } else if (plan.BandwidthHz != 2000 && st.shared.BandwidthHz != 500) {
            BW500();
        }
    } else if (plan.BandClass == 3) {
        if (st.shared.BandClass != 3) CambiarModo(3);
    }
}

void frmMain::mnuScan_Click() {
    station_->settings.ShowScan();
}

void frmMain::mnuFrequenciesList_Click(int index) {
    if (index < 1 || index > 25 || mnuFrequenciesList[static_cast<size_t>(index)]->isChecked()) return;
    int32_t hz = kDefaultFrequencies[static_cast<size_t>(index)];
    txtFrecuencia->setText(ToQString(KiloHertzText(hz)));
    // Without a CAT engine only the box and the receiver follow.
    Station& st = *station_;
    if (!st.rig.WindowLoaded() || !st.rig.Window().OmniRigEngine()) return;
    if (tmrCambiarFrecuenciaCAT.Interval() == 0) {
        st.rig.Window().CambiarFrecuencia(hz);
    } else {
        PendingCatFrequency = hz;
        tmrCambiarFrecuenciaCAT.SetEnabled(true);
    }
}

void frmMain::imgScanON_Click() {
    // The scan stops where it is; a new start goes on after the last entry scanned.
    imgScanON->setVisible(false);
    imgScanOFF->setVisible(true);
    SyncSwitches();
    txtTemporizadorScan->setVisible(false);
    tmrScan.SetEnabled(false);
}

void frmMain::imgScanOFF_Click() {}

void frmMain::pctFlechaArriba_Click() {}

void frmMain::pctFlechaArriba_DblClick() {}

void frmMain::pctFlechaAbajo_Click() {}

void frmMain::pctFlechaAbajo_DblClick() {}

void frmMain::txtFrecuencia_Change() {
    const double v = Val(FromQString(txtFrecuencia->text()));
    // Seven digits of kHz at most: a longer number is no frequency the program handles.
    if (std::abs(RoundHalfEven(v)) >= 1000000) return;
    ChequearMenuFrecuencias(static_cast<int32_t>(RoundHalfEven(v * 1000)));
    Station& st = *station_;
    if (!st.rig.WindowLoaded()) return;
    frmRig& rig = st.rig.Window();
    Rig* current = rig.OmniRigEngine() ? rig.CurrentRig() : nullptr;
    if (current && rig.chkDigital->isChecked() && current->Mode() != rigctl::PM_DIG_U)
        current->SetMode(rigctl::PM_DIG_U);
}

void frmMain::txtFrecuencia_Click() {}

void frmMain::ChannelBox_Click(int) {}

void frmMain::tmrScan_Timer() {}

void frmMain::tmrCambiarFrecuenciaCAT_Timer() {
    int32_t hz = PendingCatFrequency;
    if (station_->rig.WindowLoaded()) station_->rig.Window().CambiarFrecuencia(hz);
    tmrCambiarFrecuenciaCAT.SetEnabled(false);
    tmrCambiarFrecuenciaCAT.SetInterval(0);
}

}  // namespace muv
