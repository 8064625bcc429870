// The alarms in the whole program, on a player that records what it is asked to play: the tune of a
// finished message (the own call wherever it stands, a station worked before by another logger's log),
// the general alarm from its timer (once for each arming), the stop picture, the alarm switch, the alarms
// window's group across a profile switch, and the mute warning the volume timer keeps.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSlider>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "logbook/frmQsoEntry.h"
#include "platform/memory_sound.h"
#include "platform/mixer.h"
#include "platform/qt/qt_text.h"
#include "receiver/tests/receiver_rig.h"
#include "session/frmMain.h"
#include "session/program_start.h"
#include "session/station.h"
#include "session/tests/own_folders.h"
#include "session/tests/program_run.h"
#include "settings/frmAlarms.h"
#include "settings/frmLogDirectories.h"
#include "settings/frmOperator.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

class RecordingPlayer : public AlarmPlayer {
public:
    AlarmFileResult PlayFile(const std::string& path) override {
        files.push_back(path);
        playing = true;
        return AlarmFileResult::Playing;
    }
    void PlayTones(const std::vector<AlarmTone>& t) override { tunes.push_back(t); }
    void Stop() override { playing = false; }
    bool Playing() const override { return playing; }
    void SetLevel(int32_t l) override { level = l; }
    int32_t Level() const override { return level; }
    std::optional<std::string> DeviceName() override { return "Speakers"; }

    std::vector<std::string> files;
    std::vector<std::vector<AlarmTone>> tunes;
    bool playing = false;
    int32_t level = 65535;
};

std::vector<int> Pitches(const std::vector<AlarmTone>& tune) {
    std::vector<int> hz;
    for (const AlarmTone& t : tune)
        hz.push_back(t.hz);
    return hz;
}

class AlarmsProgram : public test::QtAppTest {
protected:
    AlarmsProgram() {
        auto player = std::make_unique<RecordingPlayer>();
        alarms = player.get();
        auto mixer = std::make_unique<MemoryMixer>();
        mixer->cards[0].values = {{{MixerLine::WaveOut, MixerControlType::Mute}, 1},
                                  {{MixerLine::WaveOut, MixerControlType::Volume}, 6553}};
        card = &mixer->cards[0];
        station = std::make_unique<Station>(
            SoundDevices{std::make_unique<MemorySoundInput>(std::vector<int16_t>(48000 * 5, 0)),
                         std::make_unique<MemorySoundOutput>(),
                         [] {
                             return std::vector<std::string>{"Line in", "USB"};
                         },
                         [] {
                             return std::vector<std::string>{"Speakers", "USB"};
                         },
                         std::move(mixer), std::move(player)},
            &boxes);
        form = &station->form;
        started = Main(*form);
    }
    ~AlarmsProgram() override {
        if (!form->ProgramEnded()) form->Form_Unload();
    }

    // A message has ended in the receiver with this text; its closing runs as the timer would run it.
    void CloseMessage(const std::string& text) {
        Receiver& rx = station->receiver;
        rx.EndReason = "STOP";
        test::SetRxText(rx, text);
        form->tmrProcesarFinal_Timer();
    }

    frmAlarms& Alarms() { return station->settings.Alarms(); }

    test::OwnFolders folders;  // the settings file and the logs of this test alone
    test::RecordingBoxes boxes;
    RecordingPlayer* alarms;
    MemoryMixer::Card* card;
    std::unique_ptr<Station> station;
    frmMain* form = nullptr;
    bool started = false;
    test::ScratchFolder scratch{"muv_alarms_program"};
};

TEST_F(AlarmsProgram, AFinishedMessageSoundsTheTuneOfItsAlarm) {
    ASSERT_TRUE(started);
    station->settings.Operator().txtCallsign->setText("EA1XYZ");
    Alarms().chkMensajeParaMi->setChecked(true);
    Alarms().chkCallsign->setChecked(true);
    CloseMessage("EA1XYZ de DL1ABC pse k");
    ASSERT_EQ(alarms->tunes.size(), 1u);
    EXPECT_EQ(Pitches(alarms->tunes[0]), (std::vector<int>{989, 330, 989, 330})) << "calling me";

    CloseMessage("CQ CQ de DL1ABC k");
    ASSERT_EQ(alarms->tunes.size(), 2u);
    EXPECT_EQ(Pitches(alarms->tunes[1]), (std::vector<int>{349, 698, 1048, 698})) << "a new callsign";

    Alarms().chkCallsign->setChecked(false);
    CloseMessage("CQ CQ de DL1ABC k");
    EXPECT_EQ(alarms->tunes.size(), 2u) << "not wanted";
    EXPECT_TRUE(alarms->files.empty());
}

