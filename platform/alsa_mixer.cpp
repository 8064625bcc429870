#include "platform/alsa_mixer.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace muv {

int AlsaCardFromDeviceName(std::string_view name) {
    // PortAudio ends an ALSA device's name with "(hw:card,device)"; a card's own name may hold
    // parentheses too, so the last one counts.
    const size_t open = name.rfind("(hw:");
    if (open == std::string_view::npos) return -1;
    size_t i = open + 4;
    int card = 0;
    const size_t first = i;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9' && i - first < 3)
        card = card * 10 + (name[i++] - '0');
    if (i == first || i >= name.size() || (name[i] != ',' && name[i] != ')')) return -1;
    return card;
}

namespace {

class AlsaOpenMixer : public OpenMixer {
public:
    explicit AlsaOpenMixer(snd_mixer_t* handle) : handle_(handle) {}
    ~AlsaOpenMixer() override { snd_mixer_close(handle_); }
    AlsaOpenMixer(const AlsaOpenMixer&) = delete;
    AlsaOpenMixer& operator=(const AlsaOpenMixer&) = delete;

    bool FindMixerControl(MixerLine line, MixerControlType type) override {
        return Element(line, type) != nullptr;
    }

    std::optional<int32_t> GetMixerControlValue(MixerLine line, MixerControlType type) override {
        snd_mixer_elem_t* elem = Element(line, type);
        if (!elem) return std::nullopt;
        if (type == MixerControlType::Mute) {
            int on = 0;
            if (snd_mixer_selem_get_playback_switch(elem, SND_MIXER_SCHN_FRONT_LEFT, &on) < 0)
                return std::nullopt;
            return on ? 0 : 1;
        }
        long min = 0, max = 0, value = 0;
        if (snd_mixer_selem_get_playback_volume_range(elem, &min, &max) < 0 ||
            snd_mixer_selem_get_playback_volume(elem, SND_MIXER_SCHN_FRONT_LEFT, &value) < 0)
            return std::nullopt;
        if (max <= min) return 0;
        const double level =
            std::round(static_cast<double>(value - min) * 65535.0 / static_cast<double>(max - min));
        return static_cast<int32_t>(std::clamp(level, 0.0, 65535.0));
    }

    bool SetMixerControlValue(MixerLine line, MixerControlType type, int32_t value) override {
        snd_mixer_elem_t* elem = Element(line, type);
        if (!elem) return false;
        if (type == MixerControlType::Mute)
            return snd_mixer_selem_set_playback_switch_all(elem, value ? 0 : 1) >= 0;
        long min = 0, max = 0;
        if (snd_mixer_selem_get_playback_volume_range(elem, &min, &max) < 0) return false;
        const double level = std::clamp<int32_t>(value, 0, 65535);
        const long raw = min + std::lround(level * static_cast<double>(max - min) / 65535.0);
        return snd_mixer_selem_set_playback_volume_all(elem, raw) >= 0;
    }

private:
    // The first of the line's simple controls that has a control of that type.
    snd_mixer_elem_t* Element(MixerLine line, MixerControlType type) {
        for (const char* name : Names(line)) {
            if (!name) break;
            snd_mixer_selem_id_t* id = nullptr;
            snd_mixer_selem_id_alloca(&id);
            snd_mixer_selem_id_set_name(id, name);
            snd_mixer_selem_id_set_index(id, 0);
            snd_mixer_elem_t* elem = snd_mixer_find_selem(handle_, id);
            if (!elem) continue;
            const bool has = type == MixerControlType::Mute ? snd_mixer_selem_has_playback_switch(elem)
                                                            : snd_mixer_selem_has_playback_volume(elem);
            if (has) return elem;
        }
        return nullptr;
    }

    static std::array<const char*, 2> Names(MixerLine line) {
        switch (line) {
            case MixerLine::WaveOut:
                return {"PCM", "Master"};
            case MixerLine::Speakers:
                return {"Master", nullptr};
            case MixerLine::Microphone:
                return {"Mic", nullptr};
            case MixerLine::Line:
                return {"Line", nullptr};
            case MixerLine::CompactDisc:
                return {"CD", nullptr};
            case MixerLine::Synthesizer:
                return {"Synth", nullptr};
        }
        return {nullptr, nullptr};
    }

    snd_mixer_t* handle_;
};

}  // namespace

AlsaMixer::AlsaMixer(std::vector<std::string> playbackDeviceNames) : names_(std::move(playbackDeviceNames)) {}

std::string AlsaMixer::MixerDevice(int number) const {
    int card = -1;
    if (number >= 0 && static_cast<size_t>(number) < names_.size())
        card = AlsaCardFromDeviceName(names_[number]);
    return card >= 0 ? "hw:" + std::to_string(card) : "default";
}

namespace {

// The simple mixer of an ALSA mixer device; null when it cannot be opened.
std::unique_ptr<OpenMixer> OpenSimpleMixer(const std::string& device) {
    snd_mixer_t* handle = nullptr;
    if (snd_mixer_open(&handle, 0) < 0) return nullptr;
    if (snd_mixer_attach(handle, device.c_str()) < 0 ||
        snd_mixer_selem_register(handle, nullptr, nullptr) < 0 || snd_mixer_load(handle) < 0) {
        snd_mixer_close(handle);
        return nullptr;
    }
    return std::make_unique<AlsaOpenMixer>(handle);
}

}  // namespace

std::unique_ptr<OpenMixer> AlsaMixer::Open(int number) {
    error_ = "no mixer";
    const std::string device = MixerDevice(number);
    // Asking ALSA for a card that is not there fills stderr with its complaints on every volume
    // tick, so the cards present are checked first.
    if (device == "default") {
        int card = -1;
        if (snd_card_next(&card) < 0 || card < 0) return nullptr;
    } else if (snd_card_load(std::stoi(device.substr(3))) != 1) {
        return nullptr;
    }
    auto mixer = OpenSimpleMixer(device);
    if (mixer) error_.clear();
    return mixer;
}

std::unique_ptr<OpenMixer> AlsaMixer::OpenCard(int card) {
    if (card < 0 || snd_card_load(card) != 1) return nullptr;
    return OpenSimpleMixer("hw:" + std::to_string(card));
}

}  // namespace muv
