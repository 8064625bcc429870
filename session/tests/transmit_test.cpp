// Sending from the whole program: a transmission into a WAV file that the receive chain decodes, the
// second press and Esc, keys in the program's boxes, the blink and the wait after a slow mode, the tune
// tone, the end waiting for the queued sound, the transmit window's keys, the DDS box on a
// pseudo-terminal, CAT keying against a real rigctld, the set-ups that must leave the transmitter
// unkeyed, and the ways out of the program, which key nothing again.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "platform/qt/shutdown_signals.h"
#include "platform/wav_sound.h"
#include "receiver/offline_receiver.h"
#include "rig/rig_server.h"
#include "session/frmMain.h"
#include "session/program_start.h"
#include "session/station.h"
#include "session/tests/program_run.h"
#include "settings/frmBeacon.h"
#include "settings/frmMacros.h"
#include "settings/frmOperator.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"
#include "test_support/rigctld.h"
#include "test_support/scratch_folder.h"
#include "test_support/shown_boxes.h"

namespace muv {
namespace {

using test::RunUntil;

// Plays what it is given at a set speed (samples per millisecond), as a sound card does.
class PacedOutput : public MemorySoundOutput {
public:
    explicit PacedOutput(double samplesPerMs) : rate_(samplesPerMs) {}
    bool Open(int deviceIndex) override { return Play(), credit_ = 0, MemorySoundOutput::Open(deviceIndex); }
    bool IsDone(int buffer) const override { return Play(), MemorySoundOutput::IsDone(buffer); }
    int PendingSamples() const override { return Play(), MemorySoundOutput::PendingSamples(); }
    void Reset() override { dropped += MemorySoundOutput::PendingSamples(), MemorySoundOutput::Reset(); }
    int dropped = 0;                   // samples dropped unplayed
    std::function<void()> firstSound;  // runs when the first buffer that is not silent has played

private:
    void Play() const {
        auto* self = const_cast<PacedOutput*>(this);
        const auto now = std::chrono::steady_clock::now();
        credit_ += std::chrono::duration<double, std::milli>(now - std::exchange(last_, now)).count() * rate_;
        for (int size; QueuedBuffers() > 0 &&
                       credit_ >= (size = MemorySoundOutput::PendingSamples() / QueuedBuffers());) {
            credit_ -= size;
            self->FinishBuffers(1);
            if (firstSound && std::any_of(played.end() - size, played.end(), [](int16_t s) { return s; }))
                std::exchange(self->firstSound, nullptr)();
        }
        if (QueuedBuffers() == 0) credit_ = 0;
    }
    double rate_;
    mutable double credit_ = 0;
    mutable std::chrono::steady_clock::time_point last_;
};

struct Program {
    // The message boxes are recorded, or with shown given, really shown.
    explicit Program(std::unique_ptr<SoundOutputDevice> out, std::unique_ptr<Mixer> mixer = nullptr,
                     test::ShownBoxes* shown = nullptr) {
        auto in = std::make_unique<MemorySoundInput>(std::vector<int16_t>(10 * kSampleRate, 0));
        input = in.get();
        station = std::make_unique<Station>(
            SoundDevices{std::move(in), std::move(out), [] { return std::vector<std::string>{"Line in"}; },
                         [] { return std::vector<std::string>{"Speakers"}; }, std::move(mixer)},
            shown ? static_cast<MessageBoxes*>(shown) : &boxes);
        form = &station->form;
        if (shown) shown->parent = form;
        EXPECT_TRUE(Main(*form));
        form->ApplicationActive = [this] { return active; };
    }
    Station& St() { return *station; }
    frmRig& Rig() { return St().rig.Window(); }
    Transmitter& Tx() { return St().transmitter; }
    uint8_t State() { return St().shared.TxRxState; }
    void Key(int key, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(form->rtfVentanaTX, &press);
    }
    // Types the text, presses TX/RX, runs `meanwhile`, presses again once the text is taken.
    void Send(const std::string& text, const std::function<void()>& meanwhile = nullptr) {
        for (char c : text)
            Key(c == ' ' ? Qt::Key_Space : Qt::Key_A + (c - 'A'), QString(QChar(c)));
        form->cmdTX_RX_Click();
        if (meanwhile) meanwhile();
        ASSERT_TRUE(RunUntil([&] { return Tx().TxSentPosition == static_cast<int>(text.size()); }, 20));
        form->cmdTX_RX_Click();
    }
    bool Receiving() { return State() == 0 && form->tmrRX.Enabled() && input->IsOpen(); }

