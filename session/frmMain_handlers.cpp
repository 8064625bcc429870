// The main window's event handlers. Each control event of the window calls the method named after the
// control and the event; the behaviour of each belongs here, handler by handler.
#include <QAction>
#include <QCheckBox>
#include <QSlider>
#include <chrono>
#include <cmath>
#include <exception>
#include <random>

#include "common/vb.h"
#include "session/frmMain.h"
#include "session/message_closing.h"
#include "session/station.h"

namespace muv {

namespace {

constexpr ColorRef kSnLabelDisabled = 0xE0E0E0;
constexpr ColorRef kWhite = RGB(255, 255, 255);

// The frequency box's text for a frequency in Hz: kHz with one decimal and a ".".
std::string KiloHertzText(int32_t hz) {
    std::string text = Format(hz / 1000.0, "0.0");
    for (char& c : text)
        if (c == ',') c = '.';
    return text;
}

}  // namespace

template <size_t N>
void frmMain::TickOnly(std::array<QAction*, N>& items, int index) {
    for (size_t i = 1; i < N; ++i)
        items[i]->setChecked(false);
    if (index >= 1 && static_cast<size_t>(index) < N) items[static_cast<size_t>(index)]->setChecked(true);
}

// --- window events ---
void frmMain::Form_Load() {
    Station& st = *station_;
    setWindowTitle(QStringLiteral("MUV v5.8.4 Beta - MUV on Linux"));
    UpdateUtcClock();
    tmrUTC.SetInterval(1000);
    tmrUTC.SetEnabled(true);
    const UtcTime& now = st.shared.UtcNow;
    st.sessionLog.SessionLogText = "***************** New MUV Session: " + Format(now.hour, "00") + ":" +
                                   Format(now.minute, "00") + " *****************\r\n";
    cmdClearScreen->SetBackColor(kWhite);
    // The mode table is the standard one, built once for the whole program.
    LoadDisplaySettings(*this, st.settings.Stored());
    ClearSaveLogFlag = LoadClearScreenOption(st.settings.Stored());
    tmrPosicionCursor.SetInterval(100);
    tmrTransmitting.SetInterval(1000);
    DrawMeterNeedle(1, 50);
    SetText(Control::txtAFC, st.texts.TxtFrequencyShift + "0 Hz");
    lblSN->setEnabled(false);
    lblSN->SetBackColor(kSnLabelDisabled);
    LoadFontSize(*this, st.settings.Stored());
    st.online.ClusterConnect();
    st.online.PskReporterStart();
    st.online.CallsignServerRequest(CallsignServerCode::Login);

    int selected = 0;
    for (int i = 1; i <= 25; ++i)
        if (mnuFrequenciesList[static_cast<size_t>(i)]->isChecked()) {
            selected = i;
            break;
        }
    const int32_t start = PickStartFrequency();
    frmRig* rig = st.rig.WindowLoaded() ? &st.rig.Window() : nullptr;
    const Rig* current = rig && rig->OmniRigEngine() ? rig->CurrentRig() : nullptr;
    if (!current || current->Status() != rigctl::ST_ONLINE) {
        // A 20 m calling frequency gives way to the one picked for this start.
        if (selected >= 12 && selected <= 15) {
            txtFrecuencia->setText(ToQString(Format(start / 1000.0, "0.0")));
            txtFrecuencia->setText(ToQString(KiloHertzText(start)));
        }
    } else {
        if (rig->CatFrequencyHz > 14000000 && rig->CatFrequencyHz < 14350000) {
            int32_t hz = start;
            rig->CambiarFrecuencia(hz);
        }
        txtFrecuencia->setText(ToQString(Format(rig->CatFrequencyHz / 1000.0, "0.0")));
        txtFrecuencia->setText(ToQString(KiloHertzText(rig->CatFrequencyHz)));
    }

    sldVolumen->setMaximum(100);
    sldVolumen->setMinimum(0);
    sldVolumen->setTickPosition(QSlider::NoTicks);
    sldVolumen->setTickInterval(sldVolumen->maximum() / 10);
    sldVolumen->setSingleStep(sldVolumen->maximum() / 100);
    sldVolumen->setPageStep(sldVolumen->maximum() / 10);
    tmrVolumenSlider.SetInterval(200);
    tmrVolumenSlider.SetEnabled(true);
    tmrTeclas.SetInterval(10);
    tmrTeclas.SetEnabled(true);
}

void frmMain::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    Station& st = *station_;
    auto step = [this](const char* name) {
        if (StepObserver) StepObserver(name);
    };
    // The transmitter is released before anything that might fail, and no pump queues more sound.
    step("ReleasePtt");
    for (Timer* pump : {&tmrTX, &tmrTXTonoPiloto, &tmrTonoTest})
        pump->SetEnabled(false);
    ReleasePtt();
    st.rig.SettleRelease();
    if (st.sessionLog.SessionLogDirty == 1 && st.settings.AutoSaveLogClose) {
        step("SaveSessionLog");
        st.SaveSessionLog();
    }
    step("CloseSoundOutput");
    st.transmitter.Output().CloseSoundOutput();
    step("CloseSoundInput");
    st.receiver.CloseSoundInput();
    step("SaveSettings");
    st.settings.SaveDisplaySettings();
    st.settings.SaveClearScreenOption();
    st.settings.SaveQsoFormSettings();
    st.settings.SaveFontSize();
    st.settings.SaveLastFrequency();
    st.settings.SaveSelectedProfile();
    step("End");
    EndProgram(0);
}

