#include "receiver/sound_input.h"

#include <algorithm>
#include <string>

#include "receiver/receiver_host.h"

namespace muv {

SoundInput::SoundInput(SoundInputDevice& device, ReceiverHost& host) : device_(device), host_(host) {}

bool SoundInput::OpenSoundInput(int samplesPerBuffer) {
    // Opening again closes the device first, so that nothing of the earlier open is left behind.
    if (SoundInputOpen == 1) CloseSoundInput();
    openSize_ = samplesPerBuffer;
    if (!device_.Open(host_.InputDeviceIndex())) {
        if (!device_.Open(0)) {
            host_.SoundCardFailure(WithDeviceReason("Audio Device Input not available", device_.LastError()));
            return false;
        }
        host_.SetInputDeviceIndex(0);
    }
    SoundInputOpen = 1;
    for (int k = 1; k <= kInputBuffers; ++k)
        device_.AddBuffer(k, openSize_);
    device_.Start();
    NextInputBuffer = 1;
    return true;
}

void SoundInput::CloseSoundInput() {
    if (SoundInputOpen == 1) {
        device_.Reset();
        device_.Close();
    }
    SoundInputOpen = 0;
}

uint8_t SoundInput::IsInputBufferDone(int k) const {
    return device_.IsDone(k) ? 1 : 0;
}

uint8_t SoundInput::ReadInputBuffer3072(std::vector<int16_t>& samples) {
    return ReadInputBuffer(samples, kHfBufferSamples);
}

uint8_t SoundInput::ReadInputBuffer3584(std::vector<int16_t>& samples) {
    return ReadInputBuffer(samples, kMfBufferSamples);
}

uint8_t SoundInput::ReadInputBuffer(std::vector<int16_t>& samples, int size) {
    const int n = NextInputBuffer;
    const int k = n == kInputBuffers ? 1 : n + 1;
    if (!IsInputBufferDone(k)) return 0;
    const std::vector<int16_t>& filled = device_.Read(k);
    if (static_cast<int>(filled.size()) != size) {
        // Recorded with the other buffer size (the band class changed since the open): drop it.
        device_.AddBuffer(k, openSize_);
        NextInputBuffer = static_cast<int16_t>(k);
        return 0;
    }
    auto& rows = InputStaging.For(size);
    std::copy(filled.begin(), filled.end(), rows[k].begin());
    device_.AddBuffer(k, openSize_);
    samples.resize(static_cast<size_t>(size) + 1);
    std::copy(rows[n].begin(), rows[n].end(), samples.begin() + 1);
    NextInputBuffer = static_cast<int16_t>(k);
    return 1;
}

}  // namespace muv
