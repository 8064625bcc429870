// What the rest of the program asks of rig control: the rig window on demand, the CAT frequency and
// retuning, the digital mode, the options frozen while transmitting, the keying choices and CAT keying
// (RigKeying), and the release of a CAT-keyed rig at shut-down. The program runs it over the rig window
// and its rigctld engine (RigRoom); tests fake it.
#pragma once

#include <cstdint>

#include "transmitter/keying.h"

namespace muv {

class RigControl {
public:
    virtual ~RigControl() = default;

    // The rig window, loaded on its first use (its load starts the CAT engine when CAT is on).
    virtual bool WindowLoaded() const = 0;
    virtual void ShowWindow() = 0;

    // The rig's frequency in Hz as CAT last read it; 0 while none is known or the window is not loaded.
    virtual int32_t CatFrequencyHz() const = 0;
    // A CAT engine runs, and its selected rig answers.
    virtual bool EngineRunning() const = 0;
    virtual bool CurrentRigOnline() const = 0;
    // Tunes the selected rig and the other one (the rig-type correction is written back into hz).
    virtual void CambiarFrecuencia(int32_t& hz) = 0;
    // With the window's digital-mode choice ticked, the selected rig is put in the digital mode.
    virtual void FollowDigitalMode() = 0;
    // The window's options frozen while transmitting, and freed again.
    virtual void ProtejerOpcionesRig() = 0;
    virtual void ActivarOpcionesRig() = 0;

    // The keying choices of the window and CAT keying.
    virtual RigKeying& Keying() = 0;
    // Before the program ends: a CAT release still unconfirmed is given a moment, then sent once more on
    // a connection of its own.
    virtual void SettleRelease() = 0;
};

}  // namespace muv
