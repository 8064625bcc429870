#include "station.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <stdexcept>

#include "controls.h"
#include "message_box.h"
#include "session_log_file.h"

namespace muv {

// --- the rig window's keying choices ---

frmRig& RigWindowKeying::Window() const {
    return station_.RigWindow();
}
bool RigWindowKeying::optCAT() const {
    return Window().optCAT->isChecked();
}
bool RigWindowKeying::optVOX() const {
    return Window().optVOX->isChecked();
}
bool RigWindowKeying::optNOCAT() const {
    return Window().optNOCAT->isChecked();
}
int RigWindowKeying::cboCOMListIndex() const {
    return Window().cboCOM->currentIndex();
}
bool RigWindowKeying::optRTS() const {
    return Window().optRTS->isChecked();
}
bool RigWindowKeying::optDTR() const {
    return Window().optDTR->isChecked();
}
bool RigWindowKeying::optDDSCAT() const {
    return Window().optDDSCAT->isChecked();
}
std::string RigWindowKeying::txtFrecuenciaUSBText() const {
    return FromQString(Window().txtFrecuenciaUSB->text());
}
int32_t RigWindowKeying::CatFrequencyHz() const {
    return Window().CatFrequencyHz;
}
bool RigWindowKeying::OmniRigEnginePresent() const {
    return Window().OmniRigEngine() != nullptr;
}
int RigWindowKeying::CurrentRigStatus() const {
    const Rig* rig = Window().CurrentRig();
    return rig ? rig->Status() : rigctl::ST_NOTCONFIGURED;
}
uint8_t RigWindowKeying::CAT_PTT_TX() {
    return Window().CAT_PTT_TX();
}
void RigWindowKeying::CAT_PTT_RX() {
    Window().CAT_PTT_RX();
}

// --- the volume slider ---

int QSliderControl::Value() const {
    return slider_->value();
}
void QSliderControl::SetValue(int value) {
    slider_->setValue(value);  // a new value raises valueChanged, the slider's Change event
}

Station::Station(frmMain& f, SoundDevices devices)
    : form(f),
      soundInput(std::move(devices.input)),
      soundOutput(std::move(devices.output)),
      // Without a mixer of its own (WAV files, tests) the program has a mixer with no cards.
      mixer(devices.mixer ? std::move(devices.mixer) : std::make_unique<MemoryMixer>()),
      rigKeying(*this),
      dds(rigKeying, comPuertoSerie),
      keying(rigKeying, comPuertoSerie, f.Boxes(), f),
      soundMixer(*mixer, [this] { return SoundCard().OutputListIndex(); }),
      volumeSlider(f.sldVolumen),
      volume(soundMixer, shared, f, volumeSlider),
      receiver(ReceiverLinks{StandardModeTables(), StandardVaricodeTable(), shared, sessionLog, texts,
                             f.RxWindow(), f, *soundInput, f, f}),
      transmitter(TransmitterLinks{StandardModeTables(), StandardVaricodeTable(), shared, sessionLog,
                                   f.RxWindow(), f.TxWindow(), f, f, *soundOutput, dds}),
      soundCard_(std::make_unique<frmSoundCard>(f, std::move(devices.inputNames),
                                                std::move(devices.outputNames), &f)) {
    // No band is chosen until the frequency list picks one at the window's load: the first choice
    // then switches to its band class and bandwidth with every effect of a change (frames, AFC range).
    shared.BandClass = 0;
    shared.BandwidthHz = 0;
    receiver.SetEndOfMessageServices(&f);
}

frmSoundCard& Station::SoundCard() {
    if (!soundCardLoaded_) {
        soundCardLoaded_ = true;
        soundCard_->Form_Load();
    }
    return *soundCard_;
}

frmRig& Station::RigWindow() {
    if (!rigWindow_) {
        // Kept before the load, which may already reach back for the window (a rig frequency read
        // into the frequency box).
        rigWindow_ = std::make_unique<frmRig>(RigWindowLinks{form, shared, form, form.Boxes(), pages}, &form);
        rigWindow_->Form_Load();
    }
    return *rigWindow_;
}

StoredSetting Station::Stored() const {
    return [this](std::string_view section, std::string_view key) -> std::optional<std::string> {
        auto it = storedValues.find(std::string(section) + "/" + std::string(key));
        if (it == storedValues.end()) return std::nullopt;
        return it->second;
    };
}

void Station::OpenSettings() {
    // The settings path and the profile are known before the first touch of the main window loads it.
    form.Form_Load();
}

void Station::SaveShiftRange() {
    // Each band class keeps its own range.
    const char* key = shared.BandClass == 1   ? "Shift Range MF"
                      : shared.BandClass == 2 ? "Shift Range HF"
                                              : "Shift Range EME";
    storedValues[std::string("Conmutadores/") + key] = form.Visible(Control::imgAFC200) ? "1" : "0";
}

void Station::ApplyLanguage() {
    // The texts are English; applying them touches every window, which loads the sound-card window and
    // the rig window.
    SoundCard();
    RigWindow();
}

void Station::SaveSessionLog() {
    const std::string programFolder = QCoreApplication::applicationDirPath().toStdString();
    try {
        const std::string warning =
            muv::SaveSessionLog(sessionLog, SessionLogFolder, programFolder, shared.UtcNow);
        if (!warning.empty()) form.Boxes().Show(warning, kSessionLogErrorTitle, BoxIcon::Exclamation);
    } catch (const std::runtime_error& e) {
        // The session text is lost, but the program still closes normally.
        form.Boxes().Show(e.what(), kSessionLogErrorTitle, BoxIcon::Exclamation);
    }
}

}  // namespace muv
