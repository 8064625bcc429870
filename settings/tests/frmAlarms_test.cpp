// The alarms window: its group under two profiles, the sound-file picker, the general alarm as a tune or a
// file with what the operator is told, the stop picture, and the volume.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/private_profile.h"
#include "platform/qt/qt_text.h"
#include "settings/frmAlarms.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

class RecordingPlayer : public AlarmPlayer {
public:
    AlarmFileResult PlayFile(const std::string& path) override {
        files.push_back(path);
        playing = answer == AlarmFileResult::Playing;
        return answer;
    }
    void PlayTones(const std::vector<AlarmTone>& t) override { tunes.push_back(t); }
    void Stop() override {
        playing = false;
        ++stops;
    }
    bool Playing() const override { return playing; }
    void SetLevel(int32_t l) override { level = l; }
    int32_t Level() const override { return level; }
    std::optional<std::string> DeviceName() override { return device; }
    // The file comes to its end by itself.
    void End() {
        playing = false;
        if (FileEnded) FileEnded();
    }

    AlarmFileResult answer = AlarmFileResult::Playing;
    std::vector<std::string> files;
    std::vector<std::vector<AlarmTone>> tunes;
    bool playing = false;
    int stops = 0;
    int32_t level = 65535;
    std::optional<std::string> device = "Speakers (hw:0,0)";
};

class RecordingHost : public AlarmsWindowHost {
public:
    AlarmPlayer& Player() override { return player; }
    bool StopPictureVisible() override { return stopPicture; }
    void SetStopPictureVisible(bool visible) override { stopPicture = visible; }
    void pctDetenerAlarma_Click() override {
        calls.push_back("pctDetenerAlarma_Click");
        if (window) window->StopAlarmFile();
    }
    void FocusTransmitWindow() override { calls.push_back("FocusTransmitWindow"); }
    void PrepareMixerForOutput() override { calls.push_back("PrepareMixerForOutput"); }
    void UnmuteWaveOut() override { calls.push_back("UnmuteWaveOut"); }
    std::string OpenSoundFileTitle() override { return "Open Sound File"; }

    RecordingPlayer player;
    bool stopPicture = false;
    std::vector<std::string> calls;
    frmAlarms* window = nullptr;
};

bool Equal(const std::vector<AlarmTone>& a, const std::vector<AlarmTone>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const AlarmTone& x, const AlarmTone& y) { return x.hz == y.hz && x.ms == y.ms; });
}

class AlarmsWindow : public test::QtAppTest {
protected:
    std::unique_ptr<frmAlarms> Load() {
        auto w = std::make_unique<frmAlarms>(AlarmsWindowLinks{store, boxes, dialogs, host});
        host.window = w.get();
        w->Form_Load();
        return w;
    }
    // A file of that name in the scratch folder.
    std::string File(const std::string& name) {
        const std::string path = scratch.Path(name);
        std::ofstream(path) << "RIFF";
        return path;
    }

    MemoryProfileStore store;
    test::RecordingBoxes boxes;
    test::RecordingFileDialogs dialogs;
    RecordingHost host;
    test::ScratchFolder scratch{"muv_alarms"};
};

