// The whole program on memory sound devices: start-up into the receiving state, a recording decoded
// into the receive window and closed, the receiver following option and band changes, the processor
// overload that switches the waterfall off, the shut-down order, and the sound input that cannot be
// opened (a device, or a WAV file in its place).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QStyleFactory>
#include <QWindow>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include <unistd.h>

#include "bench/channel_sim.h"
#include "logbook/session_log_file.h"
#include "platform/memory_sound.h"
#include "platform/wav_file.h"
#include "platform/wav_sound.h"
#include "session/frmMain.h"
#include "session/program_start.h"
#include "session/station.h"
#include "session/tests/program_run.h"
#include "settings/frmLogDirectories.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"
#include "test_support/rigctld.h"
#include "test_support/scratch_folder.h"
#include "transmitter/offline_transmitter.h"

namespace muv {
namespace {

using test::RunUntil;

using test::RecordingBoxes;

// The program's window on memory devices: one capture device, one playback device.
struct Program {
    explicit Program(std::vector<int16_t> audio, std::set<int> failingInputs = {}) {
        auto in = std::make_unique<MemorySoundInput>(std::move(audio));
        in->failingDevices = std::move(failingInputs);
        auto out = std::make_unique<MemorySoundOutput>();
        input = in.get();
        output = out.get();
        station = std::make_unique<Station>(
            SoundDevices{std::move(in), std::move(out), [] { return std::vector<std::string>{"Line in"}; },
                         [] { return std::vector<std::string>{"Speakers"}; }},
            &boxes);
        form = &station->form;
    }
    Station& St() { return *station; }
    std::string RxText() { return form->RxWindow().Text(); }

    RecordingBoxes boxes;
    MemorySoundInput* input;
    MemorySoundOutput* output;
    std::unique_ptr<Station> station;
    frmMain* form = nullptr;
};

std::vector<int16_t> Noise(double seconds) {
    std::mt19937_64 rng(7);
    return MakeNoise(static_cast<size_t>(seconds * kSampleRate), 2000, rng);
}

class ProgramTest : public test::QtAppTest {
protected:
};

TEST_F(ProgramTest, StartsReceivingOnTheDefaultFrequency) {
    Program p(Noise(30));
    frmMain& f = *p.form;
    ASSERT_TRUE(Main(f));
    EXPECT_TRUE(p.boxes.shown.empty());
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.windowTitle().startsWith(QStringLiteral("MUV v5.8.4 Beta")));

    // Pumps, clock, keyboard, volume and meters.
    EXPECT_TRUE(f.tmrRX.Enabled());
    for (Timer* pump : {&f.tmrRX, &f.tmrTX, &f.tmrTXTonoPiloto, &f.tmrTonoTest})
        EXPECT_EQ(pump->Interval(), 1);
    EXPECT_FALSE(f.tmrTX.Enabled() || f.tmrTXTonoPiloto.Enabled() || f.tmrTonoTest.Enabled());
    struct Expect {
        Timer& timer;
        int interval;
        bool enabled;
    };
    for (const Expect& e :
         {Expect{f.tmrUTC, 1000, true}, Expect{f.tmrTeclas, 0, true}, Expect{f.tmrVolumenSlider, 200, true},
          Expect{f.tmrPosicionCursor, 100, false}, Expect{f.tmrTransmitting, 1000, false},
          Expect{f.tmrRefrescoVumetro, 100, true}, Expect{f.tmrRefrescoMetrica, 400, true},
          Expect{f.tmrRefrescoAdquisicion, 200, true}, Expect{f.tmrRefrescoAdquisicionFinal, 200, true},
          Expect{f.tmrRefrescoAdquisicionMaxima, 8000, false},
          Expect{f.tmrRefrescoAdquisicionMaximaFinal, 8000, false}, Expect{f.tmrCPUProteccion, 60000, false},
          Expect{f.tmrRefrescoCPU, 1000, true}, Expect{f.tmrResetTarjetaSonido, 100, true}}) {
        EXPECT_EQ(e.timer.Interval(), e.interval);
        EXPECT_EQ(e.timer.Enabled(), e.enabled) << e.interval;
    }

