// What the transmitter needs of the main window and of the other subsystems around it.
#pragma once

#include <string>

namespace muv {

// What the transmitter needs beyond the main window's controls.
class TransmitterHost {
public:
    virtual ~TransmitterHost() = default;

    // The receiver's indicators to their idle state.
    virtual void ResetRxDisplay() = 0;
    virtual void CloseSoundInput() = 0;
    // The end of a data transmission: wait for the queued sound, end mark, release, back to receiving.
    virtual void EndTransmission() = 0;

    // The end of the tune tone, around the transmitter's own steps: first the transmitting indicator
    // goes off, then the key is released, and once output is closed the window and the receiver return.
    virtual void TestToneStopping() = 0;
    virtual void ReleasePtt() = 0;
    virtual void TestToneStopped() = 0;

    // The playback device chosen in the sound-card window (-1: the system's default).
    virtual int OutputDeviceIndex() const = 0;
    virtual void PrepareMixerForOutput(int flag) = 0;
    // Neither the chosen device nor device 0 opens: the operator is told and the program ends.
    virtual void SoundCardFailure(const std::string& message) = 0;
};

}  // namespace muv
