// Sound-card input: a ring of 50 buffers that the device fills in order, polled by the receive ticks.
// The samples handed over run one buffer behind the buffer just found filled.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/sound_device.h"
#include "platform/sound_staging.h"

namespace muv {

class ReceiverHost;

constexpr int kInputBuffers = 50;

class SoundInput {
public:
    SoundInput(SoundInputDevice& device, ReceiverHost& host);

    // Opens the chosen device (device 0 if that fails) with buffers of samplesPerBuffer samples (3072
    // or 3584), queues the 50 buffers and starts. False when no device opened: the host has been told.
    bool OpenSoundInput(int samplesPerBuffer);
    void CloseSoundInput();
    // samples must hold elements 1..3072 (1..3584); element 0 is unused. 1 when a buffer was handed
    // over, 0 when none was ready. A buffer of the other size is dropped.
    uint8_t ReadInputBuffer3072(std::vector<int16_t>& samples);
    uint8_t ReadInputBuffer3584(std::vector<int16_t>& samples);
    uint8_t IsInputBufferDone(int k) const;

    uint8_t SoundInputOpen = 0;
    int16_t NextInputBuffer = 1;

private:
    uint8_t ReadInputBuffer(std::vector<int16_t>& samples, int size);

    SoundInputDevice& device_;
    ReceiverHost& host_;
    int openSize_ = kHfBufferSamples;
    // Row k holds the last copy of buffer k (rows 1..50).
    SoundStaging<kInputBuffers + 1> InputStaging;
};

}  // namespace muv
