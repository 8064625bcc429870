// The sound mixer's levels and mutes around a transmission. While the program transmits, the card must
// play the generated signal and nothing else: the microphone, line, CD and synthesizer sources are
// muted when output opens and given back their mute states when it closes, and a muted wave output or
// speaker is unmuted. The volume sliders read and set the wave-out volume and mute here.
//
// The mixer flag: 1 = mixer 0 (the alarm sound's); any other value = the mixer of the playback device
// chosen in the sound-card window. Each operation opens its mixer and closes it again; a mixer that
// cannot be opened, or a missing line or control, is skipped silently.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/mixer.h"

namespace muv {

class SoundMixer {
public:
    // outputListIndex: the sound-card window's chosen playback device (its list index).
    SoundMixer(Mixer& mixer, std::function<int()> outputListIndex);

    // The wave-out mute (1 muted), 0 when the line has no mute control. Nothing when the mixer cannot
    // be opened or the read fails: the caller keeps what it showed.
    std::optional<uint8_t> GetWaveOutMute(uint8_t flag);
    // The wave-out volume 0..65535, 0 when the line has no volume control. Nothing when the mixer
    // cannot be opened or the read fails: the caller keeps what it showed.
    std::optional<int32_t> GetWaveOutVolume(uint8_t flag);
    void SetWaveOutVolume(int32_t level, uint8_t flag);
    void UnmuteWaveOut(uint8_t flag);

    // Flag 1 (the alarm player): unmutes wave-out and speakers of mixer 0. Any other flag (sound
    // output opening): saves and sets the mutes of the sources, then unmutes wave-out and speakers.
    void PrepareMixerForOutput(uint8_t flag);
    // Gives the sources of the output card's mixer the mute states saved by the last preparation.
    void RestoreMixerSources();

    // Mute states of microphone, line, CD and synthesizer found by the last PrepareMixerForOutput
    // with a flag other than 1.
    std::array<uint8_t, 4> MixerSavedMutes{};

private:
    std::unique_ptr<OpenMixer> OpenFor(uint8_t flag);

    Mixer& mixer_;
    std::function<int()> outputListIndex_;
};

}  // namespace muv