    test::RecordingBoxes boxes;
    MemorySoundInput* input;
    std::unique_ptr<Station> station;
    frmMain* form = nullptr;
    bool active = true;
};

class TransmitTest : public test::QtAppTest {
protected:
    // A file in the test's own scratch folder, removed with it.
    std::string TempPath(const std::string& name) { return scratch_.Path(name); }

private:
    test::ScratchFolder scratch_{"muv_transmit"};
};

// What the receive chain makes of a WAV file that a transmission went into.
std::vector<ReceivedMessage> DecodeWav(const std::string& path, int mode) {
    std::vector<int16_t> audio;
    std::string error;
    EXPECT_TRUE(ReadWav48k(path, audio, error)) << error;
    OfflineReceiver rx(SettingsForMode(mode));
    rx.Decode(audio);
    return rx.Messages();
}

TEST_F(TransmitTest, TransmissionIntoAWavFileDecodesAndReturnsToReceiving) {
    const std::string wav = TempPath("muv_tx.wav");
    Program p(std::make_unique<WavFileSoundOutput>(wav, false));
    frmMain& f = *p.form;
    p.Send("CQ TEST", [&] {
        EXPECT_EQ(f.cmdTX_RX->text(), QStringLiteral("STOP"));
        // The band change of the start reopens the input 100 ms later: not into the transmission.
        ASSERT_TRUE(RunUntil([&] { return !f.tmrResetTarjetaSonido.Enabled(); }, 5));
        EXPECT_FALSE(f.tmrRX.Enabled() || p.input->IsOpen() || f.mnuFrequenciesList[1]->isEnabled() ||
                     p.St().SoundCard().cmdOK->isEnabled() || p.Rig().optCAT->isEnabled());
        // A band change while sending waits for the end.
        f.txtFrecuencia->setText(QStringLiteral("144160.0"));
        EXPECT_TRUE(p.St().shared.BandClass == 2 && f.TxWindow().Text() == "CQ TEST" && !f.tmrRX.Enabled());
    });
    EXPECT_TRUE(f.cmdTX_RX->text() == QStringLiteral("WAIT") && !f.cmdTX_RX->isEnabled());
    EXPECT_EQ(p.Tx().TxStopRequest, 0);
    ASSERT_TRUE(RunUntil([&] { return p.Receiving(); }, 30));
    EXPECT_TRUE(f.cmdTX_RX->isEnabled() && f.mnuFrequenciesList[1]->isEnabled() &&
                p.St().SoundCard().cmdOK->isEnabled() && p.Rig().optCAT->isEnabled());
    EXPECT_EQ(f.cmdTX_RX->text(), QStringLiteral("PTT"));
    EXPECT_NE(f.RxWindow().Text().find(" <STOP>"), std::string::npos);
    const std::string& line = p.St().sessionLog.SessionLogLine;
    EXPECT_LT(line.find("CQ TEST"), line.find(" <STOP> 144.160 Mhz")) << line;
    EXPECT_TRUE(f.TxWindow().Text().empty() && f.LastTxText == "CQ TEST");
    EXPECT_TRUE(RunUntil([&] { return p.St().shared.BandClass == 3; }, 5));

    const std::vector<ReceivedMessage> heard = DecodeWav(wav, 4);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_NE(heard[0].text.find("CQ TEST"), std::string::npos) << heard[0].text;
    EXPECT_EQ(heard[0].endReason, "STOP");

    // Opening the input twice leaves one set of buffers; closing returns them all.
    p.St().soundCardHost.OpenSoundInput();
    p.St().soundCardHost.OpenSoundInput();
    EXPECT_EQ(p.input->QueuedBuffers(), 50);
    p.St().soundCardHost.CloseSoundInput();
    EXPECT_TRUE(!p.input->IsOpen() && p.input->QueuedBuffers() == 0 && p.boxes.shown.empty());
}

// A line typed after Shift+Enter goes out to its last character, as after Enter.
TEST_F(TransmitTest, ALineAfterShiftEnterGoesOutWhole) {
    const std::string wav = TempPath("muv_shift_enter.wav");
    Program p(std::make_unique<WavFileSoundOutput>(wav, false));
    frmMain& f = *p.form;
    const auto type = [&](const std::string& text) {
        for (char c : text)
            p.Key(c == ' '   ? Qt::Key_Space
                  : c <= '9' ? Qt::Key_0 + (c - '0')
                             : Qt::Key_A + (c - 'A'),
                  QString(QChar(c)));
    };
    type("CQ");
    QKeyEvent shiftEnter(QEvent::KeyPress, Qt::Key_Return, Qt::ShiftModifier, QStringLiteral("\r"));
    QApplication::sendEvent(f.rtfVentanaTX, &shiftEnter);
    type("DE EA1ABC");
    ASSERT_EQ(f.TxWindow().Text(), "CQ\r\nDE EA1ABC");
    f.cmdTX_RX_Click();
    ASSERT_TRUE(RunUntil([&] { return p.Tx().TxSentPosition == 13; }, 20)) << p.Tx().TxSentPosition;
    f.cmdTX_RX_Click();
    ASSERT_TRUE(RunUntil([&] { return p.Receiving(); }, 30));
    EXPECT_EQ(f.LastTxText, "CQ\r\nDE EA1ABC");

    const std::vector<ReceivedMessage> messages = DecodeWav(wav, 4);
    ASSERT_EQ(messages.size(), 1u);
    const std::string& heard = messages[0].text;
    EXPECT_LT(heard.find("CQ"), heard.find("DE EA1ABC")) << heard;
    EXPECT_NE(heard.find("DE EA1ABC"), std::string::npos) << heard;
}

TEST_F(TransmitTest, ShortcutsActOnceAndEscCutsOnlyTheMeantTransmission) {
    const std::string wav = TempPath("muv_esc.wav");
    Program p(std::make_unique<WavFileSoundOutput>(wav));
    frmMain& f = *p.form;
    // Not the active program: F12 does nothing, and is not kept for later.
    p.active = false;
    p.Key(Qt::Key_F12);
    f.tmrTeclas_Timer();
    p.active = true;
    f.tmrTeclas_Timer();
    EXPECT_EQ(p.State(), 0);
    // Held down, F12 presses once.
    p.Key(Qt::Key_F12);
    f.tmrTeclas_Timer();
    f.tmrTeclas_Timer();
    EXPECT_EQ(p.State(), 1);

    // Esc again while the box is up opens no second box.
    p.boxes.during = [&] {
        p.Key(Qt::Key_Escape);
        f.tmrTeclas_Timer();
    };
    p.Key(Qt::Key_Escape);
    f.tmrTeclas_Timer();
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(
        std::make_pair(p.boxes.shown[0].text, p.boxes.shown[0].title),
        std::make_pair(std::string("The message will be cut. Are you sure?"), std::string("Emergency Stop")));
    ASSERT_TRUE(RunUntil([&] { return p.Receiving(); }, 10));
    EXPECT_NE(f.RxWindow().Text().find(" <CANCEL>"), std::string::npos);
    EXPECT_NE(p.St().sessionLog.SessionLogLine.find(" <CANCEL> 10.145 Mhz"), std::string::npos);

    // The transmission ends while the box is up and a new one starts: the answer cuts neither.
    f.cmdTX_RX_Click();
    p.boxes.during = [&] {
        f.cmdTX_RX_Click();
        ASSERT_TRUE(RunUntil([&] { return p.State() == 0; }, 10));
        f.cmdTX_RX_Click();
    };
    p.Key(Qt::Key_Escape);
    f.tmrTeclas_Timer();
    EXPECT_EQ(p.State(), 1);
    EXPECT_EQ(p.Tx().TxStopRequest, 0);
    f.cmdTX_RX_Click();
    ASSERT_TRUE(RunUntil([&] { return p.Receiving(); }, 10));
}

// F12 and Esc through their key events alone, the event loop running the shortcuts: F12 starts one
// transmission, Esc asks once, and Esc pressed again while its box is up asks nothing more.
TEST_F(TransmitTest, F12AndEscActThroughTheirKeyEventsAlone) {
    Program p(std::make_unique<WavFileSoundOutput>(TempPath("muv_esc_events.wav")));
    p.Key(Qt::Key_F12);
    ASSERT_TRUE(RunUntil([&] { return p.State() == 1; }, 5));
    p.boxes.during = [&] {
        p.Key(Qt::Key_Escape);
        test::RunEvents(50);
    };
    p.Key(Qt::Key_Escape);
    ASSERT_TRUE(RunUntil([&] { return p.Receiving(); }, 10));
    EXPECT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_NE(p.St().sessionLog.SessionLogLine.find(" <CANCEL>"), std::string::npos);
}

// The keys an operator presses into one of the program's message boxes are the box's: Esc that closes
// it abandons no frame being received and asks nothing about the transmission, and F1 typed into it
// opens no second box on top. From the program's windows that are not modal the shortcuts act.
TEST_F(TransmitTest, KeysPressedInTheProgramsBoxesAreNoShortcuts) {
    test::ShownBoxes shown;
    Program p(std::make_unique<PacedOutput>(480), nullptr, &shown);
    frmMain& f = *p.form;
    f.TxWindow().SetText("QRL?");
    p.St().settings.ShowBeacon();
    test::PressKey(p.St().settings.Beacon(), Qt::Key_F11);
    f.tmrTeclas_Timer();
    EXPECT_EQ(f.TxWindow().Text(), "");

    // A frame is being received; no locator is given, so a macro label shows a box, closed with Esc.
    f.SetVisible(Control::pctCancelFrame, true);
    shown.whileUp = [&](QWidget& box) { test::PressKey(box, Qt::Key_Escape); };
    f.MacroLabel_Click(1);
    f.tmrTeclas_Timer();
    EXPECT_TRUE(f.Visible(Control::pctCancelFrame));

    test::PressKey(f, Qt::Key_F12);
    f.tmrTeclas_Timer();
    ASSERT_EQ(p.State(), 1);
    shown.whileUp = [&](QWidget& box) {
        test::PressKey(box, Qt::Key_F1);
        f.tmrTeclas_Timer();
        test::PressKey(box, Qt::Key_Escape);
    };
    f.MacroLabel_Click(1);
    f.tmrTeclas_Timer();
    EXPECT_EQ(shown.Titles(), std::vector<std::string>({"Locator Error", "Locator Error"}));
    EXPECT_EQ(p.State(), 1);
}

// While sending, the transmit indicator and the switch blink each second and the mode box stays red.
// After a transmission in a slow mode the switch waits 40 seconds, greyed, counting down; at the end of
// the wait a beacon that is on, in a beacon mode, with no countdown of its own running, is sent. In the
// report-only mode nothing is: the text left in the window would go out again after every wait.
TEST_F(TransmitTest, BlinkAndTheWaitAfterASlowModeTransmission) {
    Program p(std::make_unique<WavFileSoundOutput>(TempPath("muv_slow.wav"), false));
    frmMain& f = *p.form;
    const auto colours = [&] {
        return std::vector<ColorRef>{f.BackColor(Control::txtModo), f.BackColor(Control::txtTransmitting),
                                     f.BackColor(Control::cmdTX_RX)};
    };
    f.mnuFrequenciesList_Click(24);  // 144.160 MHz, EME
    ASSERT_EQ(p.St().shared.BandClass, 3);
    p.Send("TEST", [&] {
        ASSERT_TRUE(f.tmrTransmitting.Enabled());
        f.tmrTransmitting_Timer();
        EXPECT_EQ(colours(), (std::vector<ColorRef>{kStatusRed, 0xDFDFDF, 0xDFDFDF}));
        f.tmrTransmitting_Timer();
        EXPECT_EQ(colours(), (std::vector<ColorRef>{kStatusRed, kStatusRed, kStatusRed}));
        f.tmrTransmitting_Timer();
    });
    EXPECT_FALSE(f.tmrTransmitting.Enabled());
    EXPECT_EQ(colours(), (std::vector<ColorRef>{kStatusYellow, kStatusYellow, kStatusYellow}));
    ASSERT_TRUE(RunUntil([&] { return p.Receiving(); }, 60));
    EXPECT_EQ(f.LastTxText, "TEST");

    ASSERT_TRUE(f.tmrTemporizador1Baudio.Enabled());
    for (int left = 40; left > 0; --left) {
        f.tmrTemporizador1Baudio_Timer();
        ASSERT_EQ(f.Text(Control::txtTemporizador1Baudio), "WAIT... " + std::to_string(left));
        ASSERT_TRUE(f.Visible(Control::txtTemporizador1Baudio) && !f.cmdTX_RX->isEnabled());
        ASSERT_EQ(f.BackColor(Control::cmdTX_RX), 0xE0E0E0u);
    }
    f.tmrTemporizador1Baudio_Timer();
    EXPECT_EQ(f.Text(Control::txtTemporizador1Baudio), "WAIT... 0");
    EXPECT_FALSE(f.Visible(Control::txtTemporizador1Baudio) || f.tmrTemporizador1Baudio.Enabled());
    EXPECT_TRUE(f.cmdTX_RX->isEnabled() && f.BackColor(Control::cmdTX_RX) == kStatusRed);
    EXPECT_EQ(p.State(), 0);

    // The last second of another wait, the beacon on.
    frmBeacon& beacon = p.St().settings.Beacon();
    const auto waitEnds = [&] {
        f.SlowModeCountdown = 0;
        f.tmrTemporizador1Baudio.SetEnabled(true);
        f.tmrTemporizador1Baudio_Timer();
    };
    f.TxWindow().SetText("QRL?");
    beacon.optReportOnlyMode->setChecked(true);
    f.imgOFFBeacon_Click();
    while (f.tmrBeacon.Enabled())
        f.tmrBeacon_Timer();
    ASSERT_EQ(f.Text(Control::txtTemporizadorBeacon), "Listening");
    waitEnds();
    EXPECT_EQ(p.State(), 0) << "report only: no beacon";

    beacon.optBeaconReportMode->setChecked(true);
    f.imgOFFBeacon_Click();
    ASSERT_TRUE(f.Visible(Control::imgONBeacon) && f.tmrBeacon.Enabled());
    waitEnds();
    EXPECT_EQ(p.State(), 0) << "the beacon's own countdown runs";
    f.tmrBeacon.SetEnabled(false);  // as a frame being received holds it
    waitEnds();
    EXPECT_EQ(p.State(), 2) << "sent, and asked to end with the text";
    EXPECT_EQ(f.TxWindow().Text(), "QRL?");
}

TEST_F(TransmitTest, TuneToneMixerAndTheEndWaitingForQueuedSound) {
    auto out = std::make_unique<PacedOutput>(480);  // ten times real time
    PacedOutput& device = *out;
    auto mixer = std::make_unique<MemoryMixer>();
    MemoryMixer& card = *mixer;
    using L = MixerLine;
    using C = MixerControlType;
    card.cards[0].values = {
        {{L::WaveOut, C::Volume}, 32768}, {{L::WaveOut, C::Mute}, 1}, {{L::Microphone, C::Mute}, 0}};
    Program p(std::move(out), std::move(mixer));
    frmMain& f = *p.form;
    f.imgTuneOFF_Click();
    EXPECT_TRUE(p.State() == 1 && p.Tx().TestToneFlag == 1 && f.tmrTonoTest.Enabled() &&
                f.Visible(Control::txtTonoDePrueba) && f.Visible(Control::imgTuneON));
    // The microphone is muted and wave-out unmuted for the transmission; the slider shows the volume.
    EXPECT_TRUE(card.Value(0, L::Microphone, C::Mute) == 1 && card.Value(0, L::WaveOut, C::Mute) == 0);
    ASSERT_TRUE(RunUntil([&] { return f.Visible(Control::sldVolumen) && !f.Visible(Control::txtVU); }, 2));
    EXPECT_EQ(f.sldVolumen->value(), 50);
    ASSERT_TRUE(
        RunUntil([&] { return std::count(device.played.begin(), device.played.end(), 6393) > 2; }, 5));
    f.cmdTX_RX_Click();
    EXPECT_TRUE(p.State() == 2 && p.Tx().TxStopRequest == 2 && f.Visible(Control::imgTuneOFF));
    f.cmdTX_RX_Click();  // while ending: only the rig is tuned again
    ASSERT_TRUE(RunUntil([&] { return p.Receiving(); }, 5));
    EXPECT_TRUE(p.Tx().TestToneFlag == 0 && !f.Visible(Control::txtTonoDePrueba) &&
                f.cmdTX_RX->text() == QStringLiteral("PTT") && card.Value(0, L::Microphone, C::Mute) == 0);
    EXPECT_TRUE(RunUntil([&] { return f.Visible(Control::txtVU) && !f.Visible(Control::sldVolumen); }, 2));
    // The program ended in the middle of a tune tone puts the microphone back as well.
    f.imgTuneOFF_Click();
    ASSERT_EQ(card.Value(0, L::Microphone, C::Mute), 1);
    f.Form_Unload();
    EXPECT_EQ(card.Value(0, L::Microphone, C::Mute), 0);

    // 20 buffers still queued at the end, on a device a little slower than real time: more than 1500 ms
    // of sound, which all plays.
    auto slowOut = std::make_unique<PacedOutput>(40);
    PacedOutput& slow = *slowOut;
    Program q(std::move(slowOut));
    q.Tx().Output().OpenSoundOutput(3584);
    q.St().shared.TxRxState = 1;
    q.Tx().TxStopRequest = 1;
    QElapsedTimer clock;
    clock.start();
    q.form->EndTransmission();
    EXPECT_GT(clock.elapsed(), 1700);
    EXPECT_TRUE(slow.dropped == 0 && slow.played.size() == 20u * 3584 && q.Receiving());
}

TEST_F(TransmitTest, AWavFileThatCannotBeWrittenIsASoundCardErrorNamingFileAndCause) {
    // MUV_SOUND_OUTPUT on a full disk: the first buffer that cannot be written stops the transmission.
    Program p(std::make_unique<WavFileSoundOutput>("/dev/full", true, true));
    frmMain& f = *p.form;
    f.imgTuneOFF_Click();
    ASSERT_TRUE(RunUntil([&] { return !p.boxes.shown.empty(); }, 5));
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.boxes.shown[0].text, "Audio Device Output not available\ncannot write /dev/full: " +
                                         std::string(std::strerror(ENOSPC)));
    EXPECT_EQ(p.boxes.shown[0].title, "SoundCard Error");
    EXPECT_FALSE(f.tmrTonoTest.Enabled() || f.tmrTX.Enabled() || f.tmrTXTonoPiloto.Enabled());
    EXPECT_TRUE(f.ProgramEnded());
}

TEST_F(TransmitTest, TransmitWindowKeys) {
    Program p(std::make_unique<MemorySoundOutput>());
    frmMain& f = *p.form;
    TextWindow& tx = f.TxWindow();
    tx.SetText("ABCDEF");
    p.St().shared.TxRxState = 1;  // a transmission that has taken three characters
    p.Tx().TxSentPosition = 3;
    p.Tx().TxStopRequest = 0;
    tx.SetSelStart(1);
    p.Key(Qt::Key_X, "x");
    p.Key(Qt::Key_Delete);
    EXPECT_EQ(tx.Text(), "ABCDEF");  // sent text stays
    p.Key(Qt::Key_Right);
    p.Key(Qt::Key_Right);
    EXPECT_EQ(tx.SelStart(), 3);
    p.Key(Qt::Key_Backspace);
    EXPECT_TRUE(p.Tx().TxCaretAtSentPosition == 1 && p.Tx().TxBackspaceRequest == 1);
    EXPECT_EQ(tx.Text(), "ABDEF");
    // A Backspace on unsent text selected from the send position deletes it and takes nothing back.
    p.Tx().TxCaretAtSentPosition = 0;
    p.Tx().TxSentPosition = 2;
    tx.SetSelStart(2);
    tx.SetSelLength(2);
    p.Key(Qt::Key_Backspace);
    EXPECT_EQ(tx.Text(), "ABF");
    EXPECT_EQ(p.Tx().TxCaretAtSentPosition, 0);
    p.St().shared.TxRxState = 0;

    // EME: upper case, and no ";", Enter or Backspace.
    f.CambiarModo(3);
    tx.SetText("");
    p.Tx().TxSentPosition = 0;
    p.Key(Qt::Key_A, "a");
    p.Key(Qt::Key_Semicolon, ";");
    p.Key(Qt::Key_Return, "\r");
    p.Key(Qt::Key_Backspace);
    EXPECT_EQ(tx.Text(), "A");
    // Nor at the send position: no character is taken back on the air either.
    p.St().shared.TxRxState = 1;
    p.Tx().TxSentPosition = 1;
    p.Key(Qt::Key_Backspace);
    EXPECT_EQ(tx.Text(), "A");
    EXPECT_EQ(p.Tx().TxCaretAtSentPosition, 0);
    p.St().shared.TxRxState = 0;
}

// Red is the colour of what has gone out: what the operator types or pastes is black until it is sent,
// after the sent text, after F11 has cleared the rest, and once the transmission has ended.
TEST_F(TransmitTest, TypedTextIsBlackUntilItIsSent) {
    Program p(std::make_unique<PacedOutput>(480));
    frmMain& f = *p.form;
    TextWindow& tx = f.TxWindow();
    const auto colours = [&] {
        std::string shown;  // 'r' or 'b' for each character, as the window draws it
        QTextDocument* doc = f.rtfVentanaTX->document();
        for (int i = 1; i < doc->characterCount(); ++i) {
            QTextCursor c(doc);
            c.setPosition(i);
            const QColor colour = c.charFormat().foreground().color();
            shown += colour == Qt::red ? 'r' : colour == Qt::black ? 'b' : '?';
        }
        return shown;
    };
    tx.SetText("");
    p.Key(Qt::Key_A, "A");
    p.Key(Qt::Key_B, "B");
    p.Key(Qt::Key_F12);
    ASSERT_TRUE(RunUntil([&] { return p.Tx().TxSentPosition == 2; }, 10));
    EXPECT_EQ(colours(), "rr");
    p.Key(Qt::Key_C, "C");
    p.Key(Qt::Key_F11);
    ASSERT_TRUE(RunUntil([&] { return tx.Text() == "AB"; }, 2));
    // The caret put after the red text by the mouse: the key would take the colour before it.
    p.Key(Qt::Key_Home);
    ASSERT_EQ(tx.SelStart(), 0);
    QTest::mouseClick(f.rtfVentanaTX->viewport(), Qt::LeftButton, {},
                      QPoint(f.rtfVentanaTX->viewport()->width() - 4, 8));
    ASSERT_EQ(tx.SelStart(), 2);
    p.Key(Qt::Key_D, "D");
    QGuiApplication::clipboard()->setText("E");
    f.rtfVentanaTX->paste();
    EXPECT_EQ(tx.Text(), "ABDE");
    EXPECT_EQ(colours().substr(2), "bb");
    p.form->cmdTX_RX_Click();
    ASSERT_TRUE(RunUntil([&] { return p.Receiving(); }, 20));
    p.Key(Qt::Key_G, "G");
    EXPECT_EQ(tx.Text(), "G");
    EXPECT_EQ(colours(), "b");
}

// The transmit window holds only what the modem can send. A key, a paste or an input method's text with
// a character that Windows-1252 has no code for brings none of it in (the window would show it while a
// '?' went on the air); the letters Windows-1252 has come in as typed.
TEST_F(TransmitTest, ACharacterTheModemCannotSendNeverComesIn) {
    Program p(std::make_unique<MemorySoundOutput>());
    frmMain& f = *p.form;
    RichTextBox& box = *f.rtfVentanaTX;
    TextWindow& tx = f.TxWindow();
    tx.SetText("");
    p.Key(0x0416, QString::fromUtf8("Ж"));
    p.Key(Qt::Key_Eacute, QString::fromUtf8("é"));
    EXPECT_EQ(box.toPlainText(), QString::fromUtf8("é"));
    QGuiApplication::clipboard()->setText(QString::fromUtf8("Győr € 📻"));
    box.paste();
    QInputMethodEvent composed;
    composed.setCommitString(QString::fromUtf8("ő!"));
    QApplication::sendEvent(&box, &composed);
    EXPECT_EQ(box.toPlainText(), QString::fromUtf8("éGyr € !"));
    EXPECT_EQ(tx.Text(), "\xE9Gyr \x80 !");
}

// The tune tone sends no text: nothing of the window is held back from the operator meanwhile.
TEST_F(TransmitTest, DuringTheTuneToneTheWholeTransmitTextIsTheOperators) {
    Program p(std::make_unique<PacedOutput>(480));
    frmMain& f = *p.form;
    TextWindow& tx = f.TxWindow();
    tx.SetText("CQ CQ DE EA4ABC");
    p.Tx().TxSentPosition = 12;  // what the last transmission took
    f.imgTuneOFF_Click();
    ASSERT_EQ(p.State(), 1);
    tx.SetSelStart(0);
    p.Key(Qt::Key_X, "X");
    EXPECT_EQ(tx.Text(), "XCQ CQ DE EA4ABC");
    p.Key(Qt::Key_F11);  // the shortcut clears the window
    EXPECT_TRUE(RunUntil([&] { return tx.Text().empty(); }, 2));
    f.imgTuneON_Click();
    EXPECT_TRUE(RunUntil([&] { return p.Receiving(); }, 5));
}

// One double click is one click: the macro goes in once. While sending, a click on the volume
// slider's track leaves the keys with the transmit window.
TEST_F(TransmitTest, TheMouseActsOnceAndLeavesTheKeysWithTheTransmitWindow) {
    auto mixer = std::make_unique<MemoryMixer>();
    mixer->cards[0].values = {{{MixerLine::WaveOut, MixerControlType::Volume}, 32768},
                              {{MixerLine::WaveOut, MixerControlType::Mute}, 0}};
    Program p(std::make_unique<PacedOutput>(480), std::move(mixer));
    frmMain& f = *p.form;
    p.St().settings.Operator().txtLocator->setText("IN80dk");
    p.St().settings.Macros().ClearFirstBox(1)->setChecked(false);  // each CQ adds to the window
    TextWindow& tx = f.TxWindow();
    tx.SetText("");
    // Through the window, as the display delivers them: press, release, double click, release.
    QWindow* window = f.window()->windowHandle();
    const QPoint label = f.lblCQ->mapTo(f.window(), f.lblCQ->rect().center());
    QTest::mouseClick(window, Qt::LeftButton, {}, label);
    const std::string once = tx.Text();
    ASSERT_FALSE(once.empty());
    tx.SetText("");
    QTest::mouseDClick(window, Qt::LeftButton, {}, label);
    EXPECT_EQ(tx.Text(), once);
    // A double click on a switch turns it on: its second press lands on the ON twin, which must not
    // switch the tune tone off again.
    const QPoint tune = f.imgTuneOFF->mapTo(f.window(), f.imgTuneOFF->rect().center());
    QTest::mouseDClick(window, Qt::LeftButton, {}, tune);
    test::RunEvents(200);
    EXPECT_TRUE(f.Visible(Control::imgTuneON) && p.State() == 1);
    f.imgTuneON_Click();
    ASSERT_TRUE(RunUntil([&] { return p.Receiving(); }, 5));

    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.imgTuneOFF_Click();
    ASSERT_TRUE(RunUntil([&] { return f.Visible(Control::sldVolumen); }, 2));
    f.txtDestination->setFocus();
    const int volume = f.sldVolumen->value();
    QTest::mouseClick(f.sldVolumen, Qt::LeftButton, {},
                      QPoint(f.sldVolumen->width() - 3, f.sldVolumen->height() / 2));
    EXPECT_EQ(QApplication::focusWidget(), f.rtfVentanaTX);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
    EXPECT_EQ(f.sldVolumen->value(), volume + f.sldVolumen->pageStep());
    f.imgTuneON_Click();
    EXPECT_TRUE(RunUntil([&] { return p.Receiving(); }, 5));
}

// Whatever way the operator edits while sending, what has gone out stays as it went, the rest of the
// text goes on after it, and the station at the other end reads exactly the window's text.
TEST_F(TransmitTest, NoEditReachesTheSentTextAndTheAirCarriesTheWindowsText) {
    const std::string wav = TempPath("muv_edits.wav");
    Program p(std::make_unique<WavFileSoundOutput>(wav, false));
    frmMain& f = *p.form;
    RichTextBox& box = *f.rtfVentanaTX;
    QWidget* viewport = box.viewport();
    TextWindow& tx = f.TxWindow();
    auto key = [&](int k, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, k, modifiers, text);
        QApplication::sendEvent(&box, &press);
    };
    // The point of the window in front of a character.
    auto at = [&](int position) {
        QTextCursor c = box.textCursor();
        c.setPosition(position);
        return box.cursorRect(c).center();
    };
    auto select = [&](int from, int to) {
        QTextCursor c = box.textCursor();
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        box.setTextCursor(c);
    };
    auto menu = [&]() -> QMenu* {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at(0), viewport->mapToGlobal(at(0)));
        QApplication::sendEvent(viewport, &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    };
    auto item = [](QMenu* m, const char* name) { return m->findChild<QAction*>(QString::fromLatin1(name)); };
    auto choose = [](QMenu* m, QAction* action) {
        QTest::mouseClick(m, Qt::LeftButton, {}, m->actionGeometry(action).center());
        m->close();
    };

