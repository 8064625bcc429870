#include "session/alarms_host.h"

#include <QLineEdit>
#include <QRadioButton>

#include "platform/sound_factory.h"
#include "platform/qt/qt_timer.h"
#include "session/frmMain.h"
#include "session/station.h"

namespace muv {

namespace {

// The timer, made before the player that it drives and gone after it.
struct PollTimer {
    QtTimer poll;
};

class ProgramAlarmPlayer : private PollTimer, public SoundAlarmPlayer {
public:
    explicit ProgramAlarmPlayer(std::unique_ptr<AlarmOutput> output)
        : SoundAlarmPlayer(std::move(output), poll) {
        poll.SetHandler([this] { Poll(); });
    }
};

}  // namespace

std::unique_ptr<AlarmPlayer> MakeProgramAlarmPlayer(Station& station, std::shared_ptr<SoundSystem> system) {
    std::unique_ptr<AlarmOutput> output;
    if (system) {
        output = system->CreateAlarmOutput([&station] { return station.SoundCard().OutputListIndex(); },
                                           [&station] { return station.shared.TxRxState != 0; });
    } else {
        output = std::make_unique<NoAlarmOutput>();
    }
    return std::make_unique<ProgramAlarmPlayer>(std::move(output));
}

AlarmPlayer& StationAlarmsHost::Player() {
    return *station_.alarmPlayer;
}

bool StationAlarmsHost::StopPictureVisible() {
    return station_.form.Visible(Control::pctDetenerAlarma);
}

void StationAlarmsHost::SetStopPictureVisible(bool visible) {
    station_.form.SetVisible(Control::pctDetenerAlarma, visible);
}

void StationAlarmsHost::pctDetenerAlarma_Click() {
    station_.form.pctDetenerAlarma_Click();
}

void StationAlarmsHost::FocusTransmitWindow() {
    station_.form.FocusTransmitWindow();
}

void StationAlarmsHost::PrepareMixerForOutput() {
    station_.soundMixer.PrepareMixerForOutput(1);
}

void StationAlarmsHost::UnmuteWaveOut() {
    station_.volume.frmAlarms_txtMute_Click();
}

std::string StationAlarmsHost::OpenSoundFileTitle() {
    return station_.texts.TxtOpenSoundFile;
}

bool StationAlarmsHost::optArchivoSonido() const {
    return station_.settings.AlarmsLoaded() && station_.settings.Alarms().optArchivoSonido->isChecked();
}

void StationAlarmsHost::SetMuteVisible(bool visible) {
    if (station_.settings.AlarmsLoaded()) station_.settings.Alarms().txtMute->setVisible(visible);
}

}  // namespace muv
