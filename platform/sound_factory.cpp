#include "platform/sound_factory.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

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

bool QuietSoundCardPresent() {
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = dup(STDOUT_FILENO);
    const int savedErr = dup(STDERR_FILENO);
    const int nothing = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nothing >= 0) {
        dup2(nothing, STDOUT_FILENO);
        dup2(nothing, STDERR_FILENO);
        close(nothing);
    }
    const bool present = SoundCardPresent();
    std::fflush(stdout);
    std::fflush(stderr);
    for (auto [saved, fd] : {std::pair{savedOut, STDOUT_FILENO}, std::pair{savedErr, STDERR_FILENO}}) {
        if (saved < 0) continue;
        dup2(saved, fd);
        close(saved);
    }
    return present;
}

}  // namespace muv