    p.Key(Qt::Key_A, "A");
    p.Key(Qt::Key_B, "B");
    p.Key(Qt::Key_C, "C");
    f.cmdTX_RX_Click();
    ASSERT_TRUE(RunUntil([&] { return p.Tx().TxSentPosition == 3; }, 20));
    p.Key(Qt::Key_D, "D");
    p.Key(Qt::Key_E, "E");
    p.Key(Qt::Key_F, "F");
    ASSERT_EQ(p.Tx().TxSentPosition, 3);
    std::string expected = "ABCDEF";
    ASSERT_EQ(tx.Text(), expected);

    // Typed keys with the caret in the sent text: punctuation, an accented letter, editing keys, paste.
    QGuiApplication::clipboard()->setText(QStringLiteral("ZZ"));
    tx.SetSelStart(1);
    key(Qt::Key_Comma, QStringLiteral(","));
    key(Qt::Key_Question, QStringLiteral("?"));
    key(Qt::Key_Eacute, QStringLiteral("\u00e9"));
    key(Qt::Key_Delete, {});
    key(Qt::Key_Backspace, {});
    key(Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    EXPECT_EQ(tx.Text(), expected);

    // An input method's text, a drop and (where the display has a selection) the middle button, aimed
    // at the sent text, land at the end.
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("W"));
    QApplication::sendEvent(&box, &composed);
    EXPECT_EQ(tx.Text(), expected += "W");
    QMimeData dragged;
    dragged.setText(QStringLiteral("YY"));
    QDragEnterEvent enter(at(1), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDropEvent drop(at(1), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    EXPECT_EQ(tx.Text(), expected += "YY");
    const bool x11 = QGuiApplication::platformName() == QStringLiteral("xcb");
    ASSERT_TRUE(!x11 || QGuiApplication::clipboard()->supportsSelection());
    if (QGuiApplication::clipboard()->supportsSelection()) {
        QGuiApplication::clipboard()->setText(QStringLiteral("XX"), QClipboard::Selection);
        QTest::mouseClick(viewport, Qt::MiddleButton, {}, at(1));
        EXPECT_EQ(tx.Text(), expected += "XX");
    }

    // The menu with sent text selected: no cut or delete; its paste goes to the end.
    select(0, 2);
    QMenu* m = menu();
    ASSERT_TRUE(m);
    EXPECT_FALSE(item(m, "edit-cut")->isEnabled() || item(m, "edit-delete")->isEnabled() ||
                 item(m, "edit-undo")->isEnabled());
    choose(m, item(m, "edit-paste"));
    EXPECT_EQ(tx.Text(), expected += "ZZ");

    // Keys that reach back from the end: a word or a step of undo.
    tx.SetSelStart(tx.TextLength());
    key(Qt::Key_Backspace, {}, Qt::ControlModifier);
    key(Qt::Key_Z, QStringLiteral("\x1a"), Qt::ControlModifier);
    EXPECT_EQ(tx.Text(), expected);

    // A cut chosen from a menu opened on unsent text after that text has gone out meanwhile.
    select(3, 5);
    m = menu();
    ASSERT_TRUE(m && item(m, "edit-cut")->isEnabled());
    for (int tick = 0; tick < 2000 && p.Tx().TxSentPosition < 5; ++tick)
        f.tmrTX_Timer();  // the pump goes on while the menu is open
    ASSERT_GE(p.Tx().TxSentPosition, 5);
    choose(m, item(m, "edit-cut"));
    EXPECT_EQ(tx.Text(), expected);

    ASSERT_TRUE(RunUntil([&] { return p.Tx().TxSentPosition == static_cast<int>(expected.size()); }, 20));
    f.cmdTX_RX_Click();
    ASSERT_TRUE(RunUntil([&] { return p.Receiving(); }, 30));
    EXPECT_EQ(f.LastTxText, expected);
    const std::vector<ReceivedMessage> heard = DecodeWav(wav, 4);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].text, expected);
}

