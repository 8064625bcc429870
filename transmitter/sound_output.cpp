#include "transmitter/sound_output.h"

#include <algorithm>
#include <string>

namespace muv {

SoundOutput::SoundOutput(SoundOutputDevice& device, TransmitterHost& host) : device_(device), host_(host) {}

bool SoundOutput::OpenSoundOutput(int samplesPerBuffer) {
    TxSamplesPerBuffer = samplesPerBuffer;
    if (!device_.Open(host_.OutputDeviceIndex()) && !device_.Open(0)) {
        host_.SoundCardFailure(WithDeviceReason("Audio Device Output not available", device_.LastError()));
        return false;
    }
    failureReported_ = false;
    host_.PrepareMixerForOutput(0);
    SoundOutputOpen = 1;
    device_.Reset();
    auto& staging = OutputStaging.For(TxSamplesPerBuffer);
    for (int k = 0; k < kOutputBuffers; ++k) {
        std::fill(staging[k].begin(), staging[k].end(), 0);
        device_.Write(k, staging[k].data(), static_cast<int>(staging[k].size()));
    }
    return true;
}

uint8_t SoundOutput::QueueOutputBuffer(const std::vector<int16_t>& samples, bool reset) {
    if (reset) {
        NextOutputBuffer = 0;
        return 0;
    }
    if (DeviceFailed()) return 0;
    const int n = NextOutputBuffer;
    if (!IsOutputBufferDone(n)) return 0;
    auto& row = OutputStaging.For(TxSamplesPerBuffer)[n];
    const size_t count = std::min(row.size(), samples.size() - 1);
    std::copy(samples.begin() + 1, samples.begin() + 1 + static_cast<std::ptrdiff_t>(count), row.begin());
    device_.Write(n, row.data(), static_cast<int>(row.size()));
    if (DeviceFailed()) return 0;
    NextOutputBuffer = static_cast<uint8_t>(n + 1 == kOutputBuffers ? 0 : n + 1);
    return 1;
}

bool SoundOutput::DeviceFailed() {
    if (device_.LastError().empty()) return false;
    // What is queued no longer reaches the air (a file that cannot be written): as a device that does
    // not open, and told once.
    if (!failureReported_) {
        failureReported_ = true;
        host_.SoundCardFailure(WithDeviceReason("Audio Device Output not available", device_.LastError()));
    }
    return true;
}

uint8_t SoundOutput::IsOutputBufferDone(int k) const {
    return device_.IsDone(k) ? 1 : 0;
}

void SoundOutput::CloseSoundOutput() {
    if (SoundOutputOpen == 1) {
        device_.Reset();
        device_.Close();
    }
    SoundOutputOpen = 0;
}

}  // namespace muv
