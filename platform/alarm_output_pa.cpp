#include "platform/alarm_output_pa.h"

#include <utility>

#include "platform/sound_factory.h"

namespace muv {

SystemAlarmOutput::SystemAlarmOutput(std::shared_ptr<SoundSystem> system,
                                     std::function<int()> transmitterDevice,
                                     std::function<bool()> transmitting)
    : system_(std::move(system)),
      transmitterDevice_(std::move(transmitterDevice)),
      transmitting_(std::move(transmitting)),
      target_([system = system_.get()](int device) { return system->PlaysOn(device); }) {}

std::optional<int> SystemAlarmOutput::ChooseDevice() {
    return AlarmOutputDevice(system_->PlaybackCount(), transmitterDevice_(), system_->DefaultPlaybackIndex(),
                             transmitting_(), target_, system_->TransmitterPlaysOn());
}

bool SystemAlarmOutput::MayPlayOn(int device) {
    return AlarmMayPlayOn(device, transmitterDevice_(), transmitting_(), target_,
                          system_->TransmitterPlaysOn());
}

std::unique_ptr<SoundOutputDevice> SystemAlarmOutput::MakeDevice() {
    return system_->CreateAlarmDevice();
}

std::string SystemAlarmOutput::DeviceName(int device) {
    return system_->PlaybackDescription(device);
}

}  // namespace muv