TEST_F(AlarmsWindow, TheGroupUnderTwoProfilesAndItsDefaults) {
    {
        auto w = Load();
        EXPECT_TRUE(w->chkClusterSpot->isChecked());
        EXPECT_FALSE(w->chkCallsign->isChecked() || w->chkDXCC->isChecked() ||
                     w->chkMensajeParaMi->isChecked());
        EXPECT_TRUE(w->optSpeaker->isChecked());
        // The tune: no file, no volume, the test speaker.
        EXPECT_TRUE(w->txtArchivoSonido->isHidden() && w->cmdPathAlarma->isHidden() &&
                    w->sldVolumen->isHidden());
        EXPECT_FALSE(w->imgAltavozAlarma->isHidden());
        EXPECT_EQ(w->sldVolumen->maximum(), 100);
        EXPECT_EQ(w->sldVolumen->value(), 100) << "the player's level";

        w->chkClusterSpot->setChecked(false);
        w->chkDXCC->setChecked(true);
        w->txtArchivoSonido->setText(QString::fromUtf8("/home/op/Señal.wav"));
        w->optArchivoSonido->click();
        EXPECT_EQ(w->txtDeviceOutput->text(), "Speakers (hw:0,0)");
        EXPECT_FALSE(w->txtArchivoSonido->isHidden() || w->sldVolumen->isHidden());
        EXPECT_TRUE(w->imgAltavozAlarma->isHidden());
        w->cmdOK->click();
        EXPECT_EQ(w->result(), QDialog::Accepted);
    }
    store.SetProfileSuffix("3");
    {
        auto w = Load();
        EXPECT_TRUE(w->optSpeaker->isChecked()) << "profile 3 has its own group";
        EXPECT_TRUE(w->chkClusterSpot->isChecked());
        w->chkMensajeParaMi->setChecked(true);
        w->txtArchivoSonido->setText("/tmp/three.mp3");
        w->cmdOK_Click();
    }
    store.SetProfileSuffix("");
    {
        auto w = Load();
        EXPECT_FALSE(w->chkClusterSpot->isChecked());
        EXPECT_TRUE(w->chkDXCC->isChecked());
        EXPECT_FALSE(w->chkMensajeParaMi->isChecked());
        EXPECT_EQ(w->txtArchivoSonido->text(), QString("/home/op/Se\u00F1al.wav"));
        EXPECT_TRUE(w->optArchivoSonido->isChecked());
        // A profile without a file keeps the box's text; "2" or anything but "1" is the sound file.
        store.Write(store.Section("Alarma"), "Opcion Alarma", "7");
        store.SetProfileSuffix("5");
        LoadAlarmSettings(store, *w);
        EXPECT_EQ(w->txtArchivoSonido->text(), QString("/home/op/Se\u00F1al.wav"));
        EXPECT_TRUE(w->optSpeaker->isChecked());
        EXPECT_TRUE(w->txtArchivoSonido->isHidden()) << "selected as the operator would";
    }
    store.SetProfileSuffix("");
    EXPECT_EQ(store.Read("Alarma", "ClusterSpot", 10), "0");
    EXPECT_EQ(store.Read("Alarma", "DXCC", 10), "1");
    EXPECT_EQ(store.Read("Alarma", "Archivo Audio", 200), "/home/op/Señal.wav");
    EXPECT_EQ(store.Read("Alarma3", "MensajeParaMi", 10), "1");
    EXPECT_EQ(store.Read("Alarma3", "Opcion Alarma", 10), "1");
    EXPECT_EQ(store.Read("Alarma3", "Archivo Audio", 200), "/tmp/three.mp3");
}

// Until a file is chosen the box holds the home folder, where the picker opens, and a stored path is
// taken as it stands, whatever its length up to the longest the system takes, which is all the box holds
// (a longer paste is cut, and the operator told); the output device is the one the player plays on, for
// the tune as for the file, or plainly none.
TEST_F(AlarmsWindow, TheHomeFolderUntilAFileIsChosenAndTheDeviceTheAlarmPlaysOn) {
    const QString home = QDir::homePath() + '/';
    {
        auto w = Load();
        EXPECT_EQ(w->txtArchivoSonido->text(), home);
        EXPECT_EQ(w->txtDeviceOutput->text(), "Speakers (hw:0,0)") << "the tune plays there too";
        w->optArchivoSonido->click();
        EXPECT_EQ(w->txtDeviceOutput->text(), "Speakers (hw:0,0)");
        dialogs.answers = {std::nullopt};
        w->cmdPathAlarma->click();
        ASSERT_EQ(dialogs.asked.size(), 1u);
        EXPECT_EQ(dialogs.asked[0].startFolder, QDir::homePath().toStdString());
        EXPECT_EQ(w->txtArchivoSonido->text(), home);
        w->cmdOK_Click();
        EXPECT_EQ(store.Read("Alarma", "Archivo Audio", 200), home.toStdString());
    }
    std::string typed = "/home/op/Sounds";
    while (typed.size() < 240)
        typed += "/Alarm sounds of the station " + std::to_string(typed.size());
    typed += "/bell.wav";
    {
        auto w = Load();
        w->optArchivoSonido->click();
        QTest::keyClick(w->txtArchivoSonido, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w->txtArchivoSonido, QString::fromStdString(typed));
        QTest::mouseClick(w->cmdOK, Qt::LeftButton);
    }
    {
        auto again = Load();
        EXPECT_EQ(again->txtArchivoSonido->text().toStdString(), typed);
        QTest::mouseClick(again->cmdOK, Qt::LeftButton);
        EXPECT_NE(store.Text().find("\r\nArchivo Audio=" + typed + "\r\n"), std::string::npos);
        EXPECT_TRUE(boxes.shown.empty());
    }
    {
        auto w = Load();
        const std::string tooLong = "/" + std::string(kPathBuffer + 10, 'x') + ".wav";
        QApplication::clipboard()->setText(QString::fromStdString(tooLong));
        QTest::keyClick(w->txtArchivoSonido, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(w->txtArchivoSonido, Qt::Key_V, Qt::ControlModifier);
        QCoreApplication::processEvents();
        EXPECT_EQ(w->txtArchivoSonido->text().toStdString(), tooLong.substr(0, kPathBuffer - 1));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "A file path holds at most 4095 characters: the rest was left out.");
        EXPECT_EQ(boxes.shown[0].title, "File Error");
        boxes.shown.clear();
    }
    // A file written elsewhere keeps its path.
    store.Write("Alarma", "Archivo Audio", "C:\\Sonidos\\alarma.wav");
    host.player.device = std::nullopt;
    {
        auto w = Load();
        EXPECT_EQ(w->txtArchivoSonido->text(), "C:\\Sonidos\\alarma.wav");
        EXPECT_TRUE(w->optArchivoSonido->isChecked());
        EXPECT_EQ(w->txtDeviceOutput->text(), frmAlarms::kNoDeviceText);
        w->optSpeaker->click();
        EXPECT_EQ(w->txtDeviceOutput->text(), frmAlarms::kNoDeviceText);
    }
}

