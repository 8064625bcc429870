// The main window's side of transmitting: the TX/RX switch and the tune button, the transmit pumps, the
// transmit indicator's blink and the pause after a slow-mode transmission, the transmit window's key
// filters, the keyboard shortcuts, the end of a transmission and of the tune tone, keying and the rig
// window's calls back, and the volume slider.
#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "common/vb.h"
#include "platform/qt/event_wait.h"
#include "session/frmMain.h"
#include "session/keyboard_poll.h"
#include "session/macro_text.h"
#include "session/station.h"

namespace muv {

namespace {

constexpr ColorRef kButtonGrey = 0xE0E0E0;
constexpr ColorRef kBlinkDark = 0xDFDFDF;

}  // namespace

// --- helpers ---

void frmMain::SetFrequencyMenuEnabled(bool enabled) {
    for (size_t i = 1; i < mnuFrequenciesList.size(); ++i)
        mnuFrequenciesList[i]->setEnabled(enabled);
}

int32_t frmMain::DisplayedFrequencyHz() const {
    // An empty box, a text that is no plain number, or a number that is no frequency tunes nothing.
    return TunableFrequencyHz(FromQString(txtFrecuencia->text())).value_or(0);
}

// --- the switch ---

void frmMain::cmdTX_RX_Click() {
    Station& st = *station_;
    Transmitter& tx = st.transmitter;
    tmrCambiarFrecuenciaCAT.SetInterval(0);
    tmrCambiarFrecuenciaCAT.SetEnabled(false);
    int32_t hz = DisplayedFrequencyHz();
    if (st.rig.WindowLoaded()) st.rig.Window().CambiarFrecuencia(hz);

    const bool beaconOn = Visible(Control::imgONBeacon);
    if (st.shared.TxRxState == 0) {
        // Whatever presses the switch once the program is ending (a timer, the report answer, a click)
        // keys nothing: the transmitter has been released for the last time.
        if (closing_) {
            tx.TestToneFlag = 0;
            ShowTuneIdle();
            return;
        }
        if (beaconOn && st.settings.BeaconModeSelected() != BeaconMode::ReportOnly) {
            if (Visible(Control::fraSymbolRateHF)) {
                imgRXOFF1_Click();
            } else if (Visible(Control::fraSymbolRateMF)) {
                imgRXOFF1MF_Click();
            }
        }
        if (st.keying.KeyPtt() != 1) {
            // The tune button is back to idle after the failure: the next press must send data.
            tx.TestToneFlag = 0;
            return;
        }
        stopCause_ = StopCause::kNone;
        st.dds.Rearm();
        if (!beaconOn) st.online.CallsignServerRequest(CallsignServerCode::Activity);
        imgScanON_Click();
        imgOFFBeacon->setEnabled(false);
        txtTemporizadorBeacon->setVisible(false);
        txtModo->SetBackColor(kStatusRed);
        txtTransmitting->SetBackColor(kStatusRed);
        tmrTransmitting.SetEnabled(true);
        txtTransmitting->setVisible(true);
        SetFrequencyMenuEnabled(false);
        st.rig.Window().ProtejerOpcionesRig();
        if (tx.TestToneFlag == 0 && !beaconOn) rtfVentanaTX->setFocus();
        st.shared.TxRxState = 1;
        ++transmissionsStarted_;
        tmrRX.SetEnabled(false);
        txtTransmitting->setText(QStringLiteral("PTT ON"));
        cmdTX_RX->setText(QStringLiteral("STOP"));
        st.SoundCard().cmdOK->setEnabled(false);
        FitWaterfallImage();  // the picture cleared
        tmrPosicionCursor.SetEnabled(false);
        if (tx.TestToneFlag == 1) {
            txtTonoDePrueba->setVisible(true);
            tx.StartTestTone();
        } else {
            imgTuneOFF->setEnabled(false);
            txtTonoDePrueba->setVisible(false);
            rxLengthBeforeTx_ = RxWindow().TextLength();
            sessionLengthBeforeTx_ = st.sessionLog.SessionLogLine.size();
            sessionDirtyBeforeTx_ = st.sessionLog.SessionLogDirty;
            tx.StartTransmission();
        }
        rtfVentanaTX->setFocus();
    } else if (st.shared.TxRxState == 1) {
        if (tx.TestToneFlag == 1) {
            tx.TxStopRequest = 2;
        } else {
            // The encoder sends the rest of the text, the end marks and the closing bits, then ends.
            txtModo->SetBackColor(kStatusYellow);
            txtTransmitting->SetBackColor(kStatusYellow);
            cmdTX_RX->setEnabled(false);
            cmdTX_RX->setText(QStringLiteral("WAIT"));
            cmdTX_RX->SetBackColor(kStatusYellow);
        }
        st.SoundCard().cmdOK->setEnabled(false);
        st.shared.TxRxState = 2;
        tmrTransmitting.SetEnabled(false);
        if (tx.TestToneFlag == 0 && !beaconOn) rtfVentanaTX->setFocus();
        imgTuneON->setVisible(false);
        imgTuneOFF->setVisible(true);
    }
}

void frmMain::imgTuneOFF_Click() {
    imgTuneON->setVisible(true);
    imgTuneOFF->setVisible(false);
    station_->transmitter.TestToneFlag = 1;
    cmdTX_RX_Click();
}

void frmMain::imgTuneON_Click() {
    imgTuneON->setVisible(false);
    imgTuneOFF->setVisible(true);
    cmdTX_RX_Click();
}

// --- pumps, blink and the slow-mode pause ---

void frmMain::tmrTXTonoPiloto_Timer() {
    station_->transmitter.PilotToneTick();
}

void frmMain::tmrTX_Timer() {
    station_->transmitter.TxTick();
}

void frmMain::tmrTonoTest_Timer() {
    station_->transmitter.TestToneTick();
}

void frmMain::tmrTransmitting_Timer() {
    if (BlinkPhase != 0) {
        txtModo->SetBackColor(kStatusRed);
        txtTransmitting->SetBackColor(kStatusRed);
        cmdTX_RX->SetBackColor(kStatusRed);
        BlinkPhase = 0;
    } else {
        txtTransmitting->SetBackColor(kBlinkDark);
        cmdTX_RX->SetBackColor(kBlinkDark);
        BlinkPhase = 1;
    }
}

void frmMain::tmrTemporizador1Baudio_Timer() {
    Station& st = *station_;
    if (st.transmitter.TxMode().TxWaitClass == 1) {
        txtTemporizador1Baudio->setVisible(true);
        cmdTX_RX->SetBackColor(kButtonGrey);
        cmdTX_RX->setEnabled(false);
    } else {
        // A mode change during the pause frees the button while the count runs on.
        txtTemporizador1Baudio->setVisible(false);
        cmdTX_RX->SetBackColor(kStatusRed);
        cmdTX_RX->setEnabled(true);
    }
    txtTemporizador1Baudio->setText(ToQString("WAIT... " + std::to_string(SlowModeCountdown)));
    if (SlowModeCountdown == 0) {
        PararTemporizadorMargen();
        // A beacon that is on with its countdown stopped goes now. Not in the report-only mode, which
        // sends no beacon: the switch would send the text left in the window again after every wait.
        if (Visible(Control::imgONBeacon) && st.settings.BeaconModeSelected() != BeaconMode::ReportOnly &&
            !tmrBeacon.Enabled()) {
            cmdTX_RX_Click();
            // Only a transmission that started is asked to end.
            if (st.shared.TxRxState == 1) cmdTX_RX_Click();
        }
    }
    --SlowModeCountdown;
}

// --- the transmit window's keys ---

void frmMain::rtfVentanaTX_KeyDown(int& KeyCode, int) {
    if (KeyCode == 33) {
        pctFlechaArriba_Click();
        return;
    }
    if (KeyCode == 34) {
        pctFlechaAbajo_Click();
        return;
    }
    Transmitter& tx = station_->transmitter;
    if (tx.TxStopRequest != 0) return;
    const int32_t sent = SentTxCharacters();
    TextWindow& window = TxWindow();
    const int32_t caret = window.SelStart();
    // Text already sent cannot be edited; the caret may still move through it.
    if (caret < sent && KeyCode != 37 && KeyCode != 39) KeyCode = 0;
    // A Backspace right at the send position takes back the last character sent, unless it only
    // deletes a selection of unsent text, or the character set has no Backspace to send.
    if (caret == sent && KeyCode == 8 && window.SelLength() == 0 && !ReducedCharacterSet())
        tx.TxCaretAtSentPosition = 1;
}

void frmMain::rtfVentanaTX_KeyPress(int& KeyAscii) {
    Transmitter& tx = station_->transmitter;
    if (ReducedCharacterSet()) {
        if (KeyAscii > 122 || KeyAscii == 96 || KeyAscii == 59 || KeyAscii == 39 || KeyAscii < 32) {
            KeyAscii = 0;
        } else if (KeyAscii >= 97) {
            KeyAscii -= 32;
        }
    }
    if (tx.TxCaretAtSentPosition == 1 && tx.TxStopRequest == 0) tx.TxBackspaceRequest = KeyAscii == 8 ? 1 : 0;
    TxWindow().SetSelColor(kBlack);
}

bool frmMain::SendingText() const {
    const Station& st = *station_;
    return st.shared.TxRxState != 0 && st.transmitter.TestToneFlag == 0;
}

int32_t frmMain::SentTxCharacters() const {
    return SendingText() ? station_->transmitter.TxSentPosition : 0;
}

bool frmMain::ReducedCharacterSet() const {
    const uint8_t band = station_->shared.BandClass;
    return (band == 1 && Visible(Control::imgBaudON3MF)) || band == 3;
}

// --- keyboard shortcuts ---

void frmMain::AskForShortcuts() {
    if (shortcutsAsked_) return;
    shortcutsAsked_ = true;
    QMetaObject::invokeMethod(
        this, [this] { RunShortcuts(); }, Qt::QueuedConnection);
}

void frmMain::RunShortcuts() {
    shortcutsAsked_ = false;
    // The keyboard timer's switch is the shortcuts': on from the load until the program ends.
    if (!tmrTeclas.Enabled()) return;
    tmrTeclas_Timer();
    // One shortcut acts at a time; a key pressed together with it acts next.
    if (keyboard_->AnyPressed()) AskForShortcuts();
}

void frmMain::tmrTeclas_Timer() {
    const bool active = ApplicationActive ? ApplicationActive()
                                          : QGuiApplication::applicationState() == Qt::ApplicationActive;
    // Keys pressed in another program, in the Esc confirmation or while a transmission is being
    // closed are not the shortcuts' business.
    if (!active || emergencyBoxUp_ || endingTransmission_) {
        keyboard_->Forget();
        return;
    }
    const bool esc = keyboard_->Pressed(Qt::Key_Escape);
    const QString caption = cmdTX_RX->text();
    if (caption == QStringLiteral("WAIT") || caption == QStringLiteral("STOP")) {
        if (esc) ConfirmEmergencyStop();
    } else if (esc && Visible(Control::pctCancelFrame)) {
        pctCancelFrame_Click();
    }

    const uint8_t band = station_->shared.BandClass;
    // F1 to F10 press macro labels (by their numbers: CQ, CALLx2, CALL, ME, STATION, BYE, Custom1, @,
    // S/N, QSL), F11 clears the transmit window, F12 is the TX/RX switch.
    struct Shortcut {
        int key;
        bool allowed;
        int macro;  // 0: not a macro label
        void (frmMain::*action)();
    };
    const Shortcut shortcuts[] = {
        {Qt::Key_F1, true, 1, nullptr},
        {Qt::Key_F2, band == 2 || (band == 1 && !Visible(Control::imgBaudON3MF)), 10, nullptr},
        {Qt::Key_F3, true, 2, nullptr},
        {Qt::Key_F4, true, 3, nullptr},
        {Qt::Key_F5, true, 5, nullptr},
        {Qt::Key_F6, true, 4, nullptr},
        {Qt::Key_F7, true, 8, nullptr},
        {Qt::Key_F8, true, 13, nullptr},
        {Qt::Key_F9, Enabled(Control::lblSN), 6, nullptr},
        {Qt::Key_F10, true, 7, nullptr},
        {Qt::Key_F11, true, 0, &frmMain::cmdClearVentanaTX_Click},
        {Qt::Key_F12, Enabled(Control::cmdTX_RX), 0, &frmMain::cmdTX_RX_Click},
    };
    for (const Shortcut& s : shortcuts) {
        if (keyboard_->Pressed(s.key) && s.allowed) {
            if (s.macro != 0) {
                MacroLabel_Click(s.macro);
            } else {
                (this->*s.action)();
            }
            break;
        }
    }
}

void frmMain::ConfirmEmergencyStop() {
    // The box waits in an event loop of its own: the transmission runs on meanwhile, may end, and
    // another may start. Only the transmission the operator meant is cut, and only while it runs.
    const uint32_t meant = transmissionsStarted_;
    emergencyBoxUp_ = true;
    const BoxAnswer answer = Boxes().Show("The message will be cut. Are you sure?", "Emergency Stop",
                                          BoxIcon::Information, BoxButtons::YesNo);
    emergencyBoxUp_ = false;
    Station& st = *station_;
    if (answer == BoxAnswer::Yes && st.shared.TxRxState != 0 && transmissionsStarted_ == meant)
        st.transmitter.TxStopRequest = 2;
}

// --- the end of a transmission ---

void frmMain::WaitForQueuedSound() {
    // The key stays down until the device has played the last sample: what is left of the output ring
    // (up to 20 buffers, 1.5 s, when the last one is queued) and what the sound card or sound server
    // holds beyond it, with a little to spare for a device that says its delay roughly. At most 1500 ms,
    // or when more than that is still to be heard (the slowest modes' buffers are longer), all of it
    // with half a second to spare for a device slower than its rate.
    constexpr qint64 kSpareMs = 30;
    const SoundOutputDevice& device = station_->transmitter.Output().Device();
    const qint64 unheardMs = static_cast<qint64>(device.UnheardSamples()) * 1000 / kSampleRate;
    const qint64 limit = std::max<qint64>(1500, unheardMs + 500);
    QElapsedTimer clock;
    clock.start();
    while (device.UnheardSamples() > 0 && clock.elapsed() < limit)
        LetEventsRun(1);
    const qint64 end = std::min(clock.elapsed() + kSpareMs, limit);
    if (clock.elapsed() < end) LetEventsRun(static_cast<int>(end - clock.elapsed()));
}

void frmMain::EndTransmission() {
    Station& st = *station_;
    Transmitter& tx = st.transmitter;
    endingTransmission_ = true;
    const StopCause cause = std::exchange(stopCause_, StopCause::kNone);
    // Sound nobody hears on the air is not waited for.
    if (cause == StopCause::kNone) WaitForQueuedSound();
    const bool wentOut = cause != StopCause::kKeyRefused;
    if (wentOut) LastTxText = TxWindow().Text();

    TextWindow& rx = RxWindow();
    auto endMark = [&rx](const char* mark) {
        rx.SetSelStart(rx.TextLength());
        rx.SetSelText(mark);
        rx.SetSelStart(rx.TextLength());
    };
    std::string& sessionLine = st.sessionLog.SessionLogLine;
    if (!wentOut) {
        UndoUnsentTransmission();
    } else if (tx.TxStopRequest == 1) {
        endMark(" <STOP>");
        sessionLine += " <STOP>";
        if (tx.TxMode().TxWaitClass == 1) {
            SlowModeCountdown = 40;
            tmrTemporizador1Baudio.SetEnabled(true);
        }
        if (Visible(Control::imgONBeacon)) {
            if (st.settings.beacon.ReportArmed) {
                txtTemporizadorBeacon->SetBackColor(kStatusYellow);
                BeaconCountdown = 180;
                tmrBeacon.SetEnabled(true);
            } else if (st.settings.BeaconModeSelected() != BeaconMode::ReportOnly) {
                BeaconCountdown = static_cast<int16_t>(st.settings.BeaconPeriod());
                txtTemporizadorBeacon->SetBackColor(kStatusGreen);
                tmrBeacon.SetEnabled(true);
            } else {
                txtTemporizadorBeacon->SetBackColor(kStatusGreen);
                txtTemporizadorBeacon->setText(QStringLiteral("Beacon: Listening"));
                txtTemporizadorBeacon->setVisible(true);
            }
        }
    } else {
        endMark(" <CANCEL>");
        imgONBeacon_Click();
        sessionLine += " <CANCEL>";
    }
    if (wentOut)
        sessionLine += " " + Format(Val(FromQString(txtFrecuencia->text())) / 1000, "0.000") + " Mhz";

    StopTransmitIndicator();
    ReleasePtt();
    tx.Output().CloseSoundOutput();

    TextWindow& txWindow = TxWindow();
    // The text stays for the next time, all black again: after a macro, with the beacon on, and when the
    // transmitter lost its key (whatever of it went out may not have been heard).
    if (Visible(Control::imgONBeacon) || MacroClearedTx == 1 || cause != StopCause::kNone) {
        // The text stays for the next time, all black again.
        const std::string text = txWindow.Text();
        txWindow.SetText("");
        txWindow.SetSelStart(0);
        txWindow.SetSelColor(kBlack);
        txWindow.SetSelText(text);
    } else {
        txWindow.SetText("");
        txWindow.SetSelColor(kBlack);
        MacroClearedTx = 0;
    }
    if (Visible(Control::imgONWaterFall)) tmrPosicionCursor.SetEnabled(true);
    st.shared.TxRxState = 0;
    txtModo->SetBackColor(kStatusGreen);
    cmdTX_RX->setEnabled(true);
    cmdTX_RX->setText(QStringLiteral("PTT"));
    cmdTX_RX->SetBackColor(kStatusRed);
    for (TextBox* label : {lblCQ, lblCALL2, lblCustom})
        label->setEnabled(true);
    st.SoundCard().cmdOK->setEnabled(true);
    imgTuneOFF->setEnabled(true);
    SetFrequencyMenuEnabled(true);
    st.rig.Window().ActivarOpcionesRig();
    st.soundMixer.RestoreMixerSources();
    st.receiver.OpenSoundInput();
    st.receiver.RestartReceiver();
    if (st.settings.beacon.ReportArmed) {
        st.settings.beacon.ReportArmed = false;
        // Put aside as the program's text (the beacon window's), back as the modem's.
        txWindow.SetText(ModemText(st.settings.beacon.SavedTxText));
    }
    txWindow.SetLocked(false);
    txWindow.SetSelColor(kBlack);
    endingTransmission_ = false;
}

// --- the end of the tune tone, around the transmitter's own steps ---

void frmMain::TestToneStopping() {
    StopTransmitIndicator();
}

void frmMain::StopTransmitIndicator() {
    tmrTransmitting.SetEnabled(false);
    txtTransmitting->setVisible(false);
}

void frmMain::TestToneStopped() {
    Station& st = *station_;
    if (Visible(Control::imgONWaterFall)) tmrPosicionCursor.SetEnabled(true);
    cmdTX_RX->setEnabled(true);
    cmdTX_RX->setText(QStringLiteral("PTT"));
    cmdTX_RX->SetBackColor(kStatusRed);
    for (TextBox* label : {lblCQ, lblCALL2, lblCustom})
        label->setEnabled(true);
    txtModo->SetBackColor(kStatusGreen);
    st.SoundCard().cmdOK->setEnabled(true);
    imgTuneON->setVisible(false);
    imgTuneOFF->setVisible(true);
    SetFrequencyMenuEnabled(true);
    st.rig.Window().ActivarOpcionesRig();
    st.soundMixer.RestoreMixerSources();
    st.receiver.OpenSoundInput();
    st.receiver.RestartReceiver();
}

// --- keying ---

void frmMain::ReleasePtt() {
    // Nothing can have been keyed before the rig window, which holds the keying choice, was loaded.
    if (!station_->rig.WindowLoaded()) return;
    std::string warning = station_->keying.ReleasePtt();
    if (warning.empty()) return;
    // At the program's end there is no later: the box is shown now.
    if (closing_) {
        Boxes().Show(warning, "Port Error", BoxIcon::Critical);
    } else {
        ShowBoxLater(std::move(warning), "Port Error");
    }
}

void frmMain::StopUnkeyedTransmission() {
    Station& st = *station_;
    if (st.shared.TxRxState == 0) return;
    StopTransmitIndicator();
    stopCause_ = StopCause::kKeyRefused;
    st.transmitter.TxStopRequest = 2;
}

void frmMain::StopKeyLostTransmission() {
    Station& st = *station_;
    if (st.shared.TxRxState == 0) return;
    StopTransmitIndicator();
    // A transmission whose key was never taken is one that never went out.
    if (stopCause_ == StopCause::kNone) stopCause_ = StopCause::kKeyLost;
    st.transmitter.TxStopRequest = 2;
}

void frmMain::ShowPttKeyed(bool keyed) {
    if (station_->shared.TxRxState == 0 || !txtTransmitting->isVisible()) return;
    txtTransmitting->setText(keyed ? QStringLiteral("PTT ON") : QStringLiteral("PTT OFF"));
}

void frmMain::DdsBoxFailed(const std::string& why) {
    if (station_->shared.TxRxState == 0) return;
    StopKeyLostTransmission();
    ShowBoxLater("The transmission was stopped: the DDS box on COM" +
                     Str(station_->comPuertoSerie.CommPort()) + " does not take its lines (" + why + ").",
                 "Port Error");
    QMetaObject::invokeMethod(
        this,
        [this] {
            FocusTransmitWindow();
            imgONBeacon_Click();
            ShowTuneIdle();
        },
        Qt::QueuedConnection);
}

void frmMain::ShowBoxLater(std::string text, std::string title) {
    QMetaObject::invokeMethod(
        this,
        [this, text = std::move(text), title = std::move(title)] {
            Boxes().Show(text, title, BoxIcon::Critical);
        },
        Qt::QueuedConnection);
}

void frmMain::UndoUnsentTransmission() {
    TextWindow& rx = RxWindow();
    if (rx.TextLength() > rxLengthBeforeTx_) {
        rx.SetSelStart(rxLengthBeforeTx_);
        rx.SetSelLength(rx.TextLength() - rxLengthBeforeTx_);
        rx.SetSelText("");
    }
    rx.SetSelStart(rx.TextLength());
    SessionLog& log = station_->sessionLog;
    if (log.SessionLogLine.size() >= sessionLengthBeforeTx_) {
        log.SessionLogLine.resize(sessionLengthBeforeTx_);
        log.SessionLogDirty = sessionDirtyBeforeTx_;
    }
}

void frmMain::FocusTransmitWindow() {
    rtfVentanaTX->setFocus();
}

void frmMain::ShowTuneIdle() {
    imgTuneON->setVisible(false);
    imgTuneOFF->setVisible(true);
}

void frmMain::SetFrequencyBoxLocked(bool locked) {
    txtFrecuencia->setReadOnly(locked);
}

void frmMain::SetScanMenuEnabled(bool enabled) {
    mnuScan->setEnabled(enabled);
}

// --- the volume slider ---

void frmMain::sldVolumen_Change() {
    if (station_) station_->volume.sldVolumen_Change();
}

void frmMain::sldVolumen_Scroll() {
    rtfVentanaTX->setFocus();
}

void frmMain::txtMute_Click() {
    station_->volume.txtMute_Click();
    rtfVentanaTX->setFocus();
}

void frmMain::tmrVolumenSlider_Timer() {
    station_->volume.tmrVolumenSlider_Timer();
}

// --- the transmit window's clear button ---

void frmMain::cmdClearVentanaTX_Click() {
    Transmitter& tx = station_->transmitter;
    TextWindow& window = TxWindow();
    if (tx.TxStopRequest == 0) {
        // A transmission running (or none yet): only the text not sent yet goes.
        window.SetSelStart(SentTxCharacters());
        window.SetSelLength(window.TextLength() - window.SelStart());
        window.SetSelText("");
        window.SetSelColor(kBlack);
    } else {
        window.SetText("");
    }
    FocusTransmitWindow();
    MacroClearedTx = 0;
}

void frmMain::cmdClearVentanaTX_MouseMove(int, int, float, float) {
    cmdClearVentanaTX->setToolTip(QStringLiteral("Clear TX Windows"));
}

}  // namespace muv
