// The program: the root that owns the main window and every module and subsystem, and wires them
// together. The shared variables and the session text; the sound devices and the mixer; the serial port
// with the keying and the DDS box on it; rig control; the receiver and the transmitter; the volume
// control and the processor-load reader; the settings, the logbook and the on-line services; the
// sound-card window; and the small adapters through which the modules reach the rest (station_hosts.h).
// The main window is one of its parts: it shows and takes input, and its handlers call into the rest.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/shared_state.h"
#include "logbook/frmQsoEntry.h"
#include "logbook/frmStatistics.h"
#include "logbook/logbook.h"
#include "logbook/session_log.h"
#include "online/frmClusterSpot.h"
#include "online/frmInternalSpot.h"
#include "online/online_services.h"
#include "platform/mixer.h"
#include "platform/processor_load.h"
#include "platform/qt/curl_transfers.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_tcp_link.h"
#include "platform/qt/qt_udp_sender.h"
#include "platform/qt/serial_port.h"
#include "platform/sound_device.h"
#include "receiver/receiver.h"
#include "rig/rig_room.h"
#include "session/alarms_host.h"
#include "session/interface_language.h"
#include "session/online_hosts.h"
#include "session/station_hosts.h"
#include "settings/frmSoundCard.h"
#include "settings/settings.h"
#include "settings/settings_window.h"
#include "texts/interface_texts.h"
#include "transmitter/keying.h"
#include "transmitter/sound_mixer.h"
#include "transmitter/transmitter.h"
#include "transmitter/volume_control.h"

class QSlider;

namespace muv {

class frmMain;

class SoundSystem;

// The sound devices the program runs on, the names the sound-card window lists for them, and the
// output card's mixer (none: a mixer without cards, whose every operation does nothing).
struct SoundDevices {
    std::unique_ptr<SoundInputDevice> input;
    std::unique_ptr<SoundOutputDevice> output;
    DeviceNameSource inputNames;
    DeviceNameSource outputNames;
    std::unique_ptr<Mixer> mixer = nullptr;
    // The alarm's sound: a player of the caller's own, else the program's, which plays on the system's
    // playback devices when alarmsOnSoundCard and has no device otherwise.
    std::unique_ptr<AlarmPlayer> alarmPlayer = nullptr;
    bool alarmsOnSoundCard = false;
    // The system's sound devices that the devices and lists above come from, which the alarm's player
    // chooses among (made for it when none is given).
    std::shared_ptr<SoundSystem> system = nullptr;
};

// The program's own sound devices: the system's (a sound server's and ALSA's), or the WAV files that
// the environment names, with their lists, mixer and alarm devices.
SoundDevices ProgramSoundDevices();

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
    // The program on its own sound devices (the sound card and its mixer, or the WAV files the
    // environment names) and message boxes.
    Station();
    // The program on given devices and message boxes (null: the program's own boxes).
    Station(SoundDevices devices, MessageBoxes* boxes);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

private:
    // First, so that it is built before and goes after every part that reaches its controls.
    std::unique_ptr<frmMain> window_;

public:
    frmMain& form;
    SharedState shared;
    SessionLog sessionLog;
    // The messages in the interface language, empty until a language is applied, and the language's
    // texts on the windows.
    InterfaceTexts texts = InterfaceTexts::None();
    InterfaceLanguage language;
    Settings settings;
    Logbook logbook;
    std::unique_ptr<SoundInputDevice> soundInput;
    std::unique_ptr<SoundOutputDevice> soundOutput;
    std::unique_ptr<Mixer> mixer;
    std::unique_ptr<AlarmPlayer> alarmPlayer;
    DesktopWebPages pages;
    QtFileDialogs fileDialogs;
    // The adapters through which the modules reach the rest of the program.
    StationReceiverHost receiverHost;
    StationTransmitterHost transmitterHost;
    StationWindowRequests windowRequests;
    StationSoundCardHost soundCardHost;
    StationErrorTraps errorTraps;
    StationMessageServices messageServices;
    StationBeaconHost beaconHost;
    StationAlarmsHost alarmsHost;
    StationQsoEntryHost qsoEntryHost;
    // The on-line services on the main window's two sockets, the mail and web transfers and the
    // reception reports' datagrams.
    StationOnlineHost onlineHost;
    QtTcpLink WinsockCluster;
    QtTcpLink WinsockIndicativos;
    CurlTransfers transfers;
    QtUdpSender pskSocket;
    SystemReportClock reportClock;
    OnlineServices online;
    // The serial port shared by the keying lines and the DDS box.
    QtSerialPort comPuertoSerie;
    RigRoom rig;
    SerialDdsBox dds;
    PttKeying keying;
    SoundMixer soundMixer;
    QSliderControl volumeSlider;
    VolumeControl volume;
    Receiver receiver;
    Transmitter transmitter;
    ProcessorLoad processorLoad;

    // The contact-entry window, loaded on its first use, and the last contact logged in this run.
    frmQsoEntry& QsoEntry();
    bool QsoEntryLoaded() const { return qsoEntry_.Loaded(); }
    LoggedContactMemory loggedContacts;

    // The sound-card window, loaded on its first use (its lists are the live device choice).
    frmSoundCard& SoundCard();
    bool SoundCardLoaded() const { return soundCardLoaded_; }
    // Shows the sound-card window; opened again after it was closed, it is loaded anew (the device
    // lists read again).
    void ShowSoundCard();

    // The statistics window, loaded on its first use and gone when closed; shown modeless.
    frmStatistics& Statistics();
    void ShowStatistics();

    // The spot windows, loaded on their first use and gone when closed.
    frmInternalSpot& InternalSpot();
    bool InternalSpotLoaded() const { return internalSpot_.Loaded(); }
    frmClusterSpot& ClusterSpot();

    // The settings are opened, and the main window loads with them.
    void OpenSettings();
    // The ADIF log file just chosen in the log locations window: created when missing, and loaded.
    // makeDefaultLog: the profile's default log is made too when it is missing (as the first contact does).
    void OpenAdifLog(bool makeDefaultLog = false);
    // Loads the profile's ADIF log (none when no file is chosen), telling the operator what went wrong.
    void LoadLogBook();
    // Every window takes the chosen language (the main window's LanguageIndex); touching the windows
    // loads them.
    void ApplyLanguage();
    // The window of a name (frmMain, frmAlarms, ...), loaded first when it is not; nullptr for a name of
    // none.
    QWidget* LanguageWindow(std::string_view name);
    // A window that has just come into being takes the chosen language before its load.
    void WindowCreated(QWidget& window);
    // Adds the session text to the day's session log file, telling the operator of any trouble; false
    // when no file could take it.
    bool SaveSessionLog();

private:
    std::unique_ptr<frmSoundCard> soundCard_;
    bool soundCardLoaded_ = false;
    WindowSlot<frmStatistics> statistics_;
    WindowSlot<frmQsoEntry> qsoEntry_;
    WindowSlot<frmInternalSpot> internalSpot_;
    WindowSlot<frmClusterSpot> clusterSpot_;
};

}  // namespace muv