    // 10.145 MHz: HF 500 Hz, receive option 2 (M4 and M5), symbol rate 16, narrow AFC, waterfall off.
    Station& st = p.St();
    EXPECT_EQ(f.txtFrecuencia->text(), QStringLiteral("10145.0"));
    for (int i = 1; i <= 25; ++i)
        EXPECT_EQ(f.mnuFrequenciesList[static_cast<size_t>(i)]->isChecked(), i == 11) << i;
    EXPECT_EQ(st.shared.BandClass, 2);
    EXPECT_EQ(st.shared.BandwidthHz, 500);
    EXPECT_EQ(st.receiver.Option.modes, (std::vector<int>{4, 5}));
    EXPECT_EQ(st.receiver.RxModeIndex, 4);
    EXPECT_EQ(f.Text(Control::txtModo), "MUV16/500");
    EXPECT_TRUE(f.Visible(Control::imgRXON2) && !f.Visible(Control::imgRXON1) &&
                !f.Visible(Control::imgRXON3));
    EXPECT_TRUE(f.Visible(Control::imgRXOFF1) && !f.Visible(Control::imgRXOFF2));
    EXPECT_EQ(st.transmitter.TxModeIndex, 4);
    EXPECT_TRUE(f.Visible(Control::imgAFC50));
    EXPECT_FALSE(f.Visible(Control::imgAFC200));
    EXPECT_FALSE(f.Visible(Control::pctWaterfall));
    EXPECT_TRUE(f.Visible(Control::fraSymbolRateHF) && !f.Visible(Control::fraSymbolRateMF));
    EXPECT_FALSE(f.Enabled(Control::lblSN));
    for (auto* item :
         {f.mnuEstiloMenu[1], f.mnuColour[3], f.mnuResolucion[2], f.mnuTipoIdioma[1], f.mnuFont[1]})
        EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(f.WaterfallTopPixels(), 514);
    EXPECT_EQ(st.sessionLog.SessionLogText.rfind("***************** New MUV Session: ", 0), 0u);
    EXPECT_EQ(f.Text(Control::txtViterbi), "Viterbi: 0%");
    EXPECT_EQ(p.input->openedDevice, 0);
    EXPECT_EQ(p.St().receiverHost.InputDeviceIndex(), 0);

    // The band change at the load reopens the input 100 ms later, with the new mode's buffers.
    ASSERT_TRUE(RunUntil([&] { return !f.tmrResetTarjetaSonido.Enabled(); }, 5));
    EXPECT_EQ(p.input->openCount, 2);
    EXPECT_TRUE(st.receiver.Input().SoundInputOpen);

