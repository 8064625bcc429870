#include "station.h"

#include <QCoreApplication>
#include <stdexcept>

#include "message_box.h"
#include "session_log_file.h"

namespace muv {

Station::Station(frmMain& f, SoundDevices devices)
    : form(f),
      soundInput(std::move(devices.input)),
      soundOutput(std::move(devices.output)),
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
    // The texts are English; applying them touches every window, which loads the sound-card window.
    SoundCard();
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
