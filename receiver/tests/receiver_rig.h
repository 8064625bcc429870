// A receiver wired to in-memory windows, controls and sound input, with a host and an error reporter
// that record what the receiver asks of them.
#pragma once

#include <string>
#include <vector>

#include "common/memory_text_window.h"
#include "platform/memory_sound.h"
#include "receiver/receiver.h"

namespace muv::test {

class RecordingReceiverHost : public ReceiverHost, public ErrorReporter {
public:
    int InputDeviceIndex() const override { return inputDevice; }
    void SetInputDeviceIndex(int index) override { inputDevice = index; }
    void SoundCardFailure(const std::string& message) override {
        events.push_back("SoundCardFailure " + message);
    }
    int32_t CatFrequencyHz() const override { return catFrequencyHz; }
    bool CpuCounterAvailable() const override { return cpuAvailable; }
    float ReadCpuLoad() override { return cpuLoad; }
    void SetBeaconReportArmed(bool armed) override { reportArmed = armed; }
    void SetBeaconModesAvailable(bool available) override { beaconModesAvailable = available; }
    void LookupHeardCallLocator() override { events.push_back("LookupHeardCallLocator"); }
    int VolumeSliderValue() const override { return volume; }
    bool WaveOutMuted() const override { return muted; }
    void ReportTrappedError(int number, const std::string& context) override {
        events.push_back("Error " + std::to_string(number) + " " + context);
    }

    int inputDevice = -1;
    int32_t catFrequencyHz = 14070000;
    bool cpuAvailable = true;
    float cpuLoad = 12.5f;
    bool reportArmed = false;
    bool beaconModesAvailable = true;
    int volume = 50;
    bool muted = false;
    std::vector<std::string> events;
};

// A receiver on a given band class, bandwidth and receive option, fed from memory.
class ReceiverRig {
public:
    explicit ReceiverRig(std::vector<int16_t> audio = {})
        : input(std::move(audio)),
          rx({StandardModeTables(), StandardVaricodeTable(), shared, log, texts, rxWindow, controls, input,
              host, host}) {}

    // Shows or hides a switch picture, and the switch follows it as in the main window.
    void ShowSwitch(Control picture, bool shown = true) {
        controls.SetVisible(picture, shown);
        FollowSwitchPicture(shared.switches, picture, shown);
    }

    MemoryTextWindow rxWindow;
    MemoryWindowControls controls;
    SharedState shared;
    SessionLog log;
    InterfaceTexts texts;
    RecordingReceiverHost host;
    MemorySoundInput input;
    Receiver rx;
};

// Puts a message's text where the character decoder leaves it.
inline void SetRxText(Receiver& rx, const std::string& text) {
    const_cast<std::string&>(rx.RxText()) = text;
}

}  // namespace muv::test
