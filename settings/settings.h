// The settings subsystem as the rest of the program reaches it: the values kept per profile (the store),
// and what the settings windows hold for others: the operator's locator and callsign, the macros' S/N
// colour, the alarms wanted and their sounds, the e-mail report's choice, the beacon's state and its
// report answer, and where the session log goes. Each keeps its name and its place in the start-up and
// shut-down order; until the settings file and the windows exist, values live for the run only and the
// windows' actions do the least their callers rely on.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "common/colour.h"
#include "settings/display_settings.h"

namespace muv {

// The beacon window's state: its mode (one of the three), its period, and the report answer.
struct BeaconState {
    bool ReportArmed = false;          // a lock armed the answer to a report request
    bool BeaconModesAvailable = true;  // the modes that need the processor load can be chosen
    bool optBeaconReportMode = true;
    bool optBeaconOnlyMode = false;
    bool optReportOnlyMode = false;
    int hsb16 = 300;          // the beacon period in seconds
    std::string SavedTxText;  // the operator's text that a report answer put aside
};

class Settings {
public:
    // --- the store: a value by section and key, as the loaders read it ---
    StoredSetting Stored() const;
    std::map<std::string, std::string> storedValues;  // "section/key" -> value
    // The AFC range of a band class (each keeps its own).
    void SaveShiftRange(uint8_t bandClass, bool wide);
    void SaveDisplaySettings() {}
    void SaveClearScreenOption() {}
    void SaveQsoFormSettings() {}
    void SaveFontSize() {}
    void SaveLastFrequency() {}
    void SaveSelectedProfile() {}
    // The start-up check of the files the program loads at run time.
    void CheckInstalledFiles() {}

    // --- operator window ---
    std::string OperatorCallsign() const { return {}; }
    std::string OperatorLocator() const { return {}; }

    // --- macros window: the S/N macro's colour ---
    ColorRef MacrosSnLabelColor() const;

    // --- alarms window: which alarms are wanted, and the alarms themselves ---
    bool MensajeParaMiChecked() const { return false; }  // "Someone is calling me"
    bool DXCCChecked() const { return false; }           // "New DXCC"
    bool CallsignChecked() const { return false; }       // "New Callsign"
    void AlarmaMensajeParaMi() {}
    void AlarmaDXCC() {}
    void AlarmaCallsign() {}

    // --- e-mail report window: optNoInternet (no e-mail is to be sent) ---
    bool NoInternetSelected() const { return true; }

    // --- beacon window ---
    BeaconState beacon;
    // Answers a report request when the finished message asks for one.
    void BeaconReport() {}

    // --- log locations window ---
    bool AutoSaveLogClose = false;  // chkAutoSaveLogClose
    std::string SessionLogFolder;   // the session log's folder
};

}  // namespace muv
