#include "receiver/offline_receiver.h"

#include "common/memory_text_window.h"
#include "platform/memory_sound.h"
#include "receiver/receiver.h"

namespace muv {

namespace {

class OfflineHost : public ReceiverHost, public ErrorReporter {
public:
    int InputDeviceIndex() const override { return -1; }
    void SetInputDeviceIndex(int) override {}
    void SoundCardFailure(const std::string&) override {}
    int32_t CatFrequencyHz() const override { return 0; }
    bool CpuCounterAvailable() const override { return false; }
    float ReadCpuLoad() override { return 0; }
    void SetBeaconReportArmed(bool) override {}
    void SetBeaconModesAvailable(bool) override {}
    void LookupHeardCallLocator() override {}
    int VolumeSliderValue() const override { return 0; }
    bool WaveOutMuted() const override { return false; }
    void ReportTrappedError(int number, const std::string& context) override {
        errors.push_back("E" + std::to_string(number) + " " + context);
    }
    std::vector<std::string> errors;
};

}  // namespace

struct OfflineReceiver::Impl {
    explicit Impl(const OfflineReceiverSettings& s)
        : rx({StandardModeTables(), StandardVaricodeTable(), shared, log, texts, window, controls, input,
              host, host}) {
        shared.BandClass = s.BandClass;
        shared.BandwidthHz = s.BandwidthHz;
        ModemSwitches& sw = shared.switches;
        (s.BandClass == 1 ? sw.mfReceiveOption : sw.hfReceiveOption) = static_cast<uint8_t>(s.option);
        sw.wideAfc = s.wideAfc;
        sw.hfSymbolRateFrame = s.BandClass == 2;

        controls.Manual(TimerId::tmrProcesarFinal).OnTimer = [this] { FinishMessage(); };
        controls.Manual(TimerId::tmrCancelFrame).OnTimer = [this] {
            controls.GetTimer(TimerId::tmrCancelFrame).SetEnabled(false);
            rx.CancelFrame();
        };
        controls.Manual(TimerId::tmrRefrescoMetrica).OnTimer = [this] { rx.RefreshMetrics(); };
        controls.Manual(TimerId::tmrRefrescoVumetro).OnTimer = [this] { rx.RefreshVuMeter(); };
        controls.Manual(TimerId::tmrRefrescoAdquisicion).OnTimer = [this] { rx.RefreshAcquisitionMeter(); };
        controls.Manual(TimerId::tmrRefrescoAdquisicionFinal).OnTimer = [this] {
            rx.RefreshFinalAcquisitionMeter();
        };
        controls.Manual(TimerId::tmrRefrescoAdquisicionMaxima).OnTimer = [this] {
            rx.ReleaseAcquisitionHold();
        };
        controls.Manual(TimerId::tmrRefrescoAdquisicionMaximaFinal).OnTimer = [this] {
            rx.ReleaseFinalAcquisitionHold();
        };
        controls.GetTimer(TimerId::tmrRefrescoVumetro).SetInterval(100);
        controls.GetTimer(TimerId::tmrRefrescoVumetro).SetEnabled(true);
        rx.RestartReceiver();
        rx.OpenSoundInput();
    }

    // The receiver's own part of closing a message: the message is noted, the search resumes.
    void FinishMessage() {
        const FinishedMessage finished = rx.FinishMessage();
        ReceivedMessage m;
        m.text = finished.text;
        m.endReason = rx.EndReason;
        m.mode = rx.LockedMode;
        m.frequencyShiftHz = finished.frequencyShiftHz;
        m.snDb = finished.snDb;
        m.lockSeconds = lockSeconds;
        m.endSeconds = seconds;
        messages.push_back(m);
        rx.CpuLoadAtLock = 0;
        rx.ResumeSearch();
        controls.GetTimer(TimerId::tmrProcesarFinal).SetEnabled(false);
    }

    void Decode(const std::vector<int16_t>& audio) {
        const int spb = rx.RxMode().SamplesPerBuffer;
        input.Append(audio);
        // Enough silence after the audio for the end processing and a cancel to run.
        input.Append(std::vector<int16_t>(static_cast<size_t>(spb) * 40, 0));
        const double bufferMs = 1000.0 * spb / 48000.0;
        double pendingMs = 0;
        while (!input.Exhausted()) {
            const int64_t before = input.SamplesDelivered();
            rx.RxTick();
            if (input.SamplesDelivered() == before) {
                // The ring lags one buffer behind: poll again, as the 1 ms pump would.
                rx.RxTick();
                if (input.SamplesDelivered() == before) break;
            }
            const bool locked = rx.RxLocked == 1;
            if (locked && !wasLocked) {
                ++locks;
                lockSeconds = seconds;
            }
            wasLocked = locked;
            seconds += bufferMs / 1000.0;
            pendingMs += bufferMs;
            const int whole = static_cast<int>(pendingMs);
            pendingMs -= whole;
            controls.AdvanceTimers(whole);
        }
    }

    MemoryTextWindow window;
    MemoryWindowControls controls;
    SharedState shared;
    SessionLog log;
    InterfaceTexts texts;
    OfflineHost host;
    MemorySoundInput input;
    Receiver rx;
    std::vector<ReceivedMessage> messages;
    int locks = 0;
    bool wasLocked = false;
    double seconds = 0;
    double lockSeconds = 0;
};

OfflineReceiver::OfflineReceiver(const OfflineReceiverSettings& settings)
    : impl_(std::make_unique<Impl>(settings)) {}
OfflineReceiver::~OfflineReceiver() = default;
void OfflineReceiver::Decode(const std::vector<int16_t>& audio) {
    impl_->Decode(audio);
}
const std::vector<ReceivedMessage>& OfflineReceiver::Messages() const {
    return impl_->messages;
}
int OfflineReceiver::Locks() const {
    return impl_->locks;
}
double OfflineReceiver::AudioSeconds() const {
    return impl_->seconds;
}

OfflineReceiverSettings SettingsForMode(int mode) {
    switch (mode) {
        case 1:
        case 2:
            return {2, 2000, 2, false};
        case 3:
            return {2, 2000, 3, false};
        case 4:
        case 5:
            return {2, 500, 2, false};
        case 6:
            return {2, 500, 3, false};
        case 7:
            return {3, 2000, 1, false};
        case 8:
            return {3, 2000, 1, true};
        case 9:
            return {1, 2000, 2, false};
        default:
            return {1, 2000, 3, false};
    }
}

double NominalShiftHz(int mode) {
    const ModeRecord& r = StandardModeTables()[mode];
    return r.BaseToneHz - (mode == 7 ? 500 : 0) - r.BaseToneBin * r.SymbolRate / 2;
}

OffsetRange SearchableOffsets(int mode) {
    const ModeRecord& r = StandardModeTables()[mode];
    const double bin = r.SymbolRate / 2;
    const bool wideOnly = r.NarrowWindowLow == 0 && r.NarrowWindowHigh == 0;
    const double low = wideOnly ? r.WideWindowLow : r.NarrowWindowLow;
    const double high = wideOnly ? r.WideWindowHigh : r.NarrowWindowHigh;
    // Where tone 0 of a signal on its nominal frequency falls, in bins.
    const double nominal = r.BaseToneBin + NominalShiftHz(mode) / bin;
    return {(low + 1 - nominal) * bin, (high - 1 - nominal) * bin};
}

}  // namespace muv