    // Opening the sound-card window again restarts the input around the reading of the device lists, and
    // its OK restarts the input and the pump.
    f.mnuTarjetaSonido_Click();
    EXPECT_EQ(p.input->openCount, 3);
    st.SoundCard().cmdOK_Click();
    EXPECT_EQ(p.input->openCount, 4);
    EXPECT_TRUE(f.tmrRX.Enabled());
}

// A rig already on 20 m when the program starts answers only after the window's load: once its first
// frequency is in, it is tuned to the frequency picked for this start, and the box follows it. A rig on
// the band's lower edge is left there, and so is a rig found again on a later connection.
TEST_F(ProgramTest, ARigOnTwentyMetresIsTunedToTheStartFrequencyOnceItAnswers) {
    if (!test::Rigctld::Installed()) GTEST_SKIP() << "no rigctld";
    test::Rigctld rigctld;
    auto startOn = [&](const std::string& hz) {
        EXPECT_TRUE(RunUntil([&] { return rigctld.Ask("F " + hz) == "RPRT 0"; }, 5));
        WriteSettings("[RIG]\r\nRigctld1=" + rigctld.Endpoint() + "\r\nEnable CAT=0\r\nPTT=1\r\n");
    };
    // Whatever the program queued for the rig before now has reached rigctld: a mode set behind it has.
    auto rigQueueDone = [&](frmRig& rig, int32_t mode, const std::string& name) {
        rig.CurrentRig()->SetMode(mode);
        return RunUntil([&] { return rigctld.Ask("m") == name; }, 5);
    };

    startOn("14070000");
    {
        ProgramRun run;
        ASSERT_TRUE(run.started);
        frmMain& f = *run.form;
        frmRig& rig = run.St().rig.Window();
        std::string hz;
        ASSERT_TRUE(RunUntil([&] { return (hz = rigctld.Ask("f")) == "14101000" || hz == "14113000"; }, 8))
            << hz;
        const QString start = QString::fromStdString(hz.substr(0, 5) + ".0");
        EXPECT_TRUE(RunUntil([&] { return f.txtFrecuencia->text() == start; }, 5))
            << f.txtFrecuencia->text().toStdString();

        // Tuned by hand and then connected anew (CAT off and on): the rig stays where it is.
        ASSERT_EQ(rigctld.Ask("F 14070000"), "RPRT 0");
        ASSERT_TRUE(RunUntil([&] { return f.txtFrecuencia->text() == QStringLiteral("14070.0"); }, 5));
        rig.chkDisableCAT->click();
        rig.chkDisableCAT->click();
        ASSERT_TRUE(RunUntil([&] { return rig.CatFrequencyHz == 14070000; }, 8));
        ASSERT_TRUE(rigQueueDone(rig, rigctl::PM_SSB_L, "LSB"));
        EXPECT_EQ(rigctld.Ask("f"), "14070000");
    }

    startOn("14000000");
    {
        ProgramRun run;
        ASSERT_TRUE(run.started);
        frmRig& rig = run.St().rig.Window();
        ASSERT_TRUE(RunUntil([&] { return rig.CatFrequencyHz == 14000000; }, 8));
        ASSERT_TRUE(rigQueueDone(rig, rigctl::PM_SSB_U, "USB"));
        EXPECT_EQ(rigctld.Ask("f"), "14000000");
        EXPECT_EQ(run.form->txtFrecuencia->text(), QStringLiteral("14000.0"));
    }
    std::filesystem::remove(SettingsPath());
}

TEST_F(ProgramTest, DecodesARecordingIntoTheReceiveWindow) {
    const std::string text = "CQ CQ DE EA1ABC EA1ABC K";
    std::mt19937_64 rng(11);
    ChannelSpec channel;
    channel.snrDb2500 = 10;
    channel.frequencyOffsetHz = 20;
    // Long enough that the input's reopening after the start's band change falls before the signal.
    channel.leadSamples = 8 * kSampleRate;
    channel.tailSamples = 3 * kSampleRate;
    Program p(MakeChannel(TransmitToSamples(4, text), channel, rng));
    frmMain& f = *p.form;
    ASSERT_TRUE(Main(f));
    f.imgOFFWaterFall_Click();  // waterfall on

    ASSERT_TRUE(RunUntil([&] { return p.RxText().find(" dB") != std::string::npos; }, 60)) << p.RxText();
    const std::string rx = p.RxText();
    const size_t header = rx.find("RX16: ");
    const size_t body = rx.find(text);
    const size_t stop = rx.find(" <STOP>");
    ASSERT_NE(header, std::string::npos) << rx;
    ASSERT_NE(body, std::string::npos) << rx;
    ASSERT_NE(stop, std::string::npos) << rx;
    EXPECT_LT(header, body);
    EXPECT_LT(body, stop);
    EXPECT_LT(stop, rx.find(" dB"));
    EXPECT_FALSE(f.tmrProcesarFinal.Enabled());
    EXPECT_TRUE(f.Enabled(Control::lblSN));
    EXPECT_NE(p.St().sessionLog.SessionLogLine.find(text + " <STOP>"), std::string::npos);
    EXPECT_EQ(p.St().receiver.AcquisitionEnabled, 1);  // searching again
    EXPECT_TRUE(p.boxes.shown.empty());

    // The waterfall showed the reception; switching it off clears the picture.
    const WaterfallImage* image = f.pctWaterfall->Attached();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Height(), f.pctWaterfall->height());
    EXPECT_GT(p.St().receiver.GetWaterfall().LinesDrawn, 0u);
    auto blank = [image] {
        for (int y = 0; y < image->Height(); ++y)
            for (int x = 0; x < image->Width(); ++x)
                if (image->Pixel(x, y) != RGB(255, 255, 255)) return false;
        return true;
    };
    EXPECT_FALSE(blank());
    f.imgONWaterFall_Click();
    EXPECT_TRUE(blank());
    EXPECT_FALSE(f.Visible(Control::pctWaterfall) || f.tmrPosicionCursor.Enabled());
}