TEST_F(AlarmsProgram, TheAlarmTimerSoundsOnceForEachArming) {
    ASSERT_TRUE(started);
    form->tmrAlarma.SetEnabled(true);
    form->tmrAlarma_Timer();
    EXPECT_FALSE(form->tmrAlarma.Enabled());
    ASSERT_EQ(alarms->tunes.size(), 1u);
    EXPECT_EQ(Pitches(alarms->tunes[0]), (std::vector<int>{440, 880, 440}));

    // A missing file: the box is up while the receiver arms the timer again for the next message, and
    // the timer fires; the alarm does not sound again from within.
    Alarms().optArchivoSonido->click();
    Alarms().txtArchivoSonido->setText(QString::fromStdString(scratch.Path("gone.wav")));
    bool offDuringTheBox = false;
    boxes.during = [&] {
        offDuringTheBox = !form->tmrAlarma.Enabled();
        form->tmrAlarma.SetEnabled(true);
        form->tmrAlarma_Timer();
    };
    form->tmrAlarma.SetEnabled(true);
    form->tmrAlarma_Timer();
    EXPECT_TRUE(offDuringTheBox);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Alarm File Error");
    EXPECT_FALSE(Alarms().isHidden()) << "the window is shown";
    EXPECT_FALSE(form->tmrAlarma.Enabled());
}

TEST_F(AlarmsProgram, TheOwnCallIsHeardWhateverFollowsIt) {
    ASSERT_TRUE(started);
    station->settings.Operator().txtCallsign->setText("EA1XYZ");
    Alarms().chkMensajeParaMi->setChecked(true);
    const std::vector<std::string> calls = {"qrz ea1xyz/p de dl1abc k", "EA1XYZ? de DL1ABC k",
                                            "QRZ EA1XYZ, de DL1ABC k", "CQ DX\r\nDL1ABC DE EA1XYZ\r\nK"};
    for (size_t i = 0; i < calls.size(); ++i) {
        CloseMessage(calls[i]);
        ASSERT_EQ(alarms->tunes.size(), i + 1) << calls[i];
        EXPECT_EQ(Pitches(alarms->tunes[i]), (std::vector<int>{989, 330, 989, 330})) << calls[i];
    }
    CloseMessage("EA1XY de DL1ABC k");
    EXPECT_EQ(alarms->tunes.size(), calls.size()) << "another call";
}

TEST_F(AlarmsProgram, AContactOfAnotherLoggersFileWithoutABandIsWorkedBefore) {
    ASSERT_TRUE(started);
    // Exported with the frequency alone, as many loggers do.
    const std::string log = scratch.Path("export.adi");
    std::ofstream(log, std::ios::binary) << "<adif_ver:5>3.1.0\n<eoh>\n"
                                            "<call:6>DL1ABC <qso_date:8>20261101 <time_on:4>1205 "
                                            "<freq:9>14.072500 <mode:4>PSK <eor>\n";
    const std::string before = FileText(log);
    station->settings.LogDirectories().lblDirectorioADIF->setText(QString::fromStdString(log));
    station->LoadLogBook();
    Alarms().chkCallsign->setChecked(true);

    CloseMessage("CQ CQ de DL1ABC k");
    EXPECT_TRUE(alarms->tunes.empty()) << "worked before: no new-callsign alarm";
    EXPECT_NE(form->RxWindow().Text().find(" (DL1ABC: 2026/11/01 on 20M)"), std::string::npos)
        << form->RxWindow().Text();
    form->txtDestination->setText("DL1ABC");
    EXPECT_EQ(station->QsoEntry().txtUltimaBanda->text(), "20M");
    EXPECT_EQ(station->QsoEntry().txtUltimaFecha->text(), "2026/11/01");

    CloseMessage("CQ CQ de DL2XYZ k");
    EXPECT_EQ(alarms->tunes.size(), 1u) << "a new callsign";
    EXPECT_EQ(FileText(log), before) << "the file is left as it is";
}

