#include "session/station_hosts.h"

#include <QPushButton>
#include <QSlider>

#include <QPointer>
#include <QTextBrowser>
#include <filesystem>
#include "common/cp1252.h"
#include "common/message_box.h"
#include "online/web_requests.h"
#include "platform/qt/qt_text.h"
#include "session/frmMain.h"
#include "session/macro_text.h"
#include "session/station.h"
#include "settings/frmEqslAccount.h"
#include "settings/frmLogDirectories.h"

namespace muv {

// --- the receiver's host ---

int StationReceiverHost::InputDeviceIndex() const {
    return station_.SoundCard().InputListIndex();
}
void StationReceiverHost::SetInputDeviceIndex(int index) {
    station_.SoundCard().SetInputListIndex(index);
}
void StationReceiverHost::SoundCardFailure(const std::string& message) {
    station_.form.SoundCardFailure(message);
}
int32_t StationReceiverHost::CatFrequencyHz() const {
    return station_.rig.CatFrequencyHz();
}
bool StationReceiverHost::CpuCounterAvailable() const {
    return station_.form.CpuCounterAvailable();
}
float StationReceiverHost::ReadCpuLoad() {
    return station_.processorLoad.Read();
}
void StationReceiverHost::SetBeaconReportArmed(bool armed) {
    station_.settings.beacon.ReportArmed = armed;
}
void StationReceiverHost::SetBeaconModesAvailable(bool available) {
    station_.settings.SetBeaconModesAvailable(available);
}
void StationReceiverHost::LookupHeardCallLocator() {
    station_.online.LookupHeardCallLocator();
}
int StationReceiverHost::VolumeSliderValue() const {
    return station_.form.sldVolumen->value();
}
bool StationReceiverHost::WaveOutMuted() const {
    return station_.soundMixer.GetWaveOutMute(0).value_or(0) != 0;
}

// --- the transmitter's host ---

void StationTransmitterHost::ResetRxDisplay() {
    station_.receiver.ResetRxDisplay();
}
void StationTransmitterHost::CloseSoundInput() {
    station_.receiver.CloseSoundInput();
}
void StationTransmitterHost::EndTransmission() {
    station_.form.EndTransmission();
}
void StationTransmitterHost::TestToneStopping() {
    station_.form.TestToneStopping();
}
void StationTransmitterHost::ReleasePtt() {
    station_.form.ReleasePtt();
}
void StationTransmitterHost::TestToneStopped() {
    station_.form.TestToneStopped();
}
int StationTransmitterHost::OutputDeviceIndex() const {
    return station_.SoundCard().OutputListIndex();
}
void StationTransmitterHost::PrepareMixerForOutput(int flag) {
    station_.soundMixer.PrepareMixerForOutput(static_cast<uint8_t>(flag));
}
void StationTransmitterHost::SoundCardFailure(const std::string& message) {
    station_.form.SoundCardFailure(message);
}

// --- keying's and the rig window's requests of the main window ---

void StationWindowRequests::FocusTransmitWindow() {
    station_.form.FocusTransmitWindow();
}
void StationWindowRequests::imgONBeacon_Click() {
    station_.form.imgONBeacon_Click();
}
void StationWindowRequests::ShowTuneIdle() {
    station_.form.ShowTuneIdle();
}
void StationWindowRequests::imgScanON_Click() {
    station_.form.imgScanON_Click();
}
void StationWindowRequests::SetFrequencyBoxLocked(bool locked) {
    station_.form.SetFrequencyBoxLocked(locked);
}
void StationWindowRequests::SetScanMenuEnabled(bool enabled) {
    station_.form.SetScanMenuEnabled(enabled);
}
void StationWindowRequests::KeyingFailureTail() {
    FocusTransmitWindow();
    imgONBeacon_Click();
    ShowTuneIdle();
}
void StationWindowRequests::RigFrequencyRead() {
    station_.form.RigFrequencyRead();
}
void StationWindowRequests::StopUnkeyedTransmission() {
    station_.form.StopUnkeyedTransmission();
}
void StationWindowRequests::StopKeyLostTransmission() {
    station_.form.StopKeyLostTransmission();
}
void StationWindowRequests::ShowPttKeyed(bool keyed) {
    station_.form.ShowPttKeyed(keyed);
}

// --- the sound-card window's host ---

void StationSoundCardHost::CancelFrame() {
    station_.receiver.CancelFrame();
}
Timer& StationSoundCardHost::ReceivePumpTimer() {
    return station_.form.tmrRX;
}
bool StationSoundCardHost::SoundInputOpen() const {
    return station_.receiver.Input().SoundInputOpen == 1;
}
void StationSoundCardHost::CloseSoundInput() {
    station_.receiver.CloseSoundInput();
}
void StationSoundCardHost::OpenSoundInput() {
    station_.receiver.OpenSoundInput();
}

// --- error traps ---

void StationErrorTraps::ReportTrappedError(int number, const std::string& context) {
    // The box names the address that the error report is sent to.
    station_.form.Boxes().Show("Error " + std::to_string(number) + ". Please, notify this error to " +
                                   station_.onlineHost.Servers().bugReportAddress,
                               "Bug detected", BoxIcon::Critical);
    station_.online.BugReportCode = "E" + std::to_string(number) + " " + context;
    station_.online.SendBugReport();
}

// --- closing a received message ---

std::string StationMessageServices::ServerLocator() {
    return station_.online.ServerLocator();
}
void StationMessageServices::ClearServerLocator() {
    station_.online.ClearServerLocator();
}
std::string StationMessageServices::OperatorLocator() {
    return station_.settings.OperatorLocator();
}
ColorRef StationMessageServices::MacrosSnLabelColor() {
    return station_.settings.MacrosSnLabelColor();
}
void StationMessageServices::ComprobarRecord(const std::string& distance, double bearing) {
    station_.Statistics().ComprobarRecord(distance, bearing);
}
void StationMessageServices::ComputarShift(float frequencyShiftHz) {
    station_.Statistics().ComputarShift(frequencyShiftHz);
}
void StationMessageServices::ReportDecodedCallsign(const std::string& locator, const std::string& distance,
                                                   float meanViterbiErrors) {
    station_.online.ReportDecodedCallsign(locator, distance, meanViterbiErrors);
}
uint8_t StationMessageServices::TextMentionsMyCall(const std::string& text) {
    return station_.logbook.TextMentionsMyCall(text, station_.settings.OperatorCallsign());
}
uint8_t StationMessageServices::HighlightNewCountry(const std::string& text) {
    return station_.logbook.HighlightNewCountry(text);
}
PreviousContact StationMessageServices::ShowPreviousContacts(const std::string& text, uint8_t mark) {
    return station_.logbook.ShowPreviousContacts(text, mark);
}
std::string StationMessageServices::CallsignAfterDe(const std::string& text) {
    return station_.logbook.CallsignAfterDe(text);
}
bool StationMessageServices::MensajeParaMiChecked() {
    return station_.settings.MensajeParaMiChecked();
}
bool StationMessageServices::DXCCChecked() {
    return station_.settings.DXCCChecked();
}
bool StationMessageServices::CallsignChecked() {
    return station_.settings.CallsignChecked();
}
void StationMessageServices::AlarmaMensajeParaMi() {
    station_.settings.AlarmaMensajeParaMi();
}
void StationMessageServices::AlarmaDXCC() {
    station_.settings.AlarmaDXCC();
}
void StationMessageServices::AlarmaCallsign() {
    station_.settings.AlarmaCallsign();
}
bool StationMessageServices::NoInternetSelected() {
    return station_.settings.NoInternetSelected();
}
void StationMessageServices::BuildEmailReport(const EmailReportData& report) {
    station_.online.BuildEmailReport(report);
}
void StationMessageServices::CargarNombreYQTHAutomaticamente(const std::string& callsign) {
    station_.QsoEntry().CargarNombreYQTHAutomaticamente(callsign);
}
void StationMessageServices::BeaconReport() {
    station_.settings.BeaconReport();
}
void StationMessageServices::SetPendingFrequencyChange(uint8_t pending) {
    station_.form.PendingFrequencyChange = pending;
}

// --- the beacon window's host ---

void StationBeaconHost::ReportTrappedError(int number, const std::string& context) {
    station_.errorTraps.ReportTrappedError(number, context);
}
void StationBeaconHost::imgONBeacon_Click() {
    station_.form.imgONBeacon_Click();
}
bool StationBeaconHost::BeaconOn() const {
    return station_.form.Visible(Control::imgONBeacon);
}
void StationBeaconHost::HoldBeacon() {
    frmMain& f = station_.form;
    f.SetBackColor(Control::txtTemporizadorBeacon, kStatusYellow);
    f.BeaconCountdown = 180;
    f.tmrBeacon.SetEnabled(true);
}
std::string StationBeaconHost::AplicarMacros(const std::string& text) {
    return station_.form.AplicarMacros(text);
}
// The beacon window handles the program's text (UTF-8); the transmit and receive windows hold the
// modem's.
std::string StationBeaconHost::TxText() {
    return Cp1252ToUtf8(station_.form.TxWindow().Text());
}
void StationBeaconHost::SetTxText(const std::string& text) {
    station_.form.TxWindow().SetText(ModemText(text));
}
void StationBeaconHost::cmdTX_RX_Click() {
    station_.form.cmdTX_RX_Click();
}
uint8_t StationBeaconHost::TxRxState() const {
    return station_.shared.TxRxState;
}
std::string StationBeaconHost::RxText() {
    return Cp1252ToUtf8(station_.receiver.RxText());
}
std::string StationBeaconHost::CallsignAfterDe(const std::string& text) {
    return station_.logbook.CallsignAfterDe(text);
}

// --- the contact-entry window's host ---

std::string StationQsoEntryHost::PartnerCallsign() {
    // The box's hint is no callsign.
    const std::string text = FromQString(station_.form.txtDestination->text());
    return Utf8ToUpper(text) == "DESTINATION" ? "" : text;
}
ColorRef StationQsoEntryHost::FrequencyBoxColour() {
    return station_.form.txtFrecuencia->BackColor();
}
UtcTime StationQsoEntryHost::UtcNow() {
    return station_.shared.UtcNow;
}
UtcTime& StationQsoEntryHost::QsoStartUtc() {
    return station_.shared.QsoStartUtc;
}
std::string StationQsoEntryHost::RxText() {
    return station_.form.RxWindow().Text();  // the modem's text: the window reads it as such
}
void StationQsoEntryHost::RestartCallsignLookup() {
    Timer& lookup = station_.form.tmrADIFCallsignChange;
    lookup.SetEnabled(false);
    lookup.SetInterval(250);
    lookup.SetEnabled(true);
}
void StationQsoEntryHost::MarkLoggedCall(const std::string& callsign) {
    station_.logbook.MarkLoggedCall(callsign);
}
std::string StationQsoEntryHost::OperatorCallsign() {
    return station_.settings.OperatorCallsign();
}
std::string StationQsoEntryHost::OperatorLocator() {
    return station_.settings.OperatorLocator();
}
std::string StationQsoEntryHost::EqslPassword() {
    return station_.settings.EqslAccount().Password();
}
void StationQsoEntryHost::ShowEqslAccount() {
    station_.settings.ShowEqslAccount();
}
std::string StationQsoEntryHost::CountryOfCallsign(const std::string& callsign, uint8_t withContinent) {
    return station_.logbook.Countries().CountryOfCallsign(callsign, withContinent);
}
PreviousContact StationQsoEntryHost::PreviousContactWith(const std::string& callsign) {
    return station_.logbook.ShowPreviousContacts(callsign, 0);
}
QsoEntryHost::LogAppend StationQsoEntryHost::AppendAdifRecord(const std::string& record) {
    const std::string path = station_.settings.AdifPath();
    // The profile's default log is made, with its header, by the first contact logged in it.
    if (station_.settings.AdifPathIsDefault() && !std::filesystem::exists(path)) station_.OpenAdifLog(true);
    const AdifAppendResult appended = station_.logbook.AppendAdifRecord(path, record);
    if (!appended.message.empty())
        station_.form.Boxes().Show(appended.message, appended.title, appended.icon);
    if (appended.result == 1) return LogAppend::Logged;
    return appended.noLogFile ? LogAppend::NoLogFile : LogAppend::NotWritten;
}
void StationQsoEntryHost::ChooseAdifFile() {
    station_.settings.ShowLogDirectories();
    station_.settings.LogDirectories().cmdPathADIF_Click();
}
void StationQsoEntryHost::SendEqslUpload(const std::string& record, const std::string& notes) {
    // The record goes to eQSL's import page; the browser shows the answer for 5 s, and nothing of it is
    // read. The record is already in the log whatever becomes of the upload.
    frmEqslAccount& account = station_.settings.EqslAccount();
    const std::string url = BuildEqslUploadUrl(station_.onlineHost.Servers().eqsl, record, account.User(),
                                               account.Password(), notes);
    frmMain& f = station_.form;
    f.WebBrowserEQSL->setHtml(QString());
    f.WebBrowserEQSL->setVisible(true);
    QPointer<QTextBrowser> browser(f.WebBrowserEQSL);
    station_.transfers.Get(url, [browser](bool, int, const std::string& body) {
        if (browser) browser->setHtml(QString::fromUtf8(body.data(), static_cast<qsizetype>(body.size())));
    });
    f.tmrEQSL.SetInterval(5000);
    f.tmrEQSL.SetEnabled(true);
}
void StationQsoEntryHost::ContactLogged(const std::string& callsign, const std::string& name,
                                        const std::string& qth, const std::string& locator) {
    station_.online.CallsignServerRequest(CallsignServerCode::ContactLogged, callsign, name, qth, locator);
}
void StationQsoEntryHost::ReportTrappedError(int number, const std::string& context) {
    station_.errorTraps.ReportTrappedError(number, context);
}

}  // namespace muv