TEST_F(ProgramTest, OptionsAndBandClassRestartTheReceiver) {
    Program p(Noise(30));
    frmMain& f = *p.form;
    ASSERT_TRUE(Main(f));
    Station& st = p.St();

    // Locked on a frame: the option stays, images and all.
    st.receiver.RxLocked = 1;
    f.imgRXOFF1_Click();
    EXPECT_TRUE(f.Visible(Control::imgRXON2));
    st.receiver.RxLocked = 0;

    f.tmrRX.SetEnabled(false);
    f.imgRXOFF1_Click();
    EXPECT_TRUE(f.Visible(Control::imgRXON1) && !f.Visible(Control::imgRXON2));
    EXPECT_TRUE(!f.Visible(Control::imgRXOFF1) && f.Visible(Control::imgRXOFF2));
    EXPECT_EQ(st.receiver.Option.modes, (std::vector<int>{4, 5, 6}));
    EXPECT_TRUE(f.tmrRX.Enabled());

    f.imgAFC50_Click();  // wide range on HF, kept for HF
    EXPECT_TRUE(f.Visible(Control::imgAFC200));
    f.TxWindow().SetText("typed");
    f.CambiarModo(2);  // the same class: nothing
    EXPECT_EQ(f.TxWindow().Text(), "typed");

    f.tmrRX.SetEnabled(false);
    f.tmrResetTarjetaSonido.SetEnabled(false);
    f.CambiarModo(1);
    EXPECT_EQ(st.shared.BandClass, 1);
    EXPECT_EQ(st.receiver.RxModeIndex, 9);
    EXPECT_EQ(f.Text(Control::lblAFCAmplio), "±80 Hz");
    EXPECT_TRUE(f.Visible(Control::fraSymbolRateMF) && !f.Visible(Control::fraSymbolRateHF));
    EXPECT_TRUE(f.Visible(Control::imgAFC50));  // nothing stored for MF: narrow
    EXPECT_EQ(f.TxWindow().Text(), "");
    EXPECT_TRUE(f.tmrRX.Enabled() && f.tmrResetTarjetaSonido.Enabled());

    f.CambiarModo(3);
    EXPECT_EQ(st.receiver.RxModeIndex, 7);
    EXPECT_FALSE(f.Visible(Control::fraWaterFall) || f.Visible(Control::fraShiftRange));
    f.CambiarModo(2);
    EXPECT_TRUE(f.Visible(Control::imgAFC200));  // HF's wide range back
    EXPECT_EQ(st.receiver.Option.modes, (std::vector<int>{4, 5, 6}));

    // The band plan through the frequency list: 14.103 MHz is HF 2000 Hz, 144.160 MHz EME.
    f.mnuFrequenciesList_Click(14);
    EXPECT_EQ(f.txtFrecuencia->text(), QStringLiteral("14103.0"));
    EXPECT_EQ(st.shared.BandwidthHz, 2000);
    EXPECT_EQ(st.receiver.Option.modes, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(f.mnuFrequenciesList[14]->isChecked() && !f.mnuFrequenciesList[11]->isChecked());
    f.mnuFrequenciesList_Click(24);
    EXPECT_EQ(st.shared.BandClass, 3);
    // A finished message asks for the box to be read again: the next pump tick does it.
    f.txtFrecuencia->blockSignals(true);
    f.txtFrecuencia->setText(QStringLiteral("10145.0"));
    f.txtFrecuencia->blockSignals(false);
    f.PendingFrequencyChange = 1;
    f.tmrRX_Timer();
    EXPECT_EQ(f.PendingFrequencyChange, 0);
    EXPECT_EQ(st.shared.BandClass, 2);
    EXPECT_EQ(st.shared.BandwidthHz, 500);
}

// The modem follows the switches as the window's pictures show them, whichever way they change: a
// handler, or the window's face.
TEST_F(ProgramTest, TheModemFollowsTheSwitchPictures) {
    Program p(Noise(10));
    frmMain& f = *p.form;
    ASSERT_TRUE(Main(f));
    const ModemSwitches& sw = p.St().shared.switches;
    const auto inStep = [&f, &sw] {
        const ModemSwitches shown = ReadSwitchPictures(f);
        return shown.wideAfc == sw.wideAfc && shown.hfReceiveOption == sw.hfReceiveOption &&
               shown.mfReceiveOption == sw.mfReceiveOption && shown.hfSymbolRate == sw.hfSymbolRate &&
               shown.mfSymbolRate == sw.mfSymbolRate && shown.hfSymbolRateFrame == sw.hfSymbolRateFrame &&
               shown.beaconOn == sw.beaconOn && shown.waterfallOn == sw.waterfallOn &&
               shown.alarmOn == sw.alarmOn && shown.scanOn == sw.scanOn;
    };
    EXPECT_TRUE(inStep());
    EXPECT_EQ(sw.hfReceiveOption, 2);
    EXPECT_TRUE(sw.hfSymbolRateFrame);

    f.imgRXOFF3_Click();
    EXPECT_EQ(sw.hfReceiveOption, 3);
    f.imgBaudOFF2_Click();
    EXPECT_EQ(sw.hfSymbolRate, 2);
    EXPECT_EQ(p.St().transmitter.TxModeIndex, 5);  // HF 500 Hz, the middle rate
    f.imgAFC50_Click();
    EXPECT_TRUE(sw.wideAfc);
    f.imgOFFWaterFall_Click();
    EXPECT_TRUE(sw.waterfallOn);
    f.ShowAlarmOn(true);
    EXPECT_TRUE(sw.alarmOn);
    f.SetVisible(Control::imgONBeacon, true);
    EXPECT_TRUE(sw.beaconOn);
    f.imgONBeacon_Click();
    EXPECT_FALSE(sw.beaconOn);
    f.CambiarModo(1);
    EXPECT_FALSE(sw.hfSymbolRateFrame);
    EXPECT_TRUE(inStep());
}

// The processor loaded to the full for the guard's whole interval while receiving: the waterfall goes
// off, and the operator is told once.
TEST_F(ProgramTest, AnOverloadedProcessorSwitchesTheWaterfallOff) {
    const test::ScratchFolder scratch("muv_program");
    const std::string stat = (scratch.Folder() / "stat").string();
    long long busy = 0;
    const auto work = [&] { std::ofstream(stat) << "cpu0 " << (busy += 1000) << " 0 0 5000 0 0 0 0\n"; };
    work();
    Program p(Noise(10));
    p.St().processorLoad = ProcessorLoad(stat);
    frmMain& f = *p.form;
    ASSERT_TRUE(Main(f));
    f.tmrRefrescoCPU.SetEnabled(false);  // the meter is read at the test's pace
    f.imgOFFWaterFall_Click();
    f.tmrRefrescoCPU_Timer();
    work();
    f.tmrRefrescoCPU_Timer();
    EXPECT_EQ(f.Text(Control::txtCPU), "CPU Usage: 100 %");
    ASSERT_TRUE(f.tmrCPUProteccion.Enabled());

    p.boxes.during = [&] {
        EXPECT_FALSE(f.Visible(Control::pctWaterfall) || f.tmrPosicionCursor.Enabled() ||
                     f.Visible(Control::txtPosicionCursor));
        EXPECT_FALSE(f.tmrCPUProteccion.Enabled()) << "it would show its box again while this one waits";
    };
    f.tmrCPUProteccion_Timer();
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.boxes.shown[0].text,
              "CPU Usage too high. Waterfall has been disabled. If you wish, set RX to 16-8 only");
    EXPECT_EQ(p.boxes.shown[0].title, "CPU Usage");
    EXPECT_EQ(p.boxes.shown[0].icon, BoxIcon::Exclamation);
    EXPECT_TRUE(f.Visible(Control::imgOFFWaterFall) && !f.Visible(Control::imgONWaterFall));
    EXPECT_FALSE(p.St().shared.switches.waterfallOn);

    // Still overloaded a minute later: the waterfall is already off, nothing more is said.
    work();
    f.tmrRefrescoCPU_Timer();
    ASSERT_TRUE(f.tmrCPUProteccion.Enabled());
    f.tmrCPUProteccion_Timer();
    EXPECT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_FALSE(f.tmrCPUProteccion.Enabled());
}

