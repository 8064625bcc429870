// The main window's volume slider: while transmitting, sldVolumen sets the card's wave-out volume and
// the warning txtMute (shown while wave-out is muted) unmutes it when clicked; while receiving, the
// input-level box txtVU takes the slider's place. A 200 ms timer keeps the slider, the warning and the
// alarms window's slider and warning in step with the mixer, so that changes made elsewhere show.
#pragma once

#include <cstdint>

#include "common/shared_state.h"
#include "common/window_controls.h"
#include "transmitter/sound_mixer.h"

namespace muv {

// A slider with the range 0 to 100.
class Slider {
public:
    virtual ~Slider() = default;
    virtual int Value() const = 0;
    // A value that differs from the current one raises the slider's Change event, as moving it does.
    virtual void SetValue(int value) = 0;
};

// The alarms window's volume controls.
class AlarmsVolumeControls {
public:
    virtual ~AlarmsVolumeControls() = default;
    // The alarm plays a sound file (rather than PC-speaker tones).
    virtual bool optArchivoSonido() const = 0;
    // Its mute warning txtMute.
    virtual void SetMuteVisible(bool visible) = 0;
    virtual Slider& sldVolumen() = 0;
};

// The mixer level of a slider position: position x 655.35, halves to even.
int32_t SliderLevel(int position);

class VolumeControl {
public:
    VolumeControl(SoundMixer& mixer, const SharedState& shared, WindowControls& controls, Slider& sldVolumen,
                  AlarmsVolumeControls* alarms = nullptr);

    // The alarms window, once it exists (it is kept in step by the timer).
    void SetAlarmsWindow(AlarmsVolumeControls* alarms) { alarms_ = alarms; }

    // The main window's handlers; the window itself gives the focus back to rtfVentanaTX after
    // sldVolumen_Scroll and txtMute_Click.
    void sldVolumen_Change();
    void txtMute_Click();
    void tmrVolumenSlider_Timer();

    // The alarms window's own slider and mute box, on mixer 0.
    void frmAlarms_sldVolumen_Change();
    void frmAlarms_txtMute_Click();

private:
    SoundMixer& mixer_;
    const SharedState& shared_;
    WindowControls& controls_;
    Slider& sldVolumen_;
    AlarmsVolumeControls* alarms_;
};

}  // namespace muv
