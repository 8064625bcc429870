#include "wav_sound.h"

#include <utility>
#include <vector>

namespace muv {

// ---------------------------------------------------------------- output

WavFileSoundOutput::WavFileSoundOutput(std::string path, bool append)
    : path_(std::move(path)), append_(append) {}

bool WavFileSoundOutput::Open(int) {
    // The file is kept open between a Close and the next Open when appending; its header is
    // patched at every Close.
    if (!append_ || !writer_.IsOpen()) {
        if (!writer_.Open(path_, kSampleRate)) {
            error_ = writer_.LastError();
            return false;
        }
    }
    open_ = true;
    return true;
}

void WavFileSoundOutput::Write(int, const int16_t* samples, int count) {
    if (!open_) return;
    if (!writer_.Append(samples, count)) error_ = writer_.LastError();
}

void WavFileSoundOutput::Close() {
    if (!open_) return;
    open_ = false;
    const bool ok = append_ ? writer_.Flush() : writer_.Close();
    if (!ok) error_ = writer_.LastError();
}

// ---------------------------------------------------------------- input

WavFileSoundInput::WavFileSoundInput(std::string path, bool realTime, bool loop)
    : path_(std::move(path)), realTime_(realTime), loop_(loop) {}

bool WavFileSoundInput::Open(int deviceIndex) {
    std::vector<int16_t> samples;
    if (!ReadWav48k(path_, samples, error_)) return false;
    error_.clear();
    SetSource(std::move(samples), loop_ ? kLoopGapSamples : -1);
    return MemorySoundInput::Open(deviceIndex);
}

void WavFileSoundInput::Start() {
    if (IsStarted()) return;  // the clock runs from the first Start
    MemorySoundInput::Start();
    startTime_ = std::chrono::steady_clock::now();
}

bool WavFileSoundInput::ReadyToFill(int64_t samplesAfter) const {
    if (!realTime_) return true;
    const auto elapsed = std::chrono::steady_clock::now() - startTime_;
    const auto needed = std::chrono::microseconds(samplesAfter * 1'000'000 / kSampleRate);
    return elapsed >= needed;
}

}  // namespace muv
