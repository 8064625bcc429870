// What the transmitter needs of the main window and of the other subsystems around it.
#pragma once

#include <string>

#include "timer.h"

namespace muv {

enum class BaudButton { imgBaudON1, imgBaudON2, imgBaudON2MF };

class TransmitterHost {
public:
    virtual ~TransmitterHost() = default;

    // The symbol-rate buttons: a selected button's ON image is visible.
    virtual bool BaudButtonOn(BaudButton button) const = 0;
    // The main window's mode box, txtModo.
    virtual void SetModeBox(const std::string& text) = 0;
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

// The main window's timers that the transmitter starts and stops.
struct TransmitterTimers {
    Timer& tmrTXTonoPiloto;
    Timer& tmrTX;
    Timer& tmrTonoTest;
    Timer& tmrRX;
    Timer& tmrRefrescoMetrica;
    Timer& tmrRefrescoAdquisicion;
};

}  // namespace muv
