// The alarms window: the station's acoustic alarms and the sounds they make. The general alarm (the
// main window's alarm timer, at the start of a received message) sounds a short tune or plays a sound
// file, WAV or MP3; four alarms for single events (a cluster spot, a new callsign, a new country, a
// message calling the operator) each play a tune of their own when their box is ticked. The callers read
// the boxes here at run time; the window plays the sounds through the program's alarm player, which
// outlives it.
//
// The tunes play on the sound card like the file (there is no PC speaker to beep on), so no alarm is ever
// withdrawn for want of a speaker. The alarm's volume is the player's own level, not the card's mixer: on
// a card the transmitter shares, the mixer's wave-out volume is the transmit level.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "platform/alarm_player.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QToolButton;

namespace muv {

class FileDialogs;
class MessageBoxes;
class ProfileStore;

// What the window reaches outside itself.
class AlarmsWindowHost {
public:
    virtual ~AlarmsWindowHost() = default;
    virtual AlarmPlayer& Player() = 0;
    // The main window's stop picture pctDetenerAlarma, shown exactly while an alarm file plays; its
    // click; the keyboard focus to the transmit window.
    virtual bool StopPictureVisible() = 0;
    virtual void SetStopPictureVisible(bool visible) = 0;
    virtual void pctDetenerAlarma_Click() = 0;
    virtual void FocusTransmitWindow() = 0;
    // The card's mixer for the alarm: wave-out and speakers unmuted; wave-out unmuted.
    virtual void PrepareMixerForOutput() = 0;
    virtual void UnmuteWaveOut() = 0;
    // The title of the sound-file picker in the interface language.
    virtual std::string OpenSoundFileTitle() = 0;
};

struct AlarmsWindowLinks {
    ProfileStore& store;
    MessageBoxes& boxes;
    FileDialogs& dialogs;
    AlarmsWindowHost& host;
};

// The tunes, each note 100 ms unless it says otherwise.
extern const std::vector<AlarmTone> kGeneralAlarmTune;  // 440, 880 for 300 ms, 440
extern const std::vector<AlarmTone> kClusterSpotTune;   // 587, 881, 1175
extern const std::vector<AlarmTone> kNewCallsignTune;   // 349, 698, 1048, 698
extern const std::vector<AlarmTone> kNewDxccTune;       // 349, 698, 1048, 698, 440, 880, 1320, 440
extern const std::vector<AlarmTone> kCallingMeTune;     // 989, 330, 989, 330

// The kind of a sound file by its name: what follows the last dot, in capitals ("" when no dot).
std::string SoundFileType(const std::string& path);

class frmAlarms : public QDialog {
public:
    // What the device box says when no playback device may take the alarm.
    static constexpr const char* kNoDeviceText = "None: no playback device may take the alarm";

    explicit frmAlarms(AlarmsWindowLinks links, QWidget* parent = nullptr);
    ~frmAlarms() override;

    // The stored choice, the OK colour and the slider's range; the slider shows the player's level.
    void Form_Load();
    // The window goes: a file that plays is stopped as the stop picture would.
    void Form_Unload();
    // Either option shows as the output device the one the alarm player plays on (tunes and files alike),
    // or that there is none.
    void optArchivoSonido_Click();
    void optSpeaker_Click();
    // The sound-file picker: WAV or MP3 only, asked again after any other file; cancelling keeps the
    // file there was.
    void cmdPathAlarma_Click();
    void sldVolumen_Change();
    void txtMute_Click();
    // Stores the group and closes the window.
    void cmdOK_Click();

    // --- the alarms ---
    // The general alarm: the tune, or the sound file unless one is playing already. An alarm that is
    // sounding (the box of a missing file may be up) is not sounded again from within.
    void SoundAlarm();
    void AlarmaClusterSpot();
    void AlarmaCallsign();
    void AlarmaDXCC();
    void AlarmaMensajeParaMi();
    // The sound file: a missing file is reported and the window shown; a file that is not WAV or MP3,
    // by its name or its content, or with no device to take it, plays nothing.
    void PlayAlarmFile();
    // Stops the sound file and hides the stop picture; also when the file has ended by itself.
    void StopAlarmFile();

    QGroupBox* fraAlarma;
    QRadioButton* optSpeaker;
    QRadioButton* optArchivoSonido;
    QLineEdit* txtArchivoSonido;
    QPushButton* cmdPathAlarma;
    QLabel* lblDeviceOutput;
    QLineEdit* txtDeviceOutput;
    QLabel* lblVolumen;
    QSlider* sldVolumen;
    QLineEdit* txtMute;
    QToolButton* imgAltavozAlarma;
    QGroupBox* fraSonidos;
    QCheckBox* chkClusterSpot;
    QCheckBox* chkCallsign;
    QCheckBox* chkDXCC;
    QCheckBox* chkMensajeParaMi;
    QToolButton* imgAltavozCluster;
    QToolButton* imgAltavozCallsign;
    QToolButton* imgAltavozDXCC;
    QToolButton* imgAltavozRXMessage;
    QPushButton* cmdOK;

private:
    void ShowDeviceOutput();

    AlarmsWindowLinks links_;
    bool sounding_ = false;
};

// The "Alarma" group of the current profile. The loader ticks the boxes, fills the file box (a missing
// key leaves it as it is) and selects the option as the operator would; the saver writes every key.
void LoadAlarmSettings(ProfileStore& store, frmAlarms& w);
void SaveAlarmSettings(ProfileStore& store, frmAlarms& w);

}  // namespace muv
