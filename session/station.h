// The modules of the program wired together: the shared variables, the session text, the sound devices
// and the mixer, the serial port with the keying and the DDS box on it, the receiver and the
// transmitter, the volume slider, the processor-load reader, and the sound-card and rig windows. The
// main window owns one and is every module's window, host and error reporter.
//
// Beside them stand the neighbouring services of the settings store, the logbook and the on-line
// services as far as the main window uses them so far: each keeps its name and its place in the
// start-up and shut-down order, and does the least its callers rely on (most do nothing yet).
#pragma once

#include <map>
#include <memory>
#include <string>

#include "common/shared_state.h"
#include "logbook/session_log.h"
#include "platform/mixer.h"
#include "platform/processor_load.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/serial_port.h"
#include "receiver/receiver.h"
#include "rig/frmRig.h"
#include "session/frmMain.h"
#include "settings/display_settings.h"
#include "settings/frmSoundCard.h"
#include "texts/interface_texts.h"
#include "transmitter/keying.h"
#include "transmitter/sound_mixer.h"
#include "transmitter/transmitter.h"
#include "transmitter/volume_control.h"

class QSlider;

namespace muv {

struct Station;

// The keying choices and CAT calls as the rig window's controls hold them (the window is loaded on
// first use).
class RigWindowKeying : public RigKeying {
public:
    explicit RigWindowKeying(Station& station) : station_(station) {}
    bool optCAT() const override;
    bool optVOX() const override;
    bool optNOCAT() const override;
    int cboCOMListIndex() const override;
    bool optRTS() const override;
    bool optDTR() const override;
    bool optDDSCAT() const override;
    std::string txtFrecuenciaUSBText() const override;
    int32_t CatFrequencyHz() const override;
    bool OmniRigEnginePresent() const override;
    int CurrentRigStatus() const override;
    uint8_t CAT_PTT_TX() override;
    void CAT_PTT_RX() override;

private:
    frmRig& Window() const;
    Station& station_;
};

// The main window's volume slider as the volume control moves it.
class QSliderControl : public Slider {
public:
    explicit QSliderControl(QSlider* slider) : slider_(slider) {}
    int Value() const override;
    void SetValue(int value) override;

private:
    QSlider* slider_;
};

struct Station {
    Station(frmMain& form, SoundDevices devices);

    frmMain& form;
    SharedState shared;
    SessionLog sessionLog;
    InterfaceTexts texts;
    std::unique_ptr<SoundInputDevice> soundInput;
    std::unique_ptr<SoundOutputDevice> soundOutput;
    std::unique_ptr<Mixer> mixer;
    // The serial port shared by the keying lines and the DDS box.
    QtSerialPort comPuertoSerie;
    RigWindowKeying rigKeying;
    SerialDdsBox dds;
    PttKeying keying;
    SoundMixer soundMixer;
    QSliderControl volumeSlider;
    VolumeControl volume;
    DesktopWebPages pages;
    Receiver receiver;
    Transmitter transmitter;
    ProcessorLoad processorLoad;

    // The sound-card window, loaded on its first use (its lists are the live device choice).
    frmSoundCard& SoundCard();
    bool SoundCardLoaded() const { return soundCardLoaded_; }
    // The rig window, loaded on its first use (its load starts the CAT engine when CAT is on).
    frmRig& RigWindow();
    bool RigWindowLoaded() const { return rigWindow_ != nullptr; }

    // --- settings store: the values kept for this run (no settings file yet) ---
    // A stored value by section and key, as the loaders read it.
    StoredSetting Stored() const;
    void OpenSettings();  // the main window's load runs here
    void SaveShiftRange();
    void SaveDisplaySettings() {}
    void SaveClearScreenOption() {}
    void SaveQsoFormSettings() {}
    void SaveFontSize() {}
    void SaveLastFrequency() {}
    void SaveSelectedProfile() {}
    void CheckInstalledFiles() {}
    void ApplyLanguage();
    std::map<std::string, std::string> storedValues;  // "section/key" -> value

    // --- log locations window ---
    bool AutoSaveLogClose = false;  // chkAutoSaveLogClose
    std::string SessionLogFolder;  // the session-log folder; the user's data folder when it cannot be written

    // --- beacon window: its mode (one of the three), its period, the report answer's state ---
    bool ReportArmed = false;
    bool BeaconModesAvailable = true;
    bool optBeaconReportMode = true;
    bool optBeaconOnlyMode = false;
    bool optReportOnlyMode = false;
    int hsb16 = 300;          // the beacon period in seconds
    std::string SavedTxText;  // the operator's text that a report answer put aside

    // --- logbook and on-line services ---
    void LoadCountryFile() {}
    void LoadLogBook() {}
    void ClusterConnect() {}
    void PskReporterStart() {}
    void CallsignServerRequest(uint8_t, const std::string&, const std::string&, const std::string&,
                               const std::string&) {}
    // Adds the session text to the day's session log file, telling the operator of any trouble; false
    // when no file could take it.
    bool SaveSessionLog();
    void SendBugReport() {}
    void SendEmail() {}            // the e-mail report: nothing prepared without an e-mail method
    void CallsignServerRetry() {}  // the callsign server's other address
    std::string BugReportCode;
    uint8_t EmailResult = 0;      // 2 report sent for a valid address, 1 sending failed, 0 nothing
    uint8_t ServerLinkState = 0;  // 0 not connected, 1 connected, 2 no data or refused

private:
    std::unique_ptr<frmSoundCard> soundCard_;
    bool soundCardLoaded_ = false;
    std::unique_ptr<frmRig> rigWindow_;
};

}  // namespace muv
