#include "platform/sound_factory.h"

#include <cstdlib>

#include "platform/portaudio_sound.h"
#include "platform/wav_sound.h"

namespace muv {

namespace {

// The value of an environment variable that is set and not empty.
const char* Setting(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

}  // namespace

std::unique_ptr<SoundInputDevice> CreateSoundInput() {
    if (const char* path = Setting("MUV_SOUND_INPUT"))
        return std::make_unique<WavFileSoundInput>(path, /*realTime*/ true, /*loop*/ true);
    return std::make_unique<PortAudioSoundInput>();
}

std::unique_ptr<SoundOutputDevice> CreateSoundOutput() {
    // The file takes the transmission at the pace of the air, so that the program's timing (the wait
    // for the queued sound, the indicators, the countdowns) is the same as on a sound card.
    if (const char* path = Setting("MUV_SOUND_OUTPUT"))
        return std::make_unique<WavFileSoundOutput>(path, /*append*/ true, /*realTime*/ true);
    return std::make_unique<PortAudioSoundOutput>();
}

std::vector<std::string> SoundInputDeviceNames() {
    if (const char* path = Setting("MUV_SOUND_INPUT")) return {path};
    return CaptureDeviceNames();
}

std::vector<std::string> SoundOutputDeviceNames() {
    if (const char* path = Setting("MUV_SOUND_OUTPUT")) return {path};
    return PlaybackDeviceNames();
}

bool SoundCardPresent() {
    return !CaptureDeviceNames().empty();
}

}  // namespace muv
