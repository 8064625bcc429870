// What the receiver needs of the program around it, beyond the main window's controls.
#pragma once

#include <cstdint>
#include <string>

namespace muv {

class ReceiverHost {
public:
    virtual ~ReceiverHost() = default;

    // The capture device chosen in the sound-card window (-1: the system's default); the receiver sets
    // it to 0 when it had to fall back to device 0.
    virtual int InputDeviceIndex() const = 0;
    virtual void SetInputDeviceIndex(int index) = 0;
    // Neither the chosen device nor device 0 opens: the operator is told and the program ends.
    virtual void SoundCardFailure(const std::string& message) = 0;

    // The rig's frequency in Hz as the CAT connection last read it.
    virtual int32_t CatFrequencyHz() const = 0;

    // The processor load: whether it can be read, and the highest load over the processors in percent.
    virtual bool CpuCounterAvailable() const = 0;
    virtual float ReadCpuLoad() = 0;

    // The beacon window: whether a lock arms the answer to a report request, and whether the beacon
    // modes that need the processor load can be chosen (when not, only the report mode remains).
    virtual void SetBeaconReportArmed(bool armed) = 0;
    virtual void SetBeaconModesAvailable(bool available) = 0;

    // Asks the callsign server for the locator of the station heard after "DE" in the message.
    virtual void LookupHeardCallLocator() = 0;

    // While transmitting, the level meter shows the output volume: the slider (0 to 100) and the mute.
    virtual int VolumeSliderValue() const = 0;
    virtual bool WaveOutMuted() const = 0;
};

}  // namespace muv
