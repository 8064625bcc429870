// The mixer of a sound card on the ALSA simple mixer. The lines are the card's simple controls:
// wave-out "PCM" (or "Master" on cards without "PCM"), speakers "Master", and the sources "Mic",
// "Line", "CD" and "Synth". A mute is a playback switch turned off; a volume is the playback volume
// mapped linearly onto 0..65535. A missing card or control makes the operation do nothing.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mixer.h"

namespace muv {

// The ALSA card a PortAudio device name names with its "(hw:N,M)"; -1 when it names none.
int AlsaCardFromDeviceName(std::string_view name);

class AlsaMixer : public Mixer {
public:
    // playbackDeviceNames: the playback devices in the order of the sound-card window's list.
    explicit AlsaMixer(std::vector<std::string> playbackDeviceNames = {});

    void SetPlaybackDeviceNames(std::vector<std::string> names) override { names_ = std::move(names); }

    // The ALSA mixer device for mixer `number`: "hw:N" of the card that the playback device with this
    // index plays on, or "default" when its name names no card (or there is no such device).
    std::string MixerDevice(int number) const;

    // Null, with LastError() "no mixer", when that mixer cannot be opened.
    std::unique_ptr<OpenMixer> Open(int number) override;
    // The mixer of ALSA card `card`; null when the card is not there.
    static std::unique_ptr<OpenMixer> OpenCard(int card);
    const std::string& LastError() const { return error_; }

private:
    std::vector<std::string> names_;
    std::string error_;
};

}  // namespace muv
