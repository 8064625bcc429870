// The beacon in the whole program on memory sound devices: switched on it counts down in its box, in two
// phases, and sends its message at its period; a quiet input holds it back; in the report-only mode it
// only listens; a CQ call heard while the answer is armed is answered with a report, after which the
// operator's text is back, but not while the program closes; only the operator's change of mode stops it;
// a keying that fails is not pressed again; without processor-load readings only the report answer runs.
// The timers are driven by calling their ticks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <random>

#include "bench/channel_sim.h"
#include "platform/memory_sound.h"
#include "receiver/offline_receiver.h"
#include "rig/frmRig.h"
#include "session/frmMain.h"
#include "session/program_start.h"
#include "session/station.h"
#include "session/tests/program_run.h"
#include "settings/frmBeacon.h"
#include "settings/frmOperator.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"
#include "test_support/scratch_folder.h"
#include "transmitter/offline_transmitter.h"

namespace muv {
namespace {

using test::RunUntil;

constexpr char kOperatorText[] = "QRL? DE EA1ABC";

// Plays each buffer as soon as the transmitter looks at it.
class InstantOutput : public MemorySoundOutput {
public:
    bool IsDone(int buffer) const override { return Play(), MemorySoundOutput::IsDone(buffer); }
    int PendingSamples() const override { return Play(), MemorySoundOutput::PendingSamples(); }

private:
    void Play() const { const_cast<InstantOutput*>(this)->FinishAll(); }
};

struct Program {
    // The processor load is read from procStat ("": the system's).
    explicit Program(std::vector<int16_t> audio = std::vector<int16_t>(10 * kSampleRate, 0),
                     const std::string& procStat = "")
        : station(MakeStation(std::move(audio), boxes, output)), form(station->form) {
        if (!procStat.empty()) station->processorLoad = ProcessorLoad(procStat);
        started = Main(form);
        frmOperator& op = station->settings.Operator();
        op.txtCallsign->setText("EA1ABC");
        op.txtLocator->setText("IN80dj");
        op.txtEmail->setText("ea1abc@example.org");
    }
    Station& St() { return *station; }
    frmBeacon& Window() { return St().settings.Beacon(); }
    uint8_t State() { return St().shared.TxRxState; }
    bool Receiving() { return State() == 0 && form.tmrRX.Enabled(); }
    bool BeaconOn() { return form.Visible(Control::imgONBeacon); }
    std::string Box() { return FromQString(form.txtTemporizadorBeacon->text()); }
    ColorRef BoxColour() { return form.BackColor(Control::txtTemporizadorBeacon); }
    // Seconds of the countdown timer while it runs.
    void Ticks(int n) {
        for (int i = 0; i < n && form.tmrBeacon.Enabled(); ++i)
            form.tmrBeacon_Timer();
    }
    // What went on the air, as a receiver hears it.
    std::vector<ReceivedMessage> Sent() {
        OfflineReceiver rx(SettingsForMode(4));
        rx.Decode(output->played);
        return rx.Messages();
    }

    static std::unique_ptr<Station> MakeStation(std::vector<int16_t> audio, MessageBoxes& boxes,
                                                MemorySoundOutput*& output) {
        auto in = std::make_unique<MemorySoundInput>(std::move(audio));
        auto out = std::make_unique<InstantOutput>();
        output = out.get();
        return std::make_unique<Station>(
            SoundDevices{std::move(in), std::move(out), [] { return std::vector<std::string>{"Line in"}; },
                         [] { return std::vector<std::string>{"Speakers"}; }},
            &boxes);
    }

