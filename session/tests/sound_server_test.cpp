// The whole program on a real sound server, as on a desktop: each test starts a PulseAudio daemon of its
// own (two null sinks, "radio" described as "Transceiver", whose monitor is the default source, and
// "speakers" described as "Desk Speakers") with its home, runtime folder and ALSA default in a temporary
// folder, so that nothing of the machine's or a user's sound set-up is used or touched. A transmission
// played into the sink is decoded in real time; what the program sends, and the alarm's sound, are
// recorded from the sinks' monitors; the volume is what the server reports. Where the sound server
// cannot start the tests are skipped.
#include <gtest/gtest.h>
#include <sys/prctl.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QProcess>
#include <QSlider>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound_server.h"
#include "platform/wav_file.h"
#include "receiver/offline_receiver.h"
#include "session/frmMain.h"
#include "session/program_start.h"
#include "session/station.h"
#include "settings/frmSoundCard.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"
#include "transmitter/offline_transmitter.h"

namespace muv {
namespace {

using test::RunUntil;
namespace fs = std::filesystem;

// 14.103 MHz: HF 2000 Hz, where the program sends M1 (16 baud) and receives M1 to M3.
constexpr int kFrequencyEntry = 14;
constexpr int kMode = 1;
const std::string kText = "CQ DE EA1ABC";

// Environment variables set for the test and put back afterwards.
class ScopedEnvironment {
public:
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_)
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }
    void Set(const std::string& name, const std::optional<std::string>& value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

// Runs a program to its end; its exit status, or -1 when it did not start or end in time. What it
// printed goes to `out` when asked for.
int RunToEnd(const QString& program, const QStringList& arguments, int timeoutMs = 5000,
             std::string* out = nullptr) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (out) *out = p.readAllStandardOutput().toStdString();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

int Pactl(const QStringList& arguments, std::string* out = nullptr) {
    return RunToEnd(QStringLiteral("pactl"), arguments, 5000, out);
}

// The volume of a sink in per cent as the server reports it (its first channel); -1 when it cannot be
// read.
int SinkVolumePercent(const std::string& sink) {
    std::string out;
    if (Pactl({QStringLiteral("get-sink-volume"), QString::fromStdString(sink)}, &out) != 0) return -1;
    const size_t slash = out.find('/');
    const size_t percent = out.find('%', slash);
    if (slash == std::string::npos || percent == std::string::npos) return -1;
    return std::atoi(out.substr(slash + 1, percent - slash - 1).c_str());
}

// What a sink plays, recorded from its monitor from the construction to Stop.
class MonitorRecording {
public:
    MonitorRecording(const std::string& sink, std::string wav) : wav_(std::move(wav)) {
        const QString device = QString::fromStdString("--device=" + sink + ".monitor");
        recorder_.start(QStringLiteral("parecord"), {device, "--rate=48000", "--channels=1", "--format=s16le",
                                                     "--file-format=wav", QString::fromStdString(wav_)});
    }
    // Recording has begun once a quarter of a second of the sink's silence is in the file.
    bool Started() {
        return RunUntil([&] { return fs::exists(wav_) && fs::file_size(wav_) > 44 + kSampleRate / 2; }, 10);
    }
    std::string Errors() { return recorder_.readAllStandardError().toStdString(); }
    bool Stop(std::vector<int16_t>& audio, std::string& error) {
        recorder_.terminate();
        if (!recorder_.waitForFinished(5000)) return error = "parecord is still recording", false;
        return ReadWav48k(wav_, audio, error);
    }

private:
    std::string wav_;
    QProcess recorder_;
};

int Peak(const std::vector<int16_t>& audio) {
    int peak = 0;
    for (int16_t s : audio)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak;
}

class SoundServerTest : public test::QtAppTest {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("muv_sound_server_" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        const fs::path home = folder_ / "home", runtime = folder_ / "run";
        fs::create_directories(home);
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
        env_.Set("HOME", home.string());
        env_.Set("XDG_CONFIG_HOME", (home / ".config").string());
        env_.Set("XDG_RUNTIME_DIR", runtime.string());
        for (const char* name : {"PULSE_SERVER", "PULSE_RUNTIME_PATH", "PULSE_STATE_PATH", "PULSE_SINK",
                                 "PULSE_SOURCE", "MUV_SOUND_INPUT", "MUV_SOUND_OUTPUT"})
            env_.Set(name, std::nullopt);
        // ALSA's default device, and with it PortAudio's, is the sound server, for this process alone.
        std::ofstream(home / ".asoundrc") << "pcm.!default { type pulse }\nctl.!default { type pulse }\n";
        // The sinks run at the modem's rate.
        std::ofstream(folder_ / "radio.pa")
            << "load-module module-null-sink sink_name=radio rate=48000 "
               "sink_properties='device.description=\"Transceiver\"'\n"
               "load-module module-null-sink sink_name=speakers rate=48000 "
               "sink_properties='device.description=\"Desk Speakers\"'\n"
               "load-module module-native-protocol-unix\n"
               "set-default-sink radio\n"
               "set-default-source radio.monitor\n";

        std::string why;
        if (!StartServer(why)) GTEST_SKIP() << "No PulseAudio sound server here: " << why;
    }

    void TearDown() override {
        station_.reset();  // closes the streams before their server goes
        if (server_.state() != QProcess::NotRunning) {
            server_.terminate();
            if (!server_.waitForFinished(5000)) {
                server_.kill();
                server_.waitForFinished();
            }
        }
        fs::remove_all(folder_);
    }

    // The daemon runs as a child that ends with the test's process even when the test crashes.
    bool StartServer(std::string& why) {
        const std::string log = (folder_ / "pulse.log").string();
        server_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        server_.start(QStringLiteral("pulseaudio"),
                      {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=false",
                       "--log-target=file:" + QString::fromStdString(log), "-F",
                       QString::fromStdString((folder_ / "radio.pa").string())});
        if (!server_.waitForStarted(5000)) {
            why = "pulseaudio cannot be run: " + server_.errorString().toStdString();
            return false;
        }
        for (int attempt = 0; attempt < 50; ++attempt) {
            if (RunToEnd(QStringLiteral("pactl"), {QStringLiteral("info")}) == 0) return true;
            if (server_.waitForFinished(200)) break;
        }
        std::ifstream in(log);
        why = "pulseaudio did not start or does not answer pactl:\n" +
              server_.readAllStandardError().toStdString() +
              std::string(std::istreambuf_iterator<char>(in), {});
        return false;
    }

    // The program on its own sound devices, the server's default devices chosen in the sound-card window
    // as an operator would, on the frequency where it sends M1.
    frmMain& StartProgram() {
        station_ = std::make_unique<Station>(ProgramSoundDevices(), &boxes_);
        frmMain& f = station_->form;
        EXPECT_TRUE(Main(f));
        frmSoundCard& card = f.Modules().SoundCard();
        f.mnuTarjetaSonido_Click();
        const int input = card.cboTarjetaSonidoEntrada->findText(QStringLiteral("default"));
        const int output = card.cboTarjetaSonidoSalida->findText(QStringLiteral("default"));
        EXPECT_GE(input, 0);
        EXPECT_GE(output, 0);
        card.cboTarjetaSonidoEntrada->setCurrentIndex(input);
        card.cboTarjetaSonidoSalida->setCurrentIndex(output);
        card.cmdOK_Click();
        f.mnuFrequenciesList_Click(kFrequencyEntry);
        EXPECT_TRUE(RunUntil([&] { return Receiving(); }, 5));
        return f;
    }

    // The output device of that name chosen in the sound-card window, and OK.
    bool ChooseOutput(const QString& name) {
        frmMain& f = station_->form;
        frmSoundCard& card = f.Modules().SoundCard();
        f.mnuTarjetaSonido_Click();
        const int output = card.cboTarjetaSonidoSalida->findText(name);
        if (output < 0) return false;
        card.cboTarjetaSonidoSalida->setCurrentIndex(output);
        card.cmdOK_Click();
        return RunUntil([&] { return Receiving(); }, 5);
    }

    void Type(const std::string& text) {
        for (char c : text) {
            const int key =
                c == ' ' ? Qt::Key_Space : c <= '9' ? Qt::Key_0 + (c - '0') : Qt::Key_A + (c - 'A');
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(QChar(c)));
            QApplication::sendEvent(station_->form.rtfVentanaTX, &press);
        }
    }

    bool Receiving() {
        frmMain& f = station_->form;
        return f.Modules().shared.TxRxState == 0 && f.tmrRX.Enabled() && !f.tmrResetTarjetaSonido.Enabled() &&
               f.Modules().receiver.Input().SoundInputOpen == 1;
    }

    // The receive window shows the text sent, to its end.
    static bool Decoded(frmMain& f) {
        const std::string rx = f.RxWindow().Text();
        const size_t text = rx.find(kText);
        return text != std::string::npos && rx.find(" <STOP>", text) != std::string::npos;
    }

    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

    fs::path folder_;
    ScopedEnvironment env_;
    QProcess server_;
    test::RecordingBoxes boxes_;
    std::unique_ptr<Station> station_;
};

TEST_F(SoundServerTest, ATransmissionPlayedIntoTheSinkIsDecodedAsItPlays) {
    frmMain& f = StartProgram();
    const std::string wav = Path("played.wav");
    ASSERT_TRUE(WriteWavFile(wav, TransmitToSamples(kMode, kText)));

    QProcess player;
    player.start(QStringLiteral("paplay"), {QStringLiteral("--device=radio"), QString::fromStdString(wav)});
    EXPECT_TRUE(RunUntil([&] { return Decoded(f); }, 40)) << f.RxWindow().Text();
    ASSERT_TRUE(player.state() == QProcess::NotRunning || player.waitForFinished(10000));
    EXPECT_EQ(player.exitCode(), 0) << player.readAllStandardError().toStdString();
    EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
}

// The server hands the program its audio a third of a second at once, so that most refreshes of the
// level meter (every 100 ms) see none. A steady signal played into the sink reads its level, text and
// needle, at every reading; the mean level of the message it carries (the e-mail report's "Vumeter
// Level") is that level, not pulled towards the floor by the refreshes between; silence reads as the
// floor.
TEST_F(SoundServerTest, TheLevelMeterReadsASteadySignalAtEveryReading) {
    frmMain& f = StartProgram();
    std::vector<int16_t> sound = TransmitToSamples(kMode, kText);
    for (int16_t& s : sound)
        s = static_cast<int16_t>(s / 2);  // 3 dB below full scale
    const std::string wav = Path("half.wav");
    ASSERT_TRUE(WriteWavFile(wav, sound));
    // The needle's tip at -3 dB: 85 on the dial, 117 degrees round from the left.
    const double angle = (270 - 6 * 0.3 * 85) * 3.141592654 / 180;
    const QPointF tip(std::sin(angle) * 61 + 74, std::cos(angle) * 61 + 73);

    QProcess player;
    player.start(QStringLiteral("paplay"), {QStringLiteral("--device=radio"), QString::fromStdString(wav)});
    const auto reads = [&] { return f.Text(Control::txtVU); };
    ASSERT_TRUE(RunUntil([&] { return reads() == "Volume: -3 dB"; }, 10)) << reads();
    // 6 s of readings, well inside the 11 s of sound.
    for (int reading = 1; reading <= 40; ++reading) {
        test::RunEvents(150);
        EXPECT_EQ(reads(), "Volume: -3 dB") << "reading " << reading;
        const QPointF needle = f.pctVumetro->NeedleEnd();
        EXPECT_LT(std::hypot(needle.x() - tip.x(), needle.y() - tip.y()), 1.5)
            << "reading " << reading << ": needle at " << needle.x() << ", " << needle.y();
    }
    ASSERT_TRUE(RunUntil([&] { return Decoded(f); }, 40)) << f.RxWindow().Text();
    // The silence after the sound counts too until the message closes, a second at most of the 11 s.
    const float mean = f.Modules().receiver.FinishMessage().meanLevelDb;
    EXPECT_TRUE(mean > -6 && mean < -2.5) << mean;
    EXPECT_TRUE(RunUntil([&] { return reads() == "Volume: -20 dB"; }, 5)) << reads();
    EXPECT_TRUE(player.state() == QProcess::NotRunning || player.waitForFinished(10000));
    EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
}

// The output list shows the server's sinks by their descriptions. What the program sends goes to the
// sink chosen there, not to the server's default sink, and the choice is stored by the sink's own name:
// at the next start, with the sink gone, the program says so.
TEST_F(SoundServerTest, WhatTheProgramSendsIsHeardOnTheChosenSinkAlone) {
    ASSERT_EQ(Pactl({QStringLiteral("set-default-sink"), QStringLiteral("speakers")}), 0);
    frmMain& f = StartProgram();
    QComboBox* outputs = f.Modules().SoundCard().cboTarjetaSonidoSalida;
    EXPECT_GE(outputs->findText(QStringLiteral("Desk Speakers")), 0);
    ASSERT_TRUE(ChooseOutput(QStringLiteral("Transceiver")));
    EXPECT_EQ(f.Modules().settings.Store().Read("Tarjeta Sonido", "Dispositivo Salida", 256), "radio");
    MonitorRecording radio("radio", Path("radio.wav")), speakers("speakers", Path("speakers.wav"));
    ASSERT_TRUE(radio.Started()) << radio.Errors();
    ASSERT_TRUE(speakers.Started()) << speakers.Errors();

    Type(kText);
    f.cmdTX_RX_Click();
    ASSERT_TRUE(RunUntil(
        [&] { return f.Modules().transmitter.TxSentPosition == static_cast<int>(kText.size()); }, 30));
    EXPECT_EQ(f.Modules().transmitter.TxModeIndex, kMode);
    f.cmdTX_RX_Click();
    ASSERT_TRUE(RunUntil([&] { return Receiving(); }, 30));
    // The end of the transmission still on its way through the server.
    RunUntil([] { return false; }, 1);
    EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;

    std::vector<int16_t> heard, other;
    std::string error;
    ASSERT_TRUE(radio.Stop(heard, error)) << error;
    ASSERT_TRUE(speakers.Stop(other, error)) << error;
    OfflineReceiver rx(SettingsForMode(kMode));
    rx.Decode(heard);
    ASSERT_EQ(rx.Messages().size(), 1u) << rx.Locks() << " locks in " << rx.AudioSeconds() << " s";
    EXPECT_EQ(rx.Messages()[0].mode, kMode);
    EXPECT_NE(rx.Messages()[0].text.find(kText), std::string::npos) << rx.Messages()[0].text;
    EXPECT_EQ(rx.Messages()[0].endReason, "STOP");
    EXPECT_GT(other.size(), heard.size() / 2) << "the default sink was recorded as long";
    EXPECT_EQ(Peak(other), 0) << "the server's default sink heard the transmission";

    // The sink gone at the next start (its card unplugged): told as a device that is not there, and
    // not replaced by another.
    station_.reset();
    std::string modules;
    ASSERT_EQ(Pactl({"list", "short", "modules"}, &modules), 0);
    const size_t line = modules.rfind('\n', modules.find("sink_name=radio"));
    const std::string module = modules.substr(line == std::string::npos ? 0 : line + 1);
    ASSERT_EQ(Pactl({"unload-module", QString::fromStdString(module.substr(0, module.find('\t')))}), 0);
    station_ = std::make_unique<Station>(ProgramSoundDevices(), &boxes_);
    EXPECT_FALSE(Main(station_->form));
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].text, "Audio Device Output not available\nradio: no such device");
    EXPECT_EQ(boxes_.shown[0].title, "SoundCard Error");
}

