// What the modules ask of the program around them, answered by small adapters over the program's
// parts: the receiver's and the transmitter's hosts, keying's reaction to a failure and the rig window's
// requests, the sound-card window's host, the error traps, and the services that closing a received
// message reaches. The main window does only what is its own (its controls and messages); the rest goes
// to the modules and subsystems.
#pragma once

#include "logbook/frmQsoEntry.h"
#include "receiver/receiver_host.h"
#include "rig/frmRig.h"
#include "session/message_closing.h"
#include "settings/frmBeacon.h"
#include "settings/frmSoundCard.h"
#include "transmitter/keying.h"
#include "transmitter/transmitter_host.h"

namespace muv {

struct Station;

class StationReceiverHost : public ReceiverHost {
public:
    explicit StationReceiverHost(Station& station) : station_(station) {}
    int InputDeviceIndex() const override;
    void SetInputDeviceIndex(int index) override;
    void SoundCardFailure(const std::string& message) override;
    int32_t CatFrequencyHz() const override;
    bool CpuCounterAvailable() const override;
    float ReadCpuLoad() override;
    void SetBeaconReportArmed(bool armed) override;
    void SetBeaconModesAvailable(bool available) override;
    void LookupHeardCallLocator() override;
    int VolumeSliderValue() const override;
    bool WaveOutMuted() const override;

private:
    Station& station_;
};

class StationTransmitterHost : public TransmitterHost {
public:
    explicit StationTransmitterHost(Station& station) : station_(station) {}
    void ResetRxDisplay() override;
    void CloseSoundInput() override;
    void EndTransmission() override;
    void TestToneStopping() override;
    void ReleasePtt() override;
    void TestToneStopped() override;
    int OutputDeviceIndex() const override;
    void PrepareMixerForOutput(int flag) override;
    void SoundCardFailure(const std::string& message) override;

private:
    Station& station_;
};

// What keying and the rig window ask of the main window after a failure or a change of the rig.
class StationWindowRequests : public KeyingHost, public RigWindowHost {
public:
    explicit StationWindowRequests(Station& station) : station_(station) {}
    void FocusTransmitWindow() override;
    void imgONBeacon_Click() override;
    void ShowTuneIdle() override;
    void imgScanON_Click() override;
    void SetFrequencyBoxLocked(bool locked) override;
    void SetScanMenuEnabled(bool enabled) override;
    void KeyingFailureTail() override;
    void RigFrequencyRead() override;
    void StopUnkeyedTransmission() override;
    void StopKeyLostTransmission() override;
    void ShowPttKeyed(bool keyed) override;

private:
    Station& station_;
};

class StationSoundCardHost : public SoundCardWindowHost {
public:
    explicit StationSoundCardHost(Station& station) : station_(station) {}
    void CancelFrame() override;
    Timer& ReceivePumpTimer() override;
    bool SoundInputOpen() const override;
    void CloseSoundInput() override;
    void OpenSoundInput() override;

private:
    Station& station_;
};

// A trapped run-time fault: the "Bug detected" box and the error report.
class StationErrorTraps : public ErrorReporter {
public:
    explicit StationErrorTraps(Station& station) : station_(station) {}
    void ReportTrappedError(int number, const std::string& context) override;

private:
    Station& station_;
};

// The services of closing a received message, over the settings, the logbook and the on-line services.
class StationMessageServices : public MessageServices {
public:
    explicit StationMessageServices(Station& station) : station_(station) {}
    std::string ServerLocator() override;
    void ClearServerLocator() override;
    std::string OperatorLocator() override;
    ColorRef MacrosSnLabelColor() override;
    void ComprobarRecord(const std::string& distance, double bearing) override;
    void ComputarShift(float frequencyShiftHz) override;
    void ReportDecodedCallsign(const std::string& locator, const std::string& distance,
                               float meanViterbiErrors) override;
    uint8_t TextMentionsMyCall(const std::string& text) override;
    uint8_t HighlightNewCountry(const std::string& text) override;
    PreviousContact ShowPreviousContacts(const std::string& text, uint8_t mark) override;
    std::string CallsignAfterDe(const std::string& text) override;
    bool MensajeParaMiChecked() override;
    bool DXCCChecked() override;
    bool CallsignChecked() override;
    void AlarmaMensajeParaMi() override;
    void AlarmaDXCC() override;
    void AlarmaCallsign() override;
    bool NoInternetSelected() override;
    void BuildEmailReport(const EmailReportData& report) override;
    void CargarNombreYQTHAutomaticamente(const std::string& callsign) override;
    void BeaconReport() override;
    void SetPendingFrequencyChange(uint8_t pending) override;

private:
    Station& station_;
};

// What the beacon window and its report answer reach: the main window's beacon, transmit window and
// TX/RX button, the message just received, the logbook's callsign reading, and the error traps.
class StationBeaconHost : public BeaconHost {
public:
    explicit StationBeaconHost(Station& station) : station_(station) {}
    void ReportTrappedError(int number, const std::string& context) override;
    void imgONBeacon_Click() override;
    bool BeaconOn() const override;
    void HoldBeacon() override;
    std::string AplicarMacros(const std::string& text) override;
    std::string TxText() override;
    void SetTxText(const std::string& text) override;
    void cmdTX_RX_Click() override;
    uint8_t TxRxState() const override;
    std::string RxText() override;
    std::string CallsignAfterDe(const std::string& text) override;

private:
    Station& station_;
};

// What the contact-entry window reaches: the main window's partner and frequency boxes, clock, receive
// window and lookup timer, the operator's data and eQSL account, the logbook and the on-line services.
class StationQsoEntryHost : public QsoEntryHost {
public:
    explicit StationQsoEntryHost(Station& station) : station_(station) {}
    std::string PartnerCallsign() override;
    ColorRef FrequencyBoxColour() override;
    UtcTime UtcNow() override;
    UtcTime& QsoStartUtc() override;
    std::string RxText() override;
    void RestartCallsignLookup() override;
    void MarkLoggedCall(const std::string& callsign) override;
    std::string OperatorCallsign() override;
    std::string OperatorLocator() override;
    std::string EqslPassword() override;
    void ShowEqslAccount() override;
    std::string CountryOfCallsign(const std::string& callsign, uint8_t withContinent) override;
    PreviousContact PreviousContactWith(const std::string& callsign) override;
    LogAppend AppendAdifRecord(const std::string& record) override;
    void ChooseAdifFile() override;
    void SendEqslUpload(const std::string& record, const std::string& notes) override;
    void ContactLogged(const std::string& callsign, const std::string& name, const std::string& qth,
                       const std::string& locator) override;
    void ReportTrappedError(int number, const std::string& context) override;

private:
    Station& station_;
};

}  // namespace muv
