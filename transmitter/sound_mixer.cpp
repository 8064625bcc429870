#include "transmitter/sound_mixer.h"

#include <utility>

namespace muv {

namespace {

constexpr std::array<MixerLine, 4> kSources = {MixerLine::Microphone, MixerLine::Line, MixerLine::CompactDisc,
                                               MixerLine::Synthesizer};

void Unmute(OpenMixer& m, MixerLine line) {
    if (m.FindMixerControl(line, MixerControlType::Mute))
        m.SetMixerControlValue(line, MixerControlType::Mute, 0);
}

}  // namespace

SoundMixer::SoundMixer(Mixer& mixer, std::function<int()> outputListIndex)
    : mixer_(mixer), outputListIndex_(std::move(outputListIndex)) {}

std::unique_ptr<OpenMixer> SoundMixer::OpenFor(uint8_t flag) {
    return mixer_.Open(flag == 1 ? 0 : outputListIndex_());
}

std::optional<uint8_t> SoundMixer::GetWaveOutMute(uint8_t flag) {
    auto m = OpenFor(flag);
    if (!m) return std::nullopt;
    if (!m->FindMixerControl(MixerLine::WaveOut, MixerControlType::Mute)) return 0;
    const auto value = m->GetMixerControlValue(MixerLine::WaveOut, MixerControlType::Mute);
    if (!value) return std::nullopt;
    return static_cast<uint8_t>(*value != 0);
}

std::optional<int32_t> SoundMixer::GetWaveOutVolume(uint8_t flag) {
    auto m = OpenFor(flag);
    if (!m) return std::nullopt;
    if (!m->FindMixerControl(MixerLine::WaveOut, MixerControlType::Volume)) return 0;
    return m->GetMixerControlValue(MixerLine::WaveOut, MixerControlType::Volume);
}

void SoundMixer::SetWaveOutVolume(int32_t level, uint8_t flag) {
    auto m = OpenFor(flag);
    if (m && m->FindMixerControl(MixerLine::WaveOut, MixerControlType::Volume))
        m->SetMixerControlValue(MixerLine::WaveOut, MixerControlType::Volume, level);
}

void SoundMixer::UnmuteWaveOut(uint8_t flag) {
    if (auto m = OpenFor(flag)) Unmute(*m, MixerLine::WaveOut);
}

void SoundMixer::PrepareMixerForOutput(uint8_t flag) {
    auto m = OpenFor(flag);
    if (!m) return;
    if (flag != 1) {
        for (size_t i = 0; i < kSources.size(); ++i) {
            if (!m->FindMixerControl(kSources[i], MixerControlType::Mute)) continue;
            // A state that cannot be read keeps the one saved before rather than a made-up value.
            if (auto found = m->GetMixerControlValue(kSources[i], MixerControlType::Mute))
                MixerSavedMutes[i] = static_cast<uint8_t>(*found != 0);
            m->SetMixerControlValue(kSources[i], MixerControlType::Mute, 1);
        }
    }
    Unmute(*m, MixerLine::WaveOut);
    Unmute(*m, MixerLine::Speakers);
}

void SoundMixer::RestoreMixerSources() {
    auto m = OpenFor(0);
    if (!m) return;
    for (size_t i = 0; i < kSources.size(); ++i)
        if (m->FindMixerControl(kSources[i], MixerControlType::Mute))
            m->SetMixerControlValue(kSources[i], MixerControlType::Mute, MixerSavedMutes[i]);
}

}  // namespace muv