// While transmitting, the volume slider sets the volume of the sink that the transmitter plays on, as
// the server reports it (not that of the server's default sink), and shows the volume the server
// reports, whoever set it.
TEST_F(SoundServerTest, TheVolumeSliderIsTheVolumeOfTheTransmittersSink) {
    ASSERT_EQ(Pactl({QStringLiteral("set-default-sink"), QStringLiteral("speakers")}), 0);
    frmMain& f = StartProgram();
    ASSERT_TRUE(ChooseOutput(QStringLiteral("Transceiver")));
    f.imgTuneOFF_Click();  // the tune tone
    ASSERT_TRUE(RunUntil([&] { return f.Modules().shared.TxRxState != 0 && f.sldVolumen->isVisible(); }, 5));

    f.sldVolumen->setValue(30);
    EXPECT_TRUE(RunUntil([] { return SinkVolumePercent("radio") == 30; }, 3)) << SinkVolumePercent("radio");
    EXPECT_EQ(SinkVolumePercent("speakers"), 100);
    ASSERT_EQ(Pactl({QStringLiteral("set-sink-volume"), QStringLiteral("radio"), QStringLiteral("45%")}), 0);
    EXPECT_TRUE(RunUntil([&] { return f.sldVolumen->value() == 45; }, 3)) << f.sldVolumen->value();
    test::RunEvents(500);
    EXPECT_EQ(SinkVolumePercent("radio"), 45) << "the slider writes back what it shows";

    f.imgTuneON_Click();
    EXPECT_TRUE(RunUntil([&] { return Receiving(); }, 10));
    EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
}

