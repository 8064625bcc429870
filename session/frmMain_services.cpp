// What the main window does for the modules it drives: the receiver's and the transmitter's host, the
// sound-card window's host, the error reporter, and the services that closing a received message
// reaches. Services whose windows do not exist yet answer as those windows do with nothing set: no
// locator, no alarms wanted, no e-mail, no log.
#include <QCoreApplication>
#include <QSlider>

#include "logbook/callsign.h"
#include "session/frmMain.h"
#include "session/station.h"

namespace muv {

namespace {

// The colour the macros window gives the S/N macro until the operator chooses one.
constexpr ColorRef kMacroSnColour = RGB(232, 232, 232);

}  // namespace

void frmMain::EndProgram(int code) {
    programEnded_ = true;
    exitCode_ = code;
    QCoreApplication::exit(code);
}

// --- ReceiverHost, TransmitterHost, SoundCardWindowHost ---

int frmMain::InputDeviceIndex() const {
    return station_->SoundCard().InputListIndex();
}

void frmMain::SetInputDeviceIndex(int index) {
    station_->SoundCard().SetInputListIndex(index);
}

void frmMain::SoundCardFailure(const std::string& message) {
    // A transmission that cannot play is not left keyed, neither while the message is read nor after.
    if (station_->shared.TxRxState != 0) {
        for (Timer* pump : {&tmrTX, &tmrTXTonoPiloto, &tmrTonoTest})
            pump->SetEnabled(false);
        ReleasePtt();
    }
    Boxes().Show(message, "SoundCard Error", BoxIcon::Critical);
    EndProgram(1);
}

int32_t frmMain::CatFrequencyHz() const {
    return station_->RigWindowLoaded() ? station_->RigWindow().CatFrequencyHz : 0;
}

void frmMain::OpenCpuCounter() {
    cpuCounterAvailable_ = station_->processorLoad.Open();
    if (cpuCounterAvailable_) {
        tmrRefrescoCPU.SetInterval(1000);
        tmrRefrescoCPU.SetEnabled(true);
    }
}

float frmMain::ReadCpuLoad() {
    return station_->processorLoad.Read();
}

void frmMain::SetBeaconReportArmed(bool armed) {
    station_->ReportArmed = armed;
}

void frmMain::SetBeaconModesAvailable(bool available) {
    station_->BeaconModesAvailable = available;
}

void frmMain::LookupHeardCallLocator() {}

int frmMain::VolumeSliderValue() const {
    return sldVolumen->value();
}

bool frmMain::WaveOutMuted() const {
    return station_->soundMixer.GetWaveOutMute(0).value_or(0) != 0;
}

void frmMain::ResetRxDisplay() {
    station_->receiver.ResetRxDisplay();
}

void frmMain::CloseSoundInput() {
    station_->receiver.CloseSoundInput();
}

void frmMain::OpenSoundInput() {
    station_->receiver.OpenSoundInput();
}

bool frmMain::SoundInputOpen() const {
    return station_->receiver.Input().SoundInputOpen == 1;
}

void frmMain::CancelFrame() {
    station_->receiver.CancelFrame();
}

int frmMain::OutputDeviceIndex() const {
    return station_->SoundCard().OutputListIndex();
}

void frmMain::PrepareMixerForOutput(int flag) {
    station_->soundMixer.PrepareMixerForOutput(static_cast<uint8_t>(flag));
}

// --- ErrorReporter ---

void frmMain::ReportTrappedError(int number, const std::string& context) {
    Boxes().Show("Error " + std::to_string(number) + ". Please, notify this error to " + kBugContact,
                 "Bug detected", BoxIcon::Critical);
    station_->BugReportCode = "E" + std::to_string(number) + " " + context;
    station_->SendBugReport();
}

// --- EndOfMessageServices ---

std::string frmMain::ServerLocator() {
    return "";
}

void frmMain::ClearServerLocator() {}

std::string frmMain::OperatorLocator() {
    return "";
}

ColorRef frmMain::MacrosSnLabelColor() {
    return kMacroSnColour;
}

void frmMain::ComprobarRecord(const std::string&, double) {}
void frmMain::ComputarShift(float) {}
void frmMain::ReportDecodedCallsign(const std::string&, const std::string&, float) {}

uint8_t frmMain::TextMentionsMyCall(const std::string& text) {
    return muv::TextMentionsMyCall(text, "");  // the operator window holds no callsign yet
}

uint8_t frmMain::HighlightNewCountry(const std::string&) {
    return 0;
}

PreviousContact frmMain::ShowPreviousContacts(const std::string&, uint8_t) {
    return {};
}

std::string frmMain::CallsignAfterDe(const std::string& text) {
    return muv::CallsignAfterDe(text);
}

bool frmMain::MensajeParaMiChecked() {
    return false;
}

bool frmMain::DXCCChecked() {
    return false;
}

bool frmMain::CallsignChecked() {
    return false;
}

void frmMain::AlarmaMensajeParaMi() {}
void frmMain::AlarmaDXCC() {}
void frmMain::AlarmaCallsign() {}

bool frmMain::NoInternetSelected() {
    return true;
}

void frmMain::BuildEmailReport(uint8_t, uint8_t, float, float, float, float, int32_t, const std::string&,
                               double, const std::string&) {}

void frmMain::CargarNombreYQTHAutomaticamente(const std::string&) {}

void frmMain::BeaconReport() {}

// --- DisplaySettingsTarget ---

void frmMain::ShowAlarmOn(bool on) {
    imgONAlarm->setVisible(on);
    imgOFFAlarm->setVisible(!on);
}

}  // namespace muv
