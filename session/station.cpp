#include "session/station.h"

#include <QSlider>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "common/message_box.h"
#include "logbook/session_log_file.h"
#include "modem/mode_table.h"
#include "modem/varicode.h"
#include "platform/program_folders.h"
#include "platform/sound_factory.h"
#include "session/frmMain.h"
#include "settings/frmAbout.h"
#include "settings/frmEmailReport.h"
#include "settings/frmEqslAccount.h"
#include "settings/frmLogDirectories.h"
#include "settings/frmMacros.h"
#include "settings/frmOperator.h"
#include "settings/frmProfiles.h"
#include "settings/frmScan.h"
#include "settings/frmShortcuts.h"

namespace muv {

namespace {

// The system's devices that the alarm plays on; none unless it plays on the sound card.
std::shared_ptr<SoundSystem> AlarmDevices(const SoundDevices& devices) {
    if (!devices.alarmsOnSoundCard) return nullptr;
    return devices.system ? devices.system : SoundSystem::Make();
}

}  // namespace

SoundDevices ProgramSoundDevices() {
    std::shared_ptr<SoundSystem> system = SoundSystem::Make();
    SoundDevices devices{system->CreateInput(),
                         system->CreateOutput(),
                         [system] { return system->CaptureDevices(); },
                         [system] { return system->PlaybackDevices(); },
                         system->CreateMixer(),
                         nullptr,
                         !system->OutputOnFile()};
    devices.system = std::move(system);
    return devices;
}

int QSliderControl::Value() const {
    return slider_->value();
}

void QSliderControl::SetValue(int value) {
    slider_->setValue(value);  // a new value raises valueChanged, the slider's Change event
}

Station::Station() : Station(ProgramSoundDevices(), nullptr) {}

Station::Station(SoundDevices devices, MessageBoxes* boxes)
    : window_(std::make_unique<frmMain>(boxes)),
      form(*window_),
      language([this](std::string_view name) { return LanguageWindow(name); }, texts),
      settings(SettingsLinks{form, form, shared, form.Boxes(), fileDialogs, pages,
                             [this]() -> frmSoundCard& { return SoundCard(); },
                             [this] { online.ClusterConnect(); },
                             [this] { online.CallsignServerRequest(CallsignServerCode::Login); },
                             [this] { OpenAdifLog(); }, UserDataFolder(), &form, &beaconHost, &form,
                             &alarmsHost, [this](QWidget& window) { WindowCreated(window); }}),
      soundInput(std::move(devices.input)),
      soundOutput(std::move(devices.output)),
      // Without a mixer of its own (WAV files, tests) the program has a mixer with no cards.
      mixer(devices.mixer ? std::move(devices.mixer) : std::make_unique<MemoryMixer>()),
      alarmPlayer(devices.alarmPlayer ? std::move(devices.alarmPlayer)
                                      : MakeProgramAlarmPlayer(*this, AlarmDevices(devices))),
      fileDialogs(&form),
      receiverHost(*this),
      transmitterHost(*this),
      windowRequests(*this),
      soundCardHost(*this),
      errorTraps(*this),
      messageServices(*this),
      beaconHost(*this),
      alarmsHost(*this),
      qsoEntryHost(*this),
      onlineHost(*this),
      online(OnlineLinks{WinsockCluster, WinsockIndicativos, form.tmrClusterLogin,
                         form.tmrClusterComprobarConexion, form.tmrEnviarSpotPublico, form.tmrClusterRow,
                         form.tmrOnline, form.tmrConexionServidorAuxiliar, form.tmrCallsignServerQuiet,
                         form.tmrPSKreporter, form.tmrEnviarEmail, onlineHost, onlineHost, onlineHost,
                         onlineHost, transfers, pskSocket, reportClock, errorTraps}),
      rig(RigWindowLinks{form, shared, windowRequests, form.Boxes(), pages, settings.Store(), &texts}, &form,
          [this](QWidget& window) { WindowCreated(window); }),
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
      soundCard_(std::make_unique<frmSoundCard>(soundCardHost, settings.Store(),
                                                std::move(devices.inputNames), std::move(devices.outputNames),
                                                &form)),
      statistics_(
          [this] {
              return std::make_unique<frmStatistics>(
                  StatisticsWindowLinks{
                      settings.Store(), [this]() -> const std::string& { return logbook.Log().LogText(); },
                      [this] { return receiver.RxText(); }, [this] { return receiver.SnDb; },
                      [this] { return receiver.RxMode().DisplayName; },
                      [this] { return rig.CatFrequencyHz(); }, [this] { return shared.UtcNow; }},
                  &form);
          },
          [this](QWidget& window) { WindowCreated(window); }),
      qsoEntry_(
          [this] {
              return std::make_unique<frmQsoEntry>(
                  QsoEntryLinks{settings.Store(), form.Boxes(), qsoEntryHost, loggedContacts}, &form);
          },
          [this](QWidget& window) { WindowCreated(window); }),
      internalSpot_(
          [this] {
              return std::make_unique<frmInternalSpot>(SpotWindowLinks{form.Boxes(), online, onlineHost},
                                                       &form);
          },
          [this](QWidget& window) { WindowCreated(window); }),
      clusterSpot_([this] {
          return std::make_unique<frmClusterSpot>(SpotWindowLinks{form.Boxes(), online, onlineHost}, &form);
      }) {
    dds.Failed = [this](const std::string& why) { form.DdsBoxFailed(why); };
    settings.statisticsGroup = {[this] { LoadStatistics(settings.Store(), Statistics()); },
                                [this] { SaveStatistics(settings.Store(), Statistics()); }};
    // No band is chosen until the frequency list picks one at the window's load: the first choice
    // then switches to its band class and bandwidth with every effect of a change (frames, AFC range).
    shared.BandClass = 0;
    shared.BandwidthHz = 0;
    // The logbook marks callsigns in the receive window, from where the message being received begins.
    logbook.LinkReceiveWindow({&form.RxWindow(), &sessionLog.RxMessageStart,
                               [this]() -> std::optional<ColorRef> {
                                   if (receiver.RxModeIndex < 1 || receiver.RxModeIndex > kModeCount)
                                       return {};
                                   return receiver.RxMode().TextColour;
                               },
                               &errorTraps});
    // The contact-entry window's group goes with the profile while the window is there; the window's
    // next load reads it otherwise.
    settings.QsoFormLoader = [this] {
        if (QsoEntryLoaded()) LoadQsoFormSettings(settings.Store(), QsoEntry());
    };
    settings.QsoFormSaver = [this] {
        if (QsoEntryLoaded()) SaveQsoFormSettings(settings.Store(), QsoEntry());
    };
    // The mixer finds the cards of the playback devices as the sound-card window lists them.
    soundCard_->OutputDevicesListed = [this](const std::vector<std::string>& names) {
        mixer->SetPlaybackDeviceNames(names);
    };
    form.Attach(*this);
    // A sound input that says when a buffer is full drives the receive pump (before the input opens).
    form.WakeReceivePumpOn(*soundInput);
    // The alarms window's mute warning follows the alarm card's mixer.
    volume.SetAlarmsWindow(&alarmsHost);
    form.SyncSwitches();
    form.FitWaterfallImage();
}

Station::~Station() = default;

frmSoundCard& Station::SoundCard() {
    if (!soundCardLoaded_) {
        soundCardLoaded_ = true;
        WindowCreated(*soundCard_);
        soundCard_->Form_Load();
    }
    return *soundCard_;
}

void Station::ShowSoundCard() {
    const bool again = soundCardLoaded_ && !soundCard_->isVisible();
    frmSoundCard& window = SoundCard();
    if (again) window.Reload();
    window.show();
    window.raise();
    window.activateWindow();
}

frmStatistics& Station::Statistics() {
    return statistics_.Get();
}

void Station::ShowStatistics() {
    statistics_.Show();
}

frmQsoEntry& Station::QsoEntry() {
    return qsoEntry_.Get();
}

frmInternalSpot& Station::InternalSpot() {
    return internalSpot_.Get();
}

frmClusterSpot& Station::ClusterSpot() {
    return clusterSpot_.Get();
}

void Station::OpenSettings() {
    // The session logs' own folder exists before any window looks for it.
    std::error_code ec;
    std::filesystem::create_directories(UserDataFolder(), ec);
    // The settings path and the profile are known before the main window loads.
    settings.OpenSettings(SettingsFolder(), ProgramDataFolder() + "/MUV.ini", [this] { form.Form_Load(); });
}

void Station::OpenAdifLog(bool makeDefaultLog) {
    const std::string path = settings.AdifPath();
    // The default log is made by the first contact logged in it, not by the start.
    if (!makeDefaultLog && settings.AdifPathIsDefault() && !std::filesystem::exists(path)) {
        LoadLogBook();
        return;
    }
    const AdifAppendResult made = logbook.AppendAdifRecord(path, "");
    if (!made.message.empty()) form.Boxes().Show(made.message, made.title, made.icon);
    LoadLogBook();
}

void Station::LoadLogBook() {
    const AdifLoadResult loaded = logbook.LoadLogBook(settings.AdifPath());
    if (!loaded.message.empty()) form.Boxes().Show(loaded.message, loaded.title, BoxIcon::Exclamation);
}

void Station::ApplyLanguage() {
    language.Apply(form.LanguageIndex);
}

void Station::WindowCreated(QWidget& window) {
    language.ApplyTo(form.LanguageIndex, window);
}

QWidget* Station::LanguageWindow(std::string_view name) {
    if (name == "frmMain") return &form;
    if (name == "frmStatistics") return &Statistics();
    if (name == "frmAlarms") return &settings.Alarms();
    if (name == "frmProfiles") return &settings.Profiles();
    if (name == "frmInternalSpot") return &InternalSpot();
    if (name == "frmQsoEntry") return &QsoEntry();
    if (name == "frmOperator") return &settings.Operator();
    if (name == "frmEmailReport") return &settings.EmailReport();
    if (name == "frmBeacon") return &settings.Beacon();
    if (name == "frmLogDirectories") return &settings.LogDirectories();
    if (name == "frmRig") return &rig.Window();
    if (name == "frmScan") return &settings.Scan();
    if (name == "frmShortcuts") return &settings.Shortcuts();
    if (name == "frmSoundCard") return &SoundCard();
    if (name == "frmAbout") return &settings.About();
    if (name == "frmMacros") return &settings.Macros();
    if (name == "frmEqslAccount") return &settings.EqslAccount();
    return nullptr;
}

bool Station::SaveSessionLog() {
    // Where the chosen folder cannot take the file: the user's own data folder ($XDG_DATA_HOME/MUV),
    // which, unlike the program's folder on an installed system, can be written.
    const std::string fallback = UserDataFolder();
    // The session text stays as it is, saved or not: nothing of it is lost to a failed save.
    const SessionLogSave result =
        logbook.SaveSessionLog(sessionLog, settings.SessionLogFolder(), fallback, shared.UtcNow);
    if (!result.message.empty()) {
        // With nobody at the window (a shut-down asked for by a signal, a run that nobody watches) the
        // box is only a line on standard error and in the session text, which this save no longer
        // writes: the next start shows it.
        if (QtMessageBoxes::Unattended()) LeaveSessionLogNote(SettingsFolder(), result, shared.UtcNow);
        form.Boxes().Show(result.message, kSessionLogErrorTitle, BoxIcon::Exclamation);
    }
    return result.saved;
}

}  // namespace muv