// The alarm keeps off the sink that the transmitter plays on, whichever of the output list's names
// (the sink's own, or "default" while the sink is the server's default) stands for it: it sounds on
// another sink or not at all.
TEST_F(SoundServerTest, TheAlarmNeverSoundsOnTheTransmittersSink) {
    frmMain& f = StartProgram();
    ASSERT_TRUE(ChooseOutput(QStringLiteral("Transceiver")));
    const auto alarm = [&](const std::string& name, std::vector<int16_t>& radioHeard,
                           std::vector<int16_t>& speakersHeard) {
        MonitorRecording radio("radio", Path(name + "_radio.wav")),
            speakers("speakers", Path(name + "_speakers.wav"));
        ASSERT_TRUE(radio.Started()) << radio.Errors();
        ASSERT_TRUE(speakers.Started()) << speakers.Errors();
        f.Modules().settings.AlarmaDXCC();
        // The tune's 800 ms and the server's delay.
        test::RunEvents(2500);
        std::string error;
        ASSERT_TRUE(radio.Stop(radioHeard, error)) << error;
        ASSERT_TRUE(speakers.Stop(speakersHeard, error)) << error;
    };

    // The transmitter's sink is the server's default: the alarm has nowhere to go.
    std::vector<int16_t> radio, speakers;
    alarm("default_radio", radio, speakers);
    EXPECT_EQ(Peak(radio), 0) << "the alarm went out on the transmitter's sink";
    EXPECT_EQ(Peak(speakers), 0);

    ASSERT_EQ(Pactl({QStringLiteral("set-default-sink"), QStringLiteral("speakers")}), 0);
    RunUntil([] { return false; }, 0.5);  // the server tells the program of its new default
    alarm("default_speakers", radio, speakers);
    EXPECT_EQ(Peak(radio), 0) << "the alarm went out on the transmitter's sink";
    EXPECT_GT(Peak(speakers), 3000) << "the alarm sounds on the other sink";
    EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
}

