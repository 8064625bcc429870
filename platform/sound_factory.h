// The sound devices the program runs on: PortAudio normally; WAV files when the environment says so,
// for running without a sound card. MUV_SOUND_INPUT names a 48 kHz WAV file that the input plays at
// the real pace, over and over; MUV_SOUND_OUTPUT names the WAV file that the output writes, taking
// the buffers at the real pace too.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/sound_device.h"

namespace muv {

std::unique_ptr<SoundInputDevice> CreateSoundInput();
std::unique_ptr<SoundOutputDevice> CreateSoundOutput();

// The device names to offer for the devices these make, in device-index order: the WAV file's path
// as the one device when a file stands in, else PortAudio's devices.
std::vector<std::string> SoundInputDeviceNames();
std::vector<std::string> SoundOutputDeviceNames();

// True when PortAudio lists at least one capture device.
bool SoundCardPresent();
// The same, with what the sound libraries print while they probe the devices kept off the terminal.
bool QuietSoundCardPresent();

}  // namespace muv
