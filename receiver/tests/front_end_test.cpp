#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "receiver/tests/receiver_rig.h"

namespace muv::test {
namespace {

constexpr double kPi = 3.14159265358979323846;

// A tick's buffer (element 0 unused) holding a tone, or a constant when frequencyHz is 0.
std::vector<int16_t> ToneBuffer(int size, double frequencyHz, double amplitude, int64_t start = 0) {
    std::vector<int16_t> buffer(static_cast<size_t>(size) + 1, 0);
    for (int i = 1; i <= size; ++i)
        buffer[static_cast<size_t>(i)] = static_cast<int16_t>(
            std::lround(amplitude * std::cos(2 * kPi * frequencyHz * (start + i - 1) / 48000)));
    return buffer;
}

// Runs one buffer through the front end as a tick does.
void RunBuffer(Receiver& rx, const std::vector<int16_t>& buffer, bool shifted = false) {
    const int outputs = shifted ? 256 : 512;
    if (shifted) {
        rx.FrontEndSampleShifted(buffer, kStartFlag);
        for (int i = 0; i < outputs; ++i)
            rx.FrontEndSampleShifted(buffer, 0);
    } else {
        rx.FrontEndSample(buffer, kStartFlag);
        for (int i = 0; i < outputs; ++i)
            rx.FrontEndSample(buffer, 0);
    }
}

// The stored bin with the largest magnitude in a column of a mode.
int LoudestBin(const Receiver& rx, int mode, int column) {
    const ModeRecord& r = rx.Mode(mode);
    int best = r.WideWindowLow;
    for (int b = r.WideWindowLow; b <= r.WideWindowHigh + r.BandwidthBins; ++b)
        if (rx.Matrix.At(mode, b, column) > rx.Matrix.At(mode, best, column)) best = b;
    return best;
}

// ---------------------------------------------------------------- sample paths

TEST(FrontEnd, DecimatesWithUnityGainAtDcAndWrapsTheRing) {
    for (const uint8_t bandClass : {2, 1}) {
        ReceiverRig rig;
        rig.shared.BandClass = bandClass;
        const int size = bandClass == 1 ? 3584 : 3072;
        const auto buffer = ToneBuffer(size, 0, 1000);
        RunBuffer(rig.rx, buffer);
        EXPECT_EQ(rig.rx.RxRingIndex, 512) << int(bandClass);  // one output per 6 (7) raw samples
        // The filter stores the group's last raw sample twice: 7 (8) stores per output.
        const auto& fir = rig.rx.Filters.State;
        EXPECT_EQ(bandClass == 1 ? fir.IndexB : fir.IndexA, bandClass == 1 ? 512 * 8 % 31 : 512 * 7 % 31);
        EXPECT_NEAR(rig.rx.RxSampleRing[511].real(), 1000, 1) << int(bandClass);
        EXPECT_EQ(rig.rx.RxSampleRing[511].imag(), 0);
        for (int b = 1; b < 16; ++b)
            RunBuffer(rig.rx, buffer);
        EXPECT_EQ(rig.rx.RxRingIndex, 0) << int(bandClass);  // 8192 stores
    }
}

TEST(FrontEnd, ShiftedPathRingWrapsAt4096) {
    ReceiverRig rig;
    rig.shared.BandClass = 3;
    const auto buffer = ToneBuffer(3072, 0, 0);
    for (int b = 0; b < 15; ++b)
        RunBuffer(rig.rx, buffer, true);
    EXPECT_EQ(rig.rx.RxRingIndex, 3840);
    RunBuffer(rig.rx, buffer, true);
    EXPECT_EQ(rig.rx.RxRingIndex, 0);
}

TEST(FrontEnd, PeakAndBusyLookAtTheLastRawSampleOfEachGroup) {
    ReceiverRig rig;
    std::vector<int16_t> buffer(3073, 0);
    buffer[1] = 30000;  // first of a group: not examined
    buffer[6] = -600;
    buffer[12] = 519;

    rig.ShowSwitch(Control::imgONBeacon, true);
    rig.rx.FrontEndSample(buffer, kStartFlag);
    rig.rx.FrontEndSample(buffer, 0);
    EXPECT_EQ(rig.rx.PeakLevel, 600);
    EXPECT_EQ(rig.rx.ChannelBusy, 0);  // negative excursions never count
    rig.rx.FrontEndSample(buffer, 0);
    EXPECT_EQ(rig.rx.PeakLevel, 600);
    EXPECT_EQ(rig.rx.ChannelBusy, 1);

    // Without the beacon nothing is busy; the shifted path examines the twelfth sample.
    rig.ShowSwitch(Control::imgONBeacon, false);
    rig.rx.ChannelBusy = 0;
    rig.rx.PeakLevel = 0;
    rig.rx.FrontEndSampleShifted(buffer, kStartFlag);
    rig.rx.FrontEndSampleShifted(buffer, 0);
    EXPECT_EQ(rig.rx.PeakLevel, 519);
    EXPECT_EQ(rig.rx.ChannelBusy, 0);
}

// The narrow EME path lands an audio tone at f - 500 Hz; M7's spectrum has bins of 0.48828125 Hz.
TEST(FrontEnd, ShiftedPathMovesATone500HzDown) {
    for (const auto& [toneHz, bin] : {std::tuple{1453.125, 1952}, std::tuple{1750.0, 2560}}) {
        ReceiverRig rig;
        rig.shared.BandClass = 3;
        rig.rx.ResizeToneMatrix();
        for (int b = 0; b < 16; ++b)
            RunBuffer(rig.rx, ToneBuffer(3072, toneHz, 8000, int64_t{b} * 3072), true);
        rig.rx.ComputeToneEnergies(7);
        EXPECT_EQ(LoudestBin(rig.rx, 7, 1), bin) << toneHz;
        // A complex stream: nothing at the mirror image of the tone.
        const int mirror = 2 * 2048 - bin;  // 1500 Hz of audio is bin 2048
        EXPECT_LT(rig.rx.Matrix.At(7, mirror, 1), 0.01f * rig.rx.Matrix.At(7, bin, 1)) << toneHz;
    }
}

// ---------------------------------------------------------------- tone energies

// Writes a cosine at the given bin of an n-point transform into the n/2 ring entries read from start.
void RingTone(Receiver& rx, int start, int wrap, int n, int bin, float amplitude) {
    for (int i = 0; i < n / 2; ++i)
        rx.RxSampleRing[static_cast<size_t>((start + i) % wrap)] =
            ComplexSample(amplitude * static_cast<float>(std::cos(2 * kPi * bin * i / n)), 0);
}

TEST(ToneEnergies, PlacesAToneAtItsBinWithItsAmplitude) {
    ReceiverRig rig;
    rig.ShowSwitch(Control::imgRXON1, true);
    rig.rx.ResizeToneMatrix();
    rig.rx.RxRingIndex = 8000;  // one symbol read from the oldest sample on, across the wrap
    RingTone(rig.rx, 8000, 8192, 1024, 128, 1000);
    rig.rx.ComputeToneEnergies(1);
    EXPECT_EQ(rig.rx.ToneBinTable[1], 1);
    EXPECT_EQ(LoudestBin(rig.rx, 1, 1), 128);               // 1000 Hz at 7.8125 Hz a bin
    EXPECT_NEAR(rig.rx.Matrix.At(1, 128, 1), 256000, 500);  // amplitude x N / 4: a magnitude
    EXPECT_EQ(rig.rx.RxRingIndex, 8000);

    // The reference bin below the window is stored; the bins between it and the window are not.
    RingTone(rig.rx, 8000, 8192, 1024, 38, 1000);
    rig.rx.ComputeToneEnergies(1);
    EXPECT_NEAR(rig.rx.Matrix.At(1, 38, 2), 256000, 500);
    EXPECT_EQ(rig.rx.Matrix.At(1, 39, 2), 0);
}

TEST(ToneEnergies, NarrowEmeReadsOnlyTheShiftedRing) {
    ReceiverRig rig;
    rig.shared.BandClass = 3;
    rig.rx.ResizeToneMatrix();
    for (int i = 4096; i < 8192; ++i)  // left over from a 6:1 path: never read by M7
        rig.rx.RxSampleRing[static_cast<size_t>(i)] = ComplexSample(30000, 0);
    rig.rx.RxRingIndex = 4000;
    RingTone(rig.rx, 4000, 4096, 8192, 2000, 100);
    rig.rx.ComputeToneEnergies(7);
    EXPECT_EQ(LoudestBin(rig.rx, 7, 1), 2000);
    EXPECT_NEAR(rig.rx.Matrix.At(7, 2000, 1), 100 * 8192 / 4, 100);
}

TEST(ToneEnergies, ModesOfOneToneBinSetShareTheColumnCounter) {
    ReceiverRig rig;
    rig.rx.Matrix.Resize(1, 4, 1400, 528);
    rig.rx.ToneBinTable[1] = 527;
    rig.rx.ComputeToneEnergies(1);
    EXPECT_EQ(rig.rx.ToneBinTable[1], 528);
    rig.rx.ComputeToneEnergies(4);  // M4 shares set 1 with M1: wraps after 528
    EXPECT_EQ(rig.rx.ToneBinTable[1], 1);
    rig.rx.ComputeToneEnergies(2);
    EXPECT_EQ(rig.rx.ToneBinTable[2], 1);
    EXPECT_EQ(rig.rx.ToneBinTable[1], 1);
    // A mode without a plane faults with subscript out of range instead of writing outside.
    EXPECT_THROW(rig.rx.ComputeToneEnergies(9), VbError);
}

// ---------------------------------------------------------------- set-up and restart

struct OptionRow {
    uint8_t bandClass;
    int16_t bandwidth;
    Control image;  // txtModo stands for "no option image shown"
    int firstMode, lastMode, highestBin, columns;
    const char* name;
};

TEST(ReceiverSetup, DimensionsTheMatrixForEachReceiveOption) {
    const OptionRow rows[] = {
        {2, 2000, Control::imgRXON1, 1, 3, 1392, 528, "MUV16/2000"},
        {2, 2000, Control::imgRXON2, 1, 2, 696, 528, "MUV16/2000"},
        {2, 2000, Control::txtModo, 3, 3, 1392, 352, "MUV4/2000"},
        {2, 500, Control::imgRXON1, 4, 6, 1128, 528, "MUV16/500"},
        {2, 500, Control::imgRXON2, 4, 5, 564, 528, "MUV16/500"},
        {2, 1000, Control::txtModo, 6, 6, 1128, 352, "MUV4/500"},  // anything but 2000 is 500
        {1, 2000, Control::imgRXON1MF, 9, 10, 3904, 528, "MUV7/100"},
        {1, 2000, Control::imgRXON2MF, 9, 9, 488, 528, "MUV7/100"},
        {1, 2000, Control::txtModo, 10, 10, 3904, 160, "MUV1/100"},
        {3, 2000, Control::imgAFC200, 8, 8, 6064, 160, "MUV EME"},
        {3, 2000, Control::txtModo, 7, 7, 3600, 160, "MUV EME"},
    };
    for (const OptionRow& row : rows) {
        ReceiverRig rig;
        rig.shared.BandClass = row.bandClass;
        rig.shared.BandwidthHz = row.bandwidth;
        if (row.image != Control::txtModo) rig.ShowSwitch(row.image, true);
        rig.rx.SetupReceiverBuffers();
        const std::string where = row.name + std::string(" ") + std::to_string(row.lastMode);
        EXPECT_EQ(rig.rx.Matrix.FirstMode(), row.firstMode) << where;
        EXPECT_EQ(rig.rx.Matrix.LastMode(), row.lastMode) << where;
        EXPECT_EQ(rig.rx.Matrix.HighestBin(), row.highestBin) << where;
        EXPECT_EQ(rig.rx.Matrix.Columns(), row.columns) << where;
        EXPECT_EQ(rig.rx.RxModeIndex, row.firstMode) << where;
        EXPECT_EQ(rig.rx.Option.firstMode, row.firstMode) << where;
        EXPECT_EQ(rig.controls.Text(Control::txtModo), row.name) << where;
        EXPECT_EQ(rig.rx.AcquisitionEnabled, 1) << where;
    }
}

TEST(ReceiverSetup, DoesNothingWhileTransmittingAndResizeKeepsTheMode) {
    ReceiverRig rig;
    rig.ShowSwitch(Control::imgRXON2, true);
    rig.rx.SetupReceiverBuffers();
    rig.rx.RxRingIndex = 77;
    rig.rx.AcquisitionEnabled = 0;
    rig.rx.RxModeIndex = 2;
    rig.ShowSwitch(Control::imgRXON2, false);  // option 3 now
    rig.shared.TxRxState = 1;
    rig.rx.SetupReceiverBuffers();
    EXPECT_EQ(rig.rx.RxRingIndex, 77);
    EXPECT_EQ(rig.rx.RxModeIndex, 2);
    EXPECT_EQ(rig.rx.Matrix.LastMode(), 2);
    EXPECT_EQ(rig.rx.AcquisitionEnabled, 0);

    // The matrix alone: resized for the option, the mode and the search left as they are.
    rig.rx.ResizeToneMatrix();
    EXPECT_EQ(rig.rx.RxRingIndex, 0);
    EXPECT_EQ(rig.rx.Matrix.FirstMode(), 3);
    EXPECT_EQ(rig.rx.RxModeIndex, 2);
    EXPECT_EQ(rig.rx.AcquisitionEnabled, 0);
    EXPECT_EQ(rig.controls.Text(Control::txtModo), "MUV16/2000");
}

TEST(ReceiverSetup, RestartArmsTheTimersAndClearsTheReadouts) {
    for (const bool beaconOn : {false, true}) {
        ReceiverRig rig;
        auto& c = rig.controls;
        rig.ShowSwitch(Control::imgONBeacon, beaconOn);
        c.SetVisible(Control::txtTonoDePrueba, true);
        c.SetEnabled(Control::imgOFFBeacon, false);
        c.Manual(TimerId::tmrCPUProteccion).SetEnabled(true);
        c.Manual(TimerId::tmrRefrescoAdquisicionMaxima).SetEnabled(false);
        rig.rx.ChannelBusy = 1;
        rig.rx.PeakLevel = 900;
        rig.rx.RxLocked = 1;
        rig.rx.EndMatchCount = 9;
        rig.rx.SyncMatchCount = 9;
        rig.rx.RxRingIndex = 5;
        rig.rx.RestartReceiver();

        const std::tuple<TimerId, int, bool> timers[] = {
            {TimerId::tmrRX, 0, true},
            {TimerId::tmrRefrescoMetrica, 400, true},
            {TimerId::tmrRefrescoAdquisicion, 200, true},
            {TimerId::tmrRefrescoAdquisicionFinal, 200, true},
            {TimerId::tmrRefrescoAdquisicionMaxima, 8000, false},  // keeps its state
            {TimerId::tmrCPUProteccion, 60000, false},
            {TimerId::tmrVolumenBeacon, 2000, true},
        };
        for (const auto& [id, interval, enabled] : timers) {
            if (interval) {
                EXPECT_EQ(c.Manual(id).Interval(), interval) << int(id);
            }
            EXPECT_EQ(c.Manual(id).Enabled(), enabled) << int(id);
        }
        EXPECT_EQ(c.Manual(TimerId::tmrRefrescoVumetro).Interval(), 100);
        EXPECT_EQ(c.Manual(TimerId::tmrRefrescoAdquisicionMaximaFinal).Interval(), 8000);
        EXPECT_EQ(c.Manual(TimerId::tmrEmail).Interval(), 4000);
        EXPECT_TRUE(c.Enabled(Control::imgOFFBeacon));
        EXPECT_FALSE(c.Visible(Control::txtTonoDePrueba));
        EXPECT_EQ(c.Visible(Control::txtTemporizadorBeacon), beaconOn);
        EXPECT_EQ(rig.rx.ChannelBusy, 0);
        EXPECT_EQ(rig.rx.PeakLevel, 0);
        EXPECT_EQ(rig.rx.RxLocked, 0);
        EXPECT_EQ(rig.rx.EndMatchCount, 1);
        EXPECT_EQ(rig.rx.SyncMatchCount, 0);
        EXPECT_EQ(rig.rx.RxRingIndex, 0);
        EXPECT_EQ(rig.rx.AcquisitionEnabled, 1);
    }
}

// ---------------------------------------------------------------- ticks

// A receiver whose input has all 50 buffers filled, with the matrix for its option. It follows
// `follow` without searching, and the end-of-message timer holds its decoder, so that the stages that
// run show only as column counters.
struct TickRig : ReceiverRig {
    TickRig(uint8_t bandClass, Control option, uint8_t follow) {
        shared.BandClass = bandClass;
        ShowSwitch(option, true);
        input.autoFill = false;
        rx.Input().OpenSoundInput(bandClass == 1 ? 3584 : 3072);
        input.FillBuffers(50);
        rx.ResizeToneMatrix();
        rx.AcquisitionEnabled = 0;
        rx.RxModeIndex = follow;
        controls.Manual(TimerId::tmrProcesarFinal).SetEnabled(true);
    }
    // Columns written per tone-bin set over the given number of ticks.
    std::array<int, 8> ColumnsOver(int ticks) {
        const auto before = rx.ToneBinTable;
        for (int t = 0; t < ticks; ++t)
            rx.RxTick();
        std::array<int, 8> written{};
        for (int s = 1; s <= 7; ++s)
            written[s] = rx.ToneBinTable[s] - before[s];
        return written;
    }
};

TEST(ReceiverTicks, FollowedModeRunsAtItsCadence) {
    const std::tuple<uint8_t, Control, uint8_t, int, int> cases[] = {
        // band class, option, followed mode, its tone-bin set, columns over two buffers
        {2, Control::imgRXON1, 1, 1, 16},   {2, Control::imgRXON1, 2, 2, 8},
        {2, Control::imgRXON1, 3, 3, 4},    {1, Control::imgRXON1MF, 9, 4, 8},
        {1, Control::imgRXON1MF, 10, 5, 1}, {3, Control::imgAFC200, 8, 7, 1},
        {3, Control::txtModo, 7, 6, 1},
    };
    for (const auto& [bandClass, option, mode, set, columns] : cases) {
        TickRig rig(bandClass, option, mode);
        std::array<int, 8> expected{};
        expected[set] = columns;
        EXPECT_EQ(rig.ColumnsOver(2), expected) << int(mode);
        EXPECT_EQ(rig.rx.CurrentSymbolColumn, rig.rx.ToneBinTable[set]) << int(mode);
    }

    // The group counters carry over from buffer to buffer: M3 three groups on runs in groups 1 and 5.
    TickRig rig(2, Control::imgRXON1, 3);
    rig.rx.RxState.GroupCounter[1] = 3;
    EXPECT_EQ(rig.ColumnsOver(1)[3], 2);
    EXPECT_EQ(rig.rx.RxState.GroupCounter[1], 3);
}

TEST(ReceiverTicks, SearchingRunsTheModesOfTheReceiveOption) {
    {
        TickRig rig(2, Control::imgRXON1, 7);  // followed mode outside the group
        rig.rx.AcquisitionEnabled = 1;
        EXPECT_EQ(rig.ColumnsOver(1), (std::array<int, 8>{0, 8, 4, 2, 0, 0, 0, 0}));
    }
    {
        TickRig rig(2, Control::imgRXON3, 3);   // option 3: the slowest mode only
        rig.rx.Matrix.Resize(1, 3, 1392, 528);  // even where the matrix has room for the others
        rig.rx.AcquisitionEnabled = 1;
        EXPECT_EQ(rig.ColumnsOver(1), (std::array<int, 8>{0, 0, 0, 2, 0, 0, 0, 0}));
    }
    {
        TickRig rig(1, Control::imgRXON3MF, 10);
        rig.rx.AcquisitionEnabled = 1;
        EXPECT_EQ(rig.ColumnsOver(2), (std::array<int, 8>{0, 0, 0, 0, 0, 1, 0, 0}));
    }
}

TEST(ReceiverTicks, NoBufferChangesNothing) {
    TickRig rig(2, Control::imgRXON1, 1);
    rig.input.Reset();  // every buffer back unfilled
    rig.rx.RxState.GroupCounter[0] = 1;
    const auto ring = rig.rx.RxSampleRing;
    const auto counters = rig.rx.RxState.GroupCounter;
    EXPECT_EQ(rig.ColumnsOver(3), (std::array<int, 8>{}));
    EXPECT_EQ(rig.rx.RxRingIndex, 0);
    EXPECT_EQ(rig.rx.RxState.GroupCounter, counters);
    EXPECT_EQ(rig.rx.RxSampleRing, ring);
    EXPECT_EQ(rig.rx.Input().NextInputBuffer, 1);
}

TEST(ReceiverTicks, StageOfAModeWithoutAPlaneIsSkipped) {
    TickRig rig(2, Control::imgRXON2, 3);  // the matrix holds M1 and M2 only
    EXPECT_EQ(rig.ColumnsOver(1), (std::array<int, 8>{}));
    EXPECT_TRUE(rig.host.events.empty());
}

TEST(ReceiverTicks, FaultInsideATickIsReportedOnceAndRestartsTheReceiver) {
    TickRig rig(2, Control::imgRXON1, 1);
    rig.ShowSwitch(Control::imgONWaterFall, true);
    rig.rx.RxModeIndex = 200;  // no such record: the waterfall's markers fault
    rig.rx.RxTick();
    EXPECT_EQ(rig.host.events, std::vector<std::string>{"Error 19 0"});
    EXPECT_EQ(rig.rx.RxModeIndex, 1);
    EXPECT_TRUE(rig.controls.Manual(TimerId::tmrRX).Enabled());
    rig.rx.RxModeIndex = 200;
    rig.rx.RxTick();
    EXPECT_EQ(rig.host.events.size(), 1u);
}

// ---------------------------------------------------------------- waterfall

TEST(Waterfall, SilenceDrawsWhiteWithRedMarkersAndScrollsEvery1023Samples) {
    Waterfall w;
    w.Image.SetPixel(5, 0, RGB(1, 2, 3));
    for (int i = 0; i < 1022; ++i)
        w.WaterfallAddSample(0, 333, 436);
    EXPECT_EQ(w.Image.Pixel(5, 0), RGB(1, 2, 3));
    w.WaterfallAddSample(0, 333, 436);  // the 1023rd: one pixel down
    EXPECT_EQ(w.Image.Pixel(5, 1), RGB(1, 2, 3));
    EXPECT_EQ(w.Image.Pixel(5, 0), RGB(1, 2, 3));  // the top row keeps its colours
    EXPECT_EQ(w.ScrollCounter, 0);

    for (int i = 1023; i < 2048; ++i)
        w.WaterfallAddSample(0, 333, 436);
    EXPECT_EQ(w.LinesDrawn, 1u);
    EXPECT_EQ(w.RingIndex, 0);
    for (int y = 0; y < 2; ++y) {  // a pen two pixels high
        EXPECT_EQ(w.Image.Pixel(5, y), RGB(255, 255, 255));
        EXPECT_EQ(w.Image.Pixel(768, y), RGB(255, 255, 255));
        EXPECT_EQ(w.Image.Pixel(333, y), RGB(255, 0, 0));
        EXPECT_EQ(w.Image.Pixel(436, y), RGB(255, 0, 0));
    }
    EXPECT_EQ(w.Image.Pixel(333, 2), RGB(255, 255, 255));
}

TEST(Waterfall, StrongBinsAreBlackAndMarkersOutsideThePictureAreNotDrawn) {
    Waterfall w;
    for (int i = 0; i < 2048; ++i)  // bin 100 at magnitude 2000 x 1024, above 3500 x 255
        w.WaterfallAddSample(static_cast<float>(2000 * std::cos(2 * kPi * 100 * i / 2048)), -1, 769);
    EXPECT_EQ(w.Image.Pixel(100, 0), RGB(0, 0, 0));
    EXPECT_EQ(w.Image.Pixel(50, 0), RGB(255, 255, 255));
    for (int x = 0; x < kWaterfallBins; ++x)
        ASSERT_NE(w.Image.Pixel(x, 0), RGB(255, 0, 0)) << x;
}

TEST(Waterfall, FrontEndFeedsItWithTheReceiveModesMarkersButNeverOnEme) {
    ReceiverRig rig;
    rig.ShowSwitch(Control::imgONWaterFall, true);
    const auto silence = ToneBuffer(3072, 0, 0);
    for (int b = 0; b < 4; ++b)  // 2048 decimated samples
        RunBuffer(rig.rx, silence);
    const Waterfall& w = rig.rx.GetWaterfall();
    EXPECT_EQ(w.LinesDrawn, 1u);
    EXPECT_EQ(w.Image.Pixel(365, 0), RGB(255, 0, 0));  // imgAFC200 hidden: M1's narrow-range markers
    EXPECT_EQ(w.Image.Pixel(404, 0), RGB(255, 0, 0));
    EXPECT_EQ(w.Image.Pixel(333, 0), RGB(255, 255, 255));

    rig.ShowSwitch(Control::imgAFC200, true);
    rig.rx.RxModeIndex = 4;
    for (int b = 0; b < 4; ++b)
        RunBuffer(rig.rx, silence);
    EXPECT_EQ(w.Image.Pixel(396, 0), RGB(255, 0, 0));
    EXPECT_EQ(w.Image.Pixel(500, 0), RGB(255, 0, 0));

    rig.shared.BandClass = 3;
    RunBuffer(rig.rx, silence);
    EXPECT_EQ(w.RingIndex, 0);
}

}  // namespace
}  // namespace muv::test