// ---------------------------------------------------------------- serial port and CAT

// The tune button with a set-up that cannot key: the message (empty: the rig's status text), and
// still receiving.
void ExpectUnkeyedAfter(Program& p, const std::string& text, const std::string& title) {
    p.boxes.shown.clear();
    p.form->imgTuneOFF_Click();
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(std::make_pair(p.boxes.shown[0].text, p.boxes.shown[0].title),
              std::make_pair(text.empty() ? p.Rig().CurrentRig()->StatusStr() : text, title));
    EXPECT_TRUE(p.Receiving() && p.form->cmdTX_RX->text() == QStringLiteral("PTT"));
    EXPECT_TRUE(p.Tx().TestToneFlag == 0 && p.form->Visible(Control::imgTuneOFF) &&
                !p.form->Visible(Control::imgTuneON));
}

// A pseudo-terminal in place of the serial port COM3, where the DDS box listens.
struct PseudoTerminal {
    PseudoTerminal() : master(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            setenv("MUV_COM3", ptsname(master), 1);
    }
    ~PseudoTerminal() {
        unsetenv("MUV_COM3");
        Close();
    }
    // The box goes away.
    void Close() {
        if (master >= 0) close(master);
        master = -1;
    }
    bool Ready() const { return getenv("MUV_COM3") != nullptr; }
    // The lines that came since the last look, each ended by CR.
    QStringList Lines() const {
        std::string bytes;
        char buffer[4096];
        for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;)
            bytes.append(buffer, static_cast<size_t>(n));
        return QString::fromStdString(bytes).split('\r', Qt::SkipEmptyParts);
    }
    int master;
};

