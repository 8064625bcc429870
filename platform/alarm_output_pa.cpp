#include "platform/alarm_output_pa.h"

#include <portaudio.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/portaudio_sound.h"

namespace muv {

int DefaultPlaybackDeviceIndex() {
    const auto session = PortAudioSession::Acquire();
    if (!session) return -1;
    const PaDeviceIndex chosen = Pa_GetDefaultOutputDevice();
    int index = 0;
    for (PaDeviceIndex d = 0; d < Pa_GetDeviceCount(); ++d) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(d);
        if (!info || info->maxOutputChannels <= 0) continue;
        if (d == chosen) return index;
        ++index;
    }
    return -1;
}

PortAudioAlarmOutput::PortAudioAlarmOutput(std::function<int()> transmitterDevice,
                                           std::function<bool()> transmitting)
    : transmitterDevice_(std::move(transmitterDevice)), transmitting_(std::move(transmitting)) {}

std::optional<int> PortAudioAlarmOutput::ChooseDevice() {
    // One initialisation of PortAudio for the list and the default device.
    const auto session = PortAudioSession::Acquire();
    const int count = static_cast<int>(PlaybackDeviceNames().size());
    return AlarmOutputDevice(count, transmitterDevice_(), DefaultPlaybackDeviceIndex(), transmitting_());
}

bool PortAudioAlarmOutput::MayPlayOn(int device) {
    return AlarmMayPlayOn(device, transmitterDevice_(), transmitting_());
}

std::unique_ptr<SoundOutputDevice> PortAudioAlarmOutput::MakeDevice() {
    return std::make_unique<PortAudioSoundOutput>();
}

std::string PortAudioAlarmOutput::DeviceName(int device) {
    const std::vector<std::string> names = PlaybackDeviceNames();
    return device >= 0 && device < static_cast<int>(names.size()) ? names[device] : std::string();
}

}  // namespace muv
