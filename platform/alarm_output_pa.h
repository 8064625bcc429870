// The alarm's playback devices: the same devices, in the same order, as the sound-card window's output
// list, with the rule that keeps the alarm off the air (AlarmOutputDevice) applied to what each device
// really plays on, so that two names of one sound-server sink count as one device.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/alarm_player.h"

namespace muv {

class SoundSystem;

class SystemAlarmOutput : public AlarmOutput {
public:
    // transmitterDevice: the index of the playback device chosen for the transmitter (-1: none);
    // transmitting: a transmission runs.
    SystemAlarmOutput(std::shared_ptr<SoundSystem> system, std::function<int()> transmitterDevice,
                      std::function<bool()> transmitting);

    std::optional<int> ChooseDevice() override;
    bool MayPlayOn(int device) override;
    std::unique_ptr<SoundOutputDevice> MakeDevice() override;
    std::string DeviceName(int device) override;

private:
    std::shared_ptr<SoundSystem> system_;
    std::function<int()> transmitterDevice_;
    std::function<bool()> transmitting_;
    PlaybackTarget target_;
};

}  // namespace muv
