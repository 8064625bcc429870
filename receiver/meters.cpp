// The refreshers behind the main window's meter timers: they turn the raw values that the receive
// chain leaves behind into texts, back colours and needles, so that the sample path never draws.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/vb.h"
#include "receiver/receiver.h"

namespace muv {

namespace {

// Meters of the main window.

constexpr float kLevelFloorDb = -20;
// After a refresh PeakLevel stays below 0 until the front end examines a sample (its running maximum of
// |sample| starts from any negative value as from none): -1 after a refresh that saw audio, one lower
// at each refresh that saw none since. So "no audio came" (below 0) is told from "silence came" (0).
constexpr float kNoAudioSinceRefresh = -1;
// The sound card hands its audio over in bursts (through a sound server, a third of a second at once),
// and most refreshes see none: the meter keeps the level of the last burst. Only when no audio has come
// for this many refreshes (a second) has the input stopped, and the meter falls to the floor.
constexpr float kLevelHoldRefreshes = 10;
constexpr float kCpuOverloadPercent = 87.5f;

// A Single as the program writes it into a text: its shortest decimal form (7 significant digits),
// without the blank that Str puts before a non-negative number.
std::string SingleAsText(float value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.7g", static_cast<double>(value));
    std::string text = Str(std::strtod(buffer, nullptr));
    if (!text.empty() && text.front() == ' ') text.erase(0, 1);
    return text;
}

}  // namespace

float Receiver::AverageSn(float value, uint8_t mode) {
    const ModeRecord& m = RxMode();
    // The history holds 64 samples; a length outside 1..64 would read past it.
    const int length = std::clamp<int>(m.SnAverageLength, 1, 64);
    auto& history = RxState.SnHistory;
    if (mode != 1) {
        for (int i = 1; i < length; ++i)
            history[i] = history[i + 1];
        history[length] = value;
        return 0;
    }
    float sum = 0;
    for (int i = 1; i <= length; ++i)
        sum += history[i];
    const float mean = sum / static_cast<float>(length);
    // An empty history has no logarithm: it reads as the mode's threshold.
    if (mean == 0) return m.SnThresholdDb;
    return 20 * std::log10(mean) + m.SnCorrectionDb;
}

void Receiver::RefreshVuMeter() {
    WindowControls& controls = links_.controls;
    const bool transmitting = links_.shared.TxRxState != 0;
    float level = kLevelFloorDb;
    bool heard = false;  // audio came since the last refresh
    if (transmitting) {
        // The level meter shows the output volume while the receiver is silent.
        const int slider = links_.host.VolumeSliderValue();
        if (slider != 0 && !links_.host.WaveOutMuted())
            level = std::min(0.0f, 10 * std::log10(static_cast<float>(slider) / 100));
    } else {
        heard = PeakLevel >= 0;
        if (!heard) {
            // Nothing came: what the meter shows stays, until the input has stayed silent too long.
            constexpr float kStopped = kNoAudioSinceRefresh - kLevelHoldRefreshes;
            PeakLevel = std::max(PeakLevel - 1, kStopped);
            if (PeakLevel > kStopped) return;
        } else if (PeakLevel != 0) {
            level = std::min(0.0f, 10 * std::log10(PeakLevel / 32767));
        }
        controls.SetText(Control::txtVU, links_.texts.TxtVolume + Format(level, "0") + " dB");
    }

    const float needle = level < kLevelFloorDb ? 0 : 100 - level * 100 / kLevelFloorDb;
    controls.DrawMeterNeedle(kMeterLevel, needle);

    // The message's mean level counts what was heard, not the refreshes between bursts.
    if (heard) {
        if (RxLocked == 1) {
            RxLevelSumDb += level;
            RxLevelCount += 1;
        }
        PeakLevel = kNoAudioSinceRefresh;
    }
}

void Receiver::RefreshMetrics() {
    WindowControls& controls = links_.controls;
    const ModeRecord& m = RxMode();

    // Below the mode's threshold the reading is no measure of the signal: the read-out shows the
    // threshold, as it does before any signal came. The S/N of a finished message is not held to it,
    // since its fade margin tells how far below the threshold it was.
    const float sn = std::max(AverageSn(0, 1), m.SnThresholdDb);
    controls.SetText(Control::txtSN, "S/N (2500 Hz): " + Format(sn, "0") + " dB");
    const float needle = 100 - sn * 100 / m.SnThresholdDb;
    if (RxLocked == 1) {
        ColorRef colour = kStatusGreen;
        if (sn < m.SnRedLimitDb)
            colour = kStatusRed;
        else if (sn < m.SnYellowLimitDb)
            colour = kStatusYellow;
        controls.SetBackColor(Control::txtSN, colour);
    }
    controls.DrawMeterNeedle(kMeterSn, sn <= 0 ? needle : 100);

    // The Viterbi display changes only with its value.
    if (ViterbiMetric == RxState.LastViterbiMetric) return;
    const float p = 100.0f / static_cast<float>(m.ViterbiFullScale) * static_cast<float>(ViterbiMetric);
    controls.SetText(Control::txtViterbi, "Viterbi: " + Format(p, "0") + " %");
    if (RxLocked == 1) {
        ColorRef colour = kStatusRed;
        if (p <= 16.7f)
            colour = kStatusGreen;
        else if (p <= 33.3f)
            colour = kStatusYellow;
        controls.SetBackColor(Control::txtViterbi, colour);
        if (p >= 32) controls.SetVisible(Control::pctCancelFrame, true);
        Timer& cancel = GetTimer(TimerId::tmrCancelFrame);
        if (p >= 50) {
            // Armed once: setting it again at every new value would restart its count, and a signal
            // that stays bad would never be cancelled.
            if (!cancel.Enabled()) {
                cancel.SetInterval(m.CancelFrameDelayMs);
                cancel.SetEnabled(true);
            }
        } else {
            cancel.SetEnabled(false);
        }
    }
    controls.DrawMeterNeedle(kMeterViterbi, std::max(0.0f, 100 - 2 * p));
    RxState.LastViterbiMetric = ViterbiMetric;
}

void Receiver::RefreshAcquisitionMeter() {
    const uint8_t matched = SyncMatchCount;
    ShowMatchCount(kMeterFrameAcquisition, Control::txtAdquisicionInicial, links_.texts.TxtFrameAcquisition,
                   matched, RxMode().SyncSymbolCount);
    RxState.LastSyncMatchCount = matched;
    SyncMatchCount = 0;
}

void Receiver::RefreshFinalAcquisitionMeter() {
    if (RxLocked != 1 || EndMatchCount == RxState.LastEndMatchCount) return;
    const uint8_t matched = EndMatchCount;
    ShowMatchCount(kMeterFinalAcquisition, Control::txtAdquisicionFinal, links_.texts.TxtFinalAcquisition,
                   matched, RxMode().EndPatternLength);
    RxState.LastEndMatchCount = matched;
    EndMatchCount = 0;
}

void Receiver::ShowMatchCount(MeterId meter, Control box, const std::string& prefix, int count, int total) {
    links_.controls.DrawMeterNeedle(meter, static_cast<float>(count) * 100.0f / static_cast<float>(total));
    links_.controls.SetText(box, prefix + std::to_string(count) + "/" + std::to_string(total));
}

ColorRef Receiver::MatchColour(int count, int redLimit, int yellowLimit) {
    return count <= redLimit ? kStatusRed : count <= yellowLimit ? kStatusYellow : kStatusGreen;
}

void Receiver::ReleaseAcquisitionHold() {
    GetTimer(TimerId::tmrRefrescoAdquisicion).SetEnabled(true);
    GetTimer(TimerId::tmrRefrescoAdquisicionMaxima).SetEnabled(false);
    links_.controls.SetBackColor(Control::txtAdquisicionInicial, kStatusGrey);
}

void Receiver::ReleaseFinalAcquisitionHold() {
    GetTimer(TimerId::tmrRefrescoAdquisicionFinal).SetEnabled(true);
    GetTimer(TimerId::tmrRefrescoAdquisicionMaximaFinal).SetEnabled(false);
    links_.controls.SetBackColor(Control::txtAdquisicionFinal, kStatusGrey);
    links_.controls.DrawMeterNeedle(kMeterFinalAcquisition, 0);
    links_.controls.SetText(Control::txtAdquisicionFinal, links_.texts.TxtFinalAcquisition + "0/" +
                                                              std::to_string(RxMode().EndPatternLength));
}

float Receiver::RefreshCpuMeter(uint8_t draw) {
    WindowControls& controls = links_.controls;
    Timer& guard = GetTimer(TimerId::tmrCPUProteccion);
    if (!links_.host.CpuCounterAvailable()) {
        // Without the load the guard cannot work, and the beacon may only answer reports.
        controls.SetBackColor(Control::txtCPU, kStatusYellow);
        controls.SetText(Control::txtCPU, links_.texts.TxtCpuUnavailable);
        guard.SetEnabled(false);
        links_.host.SetBeaconModesAvailable(false);
        return 0;
    }
    links_.host.SetBeaconModesAvailable(true);
    const float load = links_.host.ReadCpuLoad();
    if (draw == 1) {
        controls.DrawMeterNeedle(kMeterCpu, load);
        if (load >= kCpuOverloadPercent) {
            controls.SetBackColor(Control::txtCPU, kStatusRed);
            // Enabling a running guard keeps its count: it fires after a whole interval of overload.
            if (links_.shared.TxRxState == 0) guard.SetEnabled(true);
        } else {
            guard.SetEnabled(false);
            controls.SetBackColor(Control::txtCPU, kStatusGrey);
        }
        controls.SetText(Control::txtCPU, links_.texts.TxtCpuUsage + Format(load, "0") + " %");
    }
    return load;
}

void Receiver::ResetRxDisplay() {
    WindowControls& controls = links_.controls;
    const ModeRecord& m = RxMode();
    controls.DrawMeterNeedle(kMeterTiming, 50);
    for (MeterId meter :
         {kMeterViterbi, kMeterFrameAcquisition, kMeterCpu, kMeterFinalAcquisition, kMeterLevel})
        controls.DrawMeterNeedle(meter, 0);

    controls.SetText(Control::txtAdquisicionInicial,
                     links_.texts.TxtFrameAcquisition + "0/" + std::to_string(m.SyncSymbolCount));
    controls.SetBackColor(Control::txtAdquisicionInicial, kStatusGrey);
    controls.SetText(Control::txtAdquisicionFinal,
                     links_.texts.TxtFinalAcquisition + "0/" + std::to_string(m.EndPatternLength));
    controls.SetBackColor(Control::txtAdquisicionFinal, kStatusGrey);

    controls.SetText(Control::txtSincronismo, "UNLOCKED");
    controls.SetText(Control::txtViterbi, "Viterbi: 0%");
    controls.SetText(Control::txtSN, "S/N (2500 Hz): " + SingleAsText(m.SnThresholdDb) + " dB");
    controls.SetText(Control::txtVU, links_.texts.TxtVolume + "-20 dB");
}

}  // namespace muv