// The waterfall picture as the screen shows it, left of the cursor read-out that lies over its corner:
// how many rows it is behind the receiver's image (screen row y showing image row y + behind), or -1
// when it shows no such picture (a row being painted).
int WaterfallRowsBehind(frmMain& f, const std::vector<QImage>& behind) {
    const QPoint at = f.pctWaterfall->mapTo(&f, QPoint(0, 0));
    const int width = f.txtPosicionCursor->x() - f.pctWaterfall->x();
    const QImage screen = f.windowHandle()
                              ->screen()
                              ->grabWindow(f.winId(), at.x(), at.y(), width, f.pctWaterfall->height())
                              .toImage()
                              .convertToFormat(QImage::Format_RGB32);
    for (size_t b = 0; b < behind.size(); ++b)
        if (screen.copy(0, 0, width, behind[b].height()) == behind[b].copy(0, 0, width, behind[b].height()))
            return static_cast<int>(b);
    return -1;
}

// The image's rows from row b on, stretched to the picture's width as the picture shows them, for b
// from 0 to most.
std::vector<QImage> WaterfallShiftedUp(const WaterfallImage& image, int width, int most) {
    std::vector<QImage> shifted;
    for (int b = 0; b <= most; ++b) {
        const int rows = image.Height() - b;
        QImage picture(image.Width(), rows, QImage::Format_RGB32);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < image.Width(); ++x) {
                const ColorRef c = image.Pixel(x, y + b);
                picture.setPixel(x, y, qRgb(RedOf(c), GreenOf(c), BlueOf(c)));
            }
        QImage shown(width, rows, QImage::Format_RGB32);
        QPainter(&shown).drawImage(QRect(0, 0, width, rows), picture);
        shifted.push_back(shown);
    }
    return shifted;
}

