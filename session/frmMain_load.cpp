// The main window's load and unload, the UTC clock, and the procedures the program's other parts reach:
// the end of the program, a sound card that cannot be used, the processor-load meter, the alarm switch set
// by the settings.
#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSlider>
#include <cstdio>
#include <utility>

#include "common/vb.h"
#include "common/version.h"
#include "logbook/frmQsoEntry.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/thread_wake.h"
#include "platform/terminal_boxes.h"
#include "session/frequency_list.h"
#include "session/frmMain.h"
#include "session/keyboard_poll.h"
#include "session/station.h"

namespace muv {

namespace {

constexpr ColorRef kSnLabelDisabled = 0xE0E0E0;
constexpr ColorRef kWhite = RGB(255, 255, 255);

}  // namespace

frmMain::~frmMain() = default;

// --- window events ---
void frmMain::Form_Load() {
    Station& st = *station_;
    setWindowTitle(QString::fromLatin1(kVersionText) + QStringLiteral(" - MUV on Linux"));
    UpdateUtcClock();
    tmrUTC.SetInterval(1000);
    tmrUTC.SetEnabled(true);
    const UtcTime& now = st.shared.UtcNow;
    st.sessionLog.SessionLogText = "***************** New MUV Session: " + Format(now.hour, "00") + ":" +
                                   Format(now.minute, "00") + " *****************\r\n";
    cmdClearScreen->SetBackColor(kWhite);
    // The mode table is the standard one, built once for the whole program.
    st.settings.LoadDisplaySettings();
    st.settings.LoadClearScreenOption();
    tmrPosicionCursor.SetInterval(100);
    tmrTransmitting.SetInterval(1000);
    DrawMeterNeedle(kMeterFrequencyOffset, 50);
    SetText(Control::txtAFC, st.texts.TxtFrequencyShift + "0 Hz");
    lblSN->setEnabled(false);
    lblSN->SetBackColor(kSnLabelDisabled);
    st.settings.LoadFontSize();
    // A session starts without the last partner's details.
    frmQsoEntry& contact = st.QsoEntry();
    for (QLineEdit* box :
         {contact.txtNombre, contact.txtQTH, contact.txtLocator, contact.txtNotas, contact.txtDistancia})
        box->clear();
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
    if (!st.rig.CurrentRigOnline()) {
        // A 20 m calling frequency gives way to the one picked for this start.
        if (selected >= 12 && selected <= 15) {
            txtFrecuencia->setText(ToQString(Format(start / 1000.0, "0.0")));
            txtFrecuencia->setText(ToQString(KiloHertzText(start)));
        }
        // The rig answers only after the load: its check waits for its first frequency.
        if (st.rig.EngineRunning()) startRigCheckHz_ = start;
    } else {
        CheckOnlineRigAtStart(start);
    }

    sldVolumen->setMaximum(100);
    sldVolumen->setMinimum(0);
    sldVolumen->setTickPosition(QSlider::NoTicks);
    sldVolumen->setTickInterval(sldVolumen->maximum() / 10);
    sldVolumen->setSingleStep(sldVolumen->maximum() / 100);
    sldVolumen->setPageStep(sldVolumen->maximum() / 10);
    tmrVolumenSlider.SetInterval(200);
    tmrVolumenSlider.SetEnabled(true);
    // The shortcut keys run the keyboard timer's handler as they go down; the timer itself never fires
    // (no interval) and is the shortcuts' switch.
    tmrTeclas.SetInterval(0);
    tmrTeclas.SetEnabled(true);
}

void frmMain::CheckOnlineRigAtStart(int32_t startHz) {
    frmRig& rig = station_->rig.Window();
    if (rig.CatFrequencyHz > 14000000 && rig.CatFrequencyHz < 14350000) {
        int32_t hz = startHz;
        rig.CambiarFrecuencia(hz);
    }
    // The frequency last read: the retune shows once the rig reports it.
    txtFrecuencia->setText(ToQString(Format(rig.CatFrequencyHz / 1000.0, "0.0")));
    txtFrecuencia->setText(ToQString(KiloHertzText(rig.CatFrequencyHz)));
}

void frmMain::RigFrequencyRead() {
    // Once only: a rig that reconnects later keeps the frequency it is on.
    if (const std::optional<int32_t> start = std::exchange(startRigCheckHz_, std::nullopt))
        CheckOnlineRigAtStart(*start);
}

void frmMain::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    Station& st = *station_;
    auto step = [this](const char* name) {
        if (StepObserver) StepObserver(name);
    };
    // The transmitter is released before anything that might fail, and for good: the steps below may
    // show a message box, whose wait lets the timers run, and neither the beacon, F12, the slow-mode
    // pause nor the report answer may key it again meanwhile.
    step("ReleasePtt");
    // A transmission cut by the end leaves the card's sources as it found them, as its own end would.
    const bool transmitting = st.shared.TxRxState != 0;
    StopTransmittingForGood();
    ReleasePtt();
    st.rig.SettleRelease();
    const auto saveSessionLog = [&] {
        if (st.sessionLog.SessionLogDirty == 1 && st.settings.AutoSaveLogClose()) {
            step("SaveSessionLog");
            st.SaveSessionLog();
        }
    };
    // The session text is saved before anything else that might fail; in a shut-down that nobody
    // watches it is saved last instead, so that it carries what the steps before it had to say.
    if (!unattended_) saveSessionLog();
    step("CloseSoundOutput");
    st.transmitter.Output().CloseSoundOutput();
    if (transmitting) st.soundMixer.RestoreMixerSources();
    step("CloseSoundInput");
    st.receiver.CloseSoundInput();
    step("SaveSettings");
    {
        // One write of the settings file for all of them.
        SettingsFile::Batch batch(st.settings.Store());
        st.settings.SaveDisplaySettings();
        st.settings.SaveClearScreenOption();
        st.settings.SaveQsoFormSettings();
        st.settings.SaveFontSize();
        st.settings.SaveLastFrequency();
        st.settings.SaveSelectedProfile();
    }
    if (unattended_) saveSessionLog();
    // The reception reports that still wait go in a last datagram (sent at once, nothing to wait for);
    // then the callsign server's connection closes, and the cluster's.
    step("CloseSockets");
    st.online.PskReporterFlush();
    st.WinsockIndicativos.Close();
    st.WinsockCluster.Close();
    step("End");
    EndProgram(0);
}

