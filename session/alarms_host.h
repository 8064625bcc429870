// The alarms in the program: what the alarms window reaches (the alarm player, the main window's stop
// picture and transmit window, the sound card's mixer, the picker's title), the window's mute warning as
// the main window's volume timer keeps it, and the program's own player.
#pragma once

#include <memory>
#include <string>

#include "platform/alarm_player.h"
#include "settings/frmAlarms.h"
#include "transmitter/volume_control.h"

namespace muv {

class SoundSystem;
struct Station;

class StationAlarmsHost : public AlarmsWindowHost, public AlarmsVolumeControls {
public:
    explicit StationAlarmsHost(Station& station) : station_(station) {}

    AlarmPlayer& Player() override;
    bool StopPictureVisible() override;
    void SetStopPictureVisible(bool visible) override;
    void pctDetenerAlarma_Click() override;
    void FocusTransmitWindow() override;
    void PrepareMixerForOutput() override;
    void UnmuteWaveOut() override;
    std::string OpenSoundFileTitle() override;

    // The window's sound-file option and mute warning, while the window is loaded. The slider offered to
    // the volume timer takes no value: the alarm's level is the player's own, not the card's mixer
    // volume, which on a card the transmitter shares is the transmit level.
    bool optArchivoSonido() const override;
    void SetMuteVisible(bool visible) override;
    Slider& sldVolumen() override { return mixerVolume_; }

private:
    class UnusedSlider : public Slider {
    public:
        int Value() const override { return 0; }
        void SetValue(int) override {}
    };

    Station& station_;
    UnusedSlider mixerVolume_;
};

// The program's alarm player: sound files decoded by libsndfile and played with the tunes on the
// system's playback devices, kept off the air (AlarmOutputDevice), polled by a timer on the event loop.
// Without the system's devices (null: the sound goes to WAV files or stays in memory) it has no device
// and plays nothing.
std::unique_ptr<AlarmPlayer> MakeProgramAlarmPlayer(Station& station, std::shared_ptr<SoundSystem> system);

}  // namespace muv