TEST_F(AlarmsWindow, ThePickerTakesWavOrMp3ByTheirLastSuffixOnly) {
    auto w = Load();
    w->txtArchivoSonido->setText("/old/alarm.wav");
    dialogs.answers = {"/m/song.ogg", "/m/song.mwav", "/m/a.wav/song", "/m/Bell.Mp3"};
    w->cmdPathAlarma->click();
    EXPECT_EQ(w->txtArchivoSonido->text(), "/m/Bell.Mp3");
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[0].text, "Only wav or MP3 filesType");
    EXPECT_EQ(boxes.shown[0].title, "File Error");
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Exclamation);
    ASSERT_EQ(dialogs.asked.size(), 4u);
    EXPECT_EQ(dialogs.asked[0].title, "Open Sound File");
    EXPECT_NE(dialogs.asked[0].filter.find("*.wav"), std::string::npos);

    // A wrong file, then cancelled: the file stays.
    dialogs.answers = {"/m/x.txt", std::nullopt};
    w->cmdPathAlarma_Click();
    EXPECT_EQ(w->txtArchivoSonido->text(), "/m/Bell.Mp3");
    EXPECT_EQ(boxes.shown.size(), 4u);
    EXPECT_EQ(SoundFileType("/a.b/c"), "B/C");
    EXPECT_EQ(SoundFileType("noext"), "");
}

TEST_F(AlarmsWindow, TheGeneralAlarmAndTheEventTunes) {
    auto w = Load();
    w->SoundAlarm();
    w->imgAltavozAlarma->click();
    ASSERT_EQ(host.player.tunes.size(), 2u);
    EXPECT_TRUE(Equal(host.player.tunes[0], {{440, 100}, {880, 300}, {440, 100}}));
    EXPECT_TRUE(host.player.files.empty());

    host.player.tunes.clear();
    for (QToolButton* image :
         {w->imgAltavozCluster, w->imgAltavozCallsign, w->imgAltavozDXCC, w->imgAltavozRXMessage})
        image->click();
    ASSERT_EQ(host.player.tunes.size(), 4u);
    EXPECT_TRUE(Equal(
        host.player.tunes[2],
        {{349, 100}, {698, 100}, {1048, 100}, {698, 100}, {440, 100}, {880, 100}, {1320, 100}, {440, 100}}));
}

