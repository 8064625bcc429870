#include "session/station.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QStandardPaths>

#include "common/message_box.h"
#include "logbook/session_log_file.h"
#include "session/controls.h"

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

bool Station::SaveSessionLog() {
    // Where the chosen folder cannot take the file: the user's own data folder ($XDG_DATA_HOME/MUV),
    // which, unlike the program's folder on an installed system, can be written.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const std::string fallback =
        data.isEmpty() ? std::string() : (data + QStringLiteral("/MUV")).toStdString();
    // The session text stays as it is, saved or not: nothing of it is lost to a failed save.
    const SessionLogSave result = muv::SaveSessionLog(sessionLog, SessionLogFolder, fallback, shared.UtcNow);
    if (!result.message.empty())
        form.Boxes().Show(result.message, kSessionLogErrorTitle, BoxIcon::Exclamation);
    return result.saved;
}

}  // namespace muv
