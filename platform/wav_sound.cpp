#include "platform/wav_sound.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace muv {

// ---------------------------------------------------------------- output

WavFileSoundOutput::WavFileSoundOutput(std::string path, bool append, bool realTime,
                                       std::function<Clock::time_point()> now)
    : path_(std::move(path)), append_(append), realTime_(realTime), now_(std::move(now)) {}

void WavFileSoundOutput::KeepError() {
    if (error_.empty()) error_ = writer_.LastError();
}

bool WavFileSoundOutput::Open(int) {
    // The file is kept open between a Close and the next Open when appending; its header is
    // patched at every Close. A file that failed is not continued: what it holds ends where it failed.
    if (!append_ || !writer_.IsOpen()) {
        if (!writer_.Open(path_, kSampleRate)) {
            error_ = writer_.LastError();
            return false;
        }
        error_.clear();
    } else if (!error_.empty()) {
        return false;
    }
    open_ = true;
    Reset();
    return true;
}

void WavFileSoundOutput::Write(int buffer, const int16_t* samples, int count) {
    if (!open_ || !error_.empty()) return;
    if (!writer_.Append(samples, count)) {
        KeepError();
        return;
    }
    if (!realTime_ || count <= 0) return;
    // What the clock has played is forgotten; the rest waits for its time.
    const int64_t played = PlayedSamples();
    while (!queue_.empty() && queue_.front().end <= played)
        queue_.pop_front();
    queuedSamples_ += count;
    queue_.push_back({buffer, queuedSamples_});
}

bool WavFileSoundOutput::IsDone(int buffer) const {
    if (queue_.empty()) return true;
    const int64_t played = PlayedSamples();
    return std::none_of(queue_.begin(), queue_.end(),
                        [&](const Queued& q) { return q.buffer == buffer && q.end > played; });
}

void WavFileSoundOutput::Reset() {
    queue_.clear();
    queuedSamples_ = 0;
    if (realTime_) clockStart_ = now_();
}

void WavFileSoundOutput::Close() {
    if (!open_) return;
    open_ = false;
    queue_.clear();
    queuedSamples_ = 0;
    if (!(append_ ? writer_.Flush() : writer_.Close())) KeepError();
}

int WavFileSoundOutput::PendingSamples() const {
    if (queue_.empty()) return 0;
    const int64_t pending = queuedSamples_ - PlayedSamples();
    return static_cast<int>(std::clamp<int64_t>(pending, 0, std::numeric_limits<int>::max()));
}

int64_t WavFileSoundOutput::PlayedSamples() const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now_() - clockStart_).count();
    return elapsed <= 0 ? 0 : elapsed * kSampleRate / 1'000'000;
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
