// Sound devices on PortAudio that keep the polled-buffer model of the modem. PortAudio runs a callback
// on a thread of its own; that callback only moves samples through a lock-free ring between one
// producer and one consumer (no locks, no allocation), and the program's thread does all the buffer
// bookkeeping when it polls. The rings with their bookkeeping are separate classes so that both sides
// can be driven without a sound card.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound_device.h"

namespace muv {

// A ring of samples for exactly one producer thread and one consumer thread. Positions count samples
// since the ring was made and never wrap (64 bits), so "how far has the consumer come" is one number.
class SampleRing {
public:
    // Holds 2^capacityLog2 samples.
    explicit SampleRing(int capacityLog2);

    // Producer: stores as many of the samples as fit, taking every stride-th one; returns how many.
    int Push(const int16_t* samples, int count, int stride = 1);
    uint64_t WritePosition() const { return write_.load(std::memory_order_acquire); }

    // Consumer: takes up to count samples, writing each to channels consecutive places; returns how many.
    int Pop(int16_t* out, int count, int channels = 1);
    // Consumer: drops what was pushed before position (nothing when already past it).
    void SkipTo(uint64_t position);
    uint64_t ReadPosition() const { return read_.load(std::memory_order_acquire); }

    int Available() const { return static_cast<int>(WritePosition() - ReadPosition()); }
    int Capacity() const { return static_cast<int>(data_.size()); }

private:
    std::vector<int16_t> data_;
    uint64_t mask_;
    alignas(64) std::atomic<uint64_t> write_{0};
    alignas(64) std::atomic<uint64_t> read_{0};
};

// Capture: the callback pushes what the device records; the program's thread hands out buffers to be
// filled and fills them, in the order they were added, when it polls. With a notifier, the callback
// calls it once when the recorded samples complete the buffer that the program's last look left
// waiting, and not again until the program looks again.
class CaptureRing {
public:
    explicit CaptureRing(int capacityLog2 = 19);

    // Set before the callback runs.
    void SetFilledNotifier(std::function<void()> notify) { notify_ = std::move(notify); }

    // Callback side: stores the recorded samples (every stride-th one) and returns how many; what does
    // not fit is lost and counted as an overrun.
    int Push(const int16_t* samples, int count, int stride = 1);
    uint64_t OverrunSamples() const { return overrun_.load(std::memory_order_relaxed); }

    // Program side. Queues buffer k (k >= 0) to be filled with count samples; a buffer added again
    // while still queued keeps its place with the new count.
    void AddBuffer(int buffer, int count);
    // Fills the queued buffers in order as far as recorded samples go; true once buffer k is full.
    bool IsDone(int buffer);
    const std::vector<int16_t>& Read(int buffer) const;
    // Every buffer unfilled and out of the queue, and the recorded audio not yet taken dropped.
    void Reset();

private:
    struct Slot {
        std::vector<int16_t> samples;
        int count = 0;
        bool filled = false;
    };
    static constexpr uint64_t kNoWake = std::numeric_limits<uint64_t>::max();
    // Program side: the write position at which the buffer at the head of the queue will be full.
    void ArmWake();

    SampleRing ring_;
    std::atomic<uint64_t> overrun_{0};
    std::function<void()> notify_;
    // Written by the program's thread, taken (set to kNoWake) by the callback when it notifies.
    std::atomic<uint64_t> wakeAt_{kNoWake};
    std::map<int, Slot> slots_;
    std::deque<int> queue_;
};

// Playback: the program's thread appends buffers in queue order; the callback plays them and silence
// whenever nothing is queued. A buffer is done once the callback has played past its end. The callback
// also says how long what it hands the device takes to be heard, so that the program can tell when the
// last sample it wrote has left the device, not just the ring.
class PlaybackRing {
public:
    using Clock = std::chrono::steady_clock;

    explicit PlaybackRing(int capacityLog2 = 20);

    // Program side. Appends the samples of buffer k; what does not fit in the ring is dropped.
    void Write(int buffer, const int16_t* samples, int count);
    bool IsDone(int buffer) const;
    // Drops everything queued: the callback skips it and every buffer is done at once.
    void Reset();
    int PendingSamples() const;
    // The samples written and not yet heard at now: those still queued, each heard the device's delay
    // after it is played, and the rest of those already handed to the device. 0 once all are heard.
    int UnheardSamples(Clock::time_point now) const;