// Through a sound server the audio comes a third of a second at once, and scrolls the waterfall by two
// or three rows together. The picture shows them one at a time, about a row's time (128 ms) apart, so
// that it moves as steadily as the sound came; a longer backlog (the program was busy) is not held back.
TEST_F(ProgramTest, TheWaterfallShowsTheRowsThatCameTogetherOneAtATime) {
    Program p(Noise(60));
    p.input->autoFill = false;
    frmMain& f = *p.form;
    ASSERT_TRUE(Main(f));
    f.imgOFFWaterFall_Click();
    ASSERT_TRUE(
        RunUntil([&] { return !f.tmrResetTarjetaSonido.Enabled() && f.windowHandle()->isExposed(); }, 5));
    const WaterfallImage& image = p.St().receiver.GetWaterfall().Image;
    SoundInput& in = p.St().receiver.Input();
    // The sound card fills this many buffers at once; the receive pump takes them all.
    const auto burst = [&](int buffers) {
        ASSERT_EQ(p.input->FillBuffers(buffers), buffers);
        ASSERT_TRUE(
            RunUntil([&] { return in.IsInputBufferDone(in.NextInputBuffer % kInputBuffers + 1) == 0; }, 5));
    };
    constexpr int kMostBehind = 8;
    const auto behindNow = [&] {
        const std::vector<QImage> shifted = WaterfallShiftedUp(image, f.pctWaterfall->width(), kMostBehind);
        int behind = -1;
        EXPECT_TRUE(RunUntil([&] { return (behind = WaterfallRowsBehind(f, shifted)) >= 0; }, 5));
        return behind;
    };

    // A backlog of 15 rows: all but a few are on the screen at once.
    const uint64_t before = image.Scrolls();
    burst(30);
    ASSERT_GE(image.Scrolls() - before, 14u);
    EXPECT_LE(behindNow(), 4);
    ASSERT_TRUE(RunUntil([&] { return behindNow() == 0; }, 5));

    // One burst of a third of a second: its rows come onto the screen one by one.
    const uint64_t scrolls = image.Scrolls();
    burst(6);
    ASSERT_GE(image.Scrolls() - scrolls, 3u);
    const std::vector<QImage> shifted = WaterfallShiftedUp(image, f.pctWaterfall->width(), kMostBehind);
    std::vector<int> seen;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(RunUntil(
        [&] {
            const int behind = WaterfallRowsBehind(f, shifted);
            if (behind >= 0 && (seen.empty() || seen.back() != behind)) seen.push_back(behind);
            return behind == 0;
        },
        5));
    const qint64 took = clock.elapsed();
    ASSERT_GE(seen.size(), 3u) << "all rows of the burst at once";
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_EQ(seen[i], seen[i - 1] - 1) << "rows shown together after " << i;
    EXPECT_GE(took, 60 * (seen.front() - 1)) << "shown " << seen.front() << " rows in " << took << " ms";
    EXPECT_TRUE(p.boxes.shown.empty());
}