// Keying through the DDS box, on its manual dial frequency, on the port chosen (0: "NO COM").
void ChooseDdsBox(Program& p, int port) {
    frmRig& rig = p.Rig();
    rig.optDDS->setChecked(true);
    rig.optDDS_Click();
    rig.optDDSManual->setChecked(true);
    rig.txtFrecuenciaUSB->setText("14070000");
    rig.cboCOM->setCurrentIndex(port);
}

TEST_F(TransmitTest, DdsBoxGetsItsLinesOnAPseudoTerminal) {
    const PseudoTerminal pty;
    ASSERT_TRUE(pty.Ready());
    auto out = std::make_unique<PacedOutput>(480);
    PacedOutput& device = *out;
    Program p(std::move(out));
    ChooseDdsBox(p, 0);
    ExpectUnkeyedAfter(p, "Select a COM Port", "Port Error");

    p.Rig().cboCOM->setCurrentIndex(3);
    p.form->imgTuneOFF_Click();
    p.form->cmdTX_RX_Click();
    ASSERT_TRUE(RunUntil([&] { return p.Receiving(); }, 5));
    EXPECT_EQ(pty.Lines(), QStringList({"TEST TONE 1500 Hz", "FTX  14071500", "PTT ON", "KEY ON",
                                        "14071500.000", "KEY OFF", "PTT OFF"}));

    // A playback device that cannot be opened: the box is unkeyed before the program ends.
    device.failingDevices = {0};
    p.form->imgTuneOFF_Click();
    EXPECT_EQ(pty.Lines(), QStringList({"KEY OFF", "PTT OFF"}));
    EXPECT_EQ(p.boxes.shown.back().text, "Audio Device Output not available");
    EXPECT_TRUE(p.form->ProgramEnded());
}

