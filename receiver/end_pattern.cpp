// The end of a message, the operator's cancel, the frame's frequency offset and the message's S/N.
#include <algorithm>
#include <cmath>
#include <exception>
#include <string>

#include "receiver/receiver.h"

namespace muv {

namespace {

// From the end of a message (recognised or cancelled) to its closing.
constexpr int kEndOfMessageDelayMs = 250;

}  // namespace

// Trap steps: 0 before the test's count, 1 after it, 2 after the display.
uint8_t Receiver::MatchEndPattern(uint8_t tone, uint8_t operation) {
    int step = 0;
    uint8_t decision = 0;
    try {
        const ModeRecord& r = RxMode();
        const int length = r.EndPatternLength;
        auto& pattern = RxState.ReceivedPattern;
        switch (operation) {
            case 1:
                std::fill(pattern.begin() + 1, pattern.begin() + 1 + length, uint8_t{0});
                break;
            case 2:
                std::copy(pattern.begin() + 2, pattern.begin() + 1 + length, pattern.begin() + 1);
                pattern[length] = tone;
                break;
            case 3: {
                // Position by position, no search over shifts: the end shows at the one symbol where
                // the last tones line up with the table, and only some of them need to be right.
                int count = 0;
                for (int i = 1; i <= length; ++i)
                    if (pattern[i] == links_.modes.EndPatternTable[i]) ++count;
                step = 1;
                if (count > EndMatchCount) EndMatchCount = static_cast<uint8_t>(count);
                if (count < r.EndPatternThreshold) break;
                decision = 1;
                EndMatchAtStop = static_cast<uint8_t>(count);
                // The final-acquisition read-out holds this count until its hold timer releases it.
                GetTimer(TimerId::tmrRefrescoAdquisicionFinal).SetEnabled(false);
                GetTimer(TimerId::tmrRefrescoAdquisicionMaximaFinal).SetEnabled(true);
                WindowControls& c = links_.controls;
                ShowMatchCount(kMeterFinalAcquisition, Control::txtAdquisicionFinal,
                               links_.texts.TxtFinalAcquisition, count, length);
                c.SetBackColor(Control::txtAdquisicionFinal,
                               MatchColour(count, r.FinalAcquisitionRedLimit, r.FinalAcquisitionYellowLimit));
                step = 2;
                break;
            }
            default:
                break;
        }
    } catch (const std::exception&) {
        TrapFault(26, step);
    }
    return decision;
}

void Receiver::CancelFrame() {
    if (RxLocked != 1) return;
    ShowMatchCount(kMeterFinalAcquisition, Control::txtAdquisicionFinal, links_.texts.TxtFinalAcquisition, 0,
                   RxMode().EndPatternLength);
    EndMessage("CANCEL");
}

void Receiver::EndMessage(const std::string& reason) {
    EndReason = reason;
    // The end-of-message processing (ProcessFinishedMessage) closes the message when this timer runs.
    Timer& t = GetTimer(TimerId::tmrProcesarFinal);
    t.SetInterval(kEndOfMessageDelayMs);
    t.SetEnabled(true);
}

// Trap steps: 0 up to the text, 1 before the meter, 2 at the end.
float Receiver::ShowFrequencyShift() {
    if (RxLocked == 0) return 0;
    int step = 0;
    try {
        const ModeRecord& r = RxMode();
        WindowControls& c = links_.controls;
        // One receiver bin is SymbolRate / 2 Hz wide.
        const double bins = FrameBaseBin - RoundHalfEven(r.BaseToneBin);
        const float shift = static_cast<float>(bins * r.SymbolRate / 2);
        c.SetText(Control::txtAFC, links_.texts.TxtFrequencyShift + Format(shift, "0.0") + " Hz");
        const float range = links_.shared.switches.wideAfc ? r.WideAfcHz : r.NarrowAfcHz;
        c.SetBackColor(Control::txtAFC, std::fabs(shift) < range ? kStatusGreen : kStatusRed);
        step = 1;
        // The needle's full swing is ± range.
        c.DrawMeterNeedle(kMeterFrequencyOffset,
                          std::clamp(shift * 100.0f / (2.0f * range) + 50.0f, 0.0f, 100.0f));
        step = 2;
        return shift;
    } catch (const std::exception&) {
        TrapFault(26, step);
        return 0;
    }
}

float Receiver::SnToDb2500() {
    try {
        const ModeRecord& r = RxMode();
        // A message that ended before any symbol was measured has no S/N of its own: report it at the
        // mode's threshold rather than as a fault.
        if (SnCount == 0) return r.SnThresholdDb;
        // The ratios are amplitude ratios, hence 20; the correction refers the noise to 2500 Hz.
        return 20.0f * Log10(SnSum / static_cast<float>(SnCount)) + r.SnCorrectionDb;
    } catch (const std::exception&) {
        TrapFault(8, SnCount);
        return 0;
    }
}

void Receiver::FormatSnAndFadeMargin(std::string& snText, std::string& marginText) {
    try {
        snText = SnDb >= 0 ? "+" + Format(SnDb, "0") : Format(SnDb, "0");
        const float margin = SnDb - links_.modes[LockedMode].SnThresholdDb;
        marginText = margin > 0 ? "+" + Format(margin, "0") : Format(margin, "0");
    } catch (const std::exception&) {
        // Not a fault of the receive chain, so no restart; the report carries the S/N text so far.
        if (reportedTraps_.insert(13).second) links_.errors.ReportTrappedError(13, snText);
    }
}

float Receiver::Log10(float x) {
    if (!(x > 0)) return 0;
    const double result = std::log(static_cast<double>(x)) / std::log(10.0);
    return std::isfinite(result) ? static_cast<float>(result) : 0.0f;
}

FinishedMessage Receiver::FinishMessage() {
    FinishedMessage m;
    m.text = RxText();
    m.stopped = EndReason == "STOP";
    SnDb = SnToDb2500();
    m.snDb = SnDb;
    m.syncMatchesAtLock = LockSyncMatchesAtLock;
    m.endMatches = m.stopped ? EndMatchAtStop : 0;
    m.frequencyShiftHz = FrequencyShiftHz;
    m.meanViterbiErrors =
        ViterbiErrorSamples == 0
            ? 0.0f
            : static_cast<float>(static_cast<double>(ViterbiErrorSum) / ViterbiErrorSamples);
    m.cpuLoadAtLock = CpuLoadAtLock;
    m.meanLevelDb = RxLevelCount == 0 ? 0.0f : static_cast<float>(RxLevelSumDb / RxLevelCount);
    m.frequencyAtLock = FrequencyAtLock;
    return m;
}

}  // namespace muv
