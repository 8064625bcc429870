// The modules of the program wired together: the shared variables, the session text, the sound devices,
// the receiver and the transmitter, the processor-load reader and the sound-card window. The main window
// owns one and is every module's window, host and error reporter.
//
// Beside them stand the neighbouring services of the settings store, the logbook and the on-line
// services as far as the main window uses them so far: each keeps its name and its place in the
// start-up and shut-down order, and does the least its callers rely on (most do nothing yet).
#pragma once

#include <map>
#include <memory>
#include <string>

#include "display_settings.h"
#include "frmMain.h"
#include "frmSoundCard.h"
#include "interface_texts.h"
#include "processor_load.h"
#include "receiver.h"
#include "session_log.h"
#include "shared_state.h"
#include "transmitter.h"

namespace muv {

// The DDS box as long as the rig window offers no choice of keying: never chosen.
class NoDdsBox : public DdsBox {
public:
    bool Selected() const override { return false; }
    double DialFrequencyHz() const override { return 0; }
    void WriteLine(const std::string&) override {}
    void Wait(int) override {}
};

struct Station {
    Station(frmMain& form, SoundDevices devices);

    frmMain& form;
    SharedState shared;
    SessionLog sessionLog;
    InterfaceTexts texts;
    std::unique_ptr<SoundInputDevice> soundInput;
    std::unique_ptr<SoundOutputDevice> soundOutput;
    NoDdsBox dds;
    Receiver receiver;
    Transmitter transmitter;
    ProcessorLoad processorLoad;

    // The sound-card window, loaded on its first use (its lists are the live device choice).
    frmSoundCard& SoundCard();
    bool SoundCardLoaded() const { return soundCardLoaded_; }

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
    std::string SessionLogFolder;   // the session-log folder; the program's folder when missing

    // --- beacon window ---
    bool ReportArmed = false;
    bool BeaconModesAvailable = true;

    // --- logbook and on-line services ---
    void LoadCountryFile() {}
    void LoadLogBook() {}
    void ClusterConnect() {}
    void PskReporterStart() {}
    void CallsignServerRequest(uint8_t, const std::string&, const std::string&, const std::string&,
                               const std::string&) {}
    void SaveSessionLog();
    void SendBugReport() {}
    std::string BugReportCode;

private:
    std::unique_ptr<frmSoundCard> soundCard_;
    bool soundCardLoaded_ = false;
};

}  // namespace muv
