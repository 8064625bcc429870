#include "platform/wav_sound.h"

#include <pthread.h>

#include <algorithm>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>
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

namespace {

// The time since the start by which the samples up to samplesAfter have played; the pacing of the
// input and its fill clock agree on it to the microsecond.
std::chrono::microseconds PlayTime(int64_t samplesAfter) {
    return std::chrono::microseconds(samplesAfter * 1'000'000 / kSampleRate);
}

}  // namespace

// Calls notify on a thread of its own each time the clock passes the end of one more buffer since the
// start: at start + k buffers, k = 1, 2, ..., while running. It sleeps in between.
class WavFileSoundInput::FillClock {
public:
    using Clock = std::chrono::steady_clock;

    explicit FillClock(std::function<void()> notify)
        : notify_(std::move(notify)), thread_([this] { Run(); }) {}

    ~FillClock() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        changed_.notify_one();
        thread_.join();
    }

    void Start(Clock::time_point start, int bufferSamples) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            start_ = start;
            bufferSamples_ = bufferSamples;
            buffers_ = 0;
            running_ = bufferSamples > 0;
        }
        changed_.notify_one();
    }

    // The thread finds out when it next wakes, and sleeps on.
    void Stop() {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
    }

private:
    void Run() {
        pthread_setname_np(pthread_self(), "wav input");
        std::unique_lock<std::mutex> lock(mutex_);
        while (!quit_) {
            if (!running_) {
                changed_.wait(lock);
                continue;
            }
            const Clock::time_point due = start_ + PlayTime((buffers_ + 1) * bufferSamples_);
            if (Clock::now() < due) {
                changed_.wait_until(lock, due);
                continue;
            }
            ++buffers_;
            lock.unlock();
            notify_();
            lock.lock();
        }
    }

    std::function<void()> notify_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool quit_ = false;
    bool running_ = false;
    Clock::time_point start_{};
    int64_t bufferSamples_ = 0;
    int64_t buffers_ = 0;
    // Last: the thread starts once everything it uses is there.
    std::thread thread_;
};

WavFileSoundInput::WavFileSoundInput(std::string path, bool realTime, bool loop)
    : path_(std::move(path)), realTime_(realTime), loop_(loop) {}

WavFileSoundInput::~WavFileSoundInput() = default;

bool WavFileSoundInput::SetFilledNotifier(std::function<void()> notify) {
    if (!realTime_) return false;
    fillClock_.reset();
    fillClock_ = std::make_unique<FillClock>(std::move(notify));
    return true;
}

bool WavFileSoundInput::Open(int deviceIndex) {
    std::vector<int16_t> samples;
    if (!ReadWav48k(path_, samples, error_)) return false;
    error_.clear();
    SetSource(std::move(samples), loop_ ? kLoopGapSamples : -1);
    return MemorySoundInput::Open(deviceIndex);
}

void WavFileSoundInput::AddBuffer(int buffer, int count) {
    MemorySoundInput::AddBuffer(buffer, count);
    if (IsOpen()) bufferSamples_ = count;
}

void WavFileSoundInput::Start() {
    if (IsStarted()) return;  // the clock runs from the first Start since the last Reset
    MemorySoundInput::Start();
    if (!IsStarted()) return;
    startTime_ = std::chrono::steady_clock::now();
    if (fillClock_) fillClock_->Start(startTime_, bufferSamples_);
}

void WavFileSoundInput::Reset() {
    if (fillClock_) fillClock_->Stop();
    MemorySoundInput::Reset();
}

void WavFileSoundInput::Close() {
    if (fillClock_) fillClock_->Stop();
    MemorySoundInput::Close();
}

bool WavFileSoundInput::ReadyToFill(int64_t samplesAfter) const {
    if (!realTime_) return true;
    return std::chrono::steady_clock::now() - startTime_ >= PlayTime(samplesAfter);
}

}  // namespace muv