// The server holds what the program hands it for a while before it plays it: once the ring has played
// out, the end of the sound is still unheard (the transmitter's key waits for it), and then it is heard.
TEST_F(SoundServerTest, ThePlaybackDeviceCountsWhatTheServerStillHoldsAsUnheard) {
    std::shared_ptr<SoundServer> server = SoundServer::Connect();
    ASSERT_NE(server, nullptr);
    ServerSoundOutput out(server, "MUV test");
    ASSERT_TRUE(out.OpenDevice("radio")) << out.LastError();
    const std::vector<int16_t> sound(kSampleRate / 2, 1000);
    out.Write(0, sound.data(), static_cast<int>(sound.size()));
    const auto until = [](const std::function<bool()>& done, std::chrono::seconds most) {
        for (const auto end = std::chrono::steady_clock::now() + most; !done();
             std::this_thread::sleep_for(std::chrono::microseconds(200)))
            if (std::chrono::steady_clock::now() > end) return false;
        return true;
    };
    ASSERT_TRUE(until([&] { return out.PendingSamples() < kSampleRate / 2; }, std::chrono::seconds(10)));
    const int unheard = out.UnheardSamples();
    EXPECT_GT(unheard, out.PendingSamples()) << "the server's delay comes on top of the ring";

    int unheardWhenPlayedOut = 0;
    ASSERT_TRUE(until(
        [&] {
            const bool playedOut = out.PendingSamples() == 0;
            unheardWhenPlayedOut = out.UnheardSamples();
            return playedOut;
        },
        std::chrono::seconds(10)));
    EXPECT_GT(unheardWhenPlayedOut, 0);
    EXPECT_TRUE(until([&] { return out.UnheardSamples() == 0; }, std::chrono::seconds(2)));
}

}  // namespace
}  // namespace muv