    // Callback side: fills frames frames of channels interleaved channels (each channel the same
    // sample), with silence after the queued samples run out; returns how many queued samples played.
    // delay is how long from now the first of these frames takes to be heard (the device's own delay).
    int Pull(int16_t* out, int frames, int channels = 1, Clock::duration delay = {},
             Clock::time_point now = {});
    // Samples played (or skipped by a reset) since the ring was made.
    uint64_t PlayedSamples() const { return ring_.ReadPosition(); }

private:
    SampleRing ring_;
    // Written by the program's Reset, read by the callback: the position the callback must skip to.
    std::atomic<uint64_t> dropTo_{0};
    // Written by the callback: when the last queued sample it played will have been heard (ticks of
    // Clock), then the ring position up to which it has played, which tells the program that the time
    // belongs to what it sees played; and the device's delay the callback last saw.
    std::atomic<Clock::rep> heardAt_{0};
    std::atomic<uint64_t> heardThrough_{0};
    std::atomic<Clock::rep> delay_{0};
    // The ring position at which each queued buffer ends.
    std::map<int, uint64_t> ends_;
};

// PortAudio stays initialised while any holder of this guard lives.
class PortAudioSession {
public:
    // The shared session, initialising PortAudio if no one holds it; null when that fails.
    static std::shared_ptr<PortAudioSession> Acquire();
    ~PortAudioSession();
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;

private:
    PortAudioSession() = default;
};

// What an open PortAudio device holds: the session that keeps PortAudio up, the stream and its channel
// count, and why the last open or start failed.
struct PortAudioStream {
    std::shared_ptr<PortAudioSession> session;
    void* handle = nullptr;
    int channels = 1;
    std::string error;
};

// The names of PortAudio's devices with at least one input (output) channel, in PortAudio's order:
// the device indices of Open.
std::vector<std::string> CaptureDeviceNames();
std::vector<std::string> PlaybackDeviceNames();
// The name of PortAudio's default playback device; empty when there is none.
std::string DefaultPlaybackDeviceName();

// 48000 samples per second, 16-bit mono (a device that only takes two channels gets the left one).
class PortAudioSoundInput : public SoundInputDevice {
public:
    PortAudioSoundInput();
    ~PortAudioSoundInput() override;

    // The device with this index in CaptureDeviceNames() order, -1 the default; false when it cannot
    // be opened. The stream is opened but not started.
    bool Open(int deviceIndex) override;
    // The same for the first device of that name.
    bool OpenNamed(const std::string& name);
    // Ignored while not open.
    void AddBuffer(int buffer, int count) override;
    void Start() override;
    bool IsDone(int buffer) const override;
    const std::vector<int16_t>& Read(int buffer) const override;
    void Reset() override;
    void Close() override;
    // notify runs on PortAudio's thread.
    bool SetFilledNotifier(std::function<void()> notify) override;

    bool IsOpen() const { return stream_.handle != nullptr; }
    const std::string& LastError() const override { return stream_.error; }

private:
    friend struct PortAudioCallbacks;

    PortAudioStream stream_;
    bool started_ = false;
    // Filling happens when the const IsDone polls.
    mutable CaptureRing ring_;
};

class PortAudioSoundOutput : public SoundOutputDevice {
public:
    PortAudioSoundOutput();
    ~PortAudioSoundOutput() override;

    // The device with this index in PlaybackDeviceNames() order, -1 the default; false when it cannot
    // be opened. The stream starts at once, playing silence until buffers are written.
    bool Open(int deviceIndex) override;
    // The same for the first device of that name.
    bool OpenNamed(const std::string& name);
    // Ignored while not open.
    void Write(int buffer, const int16_t* samples, int count) override;
    bool IsDone(int buffer) const override;
    void Reset() override;
    void Close() override;
    int PendingSamples() const override;
    // What is queued and what the device holds: the delay it gives for each buffer it takes (the DAC
    // time of the buffer's first frame), or the stream's output latency when it gives none that makes
    // sense.
    int UnheardSamples() const override;

    bool IsOpen() const { return stream_.handle != nullptr; }
    const std::string& LastError() const override { return stream_.error; }

private:
    friend struct PortAudioCallbacks;

    bool OpenChosen(int deviceIndex, const std::string* name);

    PortAudioStream stream_;
    PlaybackRing ring_;
    // The stream's output latency in seconds, for the callback; set once the stream is open.
    std::atomic<double> outputLatency_{0};
};

}  // namespace muv
