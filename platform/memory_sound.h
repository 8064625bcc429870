// Sound devices held in memory, for tests and the benchmark: the output records what it plays and
// plays only when told to; the input delivers a given series of samples, either as fast as the modem
// polls or when told to.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/sound_device.h"

namespace muv {

// What a test sees of a memory device's opens, resets and close, and the device indices it makes fail.
struct MemoryDeviceRecord {
    // Opening fails for these device indices.
    std::set<int> failingDevices;
    // The index of the last successful Open, and how many opens succeeded.
    std::optional<int> openedDevice;
    int openCount = 0;
    int resetCount = 0;
    bool closed = false;

protected:
    // False for a failing device index; otherwise the open is recorded.
    bool RecordOpen(int deviceIndex) {
        if (failingDevices.count(deviceIndex)) return false;
        closed = false;
        openedDevice = deviceIndex;
        ++openCount;
        return true;
    }
};

class MemorySoundOutput : public SoundOutputDevice, public MemoryDeviceRecord {
public:
    // Everything that has finished playing, in order.
    std::vector<int16_t> played;

    // A successful Open starts with an empty queue.
    bool Open(int deviceIndex) override;
    // Queues buffer k at the back (any k >= 0). A buffer written again while still queued is replaced
    // where it stands. Ignored while the device is not open.
    void Write(int buffer, const int16_t* samples, int count) override;
    // True unless buffer k is queued.
    bool IsDone(int buffer) const override;
    // Drops the queue without playing it.
    void Reset() override;
    // Drops the queue without playing it.
    void Close() override;
    int PendingSamples() const override;

    // The n oldest queued buffers finish playing, in queue order (fewer if fewer are queued).
    void FinishBuffers(int n);
    void FinishAll();
    bool IsOpen() const { return open_; }
    int QueuedBuffers() const { return static_cast<int>(queue_.size()); }

private:
    struct Queued {
        int buffer;
        std::vector<int16_t> samples;
    };
    std::deque<Queued> queue_;
    bool open_ = false;
};

class MemorySoundInput : public SoundInputDevice, public MemoryDeviceRecord {
public:
    // The samples to deliver, in order; after their end, zeros.
    explicit MemorySoundInput(std::vector<int16_t> source = {});

    // Pacing: when true, the buffer at the head of the queue is filled as soon as IsDone polls it, so
    // audio flows exactly as fast as the modem reads it. When false, FillBuffers fills buffers.
    bool autoFill = true;

    // A successful Open starts with no buffers queued and capture stopped; the source position is kept.
    bool Open(int deviceIndex) override;
    // Queues buffer k (any k >= 0) to be filled with count samples; buffers fill in the order added.
    // A buffer added again while still queued keeps its place with the new count. Ignored while the
    // device is not open.
    void AddBuffer(int buffer, int count) override;
    void Start() override;
    // True only for a buffer filled and not added again since. With autoFill, polling a queued buffer
    // while started fills the queue in order up to it (as far as the pacing allows).
    bool IsDone(int buffer) const override;
    // The samples of a filled buffer (count of them); empty for a buffer never filled.
    const std::vector<int16_t>& Read(int buffer) const override;
    // Stops capture; every buffer is returned unfilled.
    void Reset() override;
    void Close() override;

    // Fills the n oldest queued buffers (fewer if fewer are queued) while started, whatever the pacing;
    // returns how many were filled.
    int FillBuffers(int n);
    // More samples to deliver after those given so far.
    void Append(const std::vector<int16_t>& samples) {
        source_.insert(source_.end(), samples.begin(), samples.end());
    }
    // True once every sample of the source has been delivered (never for a repeating source).
    bool Exhausted() const;
    int64_t SamplesDelivered() const { return delivered_; }
    bool IsOpen() const { return open_; }
    bool IsStarted() const { return started_; }
    int QueuedBuffers() const { return static_cast<int>(queue_.size()); }

protected:
    // Replaces the source and delivers it from its start. With loopGap >= 0 the source repeats for
    // ever, loopGap zero samples apart.
    void SetSource(std::vector<int16_t> source, int loopGap = -1);
    // Pacing with autoFill: whether the head buffer may be filled now, when that brings the samples
    // delivered since Start to samplesAfter.
    virtual bool ReadyToFill(int64_t samplesAfter) const;

private:
    struct Slot {
        std::vector<int16_t> samples;
        bool filled = false;
    };
    struct Queued {
        int buffer;
        int count;
    };
    // Fills the buffer at the head of the queue from the source.
    void FillHead() const;
    int16_t NextSample() const;

    std::vector<int16_t> source_;
    int loopGap_ = -1;
    bool open_ = false;
    bool started_ = false;
    int64_t deliveredAtStart_ = 0;
    // Filling happens inside the const IsDone when autoFill is on.
    mutable std::map<int, Slot> slots_;
    mutable std::deque<Queued> queue_;
    mutable int64_t delivered_ = 0;
};

}  // namespace muv