// The box goes away in the middle of a transmission: the transmission is cut, the operator told that it
// stopped and that the transmitter may still be keyed, and the text to send stays in the window.
TEST_F(TransmitTest, ADdsBoxLostDuringATransmissionIsTold) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ready());
    Program p(std::make_unique<PacedOutput>(480));
    ChooseDdsBox(p, 3);
    p.form->TxWindow().SetText("");
    p.Key(Qt::Key_T, "T");
    p.Key(Qt::Key_F12);
    QStringList lines;
    ASSERT_TRUE(RunUntil([&] { return (lines += pty.Lines()).size() > 6; }, 5));
    pty.Close();
    ASSERT_TRUE(RunUntil([&] { return p.Receiving() && p.boxes.shown.size() == 2; }, 10));
    EXPECT_EQ(p.boxes.shown[0].text.rfind("The transmission was stopped: the DDS box on COM 3", 0), 0u)
        << p.boxes.shown[0].text;
    EXPECT_EQ(p.boxes.shown[1].text.rfind("The transmitter may still be keyed", 0), 0u)
        << p.boxes.shown[1].text;
    EXPECT_EQ(p.boxes.shown[1].title, "Port Error");
    EXPECT_EQ(p.form->TxWindow().Text(), "T");
}

// ---------------------------------------------------------------- the way out

// The beacon on, due at its next second, with a busy channel that never holds it back.
void BeaconDue(Program& p) {
    frmMain& f = *p.form;
    ASSERT_TRUE(f.CpuCounterAvailable()) << "the beacon modes need the processor load";
    p.St().settings.Beacon().hsb16->setValue(25);
    f.imgOFFBeacon_Click();
    ASSERT_TRUE(f.Visible(Control::imgONBeacon));
    f.tmrVolumenBeacon.SetEnabled(false);
    f.BeaconCountdown = 0;
}

// Something was received, the session log is saved on closing, and its folder is gone: closing shows
// the "Log Error" box, which is held up while `meanwhile` runs.
void CloseWithTheLogBoxUp(Program& p, const std::string& goneFolder, std::function<void()> meanwhile) {
    SessionLogFolderGone(p.St(), goneFolder);
    p.boxes.shown.clear();
    p.boxes.during = std::move(meanwhile);
    p.form->close();
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.boxes.shown[0].title, "Log Error");
    EXPECT_TRUE(p.form->ProgramEnded());
}

// Closed while receiving, the beacon falling due and F12 pressed while the shut-down's box is up: the
// box hears nothing. Closed while keyed: "KEY OFF" and "PTT OFF" reach it, and nothing after them. The
// same when the end is a sound card that fails.
TEST_F(TransmitTest, TheWayOutLeavesTheDdsBoxUnkeyed) {
    const PseudoTerminal pty;
    ASSERT_TRUE(pty.Ready());
    QStringList heard;
    // Looks for as long as the beacon (due within a second) or F12 (polled every 10 ms) take to act.
    const auto keyedOrTransmitting = [&](Program& p, double seconds) {
        return RunUntil([&] { return !(heard += pty.Lines()).isEmpty() || p.State() != 0; }, seconds);
    };
    {
        Program p(std::make_unique<PacedOutput>(480));
        ChooseDdsBox(p, 3);
        BeaconDue(p);
        CloseWithTheLogBoxUp(p, TempPath("gone"), [&] {
            EXPECT_FALSE(keyedOrTransmitting(p, 1.5)) << heard.join('|').toStdString();
            p.Key(Qt::Key_F12);
            EXPECT_FALSE(keyedOrTransmitting(p, 0.5)) << heard.join('|').toStdString();
        });
        EXPECT_EQ((heard + pty.Lines()).join('|').toStdString(), "");
    }
    {
        Program p(std::make_unique<PacedOutput>(480));
        ChooseDdsBox(p, 3);
        p.form->imgTuneOFF_Click();
        QStringList start;
        ASSERT_TRUE(RunUntil([&] { return (start += pty.Lines()).contains("14071500.000"); }, 5));
        CloseWithTheLogBoxUp(p, TempPath("gone"), [&] {
            p.Key(Qt::Key_F12);
            test::RunEvents(500);
        });
        EXPECT_EQ(pty.Lines().join('|').toStdString(), "KEY OFF|PTT OFF");
    }
    {
        // The input does not open again after a band change: the program ends with the message.
        Program p(std::make_unique<PacedOutput>(480));
        ChooseDdsBox(p, 3);
        BeaconDue(p);
        heard.clear();
        p.boxes.during = [&] { EXPECT_FALSE(keyedOrTransmitting(p, 1.5)) << heard.join('|').toStdString(); };
        p.input->failingDevices = {-1, 0};
        p.form->tmrResetTarjetaSonido_Timer();
        ASSERT_EQ(p.boxes.shown.size(), 1u);
        EXPECT_EQ(p.boxes.shown[0].title, "SoundCard Error");
        EXPECT_TRUE(p.form->ProgramEnded());
        EXPECT_EQ((heard + pty.Lines()).join('|').toStdString(), "");
    }
}