    test::RecordingBoxes boxes;
    MemorySoundOutput* output = nullptr;
    std::unique_ptr<Station> station;
    frmMain& form;
    bool started = false;
};

class BeaconTest : public test::QtAppTest {};

TEST_F(BeaconTest, CountsDownInTwoPhasesSendsItsMessageAtItsPeriodAndStartsAgain) {
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = p.form;
    ASSERT_TRUE(f.CpuCounterAvailable()) << "the beacon modes need the processor load";
    p.Window().hsb16->setValue(300);
    f.imgOFFBeacon_Click();
    ASSERT_TRUE(p.BeaconOn());
    EXPECT_FALSE(f.Visible(Control::imgOFFBeacon));
    EXPECT_TRUE(p.St().shared.switches.beaconOn);
    EXPECT_TRUE(f.Visible(Control::txtTemporizadorBeacon) && f.tmrBeacon.Enabled());
    EXPECT_EQ(p.BoxColour(), kStatusYellow);
    EXPECT_TRUE(f.PictureShown("imgRXON1")) << "the beacon listens on receive option 1";
    const std::string message = f.TxWindow().Text();
    EXPECT_EQ(message.rfind("Beacon de EA1ABC in", 0), 0u) << message;
    EXPECT_NE(message.find("IN80dj ea1abc@example.org (BRM)"), std::string::npos) << message;

    // 180 seconds on yellow, then the rest of the period on green.
    p.Ticks(1);
    EXPECT_EQ(p.Box(), "Beacon: 180");
    p.Ticks(100);
    EXPECT_EQ(p.Box(), "Beacon: 80");
    p.Ticks(80);
    EXPECT_EQ(p.Box(), "Beacon: 0");
    EXPECT_EQ(p.BoxColour(), kStatusGreen);
    EXPECT_EQ(f.BeaconCountdown, 119);
    p.Ticks(119);
    EXPECT_EQ(p.State(), 0);
    EXPECT_EQ(p.Box(), "Beacon: 1");
    p.Ticks(1);
    EXPECT_EQ(p.State(), 2) << "started, and asked to end once the message has gone";
    EXPECT_FALSE(f.tmrBeacon.Enabled() || f.Visible(Control::txtTemporizadorBeacon));

    ASSERT_TRUE(RunUntil([&] { return p.Receiving(); }, 30));
    EXPECT_EQ(f.LastTxText, message);
    EXPECT_EQ(f.TxWindow().Text(), message) << "kept for the next beacon";
    // The period again, on green, without the first phase.
    EXPECT_TRUE(f.tmrBeacon.Enabled() && f.Visible(Control::txtTemporizadorBeacon));
    EXPECT_EQ(p.BoxColour(), kStatusGreen);
    EXPECT_GT(f.BeaconCountdown, 290);
    const std::vector<ReceivedMessage> heard = p.Sent();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_NE(heard[0].text.find("Beacon de EA1ABC"), std::string::npos) << heard[0].text;
    EXPECT_TRUE(p.boxes.shown.empty());
}

TEST_F(BeaconTest, AQuietInputHoldsTheCountdownAndAShortPeriodGoesAfterTheFirstPhase) {
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = p.form;
    Receiver& rx = p.St().receiver;
    p.Window().hsb16->setValue(60);
    f.TxWindow().SetText(kOperatorText);
    f.imgOFFBeacon_Click();
    EXPECT_EQ(f.TxWindow().Text(), kOperatorText) << "the operator's text is what the beacon sends";
    p.Ticks(50);
    EXPECT_EQ(f.BeaconCountdown, 130);
    rx.ChannelBusy = 0;
    f.tmrVolumenBeacon_Timer();
    EXPECT_EQ(f.BeaconCountdown, 180) << "nothing heard on the input: the countdown starts again";
    rx.ChannelBusy = 1;
    p.Ticks(10);
    f.tmrVolumenBeacon_Timer();
    EXPECT_EQ(f.BeaconCountdown, 170) << "a signal on the input lets it run";
    EXPECT_EQ(rx.ChannelBusy, 0);

    // A period shorter than the first phase: sent when the first phase ends, the box hidden.
    p.Ticks(170);
    EXPECT_EQ(p.State(), 0);
    p.Ticks(1);
    EXPECT_EQ(p.State(), 2);
    EXPECT_FALSE(f.Visible(Control::txtTemporizadorBeacon));
    ASSERT_TRUE(RunUntil([&] { return p.Receiving(); }, 30));
    EXPECT_EQ(f.LastTxText, kOperatorText);
    EXPECT_EQ(p.BoxColour(), kStatusGreen);
    EXPECT_TRUE(f.Visible(Control::txtTemporizadorBeacon));
    EXPECT_LE(f.BeaconCountdown, 60);
    // In the green phase a quiet input brings back the whole period.
    rx.ChannelBusy = 0;
    f.tmrVolumenBeacon_Timer();
    EXPECT_EQ(f.BeaconCountdown, 60);
    // So does the processor-overload reaction.
    f.BeaconCountdown = 5;
    f.tmrCPUProteccion_Timer();
    EXPECT_EQ(f.BeaconCountdown, 60);
    // A countdown that ends while transmitting starts the period again.
    f.BeaconCountdown = 0;
    p.St().shared.TxRxState = 1;
    p.Ticks(1);
    p.St().shared.TxRxState = 0;
    EXPECT_EQ(f.BeaconCountdown, 59);
}

TEST_F(BeaconTest, ReportOnlyListensAndOnlyTheOperatorsModeChangeStopsTheBeacon) {
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = p.form;
    f.imgOFFBeacon_Click();
    ASSERT_TRUE(p.BeaconOn());
    const std::string message = f.TxWindow().Text();

    // Closed without saving, reopened from the menu, saved with OK: the beacon runs on.
    p.Window().reject();
    QApplication::processEvents();
    EXPECT_TRUE(p.BeaconOn());
    f.mnuBeacon_Click();
    EXPECT_TRUE(p.Window().isVisible());
    EXPECT_TRUE(p.BeaconOn());
    p.Window().cmdOK_Click();
    QApplication::processEvents();
    EXPECT_TRUE(p.BeaconOn());
    EXPECT_EQ(p.St().settings.BeaconModeSelected(), BeaconMode::BeaconAndReport);
    EXPECT_TRUE(p.BeaconOn());

    // The operator's choice of another mode stops it.
    p.Window().optReportOnlyMode->setChecked(true);
    EXPECT_FALSE(p.BeaconOn() || f.tmrBeacon.Enabled() || f.Visible(Control::txtTemporizadorBeacon));

    // Report only: no message into the transmit window, and at the end of the first phase it listens.
    f.TxWindow().SetText("");
    f.imgOFFBeacon_Click();
    ASSERT_TRUE(p.BeaconOn());
    EXPECT_TRUE(f.TxWindow().Text().empty());
    p.Ticks(200);
    EXPECT_EQ(p.State(), 0);
    EXPECT_EQ(p.Box(), "Listening");
    EXPECT_EQ(p.BoxColour(), kStatusGreen);
    EXPECT_FALSE(f.tmrBeacon.Enabled());
    const int16_t left = f.BeaconCountdown;
    f.tmrVolumenBeacon_Timer();
    EXPECT_EQ(f.BeaconCountdown, left) << "no countdown to hold";
    EXPECT_FALSE(message.empty());

    // Switched off by the operator.
    f.imgONBeacon_Click();
    EXPECT_FALSE(p.BeaconOn());
    EXPECT_TRUE(f.Visible(Control::imgOFFBeacon));

    // Each profile has its own mode; the switch saves the old profile's and loads the new one's.
    p.Window().optBeaconOnlyMode->setChecked(true);
    p.Window().hsb16->setValue(120);
    f.mnuListaUsuarios_Click(2);
    EXPECT_EQ(p.St().settings.BeaconModeSelected(), BeaconMode::BeaconAndReport);
    p.Window().hsb16->setValue(45);
    f.mnuListaUsuarios_Click(1);
    EXPECT_EQ(p.St().settings.BeaconModeSelected(), BeaconMode::BeaconOnly);
    EXPECT_EQ(p.St().settings.BeaconPeriod(), 120);
    f.mnuListaUsuarios_Click(2);
    EXPECT_EQ(p.St().settings.BeaconPeriod(), 45);
}

TEST_F(BeaconTest, WithoutTheProcessorLoadOnlyTheReportAnswerSwitchesOn) {
    Program p(std::vector<int16_t>(10 * kSampleRate, 0), "/nonexistent/stat");
    ASSERT_TRUE(p.started);
    frmMain& f = p.form;
    ASSERT_FALSE(f.CpuCounterAvailable());
    for (QRadioButton* mode : {p.Window().optBeaconReportMode, p.Window().optBeaconOnlyMode}) {
        mode->setChecked(true);
        p.boxes.shown.clear();
        f.imgOFFBeacon_Click();
        ASSERT_EQ(p.boxes.shown.size(), 1u);
        EXPECT_EQ(p.boxes.shown[0].text, "Sorry, Beacon doesn't work if CPU Usage is not avaiable");
        EXPECT_EQ(p.boxes.shown[0].title, "Beacon Disabled");
        EXPECT_EQ(p.boxes.shown[0].icon, BoxIcon::Exclamation);
        EXPECT_FALSE(p.BeaconOn() || f.tmrBeacon.Enabled() || f.Visible(Control::txtTemporizadorBeacon));
        EXPECT_TRUE(f.Visible(Control::imgOFFBeacon));
        EXPECT_EQ(f.TxWindow().Text(), "");
    }
    p.Window().optReportOnlyMode->setChecked(true);
    p.boxes.shown.clear();
    f.imgOFFBeacon_Click();
    EXPECT_TRUE(p.BeaconOn() && f.tmrBeacon.Enabled());
    EXPECT_TRUE(p.boxes.shown.empty());
}

TEST_F(BeaconTest, ABeaconThatCannotKeyIsNotPressedAgain) {
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = p.form;
    // DDS keying with no port chosen: the keying fails with its message and switches the beacon off.
    frmRig& rig = p.St().rig.Window();
    rig.optDDS->setChecked(true);
    rig.optDDS_Click();
    rig.optDDSManual->setChecked(true);
    rig.txtFrecuenciaUSB->setText("14070000");
    rig.cboCOM->setCurrentIndex(0);
    p.Window().hsb16->setValue(25);
    f.imgOFFBeacon_Click();
    p.Ticks(181);
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.boxes.shown[0].title, "Port Error");
    EXPECT_TRUE(p.Receiving());
    EXPECT_FALSE(p.BeaconOn());
}

// A station calling CQ, heard while the beacon runs in its second phase: the report goes out at once,
// then the beacon waits 180 seconds and the operator's text is back.
// What the receiver hears: 8 s of noise, then EA4XYZ calling CQ.
std::vector<int16_t> ACqComing() {
    std::mt19937_64 rng(5);
    ChannelSpec channel;
    channel.snrDb2500 = 10;
    channel.leadSamples = 8 * kSampleRate;
    channel.tailSamples = 3 * kSampleRate;
    return MakeChannel(TransmitToSamples(4, "CQ CQ DE EA4XYZ EA4XYZ K"), channel, rng);
}

// The beacon on, with a period of 600 s, counted into its second phase, where a lock arms the answer.
void BeaconInItsSecondPhase(Program& p) {
    p.Window().hsb16->setValue(600);
    p.form.imgOFFBeacon_Click();
    p.Ticks(181);
    ASSERT_EQ(p.BoxColour(), kStatusGreen);
}

TEST_F(BeaconTest, ACqHeardWhileArmedIsAnsweredWithAReportAndTheOperatorsTextComesBack) {
    Program p(ACqComing());
    ASSERT_TRUE(p.started);
    frmMain& f = p.form;
    // The operator's text is the modem's (Windows-1252); the beacon window keeps it aside as the
    // program's (UTF-8), and it comes back as it was.
    const std::string text = std::string(kOperatorText) + " Jos\xE9 \x80";
    f.TxWindow().SetText(text);
    BeaconInItsSecondPhase(p);

    ASSERT_TRUE(RunUntil([&] { return p.State() != 0; }, 60)) << f.RxWindow().Text();
    EXPECT_EQ(f.TxWindow().Text().rfind("Report: EA4XYZ de EA1ABC", 0), 0u) << f.TxWindow().Text();
    EXPECT_EQ(p.State(), 2);
    EXPECT_EQ(p.St().settings.beacon.SavedTxText, std::string(kOperatorText) + " Jos\xC3\xA9 \xE2\x82\xAC");
    // OK in the beacon window meanwhile loses nothing.
    p.Window().cmdOK_Click();
    ASSERT_TRUE(RunUntil([&] { return p.Receiving(); }, 30));

    EXPECT_EQ(f.TxWindow().Text(), text);
    EXPECT_FALSE(p.St().settings.beacon.ReportArmed);
    EXPECT_EQ(f.LastTxText.rfind("Report: EA4XYZ de EA1ABC", 0), 0u) << f.LastTxText;
    EXPECT_NE(f.LastTxText.find("(BRM)"), std::string::npos) << f.LastTxText;
    EXPECT_TRUE(p.BeaconOn() && f.tmrBeacon.Enabled());
    EXPECT_EQ(p.BoxColour(), kStatusYellow);
    EXPECT_GT(f.BeaconCountdown, 170);
    const std::vector<ReceivedMessage> heard = p.Sent();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_NE(heard[0].text.find("Report: EA4XYZ de EA1ABC"), std::string::npos) << heard[0].text;
    EXPECT_TRUE(p.boxes.shown.empty());
}

// The same call heard while the program closes, the shut-down's box up: it is not answered.
TEST_F(BeaconTest, ACqHeardWhileTheProgramClosesIsNotAnswered) {
    Program p(ACqComing());
    ASSERT_TRUE(p.started);
    frmMain& f = p.form;
    BeaconInItsSecondPhase(p);

    const test::ScratchFolder scratch("muv_beacon");
    SessionLogFolderGone(p.St(), (scratch.Folder() / "gone").string());
    p.boxes.during = [&] {
        ASSERT_TRUE(RunUntil([&] { return f.RxWindow().Text().find(" dB") != std::string::npos; }, 60))
            << f.RxWindow().Text();
        test::RunEvents(300);
    };
    f.close();
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.boxes.shown[0].title, "Log Error");
    EXPECT_NE(f.RxWindow().Text().find("CQ CQ DE EA4XYZ"), std::string::npos);
    EXPECT_EQ(p.State(), 0);
    EXPECT_TRUE(p.Sent().empty());
}

TEST_F(BeaconTest, Screenshot) {
    Program p;
    ASSERT_TRUE(p.started);
    p.Window().hsb16->setValue(300);
    p.St().settings.ShowBeacon();
    QApplication::processEvents();
    EXPECT_TRUE(p.Window().grab().save(QStringLiteral(MUV_SCREENSHOT_DIR "/frmBeacon.png")));
}

}  // namespace
}  // namespace muv
