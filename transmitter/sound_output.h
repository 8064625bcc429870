// Sound-card output: a ring of 20 buffers that the device plays in order. Opening queues all of them
// silent; afterwards each transmit tick offers one buffer, accepted only when the next buffer of the
// ring has finished playing.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/sound_device.h"
#include "platform/sound_staging.h"
#include "transmitter/transmitter_host.h"

namespace muv {

constexpr int kOutputBuffers = 20;

class SoundOutput {
public:
    SoundOutput(SoundOutputDevice& device, TransmitterHost& host);

    // Opens the chosen device (device 0 if that fails) with buffers of samplesPerBuffer samples and
    // queues the 20 buffers silent. False when no device opened: the host has been told.
    bool OpenSoundOutput(int samplesPerBuffer);
    // samples holds elements 1..samplesPerBuffer (element 0 unused). With reset, only goes back to
    // buffer 0 and returns 0; otherwise 1 when the samples were queued, 0 when the next buffer still plays
    // or the device has failed (the host is told once per open, with the device's reason).
    uint8_t QueueOutputBuffer(const std::vector<int16_t>& samples, bool reset);
    uint8_t IsOutputBufferDone(int k) const;
    void CloseSoundOutput();

    uint8_t SoundOutputOpen = 0;
    uint8_t NextOutputBuffer = 0;
    int32_t TxSamplesPerBuffer = kHfBufferSamples;

    SoundOutputDevice& Device() { return device_; }

private:
    // True when the device reports a failure since it opened; the first time, the host is told.
    bool DeviceFailed();

    SoundOutputDevice& device_;
    TransmitterHost& host_;
    // Row k holds the last samples copied into buffer k.
    SoundStaging<kOutputBuffers> OutputStaging;
    bool failureReported_ = false;
};

}  // namespace muv
