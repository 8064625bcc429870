// The settings module: the settings file and its eight user profiles, every settings group, the start-up
// check, and the settings windows, each created and loaded on its first use. The windows are the live
// store of their settings; the rest of the program reads plain values from them through this module.
// Groups whose windows come with other parts of the program keep their state here as plain values
// (spot windows); the statistics and contact-entry windows keep their own groups.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/colour.h"
#include "common/file_dialogs.h"
#include "common/message_box.h"
#include "settings/display_settings.h"
#include "settings/frmBeacon.h"
#include "settings/profile_menu.h"
#include "settings/settings_file.h"
#include "settings/settings_window.h"
#include "settings/window_state_settings.h"

namespace muv {

class frmAbout;
class frmAlarms;
class AlarmsWindowHost;
class frmEmailReport;
class frmEqslAccount;
class frmLogDirectories;
class frmMacros;
class frmOperator;
class frmProfiles;
class frmScan;
class frmShortcuts;
class frmSoundCard;
struct SharedState;
class MacroLabels;

// The load and save of a settings group that a window of another part of the program keeps; switching
// the profile runs them. Unset: there is nothing to load or save.
struct WindowGroup {
    std::function<void()> Load;
    std::function<void()> Save;
};

// What the settings reach in the rest of the program.
struct SettingsLinks {
    DisplaySettingsTarget& main;  // the main window's handlers, what it shows, its frequency box
    ProfileMenu& profileMenu;
    const SharedState& shared;  // BandClass
    MessageBoxes& boxes;
    FileDialogs& dialogs;
    WebPages& pages;
    std::function<frmSoundCard&()> soundCard;  // the sound-card window, loaded on first use
    std::function<void()> clusterConnect;      // reconnects the DX cluster with the operator's data
    std::function<void()> callsignServerLogin;
    std::function<void()> adifChosen;  // a new ADIF file was chosen: create it when missing, load it
    std::string programFolder;         // where the session logs go unless the operator chose a folder
    QWidget* parent = nullptr;         // the window the settings windows belong to
    BeaconHost* beacon = nullptr;      // what the beacon window reaches (none: it answers nothing)

    // The main window's macro labels, which the macros window paints.
    MacroLabels* macroLabels = nullptr;
    AlarmsWindowHost* alarms = nullptr;  // what the alarms window reaches: the player, the stop picture
    // What each settings window gets when it has just come into being, before its load (its texts).
    WindowCreated windowCreated;
};

class Settings {
public:
    explicit Settings(SettingsLinks links);
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // --- the file and the profiles ---
    SettingsFile& Store() { return file_; }
    // The start-up check of the files MUV loads; false (after telling the operator) when it cannot run.
    bool CheckInstalledFiles();
    // Opens the settings file in folder (seeded from seedFile), takes the stored profile, lets the main
    // window load (loadMainWindow), then ticks and names the profile menu.
    void OpenSettings(const std::string& folder, const std::string& seedFile,
                      const std::function<void()>& loadMainWindow);
    // The current profile, 1 to 8.
    int CurrentProfile() const;
    // Saves every switched group under the current profile and loads them under profile n.
    void SwitchProfile(int n);
    void SaveSelectedProfile();

    // --- the main window's groups ---
    void LoadDisplaySettings();
    void SaveDisplaySettings();
    void LoadClearScreenOption();
    void SaveClearScreenOption();
    void LoadFontSize();
    void SaveFontSize();
    void LoadShiftRange();
    void SaveShiftRange();
    void LoadLastFrequency();
    void SaveLastFrequency();
    // The default button of the clear-screen question: 0 Yes, 256 No.
    int16_t ClearSaveLogFlag = 256;

    // --- the beacon window's group; what outlives the window ---
    void LoadBeaconSettings();
    void SaveBeaconSettings();
    BeaconState beacon;

    // --- groups whose windows come with other parts ---
    void LoadStatistics();
    void SaveStatistics();
    void LoadQsoFormSettings();
    void SaveQsoFormSettings();
    void LoadClusterSpotFormPosition();
    void SaveClusterSpotFormPosition();
    WindowGroup statisticsGroup;  // the statistics window's, which comes with the logbook
    // The contact-entry window's group, which that window (the logbook's) loads and saves itself: what
    // the two procedures above run (unset: nothing).
    std::function<void()> QsoFormLoader, QsoFormSaver;
    WindowPlace spotPlace = kSpotWindowPlace;

    // --- the settings windows, loaded on first use ---
    frmOperator& Operator();
    frmEmailReport& EmailReport();
    frmLogDirectories& LogDirectories();
    frmScan& Scan();
    frmEqslAccount& EqslAccount();
    frmProfiles& Profiles();
    frmAbout& About();
    frmShortcuts& Shortcuts();
    frmBeacon& Beacon();
    frmMacros& Macros();
    frmAlarms& Alarms();
    bool AlarmsLoaded() const { return alarms_.Loaded(); }
    // Shown modeless from the main window's menu.
    void ShowOperator();
    void ShowEmailReport();
    void ShowLogDirectories();
    void ShowScan();
    void ShowEqslAccount();
    void ShowProfiles();
    void ShowAbout();
    void ShowShortcuts();
    void ShowBeacon();
    void ShowMacros();
    void ShowAlarms();

    // --- what the rest of the program reads ---
    std::string OperatorCallsign();
    std::string OperatorLocator();
    // No e-mail is to be sent.
    bool NoInternetSelected();
    // Where the session logs go (a path as the system takes it), whether the session log is written
    // when MUV closes, and the ADIF log file ("" when none is chosen).
    std::string SessionLogFolder();
    bool AutoSaveLogClose();
    std::string AdifPath();
    bool AdifPathIsDefault();
    // The macros window's S/N colour (the back colour of its lblSN).
    ColorRef MacrosSnLabelColor();

    // --- the alarms wanted, and the alarms (the alarms window's) ---
    bool MensajeParaMiChecked();
    bool DXCCChecked();
    bool CallsignChecked();
    bool ClusterSpotChecked();
    void AlarmaMensajeParaMi();
    void AlarmaDXCC();
    void AlarmaCallsign();
    void AlarmaClusterSpot();

    // --- the beacon: its mode and period, the report answer, and the modes the processor load allows ---
    BeaconMode BeaconModeSelected();
    int BeaconPeriod();
    // Answers a CQ call just received with a report, or holds a running beacon back.
    void BeaconReport();
    void SetBeaconModesAvailable(bool available);

private:
    WindowCreated Created();
    SettingsLinks links_;
    SettingsFile file_;
    WindowSlot<frmOperator> operator_;
    WindowSlot<frmEmailReport> emailReport_;
    WindowSlot<frmLogDirectories> logDirectories_;
    WindowSlot<frmScan> scan_;
    WindowSlot<frmEqslAccount> eqslAccount_;
    WindowSlot<frmProfiles> profiles_;
    WindowSlot<frmAbout> about_;
    WindowSlot<frmShortcuts> shortcuts_;
    WindowSlot<frmBeacon> beacon_;
    WindowSlot<frmMacros> macros_;
    WindowSlot<frmAlarms> alarms_;
};

}  // namespace muv