TEST_F(AlarmsProgram, TheStopPictureShowsWhileAFilePlays) {
    ASSERT_TRUE(started);
    const std::string path = scratch.Path("bell.mp3");
    std::ofstream(path) << "ID3";
    Alarms().optArchivoSonido->click();
    Alarms().txtArchivoSonido->setText(QString::fromStdString(path));
    form->tmrAlarma_Timer();
    EXPECT_EQ(alarms->files, std::vector<std::string>{path});
    EXPECT_TRUE(form->Visible(Control::pctDetenerAlarma));
    form->pctDetenerAlarma_Click();
    EXPECT_FALSE(alarms->playing);
    EXPECT_FALSE(form->Visible(Control::pctDetenerAlarma));

    // The end of the file, heard by the player, hides it as well.
    form->tmrAlarma_Timer();
    EXPECT_TRUE(form->Visible(Control::pctDetenerAlarma));
    alarms->playing = false;
    alarms->FileEnded();
    EXPECT_FALSE(form->Visible(Control::pctDetenerAlarma));
}

TEST_F(AlarmsProgram, TheSwitchAndTheMenu) {
    ASSERT_TRUE(started);
    ASSERT_TRUE(station->shared.switches.alarmOn);
    form->imgONAlarm_Click();
    EXPECT_FALSE(station->shared.switches.alarmOn);
    EXPECT_TRUE(form->PictureShown("imgOFFAlarm"));
    EXPECT_FALSE(form->PictureShown("imgONAlarm"));
    form->imgOFFAlarm_Click();
    EXPECT_TRUE(station->shared.switches.alarmOn);
    EXPECT_TRUE(form->PictureShown("imgONAlarm"));

    form->mnuAlarma_Click();
    EXPECT_TRUE(Alarms().isVisible());
}

TEST_F(AlarmsProgram, TheWindowsGroupFollowsTheProfile) {
    ASSERT_TRUE(started);
    Alarms().chkDXCC->setChecked(true);
    Alarms().chkClusterSpot->setChecked(false);
    Alarms().optArchivoSonido->click();
    Alarms().txtArchivoSonido->setText("/home/op/one.wav");
    form->mnuListaUsuarios_Click(4);
    EXPECT_FALSE(station->settings.DXCCChecked());
    EXPECT_TRUE(station->settings.ClusterSpotChecked());
    EXPECT_TRUE(Alarms().optSpeaker->isChecked());
    Alarms().chkCallsign->setChecked(true);
    Alarms().txtArchivoSonido->setText("/home/op/four.mp3");

    form->mnuListaUsuarios_Click(1);
    EXPECT_TRUE(station->settings.DXCCChecked());
    EXPECT_FALSE(station->settings.CallsignChecked());
    EXPECT_TRUE(Alarms().optArchivoSonido->isChecked());
    EXPECT_EQ(Alarms().txtArchivoSonido->text(), "/home/op/one.wav");
    form->mnuListaUsuarios_Click(4);
    EXPECT_TRUE(station->settings.CallsignChecked());
    EXPECT_EQ(Alarms().txtArchivoSonido->text(), "/home/op/four.mp3");
}

TEST_F(AlarmsProgram, TheVolumeTimerShowsTheMuteButLeavesTheAlarmsLevel) {
    ASSERT_TRUE(started);
    alarms->level = 65535;
    frmAlarms& w = Alarms();
    w.sldVolumen->setValue(80);
    w.optArchivoSonido->click();
    form->tmrVolumenSlider_Timer();
    EXPECT_FALSE(w.txtMute->isHidden()) << "the first card's wave-out is muted";
    EXPECT_EQ(w.sldVolumen->value(), 80) << "the card's volume is not the alarm's";
    EXPECT_EQ(alarms->level, 52428);
    EXPECT_EQ(card->values.at({MixerLine::WaveOut, MixerControlType::Volume}), 6553)
        << "the card's untouched";

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w.txtMute, &press);
    EXPECT_EQ(card->values.at({MixerLine::WaveOut, MixerControlType::Mute}), 0);
    form->tmrVolumenSlider_Timer();
    EXPECT_TRUE(w.txtMute->isHidden());
}

// Without a sound card (the program on memory devices, as on WAV files) the alarm has no device: the
// window says so rather than naming the transmitter's output.
TEST(AlarmsWithoutACard, TheWindowSaysTheAlarmHasNoDevice) {
    test::EnsureApplication();
    ProgramRun run;
    ASSERT_TRUE(run.started);
    frmAlarms& w = run.St().settings.Alarms();
    w.optArchivoSonido->click();
    EXPECT_EQ(w.txtDeviceOutput->text(), frmAlarms::kNoDeviceText);
    w.optSpeaker->click();
    EXPECT_EQ(w.txtDeviceOutput->text(), frmAlarms::kNoDeviceText);
}

}  // namespace
}  // namespace muv