// --- procedures of the window ---

void frmMain::UpdateUtcClock() {
    UtcTime& now = station_->shared.UtcNow;
    now = SystemUtcNow();
    ShowClockDigits(now.hour, now.minute);
}

void frmMain::PararTemporizadorMargen() {
    tmrTemporizador1Baudio.SetEnabled(false);
    txtTemporizador1Baudio->setVisible(false);
    cmdTX_RX->SetBackColor(kStatusRed);
    cmdTX_RX->setEnabled(true);
}

void frmMain::BW500() {
    Station& st = *station_;
    if (st.shared.TxRxState != 0 || st.receiver.RxLocked != 0) return;
    st.shared.BandwidthHz = 500;
    st.receiver.SetupReceiverBuffers();
    PararTemporizadorMargen();
}

void frmMain::BW2000() {
    Station& st = *station_;
    if (st.shared.TxRxState != 0 || st.receiver.RxLocked != 0) return;
    st.shared.BandwidthHz = 2000;
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
    auto loadShiftRange = [this, &st] { LoadShiftRange(st.shared.BandClass, *this, st.settings.Stored()); };

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

    PararTemporizadorMargen();
    st.receiver.RestartReceiver();
    tmrResetTarjetaSonido.SetEnabled(true);
}

void frmMain::FillDefaultFrequencies() {
    static constexpr int32_t kFrequencies[26] = {
        0,        136000,   502000,   1837000,  3583000,  3585000,  5367000,   7040000,  7042000,
        7044000,  10144000, 10145000, 14078000, 14101000, 14103000, 14113000,  18111000, 18113000,
        21110000, 21114000, 24931000, 28295000, 50295000, 70074000, 144160000, 144980000};
    for (size_t i = 1; i <= 25; ++i)
        DefaultFrequencies[i] = kFrequencies[i];
}

BandPlanEntry frmMain::LookupBandPlan(int32_t hz) {
    struct Row {
        int32_t from, to;  // inclusive
        int16_t bandwidth;
        uint8_t bandClass;
    };
    static constexpr Row kPlan[] = {
        {135000, 136500, 100, 1},      {501995, 502100, 100, 1},       {1835000, 1840000, 500, 2},
        {3580000, 3600000, 2000, 2},   {5365000, 5370000, 2000, 2},    {7038000, 7040999, 500, 2},
        {7041000, 7047000, 2000, 2},   {10143000, 10146000, 500, 2},   {14076000, 14092000, 500, 2},
        {14100000, 14118000, 2000, 2}, {18105000, 18118000, 2000, 2},  {21105000, 21120000, 2000, 2},
        {24925000, 24940000, 2000, 2}, {28294000, 28298000, 2000, 2},  {50294000, 50298000, 2000, 2},
        {70000000, 70500000, 2000, 2}, {144155000, 144165000, 100, 3}, {144975000, 144985000, 2000, 2},
    };
    for (const Row& r : kPlan)
        if (hz >= r.from && hz <= r.to) return {r.bandwidth, r.bandClass};
    return {};
}