TEST_F(ProgramTest, ShutDownSavesTheSessionThenClosesDevices) {
    namespace fs = std::filesystem;
    const test::ScratchFolder scratch("muv_program");
    const fs::path& folder = scratch.Folder();
    for (bool dirty : {true, false}) {
        Program p(Noise(10));
        frmMain& f = *p.form;
        ASSERT_TRUE(Main(f));
        std::vector<std::string> steps;
        f.StepObserver = [&steps](const std::string& step) { steps.push_back(step); };
        Station& st = p.St();
        st.settings.LogDirectories().chkAutoSaveLogClose->setChecked(true);
        st.settings.LogDirectories().lblDirectorioLog->setText(QString::fromStdString(folder.string()));
        st.sessionLog.SessionLogDirty = dirty ? 1 : 0;
        f.close();
        // The transmitter is released first, before anything that might fail.
        std::vector<std::string> expected = {"ReleasePtt",   "CloseSoundOutput", "CloseSoundInput",
                                             "SaveSettings", "CloseSockets",     "End"};
        if (dirty) expected.insert(expected.begin() + 1, "SaveSessionLog");
        EXPECT_EQ(steps, expected);
        EXPECT_TRUE(p.input->closed);
        EXPECT_TRUE(f.ProgramEnded());
        EXPECT_EQ(fs::exists(folder / SessionLogFileName(st.shared.UtcNow)), dirty);
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
}

// A session-log folder that cannot be had: the shut-down save goes to the user's data folder, made for
// it, and the operator is told where.
TEST_F(ProgramTest, ShutDownSaveFallsBackToTheUserDataFolder) {
    namespace fs = std::filesystem;
    const test::ScratchFolder scratch("muv_program");
    const fs::path& root = scratch.Folder();
    std::ofstream(root / "regular") << "a file, not a folder";
    const QByteArray xdg = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((root / "data").string()));
    {
        Program p(Noise(10));
        ASSERT_TRUE(Main(*p.form));
        Station& st = p.St();
        st.settings.LogDirectories().chkAutoSaveLogClose->setChecked(true);
        st.settings.LogDirectories().lblDirectorioLog->setText(
            QString::fromStdString((root / "regular" / "logs").string()));
        st.sessionLog.SessionLogDirty = 1;
        st.sessionLog.SessionLogLine = "RX16: 12:00 CQ";
        p.boxes.shown.clear();
        p.form->close();
        const fs::path saved = root / "data" / "MUV" / SessionLogFileName(st.shared.UtcNow);
        ASSERT_EQ(p.boxes.shown.size(), 1u);
        EXPECT_EQ(p.boxes.shown[0].title, "Log Error");
        EXPECT_EQ(p.boxes.shown[0].text, "Path '" + st.settings.SessionLogFolder() +
                                             "' not found. Data have been saved in '" + saved.string());
        std::ifstream in(saved, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(text, st.sessionLog.SessionLogText + "RX16: 12:00 CQ\r\n\r\n");
    }
    if (xdg.isNull()) {
        qunsetenv("XDG_DATA_HOME");
    } else {
        qputenv("XDG_DATA_HOME", xdg);
    }
}

TEST_F(ProgramTest, AFailedEmailReportShowsItsResultForFourSeconds) {
    Program p(Noise(30));
    ASSERT_TRUE(Main(*p.form));
    p.St().online.EmailResult = 1;
    p.form->tmrEnviarEmail.SetEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return p.form->Visible(Control::txtEmail); }, 2));
    EXPECT_FALSE(p.form->tmrEnviarEmail.Enabled());
    EXPECT_EQ(p.form->BackColor(Control::txtEmail), kStatusYellow);
    // with its cause: the test's settings switch mail off.
    EXPECT_EQ(p.form->Text(Control::txtEmail), "Error: E-mail could not be sent: mail is switched off");
    EXPECT_TRUE(RunUntil([&] { return !p.form->Visible(Control::txtEmail); }, 6));
    EXPECT_FALSE(p.form->tmrEmail.Enabled());
}

