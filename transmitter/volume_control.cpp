#include "transmitter/volume_control.h"

#include "common/vb.h"

namespace muv {

namespace {

int SliderPosition(int32_t level) {
    return CLng(static_cast<double>(level) * 100 / 65535);
}

}  // namespace

int32_t SliderLevel(int position) {
    return CLng(position * 655.35);
}

VolumeControl::VolumeControl(SoundMixer& mixer, const SharedState& shared, WindowControls& controls,
                             Slider& sldVolumen, AlarmsVolumeControls* alarms)
    : mixer_(mixer), shared_(shared), controls_(controls), sldVolumen_(sldVolumen), alarms_(alarms) {}

void VolumeControl::sldVolumen_Change() {
    // The slider is hidden while receiving; a change that arrives then is not the operator's.
    if (shared_.TxRxState != 0) mixer_.SetWaveOutVolume(SliderLevel(sldVolumen_.Value()), 0);
}

void VolumeControl::txtMute_Click() {
    mixer_.UnmuteWaveOut(0);
}

void VolumeControl::tmrVolumenSlider_Timer() {
    const bool transmitting = shared_.TxRxState != 0;
    controls_.SetVisible(Control::sldVolumen, transmitting);
    controls_.SetVisible(Control::txtVU, !transmitting);
    controls_.SetVisible(Control::lblTXVU, transmitting);
    // A mixer that cannot be read leaves the controls showing what they showed.
    if (transmitting) {
        if (auto mute = mixer_.GetWaveOutMute(0)) controls_.SetVisible(Control::txtMute, *mute != 0);
        // Setting the value writes the rounded level back through sldVolumen_Change.
        if (auto volume = mixer_.GetWaveOutVolume(0)) sldVolumen_.SetValue(SliderPosition(*volume));
    }
    if (alarms_) {
        if (alarms_->optArchivoSonido())
            if (auto mute = mixer_.GetWaveOutMute(1)) alarms_->SetMuteVisible(*mute != 0);
        if (auto volume = mixer_.GetWaveOutVolume(1)) alarms_->sldVolumen().SetValue(SliderPosition(*volume));
    }
}

void VolumeControl::frmAlarms_sldVolumen_Change() {
    if (alarms_) mixer_.SetWaveOutVolume(SliderLevel(alarms_->sldVolumen().Value()), 1);
}

void VolumeControl::frmAlarms_txtMute_Click() {
    mixer_.UnmuteWaveOut(1);
}

}  // namespace muv