void frmMain::CloseUnattended() {
    unattended_ = true;
    QtMessageBoxes::SetUnattended(true);  // the file pickers, and any box not shown through the window
    close();
}

BoxAnswer frmMain::WindowBoxes::Show(const std::string& text, const std::string& title, BoxIcon icon,
                                     BoxButtons buttons) {
    if (!window_.unattended_) return shown_.Show(text, title, icon, buttons);
    if (window_.station_) {
        SessionLog& log = window_.station_->sessionLog;
        log.SessionLogLine += "\r\n" + title + ": " + text;
        log.SessionLogDirty = 1;
    }
    return TerminalMessageBoxes(stderr, stderr, nullptr).Show(text, title, icon, buttons);
}

// --- procedures of the window ---
void frmMain::UpdateUtcClock() {
    UtcTime& now = station_->shared.UtcNow;
    now = SystemUtcNow();
    ShowClockDigits(now.hour, now.minute);
    // The contact window offers the date and time as the contact's end.
    frmQsoEntry& contact = station_->QsoEntry();
    contact.txtFecha->setText(
        ToQString(Format(now.month, "00") + "/" + Format(now.day, "00") + "/" + Format(now.year, "0000")));
    contact.txtTimeOFF->setText(ToQString(Format(now.hour, "00") + ":" + Format(now.minute, "00")));
}

void frmMain::tmrUTC_Timer() {
    UpdateUtcClock();
}

void frmMain::EndProgram(int code) {
    programEnded_ = true;
    exitCode_ = code;
    QCoreApplication::exit(code);
}

void frmMain::SoundCardFailure(const std::string& message) {
    // The program ends after the message. A transmission that cannot play is not left keyed, and none
    // starts while the message is read.
    StopTransmittingForGood();
    if (station_->shared.TxRxState != 0) {
        ReleasePtt();
        station_->soundMixer.RestoreMixerSources();
    }
    Boxes().Show(message, "SoundCard Error", BoxIcon::Critical);
    EndProgram(1);
}

void frmMain::StopTransmittingForGood() {
    closing_ = true;
    for (Timer* timer :
         {&tmrTX, &tmrTXTonoPiloto, &tmrTonoTest, &tmrBeacon, &tmrTemporizador1Baudio, &tmrTeclas})
        timer->SetEnabled(false);
}

void frmMain::OpenCpuCounter() {
    cpuCounterAvailable_ = station_->processorLoad.Open();
    if (cpuCounterAvailable_) {
        tmrRefrescoCPU.SetInterval(1000);
        tmrRefrescoCPU.SetEnabled(true);
    }
}

// --- DisplaySettingsTarget ---
void frmMain::ShowAlarmOn(bool on) {
    imgONAlarm->setVisible(on);
    imgOFFAlarm->setVisible(!on);
    SyncSwitches();
}

int frmMain::FirstTickedItem(SettingsMenu menu) const {
    auto first = [](const auto& items) {
        for (size_t i = 1; i < items.size(); ++i)
            if (items[i] && items[i]->isChecked()) return static_cast<int>(i);
        return 0;
    };
    switch (menu) {
        case SettingsMenu::EstiloMenu:
            return first(mnuEstiloMenu);
        case SettingsMenu::FrequenciesList:
            return first(mnuFrequenciesList);
        case SettingsMenu::Colour:
            return first(mnuColour);
        case SettingsMenu::Resolucion:
            return first(mnuResolucion);
        case SettingsMenu::TipoIdioma:
            return first(mnuTipoIdioma);
        case SettingsMenu::Font:
            return first(mnuFont);
    }
    return 0;
}

bool frmMain::PictureShown(std::string_view name) const {
    const QWidget* picture = FindControl(name);
    return picture && !picture->isHidden();
}

std::string frmMain::FrequencyBoxText() const {
    return FromQString(txtFrecuencia->text());
}

void frmMain::SetFrequencyBoxText(const std::string& text) {
    txtFrecuencia->setText(ToQString(text));
}

}  // namespace muv