void frmMain::ChequearMenuFrecuencias(int32_t hz) {
    // The channel boxes of the band come with the frequency panel; here the menu and the band plan.
    FillDefaultFrequencies();
    for (size_t i = 1; i <= 25; ++i)
        mnuFrequenciesList[i]->setChecked(hz == DefaultFrequencies[i]);

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

int32_t frmMain::PickStartFrequency() {
    std::mt19937 random(static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    const double r = std::uniform_real_distribution<double>(0.0, 1.0)(random);
    const int16_t n = CInt(16 - 15 * r);
    return n >= 1 && n <= 8 ? 14101000 : 14113000;
}

// --- menu events ---
void frmMain::mnuOperator_Click() {}
void frmMain::mnuMacros_Click() {}
void frmMain::mnuEmail_Click() {}
void frmMain::mnuLog_Click() {}
void frmMain::mnuEQSL_Click() {}
void frmMain::mnuRig_Click() {
    frmRig& window = station_->rig.Window();
    window.show();
    window.raise();
}
void frmMain::mnuTarjetaSonido_Click() {
    frmSoundCard& window = station_->SoundCard();
    window.show();
    window.raise();
}
void frmMain::mnuAlarma_Click() {}
void frmMain::mnuUserProfiles_Click() {}
void frmMain::mnuResolucion_Click(int index) {
    TickOnly(mnuResolucion, index);
    ApplyScreenLayout(*this, static_cast<int16_t>(index));
    FitWaterfallImage();
}

void frmMain::mnuFont_Click(int index) {
    static constexpr int kSizes[4] = {0, 10, 12, 14};
    if (index < 1 || index > 3) return;
    Station& st = *station_;
    st.shared.RxFontSize = kSizes[index];
    TickOnly(mnuFont, index);
    TextWindow& rx = RxWindow();
    rx.SetSelStart(0);
    rx.SetSelLength(rx.TextLength());
    rx.SetSelFontSize(st.shared.RxFontSize);
    TextWindow& tx = TxWindow();
    tx.SetSelStart(0);
    tx.SetSelLength(tx.TextLength());
}

void frmMain::mnuColour_Click(int index) {
    // The receive window's colours come with the colour menu's own work; the tick is the stored choice.
    TickOnly(mnuColour, index);
}

void frmMain::mnuEstiloMenu_Click(int index) {
    TickOnly(mnuEstiloMenu, index);
}

void frmMain::mnuTipoIdioma_Click(int index) {
    TickOnly(mnuTipoIdioma, index);
    LanguageIndex = static_cast<uint8_t>(index);
    station_->ApplyLanguage();
}
void frmMain::mnuBeacon_Click() {}
void frmMain::mnuScan_Click() {}
void frmMain::mnuFrequenciesList_Click(int index) {
    if (index < 1 || index > 25 || mnuFrequenciesList[static_cast<size_t>(index)]->isChecked()) return;
    FillDefaultFrequencies();
    int32_t hz = DefaultFrequencies[static_cast<size_t>(index)];
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
void frmMain::mnuSkedsOpcion_Click(int) {}
void frmMain::mnuEstadisticas_Click() {}
void frmMain::mnuListaUsuarios_Click(int) {}
void frmMain::mnuShortcuts_Click() {}
void frmMain::mnuMuvSite_Click() {}
void frmMain::mnuMuvFacebook_Click() {}
void frmMain::mnuAbout_Click() {}
void frmMain::mnuDonate_Click() {}

// --- switch pictures ---
namespace {

// Shows the chosen switch of a row lit and the others unlit.
void SelectInRow(std::initializer_list<std::pair<PictureBox*, PictureBox*>> row, PictureBox* chosenOn) {
    for (auto [on, off] : row) {
        on->setVisible(on == chosenOn);
        off->setVisible(on != chosenOn);
    }
}

}  // namespace

bool frmMain::ReceiveOptionMayChange() const {
    const Station& st = *station_;
    return st.shared.TxRxState == 0 && st.receiver.RxLocked == 0 && !tmrTemporizador1Baudio.Enabled();
}

void frmMain::SelectReceiveOption(bool mf, int option) {
    if (!ReceiveOptionMayChange()) return;
    if (mf) {
        SelectInRow({{imgRXON1MF, imgRXOFF1MF}, {imgRXON2MF, imgRXOFF2MF}, {imgRXON3MF, imgRXOFF3MF}},
                    std::array{imgRXON1MF, imgRXON2MF, imgRXON3MF}[static_cast<size_t>(option - 1)]);
    } else {
        SelectInRow({{imgRXON1, imgRXOFF1}, {imgRXON2, imgRXOFF2}, {imgRXON3, imgRXOFF3}},
                    std::array{imgRXON1, imgRXON2, imgRXON3}[static_cast<size_t>(option - 1)]);
    }
    station_->receiver.RestartReceiver();
}

void frmMain::imgRXOFF1_Click() {
    SelectReceiveOption(false, 1);
}

void frmMain::imgRXOFF2_Click() {
    SelectReceiveOption(false, 2);
}

void frmMain::imgRXOFF3_Click() {
    SelectReceiveOption(false, 3);
}

void frmMain::imgRXOFF1MF_Click() {
    SelectReceiveOption(true, 1);
}

void frmMain::imgRXOFF2MF_Click() {
    SelectReceiveOption(true, 2);
}

void frmMain::imgRXOFF3MF_Click() {
    SelectReceiveOption(true, 3);
}

void frmMain::SelectSymbolRate(PictureBox* chosenOn) {
    if (station_->shared.TxRxState != 0) return;
    if (chosenOn == imgBaudON2MF || chosenOn == imgBaudON3MF) {
        SelectInRow({{imgBaudON2MF, imgBaudOFF2MF}, {imgBaudON3MF, imgBaudOFF3MF}}, chosenOn);
        if (chosenOn == imgBaudON3MF) PararTemporizadorMargen();
    } else {
        SelectInRow({{imgBaudON1, imgBaudOFF1}, {imgBaudON2, imgBaudOFF2}, {imgBaudON3, imgBaudOFF3}},
                    chosenOn);
    }
    station_->transmitter.SelectTxMode();
}

void frmMain::imgBaudOFF1_Click() {
    SelectSymbolRate(imgBaudON1);
}

void frmMain::imgBaudOFF2_Click() {
    SelectSymbolRate(imgBaudON2);
}

void frmMain::imgBaudOFF3_Click() {
    SelectSymbolRate(imgBaudON3);
}

void frmMain::imgBaudOFF2MF_Click() {
    SelectSymbolRate(imgBaudON2MF);
}

void frmMain::imgBaudOFF3MF_Click() {
    SelectSymbolRate(imgBaudON3MF);
}

void frmMain::SwitchShiftRange(PictureBox* clicked, PictureBox* other) {
    Station& st = *station_;
    if (st.shared.BandClass == 3) {
        // In EME the range also chooses the receive mode: not while a frame is received.
        if (st.receiver.RxLocked == 0 && !tmrTemporizador1Baudio.Enabled()) {
            clicked->setVisible(false);
            other->setVisible(true);
            st.receiver.ShowFrequencyShift();
            st.receiver.SetupReceiverBuffers();
        }
    } else {
        clicked->setVisible(false);
        other->setVisible(true);
        st.receiver.ShowFrequencyShift();
    }
    st.settings.SaveShiftRange(st.shared.BandClass, Visible(Control::imgAFC200));
}

void frmMain::imgAFC200_Click() {
    SwitchShiftRange(imgAFC200, imgAFC50);
}

void frmMain::imgAFC50_Click() {
    SwitchShiftRange(imgAFC50, imgAFC200);
}

void frmMain::imgONWaterFall_Click() {
    imgONWaterFall->setVisible(false);
    imgOFFWaterFall->setVisible(true);
    tmrPosicionCursor.SetEnabled(false);
    // Cleared, so that switching on again starts from an empty picture.
    FitWaterfallImage();
    pctWaterfall->setVisible(false);
    txtPosicionCursor->setVisible(false);
}

void frmMain::imgOFFWaterFall_Click() {
    imgOFFWaterFall->setVisible(false);
    imgONWaterFall->setVisible(true);
    tmrPosicionCursor.SetEnabled(true);
    pctWaterfall->setVisible(true);
    txtPosicionCursor->setVisible(true);
}
void frmMain::imgONAlarm_Click() {}
void frmMain::imgOFFAlarm_Click() {}
void frmMain::imgONBeacon_Click() {
    imgONBeacon->setVisible(false);
    imgOFFBeacon->setVisible(true);
    tmrBeacon.SetEnabled(false);
    txtTemporizadorBeacon->setVisible(false);
    station_->settings.beacon.ReportArmed = false;
}
void frmMain::imgOFFBeacon_Click() {}
void frmMain::imgScanON_Click() {
    // The scan stops where it is; a new start goes on after the last entry scanned.
    imgScanON->setVisible(false);
    imgScanOFF->setVisible(true);
    txtTemporizadorScan->setVisible(false);
    tmrScan.SetEnabled(false);
}
void frmMain::imgScanOFF_Click() {}

// --- picture buttons ---
void frmMain::pctCancelFrame_Click() {
    station_->receiver.CancelFrame();
    pctCancelFrame->setVisible(false);
    rtfVentanaTX->setFocus();
}
void frmMain::pctDetenerAlarma_Click() {}
void frmMain::pctFlechaArriba_Click() {}
void frmMain::pctFlechaArriba_DblClick() {}
void frmMain::pctFlechaAbajo_Click() {}
void frmMain::pctFlechaAbajo_DblClick() {}
void frmMain::pctADIF_Click() {}
void frmMain::imgQRZ_Click() {}
void frmMain::imgQRZ_MouseMove(int, int, float, float) {}
void frmMain::pctClusterLink_Click() {}
void frmMain::pctClusterLink2_Click() {}
void frmMain::pctBorrarMensaje_Click() {}
void frmMain::pctBorrarMensaje2_Click() {}

// --- buttons, boxes and the slider ---
void frmMain::cmdClearScreen_Click() {
    // The text not yet closed is kept in the session text (the operator is not asked yet).
    SessionLog& log = station_->sessionLog;
    if (!log.SessionLogLine.empty()) {
        log.SessionLogText += log.SessionLogLine;
        log.SessionLogLine.clear();
        log.SessionLogText += "\r\n\r\nCLEAR SCREEN\r\n";
    }
    // The band at the window's top keeps new text clear of the panels, so no blank lines are needed.
    TextWindow& rx = RxWindow();
    rx.SetText("");
    rx.SetSelStart(rx.TextLength());
    rx.SetSelFontSize(station_->shared.RxFontSize);
}
void frmMain::cmdClearVentanaTX_Click() {}
void frmMain::cmdClearVentanaTX_MouseMove(int, int, float, float) {}
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
void frmMain::txtDestination_Change() {}
void frmMain::txtDestination_Click() {}

// --- channel boxes ---
void frmMain::txt3583_Click() {}
void frmMain::txt3585_Click() {}
void frmMain::txt7040_Click() {}
void frmMain::txt7042_Click() {}
void frmMain::txt7044_Click() {}
void frmMain::txt10144_Click() {}
void frmMain::txt10145_Click() {}
void frmMain::txt14078_Click() {}
void frmMain::txt14101_Click() {}
void frmMain::txt14103_Click() {}
void frmMain::txt14113_Click() {}
void frmMain::txt18111_Click() {}
void frmMain::txt18113_Click() {}
void frmMain::txt21110_Click() {}
void frmMain::txt21114_Click() {}

// --- macro labels: Click, MouseMove (tool tip) and MouseDown (right button) ---
void frmMain::lblCQ_Click() {}
void frmMain::lblCQDX_Click() {}
void frmMain::lblCall_Click() {}
void frmMain::lblCALL2_Click() {}
void frmMain::lblMe_Click() {}
void frmMain::lblMe2_Click() {}
void frmMain::lblBye_Click() {}
void frmMain::lblBye2_Click() {}
void frmMain::lblStation_Click() {}
void frmMain::lblEmail_Click() {}
void frmMain::lblSN_Click() {}
void frmMain::lblRST599_Click() {}
void frmMain::lblQSL_Click() {}
void frmMain::lblQRZ_Click() {}
void frmMain::lblCustom_Click() {}
void frmMain::lblRepeat_Click() {}
void frmMain::lblCQ_MouseMove(int, int, float, float) {}
void frmMain::lblCQDX_MouseMove(int, int, float, float) {}
void frmMain::lblCall_MouseMove(int, int, float, float) {}
void frmMain::lblCALL2_MouseMove(int, int, float, float) {}
void frmMain::lblMe_MouseMove(int, int, float, float) {}
void frmMain::lblMe2_MouseMove(int, int, float, float) {}
void frmMain::lblBye_MouseMove(int, int, float, float) {}
void frmMain::lblBye2_MouseMove(int, int, float, float) {}
void frmMain::lblStation_MouseMove(int, int, float, float) {}
void frmMain::lblEmail_MouseMove(int, int, float, float) {}
void frmMain::lblSN_MouseMove(int, int, float, float) {}
void frmMain::lblRST599_MouseMove(int, int, float, float) {}
void frmMain::lblQSL_MouseMove(int, int, float, float) {}
void frmMain::lblQRZ_MouseMove(int, int, float, float) {}
void frmMain::lblCustom_MouseMove(int, int, float, float) {}
void frmMain::lblRepeat_MouseMove(int, int, float, float) {}
void frmMain::lblCQ_MouseDown(int, int, float, float) {}
void frmMain::lblCQDX_MouseDown(int, int, float, float) {}
void frmMain::lblCall_MouseDown(int, int, float, float) {}
void frmMain::lblCALL2_MouseDown(int, int, float, float) {}
void frmMain::lblMe_MouseDown(int, int, float, float) {}
void frmMain::lblMe2_MouseDown(int, int, float, float) {}
void frmMain::lblBye_MouseDown(int, int, float, float) {}
void frmMain::lblBye2_MouseDown(int, int, float, float) {}
void frmMain::lblStation_MouseDown(int, int, float, float) {}
void frmMain::lblEmail_MouseDown(int, int, float, float) {}
void frmMain::lblSN_MouseDown(int, int, float, float) {}
void frmMain::lblRST599_MouseDown(int, int, float, float) {}
void frmMain::lblQSL_MouseDown(int, int, float, float) {}
void frmMain::lblQRZ_MouseDown(int, int, float, float) {}
void frmMain::lblCustom_MouseDown(int, int, float, float) {}
void frmMain::lblRepeat_MouseDown(int, int, float, float) {}

// --- text windows: KeyDown may set KeyCode to 0, KeyPress may change or drop KeyAscii ---
void frmMain::rtfVentanaRX_KeyDown(int&, int) {}
void frmMain::rtfVentanaRX_KeyUp(int&, int) {}
void frmMain::rtfVentanaRX_MouseUp(int, int, float, float) {}
void frmMain::rtfClusterComentario_MouseUp(int, int, float, float) {}
void frmMain::rtfClusterComentario2_MouseUp(int, int, float, float) {}

// --- timer ticks (the cursor read-out, tmrPosicionCursor_Timer, is display only: frmMain.cpp) ---
void frmMain::tmrRX_Timer() {
    // A message box shown from inside a tick lets the timers run: the pump must not enter itself.
    if (inReceiveTick_) return;
    inReceiveTick_ = true;
    Receiver& rx = station_->receiver;
    // The receiver traps its own faults and starts afresh.
    rx.RxTick();
    const uint64_t lines = rx.GetWaterfall().LinesDrawn;
    if (lines != waterfallLines_) {
        waterfallLines_ = lines;
        RefreshWaterfall();
    }
    int step = 1;
    try {
        if (PendingFrequencyChange == 1) {
            txtFrecuencia_Change();
            PendingFrequencyChange = 0;
        }
        step = 2;
    } catch (const std::exception&) {
        PendingFrequencyChange = 0;
        station_->errorTraps.ReportTrappedError(19, std::to_string(step));
    }
    inReceiveTick_ = false;
}
void frmMain::tmrRefrescoVumetro_Timer() {
    station_->receiver.RefreshVuMeter();
}
void frmMain::tmrRefrescoMetrica_Timer() {
    station_->receiver.RefreshMetrics();
}
void frmMain::tmrRefrescoAdquisicion_Timer() {
    station_->receiver.RefreshAcquisitionMeter();
}
void frmMain::tmrRefrescoAdquisicionMaxima_Timer() {
    station_->receiver.ReleaseAcquisitionHold();
}
void frmMain::tmrRefrescoAdquisicionFinal_Timer() {
    station_->receiver.RefreshFinalAcquisitionMeter();
}
void frmMain::tmrRefrescoAdquisicionMaximaFinal_Timer() {
    station_->receiver.ReleaseFinalAcquisitionHold();
}
void frmMain::tmrRefrescoCPU_Timer() {
    station_->receiver.RefreshCpuMeter(1);
}
void frmMain::tmrCPUProteccion_Timer() {
    tmrCPUProteccion.SetEnabled(false);
    // The beacon's countdown restarts here too once the beacon exists.
    if (Visible(Control::imgONWaterFall)) {
        imgONWaterFall_Click();
        Boxes().Show("CPU Usage too high. Waterfall has been disabled. If you wish, set RX to 16-8 only",
                     "CPU Usage", BoxIcon::Exclamation);
    }
}
void frmMain::tmrEmail_Timer() {
    // The e-mail result has been on screen for its 4 s.
    tmrEmail.SetEnabled(false);
    SetVisible(Control::txtEmail, false);
}
void frmMain::tmrVolumenBeacon_Timer() {}
// The one-shots disarm before their action: a message box inside it lets timers run, and the action
// must run once per arming.
void frmMain::tmrCancelFrame_Timer() {
    tmrCancelFrame.SetEnabled(false);
    pctCancelFrame_Click();
}
void frmMain::tmrProcesarFinal_Timer() {
    tmrProcesarFinal.SetEnabled(false);
    Station& st = *station_;
    ProcessFinishedMessage(
        {st.receiver, RxWindow(), *this, st.sessionLog, st.shared, st.errorTraps, &st.messageServices});
}
void frmMain::tmrBeacon_Timer() {}
void frmMain::tmrAlarma_Timer() {
    // One alarm per arming; the alarm sounds come with the alarms window.
    tmrAlarma.SetEnabled(false);
}
void frmMain::tmrUTC_Timer() {
    UpdateUtcClock();
}
void frmMain::tmrResetTarjetaSonido_Timer() {
    // Reopened with the buffer size of the receive mode now chosen. Not while transmitting: the input
    // is closed then, and the end of the transmission reopens it with that size anyway.
    tmrResetTarjetaSonido.SetEnabled(false);
    if (station_->shared.TxRxState != 0) return;
    Receiver& rx = station_->receiver;
    rx.CloseSoundInput();
    rx.OpenSoundInput();
}
void frmMain::tmrScan_Timer() {}
void frmMain::tmrCambiarFrecuenciaCAT_Timer() {
    int32_t hz = PendingCatFrequency;
    if (station_->rig.WindowLoaded()) station_->rig.Window().CambiarFrecuencia(hz);
    tmrCambiarFrecuenciaCAT.SetEnabled(false);
    tmrCambiarFrecuenciaCAT.SetInterval(0);
}
void frmMain::tmrPSKreporter_Timer() {}
void frmMain::tmrEQSL_Timer() {}
void frmMain::tmrADIFCallsignChange_Timer() {}
void frmMain::tmrClusterLogin_Timer() {}
void frmMain::tmrClusterComprobarConexion_Timer() {}
void frmMain::tmrConexionServidorAuxiliar_Timer() {
    tmrConexionServidorAuxiliar.SetEnabled(false);
    // No connection 250 ms after the request: try the server's other address once.
    if (station_->online.ServerLinkState == 0) station_->online.CallsignServerRetry();
}
void frmMain::tmrOnline_Timer() {
    // The server-state lamps belong to the contact-entry window, which comes with the logbook.
    tmrOnline.SetEnabled(false);
}
void frmMain::tmrEnviarSpotPublico_Timer() {
    // The queued spot goes out on the cluster connection, which comes with the on-line services.
    tmrEnviarSpotPublico.SetEnabled(false);
}
void frmMain::tmrEnviarEmail_Timer() {
    tmrEnviarEmail.SetEnabled(false);  // one send per arming, even if a box lets timers run meanwhile
    station_->online.SendEmail();
    if (station_->online.EmailResult == 1) {
        SetBackColor(Control::txtEmail, kStatusYellow);
        SetText(Control::txtEmail, station_->texts.TxtEmailError);
    } else if (station_->online.EmailResult == 2) {
        SetBackColor(Control::txtEmail, kStatusGreen);
        SetText(Control::txtEmail, station_->texts.TxtEmailSent);
    }
    SetVisible(Control::txtEmail, true);
    tmrEmail.SetEnabled(true);
}

}  // namespace muv
