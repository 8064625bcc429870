#include "session/station.h"

#include <QSlider>
#include <QStandardPaths>
#include <cstdlib>

#include "common/message_box.h"
#include "logbook/session_log_file.h"
#include "modem/mode_table.h"
#include "modem/varicode.h"
#include "platform/alsa_mixer.h"
#include "platform/sound_factory.h"
#include "session/frmMain.h"

namespace muv {

namespace {

// The output card's mixer; none while the output goes to a WAV file.
std::unique_ptr<Mixer> ProgramMixer() {
    const char* wav = std::getenv("MUV_SOUND_OUTPUT");
    if (wav && *wav) return std::make_unique<MemoryMixer>();
    return std::make_unique<AlsaMixer>(SoundOutputDeviceNames());
}

}  // namespace

int QSliderControl::Value() const {
    return slider_->value();
}

void QSliderControl::SetValue(int value) {
    slider_->setValue(value);  // a new value raises valueChanged, the slider's Change event
}

Station::Station()
    : Station(SoundDevices{CreateSoundInput(), CreateSoundOutput(), SoundInputDeviceNames,
                           SoundOutputDeviceNames, ProgramMixer()},
              nullptr) {}

Station::Station(SoundDevices devices, MessageBoxes* boxes)
    : window_(std::make_unique<frmMain>(boxes)),
      form(*window_),
      soundInput(std::move(devices.input)),
      soundOutput(std::move(devices.output)),
      // Without a mixer of its own (WAV files, tests) the program has a mixer with no cards.
      mixer(devices.mixer ? std::move(devices.mixer) : std::make_unique<MemoryMixer>()),
      receiverHost(*this),
      transmitterHost(*this),
      windowRequests(*this),
      soundCardHost(*this),
      errorTraps(*this),
      messageServices(*this),
      rig(RigWindowLinks{form, shared, windowRequests, form.Boxes(), pages}, &form),
      dds(rig.Keying(), comPuertoSerie),
      keying(rig.Keying(), comPuertoSerie, form.Boxes(), windowRequests),
      soundMixer(*mixer, [this] { return SoundCard().OutputListIndex(); }),
      volumeSlider(form.sldVolumen),
      volume(soundMixer, shared, form, volumeSlider),
      receiver(ReceiverLinks{StandardModeTables(), StandardVaricodeTable(), shared, sessionLog, texts,
                             form.RxWindow(), form, *soundInput, receiverHost, errorTraps}),
      transmitter(TransmitterLinks{StandardModeTables(), StandardVaricodeTable(), shared, sessionLog,
                                   form.RxWindow(), form.TxWindow(), transmitterHost, form, *soundOutput,
                                   dds}),
      soundCard_(std::make_unique<frmSoundCard>(soundCardHost, std::move(devices.inputNames),
                                                std::move(devices.outputNames), &form)) {
    // No band is chosen until the frequency list picks one at the window's load: the first choice
    // then switches to its band class and bandwidth with every effect of a change (frames, AFC range).
    shared.BandClass = 0;
    shared.BandwidthHz = 0;
    form.Attach(*this);
    form.SyncSwitches();
    form.FitWaterfallImage();
}

Station::~Station() = default;

frmSoundCard& Station::SoundCard() {
    if (!soundCardLoaded_) {
        soundCardLoaded_ = true;
        soundCard_->Form_Load();
    }
    return *soundCard_;
}

void Station::OpenSettings() {
    // The settings path and the profile are known before the first touch of the main window loads it.
    form.Form_Load();
}

void Station::ApplyLanguage() {
    // The texts are English; applying them touches every window, which loads the sound-card window and
    // the rig window.
    SoundCard();
    rig.Window();
}

bool Station::SaveSessionLog() {
    // Where the chosen folder cannot take the file: the user's own data folder ($XDG_DATA_HOME/MUV),
    // which, unlike the program's folder on an installed system, can be written.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const std::string fallback =
        data.isEmpty() ? std::string() : (data + QStringLiteral("/MUV")).toStdString();
    // The session text stays as it is, saved or not: nothing of it is lost to a failed save.
    const SessionLogSave result =
        logbook.SaveSessionLog(sessionLog, settings.SessionLogFolder, fallback, shared.UtcNow);
    if (!result.message.empty())
        form.Boxes().Show(result.message, kSessionLogErrorTitle, BoxIcon::Exclamation);
    return result.saved;
}

}  // namespace muv
