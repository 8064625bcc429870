// The receive side of the main window: the receive pump, the meters' refreshers, the processor-load
// guard, the frame cancel and the end of a received message, the sound input's reopening, the receive
// window and its clearing.
#include <exception>
#include <string>

#include "logbook/frmQsoEntry.h"
#include "platform/qt/thread_wake.h"
#include "platform/sound_device.h"
#include "receiver/waterfall.h"
#include "session/frmMain.h"
#include "session/message_closing.h"
#include "session/station.h"
#include "session/word_pick.h"

namespace muv {

// --- picture buttons ---
void frmMain::pctCancelFrame_Click() {
    station_->receiver.CancelFrame();
    pctCancelFrame->setVisible(false);
    rtfVentanaTX->setFocus();
}

// --- buttons, boxes and the slider ---
void frmMain::cmdClearScreen_Click() {
    // The text not yet closed into the session record is offered to it first; the last answer is the
    // next question's default.
    SessionLog& log = station_->sessionLog;
    Settings& settings = station_->settings;
    if (!log.SessionLogLine.empty()) {
        const BoxAnswer answer = Boxes().Show(
            "Save Log?", "Save Log", BoxIcon::Information,
            settings.ClearSaveLogFlag == 0 ? BoxButtons::YesNoCancel : BoxButtons::YesNoCancelDefaultNo);
        if (answer == BoxAnswer::Cancel) return;
        if (answer == BoxAnswer::Yes) {
            log.SessionLogText += log.SessionLogLine;
            settings.ClearSaveLogFlag = 0;
        } else {
            settings.ClearSaveLogFlag = 256;
        }
        log.SessionLogLine.clear();
        log.SessionLogText += "\r\n\r\nCLEAR SCREEN\r\n";
    }
    // The band at the window's top keeps new text clear of the panels, so no blank lines are needed.
    TextWindow& rx = RxWindow();
    rx.SetText("");
    rx.SetSelStart(rx.TextLength());
    rx.SetSelFontSize(station_->shared.RxFontSize);
}

// --- text windows: KeyDown may set KeyCode to 0, KeyPress may change or drop KeyAscii ---
void frmMain::rtfVentanaRX_KeyDown(int& KeyCode, int Shift) {
    if (KeyCode == 33) {
        pctFlechaArriba_Click();
    } else if (KeyCode == 34) {
        pctFlechaAbajo_Click();
    } else if (Shift == 2) {
        CtrlHeld = 1;
    }
}

void frmMain::rtfVentanaRX_KeyUp(int&, int) {
    CtrlHeld = 0;
}

void frmMain::rtfVentanaRX_MouseUp(int, int, float, float) {
    // A plain click on a word takes it; a selection made with the mouse is left alone.
    TextWindow& rx = RxWindow();
    if (rx.SelLength() > 0) return;
    // The word goes from the modem's text into the program's boxes.
    const WordSpan span = WordAtCaret(rx.Text(), rx.SelStart(), TextCoding::kCp1252);
    if (span.length == 0) return;
    rx.SetSelStart(span.start);
    rx.SetSelLength(span.length);
    const std::string& word = span.word;
    const WordTarget target = PickedWordTarget(word, CtrlHeld == 1);
    if (target == WordTarget::Callsign) {
        txtDestination->setText(ToQString(word));
    } else if (target != WordTarget::None) {
        frmQsoEntry& contact = station_->QsoEntry();
        QLineEdit* box = target == WordTarget::Qth       ? contact.txtQTH
                         : target == WordTarget::Locator ? contact.txtLocator
                                                         : contact.txtNombre;
        box->setText(ToQString(word));
    }
}

// --- the receive pump ---
namespace {

// How long the pump timer waits, after the last buffer taken, before it looks at a device that says
// when its buffers are full: a lost notice costs at most this much delay, and the 50 buffers of the
// input hold more than three seconds.
constexpr int kWokenPumpIntervalMs = 250;

}  // namespace

bool frmMain::WakeReceivePumpOn(SoundInputDevice& device) {
    auto wake = std::make_unique<ThreadWake>([this] { ReceivePumpWoken(); });
    ThreadWake* ask = wake.get();
    if (!device.SetFilledNotifier([ask] { ask->Ask(); })) return false;
    receiveWake_ = std::move(wake);
    return true;
}

int frmMain::ReceivePumpInterval() const {
    return receiveWake_ ? kWokenPumpIntervalMs : 1;
}

void frmMain::ReceivePumpWoken() {
    // The pump timer's switch is the pump's: off while the receiver is rebuilt or the input is closed.
    if (!tmrRX.Enabled()) return;
    const int16_t before = station_->receiver.Input().NextInputBuffer;
    tmrRX_Timer();
    if (station_->receiver.Input().NextInputBuffer == before) return;
    // The device is delivering: the pump timer's look is put off (setting the interval starts its
    // period anew), so that it only comes when the notices stop.
    tmrRX.SetInterval(tmrRX.Interval());
    // A tick takes one buffer. While it takes one, more may be waiting (a long tick, a box that was
    // up): the pump runs again once the events that came meanwhile have had their turn.
    receiveWake_->Ask();
}

// --- timer ticks (the cursor read-out, tmrPosicionCursor_Timer, is display only: frmMain.cpp) ---
void frmMain::tmrRX_Timer() {
    // A message box shown from inside a tick lets the timers run: the pump must not enter itself.
    if (inReceiveTick_) return;
    inReceiveTick_ = true;
    Receiver& rx = station_->receiver;
    // The receiver traps its own faults and starts afresh.
    rx.RxTick();
    // The picture scrolls every 1023 samples of the decimated sound (8000 a second, 48000 / 7 on MF),
    // and shows the rows that a burst of sound brought at that pace.
    const int decimation = station_->shared.BandClass == 1 ? 7 : 6;
    pctWaterfall->SetRowPeriod(1000.0 * kWaterfallScrollPeriod * decimation / kSampleRate);
    RefreshWaterfall();
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
    RestartBeaconCountdown();
    if (Visible(Control::imgONWaterFall)) {
        imgONWaterFall_Click();
        Boxes().Show("CPU Usage too high. Waterfall has been disabled. If you wish, set RX to 16-8 only",
                     "CPU Usage", BoxIcon::Exclamation);
    }
}

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

void frmMain::tmrResetTarjetaSonido_Timer() {
    // Reopened with the buffer size of the receive mode now chosen. Not while transmitting: the input
    // is closed then, and the end of the transmission reopens it with that size anyway.
    tmrResetTarjetaSonido.SetEnabled(false);
    if (station_->shared.TxRxState != 0) return;
    Receiver& rx = station_->receiver;
    rx.CloseSoundInput();
    rx.OpenSoundInput();
}

}  // namespace muv