using test::FreePort;
using test::Rigctld;

void EnableCat(Program& p, const std::string& endpoint) {
    frmRig& rig = p.Rig();
    rig.RigReplyTimeoutMs = 500;
    rig.RigPollIntervalMs = 100;
    rig.txtRigctld1->setText(QString::fromStdString(endpoint));
    rig.optCAT->setChecked(true);
    rig.optCAT_Click();
    rig.chkDisableCAT->setChecked(false);
    rig.chkDisableCAT_Click();
}

TEST_F(TransmitTest, CatKeyingWithRigctld) {
    if (!QFile::exists("/usr/bin/rigctld")) GTEST_SKIP() << "no rigctld";
    Rigctld rigctld;
    auto out = std::make_unique<PacedOutput>(192);  // four times real time
    PacedOutput& device = *out;
    Program p(std::move(out));
    EnableCat(p, rigctld.Endpoint());
    ASSERT_TRUE(RunUntil([&] { return p.Rig().CurrentRig()->Status() == rigctl::ST_ONLINE; }, 8));

    p.form->mnuFrequenciesList_Click(14);
    EXPECT_TRUE(RunUntil([&] { return rigctld.Ask("f") == "14103000"; }, 5));
    EXPECT_TRUE(RunUntil([&] { return p.St().rig.CatFrequencyHz() == 14103000; }, 5));
    EXPECT_EQ(p.form->txtFrecuencia->text(), QStringLiteral("14103.0"));  // read back

    std::string pttAtFirstSound;
    device.firstSound = [&] { pttAtFirstSound = rigctld.Ask("t"); };
    p.Send("TEST");
    ASSERT_TRUE(RunUntil([&] { return p.Receiving(); }, 30));
    EXPECT_EQ(pttAtFirstSound, "1");
    EXPECT_TRUE(RunUntil([&] { return p.Rig().CurrentRig()->Tx() == rigctl::PM_RX; }, 5));
    EXPECT_TRUE(rigctld.Ask("t") == "0" && p.boxes.shown.empty());

    // Closing the program in the middle of a transmission leaves the rig unkeyed.
    p.form->cmdTX_RX_Click();
    ASSERT_TRUE(RunUntil([&] { return p.Rig().CurrentRig()->Tx() == rigctl::PM_TX; }, 5));
    EXPECT_EQ(rigctld.Ask("t"), "1");
    p.form->close();
    EXPECT_EQ(rigctld.Ask("t"), "0");
}

// rigctld lost during a transmission: the indicator and the rig window say the rig is not keyed, and the
// rig is keyed again as soon as rigctld is back; gone for good, the transmission is cut and the operator
// told, and the text to send stays in the window.
TEST_F(TransmitTest, ARigctldLostDuringATransmissionIsKeyedAgainOrTheTransmissionStopped) {
    if (!Rigctld::Installed()) GTEST_SKIP() << "no rigctld";
    Rigctld rigctld;
    Program p(std::make_unique<PacedOutput>(48));
    EnableCat(p, rigctld.Endpoint());
    ASSERT_TRUE(RunUntil([&] { return p.Rig().CurrentRig()->Status() == rigctl::ST_ONLINE; }, 8));
    p.Rig().OmniRigEngine()->SetKeyRestoreTimeout(1500);
    p.form->TxWindow().SetText("");
    p.Key(Qt::Key_T, "T");
    p.Key(Qt::Key_F12);
    ASSERT_TRUE(RunUntil([&] { return rigctld.Ask("t") == "1"; }, 5));

    rigctld.Stop();
    EXPECT_TRUE(RunUntil([&] { return p.form->txtTransmitting->text() == QStringLiteral("PTT OFF"); }, 3));
    EXPECT_EQ(p.Rig().Label8BackColor(), kStatusRed);
    rigctld.Start();
    EXPECT_TRUE(RunUntil([&] { return rigctld.Ask("t") == "1"; }, 5));
    EXPECT_TRUE(RunUntil([&] { return p.form->txtTransmitting->text() == QStringLiteral("PTT ON"); }, 3));
    EXPECT_TRUE(p.boxes.shown.empty() && p.State() == 1);

    rigctld.Stop();
    ASSERT_TRUE(RunUntil([&] { return !p.boxes.shown.empty(); }, 6));
    EXPECT_EQ(p.boxes.shown[0].title, "CAT Error");
    EXPECT_EQ(p.boxes.shown[0].text.rfind("The transmission was stopped", 0), 0u) << p.boxes.shown[0].text;
    EXPECT_TRUE(RunUntil([&] { return p.Receiving(); }, 5));
    EXPECT_NE(p.form->RxWindow().Text().find("<CANCEL>"), std::string::npos);
    EXPECT_EQ(p.form->TxWindow().Text(), "T");
    EXPECT_TRUE(p.Rig().CurrentRig()->ReleasePending());
    rigctld.Start();
    EXPECT_TRUE(RunUntil([&] { return !p.Rig().CurrentRig()->ReleasePending(); }, 5));
    EXPECT_EQ(rigctld.Ask("t"), "0");
}

// A rig set up with Hamlib's dummy model and no rigctld running: MUV runs one itself and keys it on F12;
// killed while MUV runs, it is started again and the rig comes back online; at shut-down it is told to
// release the rig and then stopped.
TEST_F(TransmitTest, MuvRunsTheRigsRigctldItself) {
    if (!Rigctld::Installed()) GTEST_SKIP() << "no rigctld";
    const uint16_t port = FreePort();
    test::LoggingRigctld logging(std::filesystem::path(TempPath("x")).parent_path().string());
    const std::string savedRigctld = RigServer::RigctldPath();
    RigServer::RigctldPath() = logging.Path();
    Program p(std::make_unique<PacedOutput>(192));  // four times real time
    p.St().settings.Store().Write("RIG", "Rig1Model", "1");
    p.St().settings.Store().Write("RIG", "Rig1Ptt", "RIG");
    EnableCat(p, "localhost:" + std::to_string(port));
    const auto online = [&] { return p.Rig().CurrentRig()->Status() == rigctl::ST_ONLINE; };
    ASSERT_TRUE(RunUntil(online, 10));

    p.Key(Qt::Key_F12);
    EXPECT_TRUE(RunUntil([&] { return test::RigctldPtt(port) == 1; }, 5));
    p.form->cmdTX_RX_Click();
    EXPECT_TRUE(RunUntil([&] { return p.State() == 0 && test::RigctldPtt(port) == 0; }, 30));

    test::LoggingRigctld::Kill(port);
    ASSERT_TRUE(RunUntil([&] { return !online(); }, 5));
    EXPECT_TRUE(RunUntil(online, 10)) << p.Rig().CurrentRig()->StatusStr();

    p.form->cmdTX_RX_Click();
    ASSERT_TRUE(RunUntil([&] { return test::RigctldPtt(port) == 1; }, 5));
    // The program's end: the shut-down releases the rig, and the keeper, its pipe closed with the
    // program's objects, tells rigctld once more and stops it.
    p.form->close();
    p.station.reset();
    EXPECT_TRUE(RunUntil([&] { return test::AskRigctld(port, "t") == "no answer"; }, 10));
    EXPECT_EQ(logging.LastPttSet(), "0");
    RigServer::RigctldPath() = savedRigctld;
}