TEST_F(AlarmsWindow, TheSoundFilePlaysOnceUntilItEndsOrIsStopped) {
    auto w = Load();
    w->optArchivoSonido->click();
    const std::string path = File("Alarm.WAV");
    w->txtArchivoSonido->setText(QString::fromStdString(path));
    w->SoundAlarm();
    ASSERT_EQ(host.player.files, std::vector<std::string>{path});
    EXPECT_TRUE(host.stopPicture);
    EXPECT_EQ(host.calls, std::vector<std::string>{"PrepareMixerForOutput"});
    w->SoundAlarm();
    EXPECT_EQ(host.player.files.size(), 1u) << "not while it plays";

    host.player.End();
    EXPECT_FALSE(host.stopPicture);
    EXPECT_EQ(host.player.stops, 0);
    w->SoundAlarm();
    EXPECT_EQ(host.player.files.size(), 2u);

    // The window closed while the file plays stops it through the stop picture.
    w->reject();
    EXPECT_EQ(host.calls.back(), "pctDetenerAlarma_Click");
    EXPECT_EQ(host.player.stops, 1);
    EXPECT_FALSE(host.stopPicture);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(AlarmsWindow, FilesThatCannotPlay) {
    auto w = Load();
    w->optArchivoSonido->click();
    w->txtArchivoSonido->setText(QString::fromStdString(scratch.Path("gone.mp3")));
    w->SoundAlarm();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "File '" + scratch.Path("gone.mp3") + "' not found");
    EXPECT_EQ(boxes.shown[0].title, "Alarm File Error");
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Exclamation);
    EXPECT_TRUE(w->isVisible()) << "the window is shown";
    // A folder is no file either.
    w->txtArchivoSonido->setText(QString::fromStdString(scratch.Folder().string()));
    w->SoundAlarm();
    EXPECT_EQ(boxes.shown.size(), 2u);

    // Another kind by its name, or by its content (the player's word): nothing plays, nothing is said.
    w->txtArchivoSonido->setText(QString::fromStdString(File("alarm.ogg")));
    w->SoundAlarm();
    w->txtArchivoSonido->setText(QString::fromStdString(File("song.mwav")));
    w->SoundAlarm();
    EXPECT_TRUE(host.player.files.empty());
    host.player.answer = AlarmFileResult::NotPlayable;
    w->txtArchivoSonido->setText(QString::fromStdString(File("text.wav")));
    w->SoundAlarm();
    host.player.answer = AlarmFileResult::NoDevice;
    w->SoundAlarm();
    EXPECT_EQ(host.player.files.size(), 2u);
    EXPECT_FALSE(host.stopPicture);
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(AlarmsWindow, TheVolumeIsThePlayersLevelAndTheMuteBox) {
    host.player.level = 32768;
    auto w = Load();
    EXPECT_EQ(w->sldVolumen->value(), 50);
    EXPECT_EQ(host.player.level, 32768);
    w->sldVolumen->setValue(20);
    EXPECT_EQ(host.player.level, 13107);
    w->sldVolumen->setValue(50);
    EXPECT_EQ(host.player.level, 32768) << "32767.5 to the even neighbour";

    w->optArchivoSonido->click();
    w->txtMute->setVisible(true);  // as the volume timer shows it over a muted card
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w->txtMute, &press);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"UnmuteWaveOut", "FocusTransmitWindow"}));
    w->optSpeaker->click();
    EXPECT_TRUE(w->txtMute->isHidden());
}

// On a machine without a playback device the device box says so whole, start and end, in either option,
// and a device's name shows whole too.
TEST_F(AlarmsWindow, TheDeviceBoxShowsItsWholeText) {
    host.player.device = std::nullopt;
    auto w = Load();
    w->show();
    QLineEdit* box = w->txtDeviceOutput;
    auto expectWhole = [box](const QString& text) {
        QApplication::processEvents();
        ASSERT_EQ(box->text(), text);
        const QRect room = box->contentsRect();
        EXPECT_EQ(box->cursorPositionAt(QPoint(room.left() + 1, room.center().y())), 0) << "the start shows";
        EXPECT_EQ(box->cursorPositionAt(QPoint(room.right() - 1, room.center().y())), text.size())
            << "the end shows";
    };
    for (QRadioButton* option : {w->optSpeaker, w->optArchivoSonido, w->optSpeaker}) {
        option->click();
        expectWhole(frmAlarms::kNoDeviceText);
    }
    host.player.device = "HDA Intel PCH: ALC892 Analog (hw:0,0), the card of the station's receiver";
    w->optArchivoSonido->click();
    expectWhole(QString::fromStdString(*host.player.device));
}

}  // namespace
}  // namespace muv
