#include <gtest/gtest.h>

#include <cmath>

#include "receiver/tests/receiver_rig.h"

namespace muv::test {
namespace {

// Fills the S/N history of the receive mode so that its average reads `db`.
void FillSnHistory(Receiver& rx, float db) {
    const ModeRecord& m = rx.RxMode();
    const float ratio = std::pow(10.0f, (db - m.SnCorrectionDb) / 20);
    for (int i = 0; i < m.SnAverageLength; ++i)
        rx.AverageSn(ratio, 0);
}

TEST(MetersTest, LevelMeterWhileReceiving) {
    ReceiverRig rig;
    struct Case {
        float peak;
        const char* text;
        float needle;
    };
    for (const Case& c : {Case{32767, "Volume: 0 dB", 100}, Case{3277, "Volume: -10 dB", 50},
                          Case{0, "Volume: -20 dB", 0}, Case{1, "Volume: -45 dB", 0}}) {
        rig.rx.PeakLevel = c.peak;
        rig.rx.RefreshVuMeter();
        EXPECT_EQ(rig.controls.Text(Control::txtVU), c.text);
        EXPECT_NEAR(rig.controls.meters[8], c.needle, 0.01f) << c.peak;
    }
    EXPECT_EQ(rig.rx.RxLevelCount, 0);  // only a locked frame collects levels

    // Refreshes that no audio reached keep the level heard last, and only audio counts; an input
    // that stays silent for a second reads as the floor.
    rig.rx.RxLocked = 1;
    rig.rx.PeakLevel = 3277;
    for (int refresh = 1; refresh <= 10; ++refresh) {
        rig.rx.RefreshVuMeter();
        EXPECT_EQ(rig.controls.Text(Control::txtVU), "Volume: -10 dB") << refresh;
        EXPECT_NEAR(rig.controls.meters[8], 50, 0.01f) << refresh;
    }
    rig.rx.RefreshVuMeter();
    EXPECT_EQ(rig.controls.Text(Control::txtVU), "Volume: -20 dB");
    EXPECT_EQ(rig.controls.meters[8], 0);
    EXPECT_EQ(rig.rx.RxLevelCount, 1);
    EXPECT_NEAR(rig.rx.RxLevelSumDb, -10, 0.01f);
    rig.rx.PeakLevel = 0;  // silence heard
    rig.rx.RefreshVuMeter();
    EXPECT_EQ(rig.rx.RxLevelCount, 2);
    EXPECT_NEAR(rig.rx.RxLevelSumDb, -30, 0.01f);
}

TEST(MetersTest, LevelMeterWhileTransmittingShowsTheVolume) {
    ReceiverRig rig;
    rig.shared.TxRxState = 1;
    rig.controls.SetText(Control::txtVU, "Volume: -3 dB");
    rig.rx.PeakLevel = 1000;
    rig.rx.RxLocked = 1;
    rig.host.volume = 10;
    rig.rx.RefreshVuMeter();
    EXPECT_NEAR(rig.controls.meters[8], 50, 0.01f);
    EXPECT_EQ(rig.controls.Text(Control::txtVU), "Volume: -3 dB");
    EXPECT_EQ(rig.rx.PeakLevel, 1000);
    EXPECT_EQ(rig.rx.RxLevelCount, 0);

    rig.host.muted = true;
    rig.rx.RefreshVuMeter();
    EXPECT_EQ(rig.controls.meters[8], 0);
}

TEST(MetersTest, SnAverageShiftsThroughTheModesLength) {
    ReceiverRig rig;
    rig.rx.RxModeIndex = 2;  // 32 samples, threshold -26 dB
    const ModeRecord& m = rig.rx.RxMode();
    EXPECT_EQ(rig.rx.AverageSn(0, 1), m.SnThresholdDb);

    EXPECT_EQ(rig.rx.AverageSn(1, 0), 0);
    EXPECT_NEAR(rig.rx.AverageSn(0, 1), 20 * std::log10(1.0f / 32) + m.SnCorrectionDb, 1e-4f);
    for (int i = 0; i < 31; ++i)
        rig.rx.AverageSn(0, 0);
    EXPECT_NE(rig.rx.AverageSn(0, 1), m.SnThresholdDb);  // the sample is now the oldest
    rig.rx.AverageSn(0, 0);
    EXPECT_EQ(rig.rx.AverageSn(0, 1), m.SnThresholdDb);  // and has gone
}

TEST(MetersTest, SnDisplay) {
    ReceiverRig rig;
    rig.rx.RxModeIndex = 2;  // threshold -26, red below -22.75, yellow below -19.5
    rig.rx.RxLocked = 1;

    rig.rx.RefreshMetrics();  // empty history reads as the threshold
    EXPECT_EQ(rig.controls.Text(Control::txtSN), "S/N (2500 Hz): -26 dB");
    EXPECT_EQ(rig.controls.meters[9], 0);
    EXPECT_EQ(rig.controls.BackColor(Control::txtSN), kStatusRed);

    FillSnHistory(rig.rx, -13);
    rig.rx.RefreshMetrics();
    EXPECT_EQ(rig.controls.Text(Control::txtSN), "S/N (2500 Hz): -13 dB");
    EXPECT_NEAR(rig.controls.meters[9], 50, 0.01f);
    EXPECT_EQ(rig.controls.BackColor(Control::txtSN), kStatusGreen);

    FillSnHistory(rig.rx, -21);
    rig.rx.RefreshMetrics();
    EXPECT_EQ(rig.controls.BackColor(Control::txtSN), kStatusYellow);

    FillSnHistory(rig.rx, -40);
    rig.rx.RefreshMetrics();
    EXPECT_EQ(rig.controls.Text(Control::txtSN), "S/N (2500 Hz): -26 dB");  // never below the threshold
    EXPECT_EQ(rig.controls.meters[9], 0);

    FillSnHistory(rig.rx, 3);
    rig.rx.RxLocked = 0;
    rig.controls.SetBackColor(Control::txtSN, kStatusGrey);
    rig.rx.RefreshMetrics();
    EXPECT_EQ(rig.controls.meters[9], 100);
    EXPECT_EQ(rig.controls.BackColor(Control::txtSN), kStatusGrey);  // colours only while locked
}

TEST(MetersTest, ViterbiDisplayAndCancelTimer) {
    ReceiverRig rig;
    rig.rx.RxModeIndex = 2;  // full scale 100: the metric is the percentage
    rig.rx.RxLocked = 1;
    ManualTimer& cancel = rig.controls.Manual(TimerId::tmrCancelFrame);
    int cancels = 0;
    cancel.OnTimer = [&] { ++cancels; };

    rig.rx.ViterbiMetric = 16;
    rig.rx.RefreshMetrics();
    EXPECT_EQ(rig.controls.Text(Control::txtViterbi), "Viterbi: 16 %");
    EXPECT_EQ(rig.controls.BackColor(Control::txtViterbi), kStatusGreen);
    EXPECT_FALSE(rig.controls.Visible(Control::pctCancelFrame));

    rig.rx.ViterbiMetric = 32;
    rig.rx.RefreshMetrics();
    EXPECT_EQ(rig.controls.BackColor(Control::txtViterbi), kStatusYellow);
    EXPECT_TRUE(rig.controls.Visible(Control::pctCancelFrame));
    EXPECT_NEAR(rig.controls.meters[4], 36, 1e-4f);
    EXPECT_FALSE(cancel.Enabled());

    rig.rx.ViterbiMetric = 50;
    rig.rx.RefreshMetrics();
    EXPECT_EQ(rig.controls.BackColor(Control::txtViterbi), kStatusRed);
    EXPECT_EQ(rig.controls.meters[4], 0);
    EXPECT_TRUE(cancel.Enabled());
    EXPECT_EQ(cancel.Interval(), rig.rx.RxMode().CancelFrameDelayMs);

    // New bad values keep the running count, so a lasting bad signal is cancelled in time.
    cancel.Advance(6000);
    rig.rx.ViterbiMetric = 70;
    rig.rx.RefreshMetrics();
    cancel.Advance(4000);
    EXPECT_EQ(cancels, 1);

    rig.rx.ViterbiMetric = 49;
    rig.rx.RefreshMetrics();
    EXPECT_FALSE(cancel.Enabled());

    // An unchanged value leaves the display alone.
    rig.controls.SetText(Control::txtViterbi, "x");
    rig.rx.RefreshMetrics();
    EXPECT_EQ(rig.controls.Text(Control::txtViterbi), "x");
}

TEST(MetersTest, FinalAcquisitionAndItsHold) {
    ReceiverRig rig;
    rig.rx.RxModeIndex = 2;  // end pattern of 20
    rig.rx.EndMatchCount = 10;
    rig.rx.RefreshFinalAcquisitionMeter();  // not locked: nothing
    EXPECT_EQ(rig.rx.EndMatchCount, 10);

    rig.rx.RxLocked = 1;
    rig.rx.RefreshFinalAcquisitionMeter();
    EXPECT_EQ(rig.controls.Text(Control::txtAdquisicionFinal), "Final Acquisition: 10/20");
    EXPECT_EQ(rig.controls.meters[7], 50);
    EXPECT_EQ(rig.rx.EndMatchCount, 0);

    rig.controls.SetBackColor(Control::txtAdquisicionFinal, kStatusGreen);
    rig.controls.GetTimer(TimerId::tmrRefrescoAdquisicionMaximaFinal).SetEnabled(true);
    rig.rx.ReleaseFinalAcquisitionHold();
    EXPECT_TRUE(rig.controls.GetTimer(TimerId::tmrRefrescoAdquisicionFinal).Enabled());
    EXPECT_FALSE(rig.controls.GetTimer(TimerId::tmrRefrescoAdquisicionMaximaFinal).Enabled());
    EXPECT_EQ(rig.controls.BackColor(Control::txtAdquisicionFinal), kStatusGrey);
    EXPECT_EQ(rig.controls.Text(Control::txtAdquisicionFinal), "Final Acquisition: 0/20");
    EXPECT_EQ(rig.controls.meters[7], 0);
}

TEST(MetersTest, CpuMeter) {
    ReceiverRig rig;
    Timer& guard = rig.controls.GetTimer(TimerId::tmrCPUProteccion);

    rig.host.cpuAvailable = false;
    guard.SetEnabled(true);
    EXPECT_EQ(rig.rx.RefreshCpuMeter(1), 0);
    EXPECT_EQ(rig.controls.BackColor(Control::txtCPU), kStatusYellow);
    EXPECT_EQ(rig.controls.Text(Control::txtCPU), "CPU Usage: Not avaiable");
    EXPECT_FALSE(rig.host.beaconModesAvailable);
    EXPECT_FALSE(guard.Enabled());

    rig.host.cpuAvailable = true;
    rig.host.cpuLoad = 87.5f;
    rig.shared.TxRxState = 1;
    EXPECT_EQ(rig.rx.RefreshCpuMeter(1), 87.5f);
    EXPECT_TRUE(rig.host.beaconModesAvailable);
    EXPECT_EQ(rig.controls.BackColor(Control::txtCPU), kStatusRed);
    EXPECT_FALSE(guard.Enabled());  // the guard watches reception only
    EXPECT_EQ(rig.controls.Text(Control::txtCPU), "CPU Usage: 88 %");
    EXPECT_EQ(rig.controls.meters[6], 87.5f);

    rig.shared.TxRxState = 0;
    rig.rx.RefreshCpuMeter(1);
    EXPECT_TRUE(guard.Enabled());

    rig.host.cpuLoad = 40;
    EXPECT_EQ(rig.rx.RefreshCpuMeter(0), 40);  // a reading only
    EXPECT_TRUE(guard.Enabled());
    rig.rx.RefreshCpuMeter(1);
    EXPECT_FALSE(guard.Enabled());
    EXPECT_EQ(rig.controls.BackColor(Control::txtCPU), kStatusGrey);
}

TEST(MetersTest, ResetRxDisplay) {
    ReceiverRig rig;
    rig.rx.RxModeIndex = 9;  // threshold -26.7 dB, end pattern of 20
    rig.controls.SetBackColor(Control::txtAdquisicionInicial, kStatusRed);
    rig.rx.ResetRxDisplay();
    EXPECT_EQ(rig.controls.meters[2], 50);
    EXPECT_EQ(rig.controls.meters[5], 0);
    EXPECT_EQ(rig.controls.Text(Control::txtAdquisicionInicial), "Frame Acquisition: 0/24");
    EXPECT_EQ(rig.controls.BackColor(Control::txtAdquisicionInicial), kStatusGrey);
    EXPECT_EQ(rig.controls.Text(Control::txtAdquisicionFinal), "Final Acquisition: 0/20");
    EXPECT_EQ(rig.controls.Text(Control::txtSincronismo), "UNLOCKED");
    EXPECT_EQ(rig.controls.Text(Control::txtViterbi), "Viterbi: 0%");
    EXPECT_EQ(rig.controls.Text(Control::txtSN), "S/N (2500 Hz): -26.7 dB");
    EXPECT_EQ(rig.controls.Text(Control::txtVU), "Volume: -20 dB");
}

}  // namespace
}  // namespace muv::test