// The program ended by a signal (the desktop logging out, kill, Ctrl+C in a terminal) goes through its
// shut-down, which releases the transmitter first.
TEST_F(TransmitTest, SigtermWhileKeyedByCatReleasesTheRig) {
    if (!QFile::exists("/usr/bin/rigctld")) GTEST_SKIP() << "no rigctld";
    Rigctld rigctld;
    Program p(std::make_unique<PacedOutput>(48));
    ShutdownSignals endRequests([&p] { p.form->close(); });
    EnableCat(p, rigctld.Endpoint());
    ASSERT_TRUE(RunUntil([&] { return p.Rig().CurrentRig()->Status() == rigctl::ST_ONLINE; }, 8));
    p.form->cmdTX_RX_Click();
    ASSERT_TRUE(RunUntil([&] { return rigctld.Ask("t") == "1"; }, 5));

    ::kill(::getpid(), SIGTERM);
    EXPECT_TRUE(RunUntil([&] { return p.form->ProgramEnded(); }, 5));
    EXPECT_EQ(p.form->ExitCode(), 0);
    EXPECT_EQ(rigctld.Ask("t"), "0");
}

// Closed while receiving with the beacon on, the shut-down's box held up while the beacon falls due and
// F12 is pressed: rigctld reports the rig unkeyed throughout.
TEST_F(TransmitTest, NothingKeysTheRigWhileTheShutDownsBoxIsUp) {
    if (!QFile::exists("/usr/bin/rigctld")) GTEST_SKIP() << "no rigctld";
    Rigctld rigctld;
    Program p(std::make_unique<PacedOutput>(48));
    EnableCat(p, rigctld.Endpoint());
    ASSERT_TRUE(RunUntil([&] { return p.Rig().CurrentRig()->Status() == rigctl::ST_ONLINE; }, 8));
    BeaconDue(p);
    const auto keyed = [&](double seconds) {
        return RunUntil([&] { return rigctld.Ask("t") != "0" || p.State() != 0; }, seconds);
    };
    CloseWithTheLogBoxUp(p, TempPath("gone"), [&] {
        EXPECT_FALSE(keyed(1.5));
        p.Key(Qt::Key_F12);
        EXPECT_FALSE(keyed(0.5));
    });
    EXPECT_EQ(rigctld.Ask("t"), "0");
}

TEST_F(TransmitTest, BadCatSetUpsLeaveTheTransmitterUnkeyed) {
    Program p(std::make_unique<MemorySoundOutput>());
    frmRig& rig = p.Rig();
    rig.optCAT->setChecked(true);
    ExpectUnkeyedAfter(p, "CAT disabled", "PTT Error");

    // A peer that takes the connection and never answers: the rig is offline.
    QTcpServer silent;
    silent.listen(QHostAddress::LocalHost, 0);
    EnableCat(p, "127.0.0.1:" + std::to_string(silent.serverPort()));
    ASSERT_TRUE(RunUntil(
        [&] { return rig.CurrentRig()->StatusStr().find("does not answer") != std::string::npos; }, 8));
    ExpectUnkeyedAfter(p, "", "CAT Error");

    // Nothing listens at the rig's address.
    rig.txtRigctld1->setText("127.0.0.1:" + QString::number(FreePort()));
    rig.txtRigctld_Change(1);
    ASSERT_TRUE(
        RunUntil([&] { return rig.CurrentRig()->StatusStr().find("not running") != std::string::npos; }, 8));
    ExpectUnkeyedAfter(p, "", "CAT Error");

    // CAT keying with no rigctld closes cleanly.
    p.form->close();
    EXPECT_TRUE(p.form->ProgramEnded());
}

// rigctld answers the keying with an error (its PTT not set up, as for Hamlib's dummy rig without -P RIG,
// or a rig that will not transmit): that is known only once the transmission has started. The operator
// is told once, the rig window says why, and the program is receiving again; a rig that was never keyed
// owes no release.
TEST_F(TransmitTest, ARigThatRefusesPttIsToldAndNotTransmittedInto) {
    if (!Rigctld::Installed()) GTEST_SKIP() << "no rigctld";
    Rigctld rigctld(FreePort(), Rigctld::Ptt::None);
    Program p(std::make_unique<PacedOutput>(48));
    EnableCat(p, rigctld.Endpoint());
    ASSERT_TRUE(RunUntil([&] { return p.Rig().CurrentRig()->Status() == rigctl::ST_ONLINE; }, 8));
    p.Rig().OmniRigEngine()->SetReleaseConfirmTimeout(200);
    TextWindow& rx = p.form->RxWindow();
    rx.SetSelText("CQ DE EA8ZZ");
    const std::string rxBefore = rx.Text();
    const std::string logBefore = p.St().sessionLog.SessionLogLine;
    p.form->TxWindow().SetText("");
    p.Key(Qt::Key_T, "T");
    p.Key(Qt::Key_E, "E");
    p.Key(Qt::Key_S, "S");

    p.form->cmdTX_RX->click();
    ASSERT_TRUE(RunUntil([&] { return !p.boxes.shown.empty(); }, 5));
    // Nothing went out: the receive window, the session text and the typed text are as they were.
    ASSERT_TRUE(RunUntil([&] { return p.State() == 0; }, 5));
    EXPECT_EQ(rx.Text(), rxBefore);
    EXPECT_EQ(p.St().sessionLog.SessionLogLine, logBefore);
    EXPECT_EQ(p.form->TxWindow().Text(), "TES");
    p.form->TxWindow().SetSelStart(0);
    p.form->TxWindow().SetSelLength(3);
    EXPECT_EQ(p.form->TxWindow().SelColor(), kBlack);
    const std::string refusal = "Rig refuses PTT (rigctld on " + rigctld.Endpoint() + " reports error -1)";
    // What is refused, and where the PTT method is set.
    const std::string told =
        refusal + "\nSet up the rig's PTT in the rigctld at " + rigctld.Endpoint() + " (its -P option).";
    EXPECT_EQ(p.boxes.shown[0].text, told);
    EXPECT_EQ(p.boxes.shown[0].title, "CAT Error");
    EXPECT_EQ(p.boxes.shown[0].icon, BoxIcon::Critical);
    EXPECT_FALSE(p.form->Visible(Control::txtTransmitting)) << "no PTT ON for a rig that is not keyed";
    EXPECT_EQ(p.Rig().Label8->text().toStdString(), " " + refusal);
    ASSERT_TRUE(RunUntil([&] { return p.Receiving(); }, 10));
    EXPECT_EQ(p.form->cmdTX_RX->text(), QStringLiteral("PTT"));
    test::RunEvents(500);
    EXPECT_EQ(p.boxes.shown.size(), 1u) << p.boxes.shown.back().text;
    EXPECT_FALSE(p.Rig().CurrentRig()->ReleasePending());
    EXPECT_EQ(p.Rig().Label8->text().toStdString(), " " + refusal)
        << "the rig is polled on, the status stays";

    // Pressed again, the rig known to refuse is not keyed: the message comes at once, one per press.
    p.form->cmdTX_RX->click();
    ASSERT_EQ(p.boxes.shown.size(), 2u);
    EXPECT_EQ(std::make_pair(p.boxes.shown[1].text, p.boxes.shown[1].title),
              std::make_pair(told, std::string("CAT Error")));
    EXPECT_TRUE(p.Receiving() && !p.form->Visible(Control::txtTransmitting));
    test::RunEvents(300);
    EXPECT_EQ(p.boxes.shown.size(), 2u);
}

}  // namespace
}  // namespace muv