TEST_F(ProgramTest, TheOperatorIsToldOfFailures) {
    // Neither the chosen device nor device 0 opens: the program ends before the window shows.
    Program p(Noise(1), {0, -1});
    ASSERT_FALSE(Main(*p.form));
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.boxes.shown[0].text, "Audio Device Input not available");
    EXPECT_EQ(p.boxes.shown[0].title, "SoundCard Error");
    EXPECT_EQ(p.boxes.shown[0].icon, BoxIcon::Critical);
    EXPECT_TRUE(p.form->ProgramEnded());
    EXPECT_FALSE(p.form->isVisible());

    // A trapped fault: the "Bug detected" box with its number, and the bug report's code.
    p.St().errorTraps.ReportTrappedError(19, "1");
    ASSERT_EQ(p.boxes.shown.size(), 2u);
    EXPECT_EQ(p.boxes.shown[1].text, "Error 19. Please, notify this error to bugs@muv-modem.org");
    EXPECT_EQ(p.boxes.shown[1].title, "Bug detected");
    EXPECT_EQ(p.St().online.BugReportCode, "E19 1");
}

// An input that says when its buffers are full drives the receive pump from its own thread: the pump
// timer only looks now and then, and with the timer silenced the buffers are still taken as they come.
TEST_F(ProgramTest, AnInputThatTellsWhenABufferIsFullDrivesTheReceivePump) {
    const test::ScratchFolder scratch("muv_program");
    const std::string path = (scratch.Folder() / "noise.wav").string();
    ASSERT_TRUE(WriteWavFile(path, Noise(2), kSampleRate));
    RecordingBoxes boxes;
    auto in = std::make_unique<WavFileSoundInput>(path, /*realTime*/ true, /*loop*/ true);
    const WavFileSoundInput& input = *in;
    Station station(SoundDevices{std::move(in), std::make_unique<MemorySoundOutput>(),
                                 [path] { return std::vector<std::string>{path}; },
                                 [] { return std::vector<std::string>{"Speakers"}; }},
                    &boxes);
    frmMain& form = station.form;
    ASSERT_TRUE(Main(form));
    form.imgOFFWaterFall_Click();  // waterfall on
    EXPECT_GE(form.tmrRX.Interval(), 100);
    form.tmrRX.SetInterval(0);  // on, and never fires
    const int64_t before = input.SamplesDelivered();
    const uint64_t lines = station.receiver.GetWaterfall().LinesDrawn;
    ASSERT_TRUE(RunUntil([&] { return input.SamplesDelivered() >= before + 8 * 3072; }, 20));
    EXPECT_GT(station.receiver.GetWaterfall().LinesDrawn, lines) << "taken by the receiver, not only read";
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ProgramTest, AWavFileInPlaceOfTheInputSaysWhyItCannotBeRead) {
    // MUV_SOUND_INPUT names a file that cannot be read: the box gives the reader's reason below the text.
    namespace fs = std::filesystem;
    const test::ScratchFolder scratch("muv_program");
    const fs::path& folder = scratch.Folder();
    const std::string missing = (folder / "missing.wav").string();
    const std::string text = (folder / "notes.wav").string();
    const std::string cd = (folder / "cd.wav").string();
    std::ofstream(text) << "not a recording\n";
    ASSERT_TRUE(WriteWavFile(cd, {1, 2, 3}, 44100));
    const std::pair<std::string, std::string> cases[] = {
        {missing, missing + ": cannot open: " + std::strerror(ENOENT)},
        {text, text + ": not a RIFF/WAVE file"},
        {cd, cd + ": the sample rate is 44100 Hz; the modem needs 48000 Hz"},
        {folder.string(), folder.string() + ": not a regular file (a folder)"},
    };
    for (const auto& [path, reason] : cases) {
        SCOPED_TRACE(path);
        RecordingBoxes boxes;
        Station station(SoundDevices{std::make_unique<WavFileSoundInput>(path, true, true),
                                     std::make_unique<MemorySoundOutput>(),
                                     [path] { return std::vector<std::string>{path}; },
                                     [] { return std::vector<std::string>{"Speakers"}; }},
                        &boxes);
        frmMain& form = station.form;
        EXPECT_FALSE(Main(form));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "Audio Device Input not available\n" + reason);
        EXPECT_EQ(boxes.shown[0].title, "SoundCard Error");
        EXPECT_TRUE(form.ProgramEnded());
    }
}

}  // namespace
}  // namespace muv
