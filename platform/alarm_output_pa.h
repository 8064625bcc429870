// The alarm's playback devices on PortAudio: the same devices, in the same order, as the sound-card
// window's output list, with the rule that keeps the alarm off the air (AlarmOutputDevice).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/alarm_player.h"

namespace muv {

// The system's default playback device as an index of PlaybackDeviceNames(); -1 when there is none.
int DefaultPlaybackDeviceIndex();

class PortAudioAlarmOutput : public AlarmOutput {
public:
    // transmitterDevice: the index of the playback device chosen for the transmitter (-1: none);
    // transmitting: a transmission runs.
    PortAudioAlarmOutput(std::function<int()> transmitterDevice, std::function<bool()> transmitting);

    std::optional<int> ChooseDevice() override;
    bool MayPlayOn(int device) override;
    std::unique_ptr<SoundOutputDevice> MakeDevice() override;
    std::string DeviceName(int device) override;

private:
    std::function<int()> transmitterDevice_;
    std::function<bool()> transmitting_;
};

}  // namespace muv
