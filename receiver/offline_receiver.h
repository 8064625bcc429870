// The receiver driven exactly as the program drives it, without windows or sound card: audio from
// memory goes through the receive ticks one sound buffer at a time, and the main window's timers run on
// sample time. The loopback tests and the benchmark decode with it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace muv {

struct OfflineReceiverSettings {
    uint8_t BandClass = 2;       // 1 MF, 2 HF, 3 EME
    int16_t BandwidthHz = 2000;  // HF: 2000 or 500
    int option = 1;              // receive option 1 to 3 (HF and MF)
    bool wideAfc = false;        // the wide AFC range (EME: the wide search, mode 8)
};

struct ReceivedMessage {
    std::string text;       // what the character decoders produced
    std::string endReason;  // "STOP" or "CANCEL"
    int mode = 0;           // the mode that locked
    float snDb = 0;         // S/N in dB referred to 2500 Hz
    float frequencyShiftHz = 0;
    double lockSeconds = 0;  // audio time of the lock and of the end
    double endSeconds = 0;
};

class OfflineReceiver {
public:
    explicit OfflineReceiver(const OfflineReceiverSettings& settings);
    ~OfflineReceiver();

    // Decodes the audio (48000 samples/s), then as much silence again as the end processing needs.
    void Decode(const std::vector<int16_t>& audio);

    const std::vector<ReceivedMessage>& Messages() const;
    // Frames that locked, including those that never ended.
    int Locks() const;
    // Seconds of audio processed.
    double AudioSeconds() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The settings that make the receiver decode a transmit mode (1 to 10), in the receive option that
// decodes that mode alone where there is one.
OfflineReceiverSettings SettingsForMode(int mode);

// The frequency offsets (Hz) of a signal that the receiver's search window for the mode covers, one bin
// inside each edge: the narrow window, or the wide one where the mode has only that. The reading of the
// frequency shift for such a signal is offset + NominalShiftHz(mode).
struct OffsetRange {
    double low;
    double high;
};
OffsetRange SearchableOffsets(int mode);
// The frequency shift the receiver reads for a signal on its nominal frequency: tone 0 of sub-band 1
// measured against the mode's centre bin (the narrow EME path hears the audio 500 Hz lower).
double NominalShiftHz(int mode);

}  // namespace muv
