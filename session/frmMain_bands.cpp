// Band and frequency: the band class and bandwidth, the frequency list and its menu, the frequency box and
// its arrows, the channel boxes, the CAT retune and the scan.
#include <QAction>
#include <QCheckBox>
#include <algorithm>
#include <cmath>

#include "common/vb.h"
#include "logbook/frmQsoEntry.h"
#include "receiver/band_lookup.h"
#include "session/frequency_list.h"
#include "session/frmMain.h"
#include "session/station.h"
#include "settings/frmScan.h"

namespace muv {

namespace {

std::array<TextBox*, kChannels> ChannelBoxes(const frmMain& f) {
    return {f.txt3583,  f.txt3585,  f.txt7040,  f.txt7042,  f.txt7044,  f.txt10144, f.txt10145, f.txt14078,
            f.txt14101, f.txt14103, f.txt14113, f.txt18111, f.txt18113, f.txt21110, f.txt21114};
}

// An arrow's step to a list entry: the box follows at once and the rig 250 ms after the last of quick
// steps. Without an engine nothing waits, and the rig's frequency is read into the box again.
void StepToEntry(frmMain& f, int entry) {
    f.tmrCambiarFrecuenciaCAT.SetEnabled(false);
    if (f.mnuFrequenciesList[static_cast<size_t>(entry)]->isEnabled()) {
        f.tmrCambiarFrecuenciaCAT.SetInterval(250);
        f.mnuFrequenciesList_Click(entry);
        if (!f.tmrCambiarFrecuenciaCAT.Enabled()) f.tmrCambiarFrecuenciaCAT.SetInterval(0);
    }
    f.FocusTransmitWindow();
}

double DialHz(const frmMain& f) {
    return Val(FromQString(f.txtFrecuencia->text())) * 1000;
}

}  // namespace

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
        afcCaptions("±80 Hz", "±40 Hz", 200);
        stopPauseAndClearTx();
        loadShiftRange();
        waterfallShown();
    } else if (newClass == 2) {
        fraSymbolRateHF->setVisible(true);
        fraSymbolRateMF->setVisible(false);
        stopPauseAndClearTx();
        waterfallShown();
        afcCaptions("±200 Hz", "±78 Hz", 140);
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
    const std::array<ChannelLook, kChannels> looks = ChannelLooks(hz);
    const std::array<TextBox*, kChannels> boxes = ChannelBoxes(*this);
    for (size_t i = 0; i < boxes.size(); ++i) {
        if (looks[i].colour) boxes[i]->SetBackColor(*looks[i].colour);
        boxes[i]->setVisible(looks[i].visible);
    }
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

void frmMain::imgScanOFF_Click() {
    Station& st = *station_;
    if (st.shared.TxRxState != 0) return;
    imgScanON->setVisible(true);
    imgScanOFF->setVisible(false);
    SyncSwitches();
    ScanNextFrequency();
    Scan.ScanCountdown = ScanStartCountdown(st.settings.Scan().DwellValue());
    tmrScan.SetEnabled(true);
}

void frmMain::tmrScan_Timer() {
    Station& st = *station_;
    txtTemporizadorScan->setText(ToQString("Scan: " + std::to_string(Scan.ScanCountdown)));
    txtTemporizadorScan->setVisible(true);
    // A frame being received keeps the scan on its frequency.
    if (ScanTick(Scan, st.settings.Scan().DwellValue(), st.receiver.RxLocked == 1)) ScanNextFrequency();
}

void frmMain::ScanNextFrequency() {
    // The box and the menu follow when the rig reports its new frequency.
    const frmScan& window = station_->settings.Scan();
    const int entry = NextScanEntry(Scan, std::min(window.FrequencyCount(), kFrequencyEntries),
                                    [&window](int i) { return window.FrequencyTicked(i); });
    if (entry == 0) return;
    int32_t hz = kDefaultFrequencies[static_cast<size_t>(entry)];
    station_->rig.CambiarFrecuencia(hz);
}

void frmMain::pctFlechaArriba_Click() {
    StepToEntry(*this, EntryAbove(DialHz(*this)));
}

void frmMain::pctFlechaArriba_DblClick() {
    pctFlechaArriba_Click();
}

void frmMain::pctFlechaAbajo_Click() {
    StepToEntry(*this, EntryBelow(DialHz(*this)));
}

void frmMain::pctFlechaAbajo_DblClick() {
    pctFlechaAbajo_Click();
}

void frmMain::txtFrecuencia_Change() {
    const double v = Val(FromQString(txtFrecuencia->text()));
    // Seven digits of kHz at most: a longer number is no frequency the program handles.
    if (std::abs(RoundHalfEven(v)) >= 1000000) return;
    const ColorRef band = BandFromFrequency(static_cast<float>(v / 1000)).Colour;
    txtFrecuencia->SetBackColor(band);
    pctFlechaArriba->SetBackColor(band);
    pctFlechaAbajo->SetBackColor(band);
    ChequearMenuFrecuencias(static_cast<int32_t>(RoundHalfEven(v * 1000)));
    Station& st = *station_;
    st.QsoEntry().txtFrecuencia->setText(txtFrecuencia->text());
    // An internal-spot window that is open follows the dial; its box takes the band colour set above.
    if (st.InternalSpotLoaded()) st.InternalSpot().txtFrecuencia->setText(txtFrecuencia->text());
    if (!st.rig.WindowLoaded()) return;
    frmRig& rig = st.rig.Window();
    Rig* current = rig.OmniRigEngine() ? rig.CurrentRig() : nullptr;
    if (current && rig.chkDigital->isChecked() && current->Mode() != rigctl::PM_DIG_U)
        current->SetMode(rigctl::PM_DIG_U);
}

void frmMain::txtFrecuencia_Click() {
    // Emptied for typing, unless an online rig drives it.
    if (!txtFrecuencia->isReadOnly()) {
        txtFrecuencia->setText(QString());
    } else {
        FocusTransmitWindow();
    }
}

void frmMain::ChannelBox_Click(int index) {
    if (index >= 1 && index <= kChannels) {
        const int entry = kChannelMenuEntries[static_cast<size_t>(index - 1)];
        if (mnuFrequenciesList[static_cast<size_t>(entry)]->isEnabled()) mnuFrequenciesList_Click(entry);
    }
    FocusTransmitWindow();
}

void frmMain::tmrCambiarFrecuenciaCAT_Timer() {
    int32_t hz = PendingCatFrequency;
    if (station_->rig.WindowLoaded()) station_->rig.Window().CambiarFrecuencia(hz);
    tmrCambiarFrecuenciaCAT.SetEnabled(false);
    tmrCambiarFrecuenciaCAT.SetInterval(0);
}

}  // namespace muv
